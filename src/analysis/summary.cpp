#include "analysis/summary.h"

#include "analysis/millis.h"

std::optional<Span> spanOf(const QString& file, qint64 first, qint64 last,
                           std::optional<qint64> from, std::optional<qint64> to, Failure* failure) {
    const Span span{from.value_or(first), to.value_or(last)};
    if (span.length() <= 0) {
        *failure = {file, 0,
                    QStringLiteral("empty span: from %1 to %2")
                        .arg(formatMillis(span.from), formatMillis(span.to))};
        return std::nullopt;
    }
    return span;
}

std::vector<SummaryRow> summarize(const Coding& coding, Span span) {
    std::vector<SummaryRow> rows(coding.behaviours.size());
    for (std::size_t b = 0; b < rows.size(); ++b)
        rows[b].behaviour = int(b);
    for (const CodedEvent& e : coding.events)
        if (e.type == EventType::Point && e.ms >= span.from && e.ms <= span.to)
            ++rows[std::size_t(e.behaviour)].count;
    for (const Bout& b : coding.bouts) {
        const qint64 inside = qMin(b.stop, span.to) - qMax(b.start, span.from);
        const bool instant = b.duration() == 0 && b.start >= span.from && b.start <= span.to;
        if (inside > 0 || instant) {
            ++rows[std::size_t(b.behaviour)].count;
            rows[std::size_t(b.behaviour)].totalMs += qMax<qint64>(inside, 0);
        }
    }
    return rows;
}
