#pragma once

#include "analysis/coding.h"
#include "analysis/summary.h"

#include <QStringList>

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
