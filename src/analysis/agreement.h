#pragma once

#include "analysis/coding.h"
#include "analysis/summary.h"

#include <optional>
#include <vector>

// Agreement between two observers' codings of one video. Behaviours are
// matched by name: A's in its order, then those only B has. Pure values; any
// thread.

// Interval agreement. The span is cut into floor(length / width) intervals of
// width from its start. An observer scores an interval for a behaviour when a
// point event of it lies in the half-open interval, or when the state is
// active at the interval's midpoint. A group's category in an interval is its
// state active at the midpoint (the first in scheme order if time going back
// left two), or none.
struct IntervalRow {
    QString unit;
    QString kind; // "point", "state" or "group"
    qint64 intervals = 0;
    qint64 both = 0, onlyA = 0, onlyB = 0, neither = 0; // not for groups
    std::optional<double> agreement;                    // none in a span of no length
    std::optional<double> kappa;                        // none when chance agreement is 1
};

// The later of the two first times to the earlier of the two last times,
// unless from or to are given.
std::optional<Span> commonSpan(const Coding& a, const Coding& b, std::optional<qint64> from,
                               std::optional<qint64> to, Failure* failure);

// Fails when the span holds no whole interval, or more than kMaxIntervals.
inline constexpr qint64 kMaxIntervals = 20'000'000;
std::optional<std::vector<IntervalRow>>
intervalAgreement(const Coding& a, const Coding& b, Span span, qint64 widthMs, Failure* failure);

// Event matching: for each point behaviour the events of A and B are paired
// one to one, closest pairs first (earlier ones first among equals), when at
// most width apart.
struct MatchRow {
    QString behaviour;
    qint64 matched = 0, onlyA = 0, onlyB = 0;
    double agreement() const {
        const qint64 all = matched + onlyA + onlyB;
        return all ? double(matched) / double(all) : 0.0;
    }
};

std::vector<MatchRow> matchEvents(const Coding& a, const Coding& b, qint64 widthMs);

// The behaviours of both codings by name, A's first.
std::vector<Behaviour> unitedBehaviours(const Coding& a, const Coding& b);
