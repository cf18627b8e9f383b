#pragma once

#include <QString>

// Window fitting: sizes the main window (savedState().window) so that the
// player area (savedState().playerView) takes the video's aspect ratio, at
// the large fit (about four fifths of the screen) or the small fit (the
// minimum size, the player at least 490 x 257), then keeps the window on the
// visible part of its screen.
//
// Thread rules: user-interface thread only. While the current video is not
// yet ready, fixLetterbox waits for it (400 checks about 1 ms apart) in a
// local event loop, so the interface and the player's notifications keep
// running. A call that arrives during that wait runs right after the waiting
// call has finished, in the order the calls came.

// What the last fitting applied: true for the large fit. False at start.
struct previousFit {
    bool scaledUp = false;
};
previousFit& previous();

// Mode "up" (large fit), "down" (small fit), "same" (the fit applied last),
// "flip" (the other fit); any other text, "default" included, gives the small
// fit while no fitting has completed since the last load, and "flip" after
// that. Without a ready video after the wait, the window takes its minimum
// size and the small state. Adds 1 to savedState().resizesSinceLoad. Does
// nothing without a window or a player view.
void fixLetterbox(const QString& mode);
