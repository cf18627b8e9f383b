#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Reopening a transcript file and writing the revision of a reopened session.
// Pure functions over plain values, but for readTranscriptFile (which reads
// one file) and the record of the session reopened now. The names of the
// program's files are read by programFileName (analysis/transcript_reader.h).

// Whether text begins with the transcript header ("#", "# started_at ...",
// "# video_name ...").
bool beginsWithHeader(const QString& text);

// A transcript taken back from its file.
struct ReopenedTranscript {
    QString path;      // the file it came from, absolute
    QString loadStamp; // of the original session: the revision's name starts with it
    QString namePart;
    QString header;    // the original's three header lines, each ended by a line feed
    QString videoName; // the video the lines were coded on, without folder or extension
    QString lines;     // the transcript text, header (and reopened-from line) left out
};

// Reads a transcript to reopen from the text of the file called fileName
// (its name only), or gives nullopt when the text is not a transcript: neither the
// header nor a name the program gives. A checkpoint has no header: its
// stamp and name part give one. A revision's reopened-from line is not a
// transcript line. When the name is not the program's, the stamp is that of
// fallbackTime (the file's own time).
std::optional<ReopenedTranscript> transcriptToReopen(const QString& fileName, const QString& text,
                                                     const QDateTime& fallbackTime);

// The outcome of reading a file to be reopened: a transcript, or why not (a
// sentence naming no file; the caller names it).
struct TranscriptRead {
    std::optional<ReopenedTranscript> transcript;
    QString problem;
};

// Reads and checks the file at path: a regular, readable file of at most
// kMaxTranscriptBytes, text in UTF-8 without NUL bytes, no line longer than
// kMaxTranscriptLineBytes, and a transcript as transcriptToReopen says.
inline constexpr qint64 kMaxTranscriptBytes = qint64(512) << 20;
inline constexpr qint64 kMaxTranscriptLineBytes = qint64(1) << 20;
TranscriptRead readTranscriptFile(const QString& path);

// Whether the file at path is to be reopened rather than played: it carries a
// name the program gives its transcripts, or begins with the header.
bool looksLikeTranscript(const QString& path);

// "<stamp>--<name part>--revision-at--<made stamp>", the stem of a revision
// made at madeStamp ("yyyy.MM.dd-HH.mm.ss"). A revision's own stamp and name
// part are the original's, so reopening a revision adds no second suffix.
QString revisionStem(const QString& loadStamp, const QString& namePart, const QString& madeStamp);

// The original's three header lines and one comment line naming the file the
// session was reopened from.
QString revisionHeader(const QString& header, const QString& reopenedFromFileName);

// The session reopened from a transcript, while it lasts: set when a
// transcript is reopened, cleared when its session ends. User-interface
// thread only.
struct ReopenedSession {
    ReopenedTranscript source;
    QString revisionPath;      // the revision file written so far; empty before
    QString madeStamp;         // when the revision was first written
    bool checkpointed = false; // a revision checkpoint was asked for
};
ReopenedSession* reopenedSession();
void setReopenedSession(std::optional<ReopenedSession> session);
