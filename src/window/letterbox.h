#pragma once

#include <QString>

// Fits the main window so that the player area takes the video's aspect
// ratio: mode "up" (large fit), "down" (small fit), "same", "flip", anything
// else the default rule. User-interface thread only.
void fixLetterbox(const QString& mode);
