#pragma once

#include "analysis/coding.h"

#include <optional>
#include <vector>

// Time budgets: how often and how long each behaviour happened within a span.
// Pure values; any thread.

struct Span {
    qint64 from = 0, to = 0; // milliseconds, from <= to
    qint64 length() const { return to - from; }
};

// The span from first to last unless from or to are given; fails (naming
// file) when it ends before it starts. A span of no length (one stamped line,
// or every key on one paused frame) is a span: what it cannot define (a
// proportion, a rate, an interval) is left undefined where it is written.
std::optional<Span> spanOf(const QString& file, qint64 first, qint64 last,
                           std::optional<qint64> from, std::optional<qint64> to, Failure* failure);

struct SummaryRow {
    int behaviour = -1;
    int count = 0;      // point events, or bouts that overlap the span
    qint64 totalMs = 0; // states: the bouts' time inside the span
};

// One row per behaviour of the coding, in its order. A point counts when it
// lies in the closed span; a bout when it overlaps the span, or has no length
// and starts inside it.
std::vector<SummaryRow> summarize(const Coding& coding, Span span);

struct SummaryBin {
    Span span; // the last bin includes its end
    std::vector<SummaryRow> rows;
};

// Bins of width ms from the span's start, the last one cut at the span's end
// (never empty). Each counts the points and the bouts that begin in it (the
// first one also those running at the span's start) and the bouts' overlap
// with it, so that over all bins they add up to summarize(). Fails (naming
// --bin) on more than kMaxBins bins.
constexpr qint64 kMaxBins = 100'000;
std::optional<std::vector<SummaryBin>> summarizeBins(const Coding& coding, Span span, qint64 width,
                                                     Failure* failure);
