#pragma once

#include "session/line_order.h"

#include <QObject>
#include <QPointer>
#include <QStringView>

#include <optional>
#include <utility>
#include <vector>

class QTextDocument;

// The time written at the start of a time-stamped line (as writtenStamp
// reads it); nullopt for any other line.
std::optional<double> writtenTime(QStringView line);

// The written times of a document's lines (one a block), kept up to date
// with each change, so that finding a line by time never reads the whole
// transcript. The times are kept in runs of a few hundred lines, each with
// its least time: a change reads its own lines again and touches the run it
// falls in (or the few it spans), and a look-up searches the runs' least
// times, then one run. The place of a new line (the rule of insertionIndex)
// and the line at the playhead cost O(log n) plus the reindexing of the runs
// changed since the last look-up, wherever in the transcript the change was.
//
// Thread rules: user-interface thread only.
class LineTimes : public QObject {
    Q_OBJECT
public:
    explicit LineTimes(QTextDocument* document);

    // Where a line at t goes: the block number insertionIndex gives.
    int insertionLine(double t);
    // The last block whose time is not after t; -1 for none.
    long lineAt(double t);

private:
    struct Run {
        std::vector<std::optional<double>> times;
        PlayheadLines index;         // of times, once reindexed
        std::optional<double> least; // once reindexed; nullopt for no timed line
        bool stale = true;
    };

    void changed(int position, int removed, int added);
    void rebuild();
    // Replaces the times of count lines from line first with fresh.
    void replace(long first, long count, std::vector<std::optional<double>>&& fresh);
    // Splits a long run, joins a short one to its neighbour.
    void settle(std::size_t run);
    // The run holding line (the end of the last run for the line after the
    // last) and the line's place in it.
    std::pair<std::size_t, long> runOf(long line);
    const std::vector<long>& starts();
    void reindex();
    // The first timed line from line on; the line count for none.
    long firstTimedFrom(long line);

    QPointer<QTextDocument> document_;
    std::vector<Run> runs_; // never empty
    long lines_ = 0;
    std::vector<long> starts_; // each run's first line, as starts() gives
    PlayheadLines runsByTime_; // of the runs' least times
    bool startsStale_ = true;  // starts_ to be counted again
    bool indexStale_ = true;   // a run to reindex, runsByTime_ to make again
};

// The line times of document, made on first use and living as long as it.
LineTimes& lineTimesOf(QTextDocument* document);
