#pragma once

// The files of a reopened session (see revision.h): its revision, written
// when the session ends, and the revision checkpoint that keeps corrections
// on disk while it lasts. Both go to one file, named when it is first
// written; it never replaces a file the session did not write, and the file
// the session was reopened from is never written, moved or deleted.
//
// Thread rules: user-interface thread only; the revision checkpoint's file is
// written on the disk worker.

// How soon after the last change of a reopened transcript the revision
// checkpoint is written (its disk wait follows on the disk worker).
inline constexpr int kRevisionCheckpointDelayMs = 1000;

// Ends the reopened session: writes the transcript as its revision (when it
// differs from the lines reopened, or a revision checkpoint was written),
// then clears the view and ends time-ordered insertion and undo. A failed
// write raises the "Data Save" alert and keeps everything as it is. Returns
// whether the session ended. Called by saveAndClearScript().
bool saveRevisionAndClear();

// The reopened transcript changed: the revision checkpoint is written
// kRevisionCheckpointDelayMs after the last of a run of changes.
void noteReopenedChange();

// Writes the revision checkpoint now (if the transcript differs from the
// lines reopened) and waits until it is on disk or failed. For tests.
void flushRevisionCheckpoint();
