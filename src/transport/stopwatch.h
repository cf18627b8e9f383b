#pragma once

// Loads the placeholder video and names the session "stopwatch", starting its
// clock now. User-interface thread only.
void stopwatchMode();
