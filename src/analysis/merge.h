#pragma once

#include "analysis/transcript_reader.h"

#include <QByteArray>

#include <vector>

// One transcript from several passes over one video. Pure values; any thread.

struct MergeInput {
    Transcript transcript; // as read from bytes
    QByteArray bytes;
};

// The first input's header lines, "# merged_from " and the inputs' file names
// joined by ", ", then every other line of every input verbatim: first the
// lines before each input's first time-stamped line, then each time-stamped
// line with the untimed lines that follow it in its file, ordered by time,
// equal times by input order, then by line order.
QByteArray mergeTranscripts(const std::vector<MergeInput>& inputs);
