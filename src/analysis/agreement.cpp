#include "analysis/agreement.h"

#include "analysis/millis.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <queue>
#include <tuple>

namespace {

qint64 floorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

qint64 ceilDiv(qint64 a, qint64 b) {
    return -floorDiv(-a, b);
}

struct Grid {
    qint64 start, width, count;
};

// One observer's point times and bouts, by behaviour name, gathered once.
struct Observed {
    std::vector<qint64> points;
    std::vector<const Bout*> bouts;
};

QHash<QString, Observed> observed(const Coding& c) {
    QHash<QString, Observed> by;
    for (const CodedEvent& e : c.events)
        if (e.type == EventType::Point)
            by[c.behaviours[std::size_t(e.behaviour)].name].points.push_back(e.ms);
    for (const Bout& b : c.bouts)
        by[c.behaviours[std::size_t(b.behaviour)].name].bouts.push_back(&b);
    return by;
}

// For each interval, 1 when the observer scored it.
std::vector<quint8> scores(const Observed& o, const Grid& g) {
    std::vector<quint8> s(std::size_t(g.count), 0);
    for (qint64 t : o.points)
        if (t >= g.start && (t - g.start) / g.width < g.count)
            s[std::size_t((t - g.start) / g.width)] = 1;
    // Active at the midpoint start + (i + 1/2) width, in half milliseconds.
    for (const Bout* b : o.bouts) {
        const qint64 first = ceilDiv(2 * (b->start - g.start) - g.width, 2 * g.width);
        const qint64 end = ceilDiv(2 * (b->stop - g.start) - g.width, 2 * g.width);
        for (qint64 i = qMax<qint64>(first, 0); i < qMin(end, g.count); ++i)
            s[std::size_t(i)] = 1;
    }
    return s;
}

// Cohen's kappa from the observed agreement and the two observers' category
// counts; none when chance agreement is 1 (compared exactly, in integers).
std::optional<double> kappa(qint64 agreeing, qint64 n, const std::vector<qint64>& countsA,
                            const std::vector<qint64>& countsB) {
    qint64 chance = 0;
    for (std::size_t c = 0; c < countsA.size(); ++c)
        chance += countsA[c] * countsB[c];
    if (chance == n * n)
        return std::nullopt;
    const double po = double(agreeing) / double(n);
    const double pe = double(chance) / (double(n) * double(n));
    return (po - pe) / (1.0 - pe);
}

} // namespace

std::vector<Behaviour> unitedBehaviours(const Coding& a, const Coding& b) {
    std::vector<Behaviour> all = a.behaviours;
    QSet<QString> names;
    for (const Behaviour& x : all)
        names.insert(x.name);
    for (const Behaviour& x : b.behaviours)
        if (!names.contains(x.name))
            all.push_back(x);
    return all;
}

std::optional<Span> commonSpan(const Coding& a, const Coding& b, std::optional<qint64> from,
                               std::optional<qint64> to, Failure* failure) {
    return spanOf(a.file + QStringLiteral(" and ") + b.file, qMax(a.firstMs, b.firstMs),
                  qMin(a.lastMs, b.lastMs), from, to, failure);
}

