#include "analysis/latency.h"

#include <QHash>

std::optional<qint64> referenceOf(const Coding& coding, Span span, const QString& afterKey) {
    if (afterKey.isEmpty())
        return span.from;
    std::optional<qint64> first;
    for (const CodedEvent& e : coding.events)
        if (e.timed && e.entry == afterKey && e.ms >= span.from && (!first || e.ms < *first))
            first = e.ms;
    return first;
}

std::vector<LatencyRow> latencies(const Coding& coding, Span span, std::optional<qint64> reference,
                                  const QStringList& order) {
    QHash<QString, qint64> firstOnset;
    if (reference)
        for (const CodedEvent* e : onsetsOf(coding, {*reference, span.to}))
            if (const QString& name = coding.behaviours[std::size_t(e->behaviour)].name;
                !firstOnset.contains(name))
                firstOnset.insert(name, e->ms);
    QHash<QString, BehaviourKind> kinds;
    for (const Behaviour& b : coding.behaviours)
        kinds.insert(b.name, b.kind);
    std::vector<LatencyRow> rows;
    for (const QString& name : order) {
        LatencyRow row{
            coding.file, coding.video, name, kinds.value(name, BehaviourKind::Point), {}};
        if (const auto it = firstOnset.constFind(name); it != firstOnset.constEnd())
            row.latency = *it - *reference;
        rows.push_back(row);
    }
    return rows;
}
