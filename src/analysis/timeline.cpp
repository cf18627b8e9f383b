#include "analysis/timeline.h"

#include "analysis/millis.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>
#include <array>

namespace {

constexpr int kWidth = 1000, kLabels = 170, kRight = 24, kTitle = 44, kRow = 24, kAxis = 40;

} // namespace

// Okabe and Ito's palette, black left out for a light grey that shows on
// light and dark grounds alike.
QColor behaviourColour(int behaviour) {
    static const std::array<QColor, 8> colours{
        QColor(0, 114, 178),  QColor(230, 159, 0), QColor(0, 158, 115),  QColor(204, 121, 167),
        QColor(86, 180, 233), QColor(213, 94, 0),  QColor(240, 228, 66), QColor(170, 170, 170)};
    return colours[std::size_t(std::max(behaviour, 0)) % colours.size()];
}

qint64 axisTickStep(qint64 length, int ticks) {
    for (qint64 power = 1; power < (qint64(1) << 60) / 10; power *= 10)
        for (qint64 m : {1, 2, 5})
            if (length / (m * power) <= ticks)
                return m * power;
    return qint64(1) << 60;
}

QString axisTickLabel(qint64 ms, qint64 step) {
    QString text = formatMillis(ms);
    const int drop = step % 1000 == 0 ? 4 : step % 100 == 0 ? 2 : step % 10 == 0 ? 1 : 0;
    text.chop(drop);
    return text;
}

namespace {

// Where the transport was stopped: from each "stop" to the next "play".
std::vector<std::pair<qint64, qint64>> stoppedStretches(const Coding& c, qint64 end) {
    std::vector<std::pair<qint64, qint64>> stretches;
    bool stopped = false;
    qint64 since = 0;
    for (const CodedEvent& e : c.events) {
        if (e.kind != RowKind::Transport)
            continue;
        if (e.type == EventType::Stop && !stopped) {
            stopped = true;
            since = e.ms;
        } else if (e.type == EventType::Play && stopped) {
            stretches.emplace_back(since, e.ms);
            stopped = false;
        }
    }
    if (stopped)
        stretches.emplace_back(since, end);
    return stretches;
}

} // namespace

QSize timelineSize(const Coding& coding) {
    return QSize(kWidth,
                 kTitle + kRow * int(std::max<std::size_t>(coding.behaviours.size(), 1)) + kAxis);
}

void paintTimeline(QPainter& p, const Coding& c, Span span) {
    // A span of no length still gets an axis: one second from its moment.
    if (span.length() == 0)
        span.to = span.from + 1000;
    const QSize size = timelineSize(c);
    const int rows = int(c.behaviours.size());
    const QRectF plot(kLabels, kTitle, kWidth - kLabels - kRight, kRow * std::max(rows, 1));
    auto x = [&](qint64 ms) {
        return plot.left() + double(ms - span.from) * plot.width() / double(span.length());
    };
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);

    QFont font = p.font();
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 0, kWidth, kTitle), Qt::AlignCenter, c.video.isEmpty() ? c.file : c.video);
    font.setBold(false);
    font.setPixelSize(12);
    p.setFont(font);

    p.save();
    p.setClipRect(plot);
    for (const auto& [from, to] : stoppedStretches(c, span.to))
        p.fillRect(QRectF(QPointF(x(from), plot.top()), QPointF(x(to), plot.bottom())),
                   QColor(0, 0, 0, 22));
    for (const Bout& b : c.bouts) {
        const QColor colour = behaviourColour(b.behaviour);
        const double top = plot.top() + kRow * b.behaviour + 5;
        p.fillRect(QRectF(x(b.start), top, std::max(x(b.stop) - x(b.start), 1.0), kRow - 10),
                   colour);
    }
    for (const CodedEvent& e : c.events) {
        if (e.type != EventType::Point)
            continue;
        p.setPen(QPen(behaviourColour(e.behaviour), 1.5));
        const double top = plot.top() + kRow * e.behaviour + 3;
        p.drawLine(QPointF(x(e.ms), top), QPointF(x(e.ms), top + kRow - 6));
    }
    p.restore();

    p.setPen(QColor(60, 60, 60));
    for (int r = 0; r < rows; ++r)
        p.drawText(QRectF(4, plot.top() + kRow * r, kLabels - 12, kRow),
                   Qt::AlignRight | Qt::AlignVCenter, c.behaviours[std::size_t(r)].name);
    p.drawRect(plot);
    const qint64 step = axisTickStep(span.length(), 10);
    const qint64 first =
        span.from >= 0 ? (span.from + step - 1) / step * step : -(-span.from / step) * step;
    for (qint64 t = first; t <= span.to; t += step) {
        p.drawLine(QPointF(x(t), plot.bottom()), QPointF(x(t), plot.bottom() + 5));
        p.drawText(QRectF(x(t) - 40, plot.bottom() + 6, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
                   axisTickLabel(t, step));
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + 20, plot.width(), 18), Qt::AlignHCenter,
               QStringLiteral("seconds"));
}

QByteArray timelinePicture(const Coding& coding, Span span, PictureFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QSize size = timelineSize(coding);
    if (format == PictureFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(coding.video);
        QPainter painter(&svg);
        paintTimeline(painter, coding, span);
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&image);
            paintTimeline(painter, coding, span);
        }
        image.save(&buffer, "PNG");
    }
    return bytes;
}

std::optional<PictureFormat> pictureFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg"))
        return PictureFormat::Svg;
    if (suffix == QLatin1String("png"))
        return PictureFormat::Png;
    return std::nullopt;
}
