#pragma once

#include "analysis/sequences.h"

#include <optional>
#include <vector>

// How long until each behaviour first starts, counted from a reference.
// Pure values; any thread.

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