std::optional<std::vector<IntervalRow>>
intervalAgreement(const Coding& a, const Coding& b, Span span, qint64 widthMs, Failure* failure) {
    const Grid g{span.from, widthMs, span.length() / widthMs};
    if ((g.count < 1 && span.length() > 0) || g.count > kMaxIntervals) {
        const QString what =
            g.count < 1 ? QStringLiteral("the span of %1 s holds no whole interval of %2 s")
                              .arg(formatMillis(span.length()), formatMillis(widthMs))
                        : QStringLiteral("the span of %1 s holds %2 intervals of %3 s, more "
                                         "than the %4 that can be scored")
                              .arg(formatMillis(span.length()))
                              .arg(g.count)
                              .arg(formatMillis(widthMs))
                              .arg(kMaxIntervals);
        *failure = {a.file + QStringLiteral(" and ") + b.file, 0, what};
        return std::nullopt;
    }
    const std::vector<Behaviour> units = unitedBehaviours(a, b);
    const QHash<QString, Observed> byA = observed(a), byB = observed(b);
    std::vector<IntervalRow> rows;
    QStringList groups = a.groups;
    for (const QString& x : b.groups)
        if (!groups.contains(x))
            groups << x;
    // Per group, each observer's category in each interval (0: none).
    std::vector<std::vector<quint16>> catA(std::size_t(groups.size())), catB(catA.size());
    std::vector<int> categories(catA.size(), 1);
    for (const Behaviour& u : units) {
        const std::vector<quint8> sa = scores(byA.value(u.name), g),
                                  sb = scores(byB.value(u.name), g);
        IntervalRow r{u.name, kindName(u.kind), g.count, 0, 0, 0, 0, {}, {}};
        for (qint64 i = 0; i < g.count; ++i) {
            const int cell = sa[std::size_t(i)] * 2 + sb[std::size_t(i)];
            (cell == 3 ? r.both : cell == 2 ? r.onlyA : cell == 1 ? r.onlyB : r.neither) += 1;
        }
        if (g.count > 0)
            r.agreement = double(r.both + r.neither) / double(g.count);
        r.kappa = kappa(r.both + r.neither, g.count, {r.both + r.onlyA, r.neither + r.onlyB},
                        {r.both + r.onlyB, r.neither + r.onlyA});
        rows.push_back(r);
        const qsizetype group = groups.indexOf(u.group);
        if (u.kind != BehaviourKind::State || group < 0)
            continue;
        const std::size_t k = std::size_t(group);
        const quint16 category = quint16(categories[k]++);
        for (auto [cat, s] : {std::pair{&catA[k], &sa}, std::pair{&catB[k], &sb}}) {
            cat->resize(std::size_t(g.count), 0);
            for (qint64 i = 0; i < g.count; ++i)
                if ((*s)[std::size_t(i)] && !(*cat)[std::size_t(i)])
                    (*cat)[std::size_t(i)] = category;
        }
    }
    for (qsizetype k = 0; k < groups.size(); ++k) {
        const std::size_t gk = std::size_t(k);
        catA[gk].resize(std::size_t(g.count), 0);
        catB[gk].resize(std::size_t(g.count), 0);
        std::vector<qint64> countsA(std::size_t(categories[gk]), 0), countsB(countsA);
        qint64 agreeing = 0;
        for (qint64 i = 0; i < g.count; ++i) {
            const quint16 x = catA[gk][std::size_t(i)], y = catB[gk][std::size_t(i)];
            ++countsA[x];
            ++countsB[y];
            agreeing += x == y;
        }
        IntervalRow r{groups[k], QStringLiteral("group"), g.count, 0, 0, 0, 0, {}, {}};
        if (g.count > 0)
            r.agreement = double(agreeing) / double(g.count);
        r.kappa = kappa(agreeing, g.count, countsA, countsB);
        rows.push_back(r);
    }
    return rows;
}

namespace {

// Pairs the times of a and b one to one, closest first. The closest pair
// left is always next to each other in time order, so only neighbours of
// opposite sides enter the queue; a pair is taken, its two times leave the
// list, and their outer neighbours become neighbours.
qint64 matchedPairs(std::vector<qint64> ta, std::vector<qint64> tb, qint64 width) {
    struct Item {
        qint64 t;
        bool b;
    };
    std::vector<Item> items;
    for (qint64 t : ta)
        items.push_back({t, false});
    for (qint64 t : tb)
        items.push_back({t, true});
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& x, const Item& y) { return x.t < y.t; });
    const int n = int(items.size());
    std::vector<int> prev(items.size()), next(items.size());
    std::vector<bool> gone(items.size(), false);
    for (int i = 0; i < n; ++i) {
        prev[std::size_t(i)] = i - 1;
        next[std::size_t(i)] = i + 1 < n ? i + 1 : -1;
    }
    using Pair = std::tuple<qint64, qint64, int, int>; // distance, earlier time, left, right
    std::priority_queue<Pair, std::vector<Pair>, std::greater<>> queue;
    auto offer = [&](int l, int r) {
        if (l < 0 || r < 0 || items[std::size_t(l)].b == items[std::size_t(r)].b)
            return;
        const qint64 d = items[std::size_t(r)].t - items[std::size_t(l)].t;
        if (d <= width)
            queue.emplace(d, items[std::size_t(l)].t, l, r);
    };
    for (int i = 0; i + 1 < n; ++i)
        offer(i, i + 1);
    qint64 matched = 0;
    while (!queue.empty()) {
        const auto [d, t, l, r] = queue.top();
        queue.pop();
        if (gone[std::size_t(l)] || gone[std::size_t(r)] || next[std::size_t(l)] != r)
            continue;
        gone[std::size_t(l)] = gone[std::size_t(r)] = true;
        ++matched;
        const int before = prev[std::size_t(l)], after = next[std::size_t(r)];
        if (before >= 0)
            next[std::size_t(before)] = after;
        if (after >= 0)
            prev[std::size_t(after)] = before;
        offer(before, after);
    }
    return matched;
}

} // namespace

std::vector<MatchRow> matchEvents(const Coding& a, const Coding& b, qint64 widthMs) {
    std::vector<MatchRow> rows;
    const QHash<QString, Observed> byA = observed(a), byB = observed(b);
    for (const Behaviour& u : unitedBehaviours(a, b)) {
        if (u.kind != BehaviourKind::Point)
            continue;
        const std::vector<qint64> ta = byA.value(u.name).points, tb = byB.value(u.name).points;
        MatchRow r{u.name};
        r.matched = matchedPairs(ta, tb, widthMs);
        r.onlyA = qint64(ta.size()) - r.matched;
        r.onlyB = qint64(tb.size()) - r.matched;
        rows.push_back(r);
    }
    return rows;
}
