#pragma once

// Starts the refresher of the tape counter and the excursion (runs for the
// life of the process). User-interface thread only.
void tapeCounter();
// Sets the mark to the playhead. No player: nothing.
void setMarkAtPlayhead();
