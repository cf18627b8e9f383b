#pragma once

// Writes the transcript as it stands to a checkpoint file, leaving it on
// screen. User-interface thread only.
void checkpointFile();
