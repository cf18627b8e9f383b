#pragma once

#include "analysis/coding_scheme.h"
#include "analysis/transcript_reader.h"

#include <QString>
#include <QStringList>

#include <vector>

// Turns a transcript's lines into behaviour events and state bouts under a
// scheme. A press of a state's key starts it when it is not active and stops
// it when it is; starting a state stops the active state of its group at the
// same time; a state is active from its start up to, not including, its stop.
// Pure values; any thread.

enum class RowKind { Point, State, Transport, Note, Unassigned };
enum class EventType { None, Point, Start, Stop, Play, Rate };

struct CodedEvent {
    int line = 0;
    bool timed = false; // notes have no time
    qint64 ms = 0;
    QString clock;
    QString entry;      // the captured text, or the note
    int behaviour = -1; // index into Coding::behaviours
    RowKind kind = RowKind::Note;
    EventType type = EventType::None; // Stop also stands for a transport stop
};

enum class BoutEnd { Key, Group, Span };

struct Bout {
    int behaviour = -1;
    qint64 start = 0, stop = 0;
    BoutEnd ended = BoutEnd::Key;
    qint64 duration() const { return stop > start ? stop - start : 0; }
};

struct Coding {
    QString file, video;
    std::vector<Behaviour> behaviours; // the scheme's, else points by first appearance
    QStringList groups;
    std::vector<CodedEvent> events; // every line of the file, in file order
    std::vector<Bout> bouts;        // in order of their start line
    qint64 firstMs = 0, lastMs = 0; // the transcript's own span
};

// Codes the transcript; states still active at the end are closed at
// closeAt (the end of the span; never before their own start).
Coding codeTranscript(const Transcript& transcript, const CodingScheme& scheme, qint64 closeAt);

// The coding of codeTranscript, one line at a time, so that a transcript that
// grows by a line costs one step rather than a new coding. Lines go in file
// order. While lines still come, the bouts of active states have no stop yet
// (stop == start); openBout() names them.
class Coder {
public:
    explicit Coder(const CodingScheme& scheme);

    void addStamp(const StampedLine& stamp);
    void addNote(const NoteLine& note);

    const Coding& coding() const { return c_; }
    // The index into coding().bouts of behaviour's active bout; -1 when none.
    int openBout(int behaviour) const { return open_[std::size_t(behaviour)]; }
    bool anyStamp() const { return stamped_; }

    // Closes the active states at closeAt and hands the coding over.
    Coding finish(qint64 closeAt) &&;

private:
    void close(int behaviour, qint64 at, BoutEnd how);

    bool given_;
    QHash<QString, int> keys_;      // the scheme's: entry -> behaviour
    QHash<QString, int> ownPoints_; // without a scheme: entry -> behaviour
    Coding c_;
    std::vector<int> open_; // per behaviour, index into bouts or -1
    bool stamped_ = false;
};

// The lower-case names used in tables: "point", "state", "transport", ...
QString kindName(RowKind kind);
QString kindName(BehaviourKind kind);
QString eventName(EventType type);
QString endName(BoutEnd end);
