#pragma once

#include <QString>

// Checkpoints: the transcript as it stands, without header, in
// "<load stamp>--<name part>--checkpoint-at--<HH.mm.ss>.txt" in the storage
// folder.
//
// Thread rules: user-interface thread only. The name is claimed and the text
// written here (to the page cache); the sync, the rename onto the name and
// the folder's sync run on the disk worker, so that a slow disk never delays
// a key, and their outcome is taken up here shortly after.

// "<stamp>--<name part>--checkpoint-at--<time>.txt", e.g.
// 2026.12.05-18.14.46--lecture3--checkpoint-at--18.40.05.txt.
QString checkpointFileName(const QString& loadStamp, const QString& namePart,
                           const QString& checkpointTime);

// Writes the transcript to a checkpoint file, leaving it on screen; a failed
// write raises the "Data Save" alert, at once or, when the sync fails, as
// soon as the disk worker says so. A checkpoint replaces only a checkpoint
// this session wrote (one of the same second); any other file at its name
// gives way to "<stem>--2.txt" and so on.
void checkpointFile();

// Waits until the checkpoints written so far are on disk (or failed) and
// takes up the outcome.
void waitForCheckpoints();

// The session ended: later checkpoints replace none of its files.
void forgetCheckpoints();
