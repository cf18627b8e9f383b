#pragma once

#include "analysis/coding.h"
#include "analysis/summary.h"

#include <QStringList>

#include <optional>
#include <vector>

// What follows what: the onsets of a coding (the rows of its events table
// that begin something: a point event or the start of a state bout) and the
// transitions between consecutive onsets. Pure values; any thread.

// The onsets inside the closed span, in time order, equal times in line order.
std::vector<const CodedEvent*> onsetsOf(const Coding& coding, Span span);

// The behaviours of several codings by name: the scheme's order, else the
// order of first appearance over the codings in turn.
QStringList behaviourOrder(const std::vector<Coding>& codings);

struct TransitionRow {
    QString file; // "all" for the rows pooled over the files
    QString from, to;
    int count = 0;
    int outOfFrom = 0; // transitions out of from, in the same file (or pooled)
};

// Per file, each pair of consecutive onsets in its span; with two or more
// files, then the files' counts summed under "all". Rows in file order, then
// from and to in behaviour order; pairs never seen are left out.
std::vector<TransitionRow> transitions(const std::vector<Coding>& codings,
                                       const std::vector<Span>& spans);

struct LatencyRow {
    QString file, video, behaviour;
    BehaviourKind kind = BehaviourKind::Point;
    std::optional<qint64> latency; // none: no onset at or after the reference
};

// The reference of a coding: the span's start, or with afterKey the first
// stamped line with that entry at or after the span's start (none if it never
// occurs there).
std::optional<qint64> referenceOf(const Coding& coding, Span span, const QString& afterKey);

// For each behaviour (in behaviour order over all codings), the time from the
// reference to its first onset at or after it, within the span.
std::vector<LatencyRow> latencies(const Coding& coding, Span span, std::optional<qint64> reference,
                                  const QStringList& order);
