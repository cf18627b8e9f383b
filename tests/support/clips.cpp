#include "support/clips.h"

#include <QDir>
#include <QProcess>

namespace {
QString& lastError() {
    static QString e;
    return e;
}
constexpr int kBits = 16;
} // namespace

QString ffmpegError() {
    return lastError();
}

QString makeCodedClip(const QString& folder, const QString& name, const ClipSpec& spec) {
    const QString path = QDir(folder).filePath(name);
    const QString source =
        QStringLiteral("color=c=black:s=%1x%2:r=%3:d=%4,format=gray,"
                       "geq=lum='255*mod(floor(N/pow(2\\,floor(X*%5/W)))\\,2)',setsar=%6")
            .arg(spec.width)
            .arg(spec.height)
            .arg(spec.frameRate)
            .arg(spec.seconds)
            .arg(kBits)
            .arg(spec.sampleAspect);
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                     QStringLiteral("error"),        QStringLiteral("-y"),
                     QStringLiteral("-f"),           QStringLiteral("lavfi"),
                     QStringLiteral("-i"),           source};
    if (spec.audio)
        args
            << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
            << QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(spec.seconds);
    args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-pix_fmt")
         << QStringLiteral("yuv420p") << QStringLiteral("-crf") << QStringLiteral("12")
         << QStringLiteral("-preset") << QStringLiteral("veryfast") << QStringLiteral("-g")
         << QString::number(spec.keyframeInterval);
    if (spec.audio)
        args << QStringLiteral("-c:a") << QStringLiteral("aac");
    args << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        lastError() = QString::fromLocal8Bit(ffmpeg.readAllStandardError()) + ffmpeg.errorString();
        return QString();
    }
    return path;
}

int frameCode(const QImage& image, const QRect& picture) {
    if (image.isNull() || picture.width() < kBits || picture.height() < 2)
        return -1;
    const int y = picture.top() + picture.height() / 2;
    int code = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int x = picture.left() + int((bit + 0.5) * picture.width() / kBits);
        const int grey = qGray(image.pixel(x, y));
        if (grey > 192)
            code |= 1 << bit;
        else if (grey >= 64)
            return -1;
    }
    return code;
}

int frameCode(const QImage& image) {
    return frameCode(image, image.rect());
}

long long frameAt(long long ms, long long num, long long den) {
    // Frame k is at k * den / num seconds, that is k * den * 1000 / num ms.
    if (ms < 0)
        return 0;
    return ms * num / (den * 1000);
}
