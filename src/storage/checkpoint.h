#pragma once

#include <QString>

// Checkpoints: the transcript as it stands, without header, in
// "<load stamp>--<name part>--checkpoint-at--<HH.mm.ss>.txt" in the storage
// folder. User-interface thread only.

// "<stamp>--<name part>--checkpoint-at--<time>.txt", e.g.
// 2026.12.05-18.14.46--lecture3--checkpoint-at--18.40.05.txt.
QString checkpointFileName(const QString& loadStamp, const QString& namePart,
                           const QString& checkpointTime);

// Writes the transcript to a checkpoint file, leaving it on screen; a failed
// write raises the "Data Save" alert. A checkpoint replaces only a checkpoint
// this session wrote (one of the same second); any other file at its name
// gives way to "<stem>--2.txt" and so on.
void checkpointFile();

// The session ended: later checkpoints replace none of its files.
void forgetCheckpoints();
