#pragma once

#include "session/line_order.h"

#include <QObject>
#include <QPointer>
#include <QStringView>

#include <optional>
#include <vector>

class QTextDocument;

// The time written at the start of a time-stamped line ("%8.2f", two blanks,
// the "HH:mm:ss" clock, then two blanks and the entry or the end); nullopt
// for any other line.
std::optional<double> writtenTime(QStringView line);

// The written times of a document's lines (one a block), kept up to date
// with each change, so that finding a line by time never reads the whole
// transcript: the place of a new line (the rule of insertionIndex) and the
// line at the playhead cost O(log n) after a change near the end.
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
    void changed(int position, int removed, int added);
    void rebuild();
    const PlayheadLines& index();

    QPointer<QTextDocument> document_;
    std::vector<std::optional<double>> times_;
    PlayheadLines index_;
    bool indexStale_ = true;
};

// The line times of document, made on first use and living as long as it.
LineTimes& lineTimesOf(QTextDocument* document);
