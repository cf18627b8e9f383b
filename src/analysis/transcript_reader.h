#pragma once

#include "analysis/failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Reads transcript, checkpoint and journal files: every line that has the
// time-stamped layout ("   12.35  18:15:02  a") is a stamped line; the header
// lines ("#", "# started_at ...", "# video_name ...") before the first stamp
// give the video name; every other line is a note the observer typed, kept
// and never analysed. Pure functions over bytes; any thread.

struct StampedLine {
    int line = 0;  // 1-based line number in the file
    qint64 ms = 0; // the video time
    QString clock; // "HH:mm:ss" as written
    QString entry; // the captured text
};

struct NoteLine {
    int line = 0;
    QString text;
};

struct Transcript {
    QString file;  // as named by the caller; used in messages and tables
    QString video; // from "# video_name ", else from the file name, else ""
    std::vector<StampedLine> stamps;
    std::vector<NoteLine> notes;
    QStringList warnings; // "FILE:LINE: time goes back from X to Y"
    qint64 firstMs = 0;   // smallest stamped time
    qint64 lastMs = 0;    // largest stamped time
};

// The time stamp at the start of a line the program writes: the video time
// ("%8.2f": blanks, an optional minus sign, digits, a point, two decimals),
// two blanks, the "HH:mm:ss" clock, two blanks and the entry. A line that
// ends right after the clock has none: the program never writes one, and the
// data read from a file has always taken it for a note. A carriage return
// ending the line is not part of it. Every reader of transcript lines, the
// program's own included, goes by this one.
struct WrittenStamp {
    QStringView time;  // "12.35", "-1.00"
    QStringView clock; // "18:15:02"
    QStringView entry; // all after the clock's two blanks; may be ""
};
std::optional<WrittenStamp> writtenStamp(QStringView line);

// Reads one line (without its line break) as parseTranscript does: the stamp
// when it has the time-stamped layout and a time in range, else nullopt; a
// time out of range also sets *outOfRange when given.
std::optional<StampedLine> stampedLine(QStringView line, int lineNo, bool* outOfRange = nullptr);

// Reads the bytes of a transcript named file. Fails only when no line is
// time-stamped or a stamp is out of range.
std::optional<Transcript> parseTranscript(const QString& file, const QByteArray& bytes,
                                          Failure* failure);

// Reads the file at path; a missing or unreadable file fails too.
std::optional<Transcript> readTranscript(const QString& path, Failure* failure);

// What the name of a file the program writes tells: its load stamp and name
// part, for "<stamp>--<name part>.txt" and its numbered ("--2"), checkpoint,
// revision and journal forms (the journals' older "--unsaved" and
// "--discarded" endings included); nullopt for any other name. The name
// part is taken as short as the known endings allow.
struct ProgramFileName {
    QString loadStamp; // "yyyy.MM.dd-HH.mm.ss"
    QString namePart;
};
std::optional<ProgramFileName> programFileName(const QString& fileName);

// Reads a whole file; fails with the system's reason.
std::optional<QByteArray> readWholeFile(const QString& path, Failure* failure);

// Reads every stamped time as its time minus lag (an observer's reaction
// time), the span included.
void applyLag(Transcript& transcript, qint64 lag);
