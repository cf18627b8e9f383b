#include "support/clips.h"

#include "platform/mpv_player.h"
#include "platform/mpv_video_widget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>

namespace {
constexpr int kBits = 16;
} // namespace

QString makeCodedClip(const QString& folder, const QString& name, const ClipShape& shape) {
    const QString path = QDir(folder).filePath(name), seconds = QString::number(shape.seconds);
    const QString sound =
        QStringLiteral(" -f lavfi -i sine=frequency=440:sample_rate=48000:duration=") + seconds +
        QStringLiteral(" -c:a aac");
    QStringList args =
        QStringLiteral(
            "-hide_banner -loglevel error -y -f lavfi -i color=c=black:s=%7:r=%1:d=%2,"
            "format=gray,geq=lum='255*mod(floor(N/pow(2\\,floor(X*%3/W)))\\,2)',setsar=%4%5"
            " -c:v libx264 -pix_fmt yuv420p -crf 12 -preset veryfast -g %6")
            .arg(shape.frameRate, seconds, QString::number(kBits),
                 QString::number(shape.sampleAspect), shape.audio ? sound : QString(),
                 QString::number(shape.keyframeInterval),
                 QStringLiteral("%1x%2").arg(shape.width).arg(shape.height))
            .split(' ');
    args << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
        ffmpeg.exitCode() == 0)
        return path;
    qWarning("ffmpeg: %s %s", ffmpeg.readAllStandardError().constData(),
             qPrintable(ffmpeg.errorString()));
    return QString();
}

int frameCode(const QImage& image) {
    if (image.isNull() || image.width() < kBits || image.height() < 2)
        return -1;
    int code = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int grey =
            qGray(image.pixel(int((bit + 0.5) * image.width() / kBits), image.height() / 2));
        if (grey >= 64 && grey <= 192)
            return -1;
        code |= int(grey > 192) << bit;
    }
    return code;
}

int shownFrame(QWidget* picture, QSize aspect) {
    auto* gl = qobject_cast<MpvVideoWidget*>(picture);
    const QImage image = gl ? gl->grabFramebuffer() : picture->grab().toImage();
    QRect fitted(QPoint(), aspect.scaled(image.size(), Qt::KeepAspectRatio));
    fitted.moveCenter(image.rect().center());
    return frameCode(image.copy(fitted));
}

int viewFrame(QWidget* playerView, QSize aspect) {
    for (QWidget* child : playerView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QLabel*>(child))
            return shownFrame(child, aspect);
    return -1;
}

long long frameAt(long long ms, long long num, long long den) {
    // Frame k is at k * den / num seconds, that is k * den * 1000 / num ms.
    return ms < 0 ? 0 : ms * num / (den * 1000);
}

bool waitSettled(MpvPlayer* player, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (player && !player->isSettled() && timer.elapsed() < ms)
        QTest::qWait(5);
    return player && player->isSettled();
}
