#pragma once

#include <QString>
#include <QStringList>

// File > Export Data: the transcript on screen as behaviour data, written into
// the storage folder beside the transcript files:
//   <stem>--events.csv, <stem>--bouts.csv, <stem>--summary.csv,
//   <stem>--transitions.csv, <stem>--latency.csv and <stem>--timeline.svg,
// the stem being that of the session's transcript file. The storage folder's
// coding-scheme.txt gives the keys their meaning when it is there. Each file
// is written whole or not at all and replaces an earlier export of the same
// stem. A failure found at once (nothing time-stamped yet, a bad scheme, a
// file that cannot be staged) raises one "Export Data" alert saying what went
// wrong. The files are staged here and published (synced and renamed into
// place) on the disk worker, in order; a failure there stops the export (no
// file is published after it), is said in the status line at once and in the
// alert as soon as that takes no key meant for the recorder.
//
// Thread rules: user-interface thread only.

// Returns the paths being written, in the order above; empty after a failure
// found at once.
QStringList exportData();
