#include "analysis/sequences.h"

#include <QHash>

#include <algorithm>

std::vector<const CodedEvent*> onsetsOf(const Coding& coding, Span span) {
    std::vector<const CodedEvent*> onsets;
    for (const CodedEvent& e : coding.events)
        if ((e.type == EventType::Point || e.type == EventType::Start) && e.ms >= span.from &&
            e.ms <= span.to)
            onsets.push_back(&e);
    // The events are in line order already, so a stable sort keeps it for ties.
    std::stable_sort(onsets.begin(), onsets.end(),
                     [](const CodedEvent* a, const CodedEvent* b) { return a->ms < b->ms; });
    return onsets;
}

QStringList behaviourOrder(const std::vector<Coding>& codings) {
    QStringList order;
    for (const Coding& c : codings)
        for (const Behaviour& b : c.behaviours)
            if (!order.contains(b.name))
                order << b.name;
    return order;
}

std::vector<TransitionRow> transitions(const std::vector<Coding>& codings,
                                       const std::vector<Span>& spans) {
    const QStringList order = behaviourOrder(codings);
    const qsizetype n = order.size();
    QHash<QString, qsizetype> index;
    for (qsizetype i = 0; i < n; ++i)
        index.insert(order[i], i);
    std::vector<TransitionRow> rows;
    std::vector<int> pooled(std::size_t(n * n), 0);
    auto addRows = [&](const QString& file, const std::vector<int>& counts) {
        for (qsizetype from = 0; from < n; ++from) {
            int out = 0;
            for (qsizetype to = 0; to < n; ++to)
                out += counts[std::size_t(from * n + to)];
            for (qsizetype to = 0; to < n; ++to)
                if (const int count = counts[std::size_t(from * n + to)]; count > 0)
                    rows.push_back({file, order[from], order[to], count, out});
        }
    };
    for (std::size_t f = 0; f < codings.size(); ++f) {
        const Coding& c = codings[f];
        std::vector<int> counts(std::size_t(n * n), 0);
        const std::vector<const CodedEvent*> onsets = onsetsOf(c, spans[f]);
        for (std::size_t i = 1; i < onsets.size(); ++i) {
            const qsizetype from =
                index.value(c.behaviours[std::size_t(onsets[i - 1]->behaviour)].name);
            const qsizetype to = index.value(c.behaviours[std::size_t(onsets[i]->behaviour)].name);
            ++counts[std::size_t(from * n + to)];
            ++pooled[std::size_t(from * n + to)];
        }
        addRows(c.file, counts);
    }
    if (codings.size() > 1)
        addRows(QStringLiteral("all"), pooled);
    return rows;
}
