#include "analysis/summary.h"

#include "analysis/millis.h"

std::optional<Span> spanOf(const QString& file, qint64 first, qint64 last,
                           std::optional<qint64> from, std::optional<qint64> to, Failure* failure) {
    const Span span{from.value_or(first), to.value_or(last)};
    if (span.length() < 0) {
        *failure = {file, 0,
                    QStringLiteral("the span ends before it starts: from %1 to %2")
                        .arg(formatMillis(span.from), formatMillis(span.to))};
        return std::nullopt;
    }
    return span;
}

namespace {

// Whether summarize() counts the bout: it overlaps the span, or has no length
// and starts inside it.
bool counts(const Bout& b, Span span) {
    const qint64 inside = qMin(b.stop, span.to) - qMax(b.start, span.from);
    return inside > 0 || (b.duration() == 0 && b.start >= span.from && b.start <= span.to);
}

} // namespace

std::vector<SummaryRow> summarize(const Coding& coding, Span span) {
    std::vector<SummaryRow> rows(coding.behaviours.size());
    for (std::size_t b = 0; b < rows.size(); ++b)
        rows[b].behaviour = int(b);
    for (const CodedEvent& e : coding.events)
        if (e.type == EventType::Point && e.ms >= span.from && e.ms <= span.to)
            ++rows[std::size_t(e.behaviour)].count;
    for (const Bout& b : coding.bouts) {
        if (counts(b, span)) {
            ++rows[std::size_t(b.behaviour)].count;
            rows[std::size_t(b.behaviour)].totalMs +=
                qMax<qint64>(qMin(b.stop, span.to) - qMax(b.start, span.from), 0);
        }
    }
    return rows;
}

std::optional<std::vector<SummaryBin>> summarizeBins(const Coding& coding, Span span, qint64 width,
                                                     Failure* failure) {
    const qint64 n = qMax<qint64>((span.length() + width - 1) / width, 1);
    if (n > kMaxBins) {
        *failure = {QStringLiteral("--bin"), 0,
                    QStringLiteral("%1 bins of %2 s in %3; at most %4")
                        .arg(n)
                        .arg(formatMillis(width), coding.file)
                        .arg(kMaxBins)};
        return std::nullopt;
    }
    std::vector<SummaryBin> bins(static_cast<std::size_t>(n), SummaryBin{});
    for (qint64 k = 0; k < n; ++k) {
        bins[std::size_t(k)].span = {span.from + k * width,
                                     qMin(span.from + (k + 1) * width, span.to)};
        bins[std::size_t(k)].rows = std::vector<SummaryRow>(coding.behaviours.size());
        for (std::size_t b = 0; b < coding.behaviours.size(); ++b)
            bins[std::size_t(k)].rows[b].behaviour = int(b);
    }
    // The bin of a time inside the span (before it: the first).
    auto binOf = [&](qint64 ms) {
        return std::size_t(qMin(qMax<qint64>(ms - span.from, 0) / width, n - 1));
    };
    for (const CodedEvent& e : coding.events)
        if (e.type == EventType::Point && e.ms >= span.from && e.ms <= span.to)
            ++bins[binOf(e.ms)].rows[std::size_t(e.behaviour)].count;
    for (const Bout& b : coding.bouts) {
        if (!counts(b, span))
            continue;
        ++bins[binOf(b.start)].rows[std::size_t(b.behaviour)].count;
        const qint64 start = qMax(b.start, span.from), stop = qMin(b.stop, span.to);
        for (std::size_t k = binOf(start);
             stop > start && k < bins.size() && bins[k].span.from < stop; ++k)
            bins[k].rows[std::size_t(b.behaviour)].totalMs +=
                qMin(stop, bins[k].span.to) - qMax(start, bins[k].span.from);
    }
    return bins;
}
