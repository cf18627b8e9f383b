#pragma once

#include <QString>

#include <cstdint>

// Hop navigation around the mark: back and ahead move the playhead one hop
// size before or after the last hop position (counted from the mark, not
// from the playhead), home returns to the mark, finer and coarser pick the
// neighbouring size of the hop list. User-interface thread only.
void hopBack();  // no player: nothing
void hopAhead(); // no player: nothing
void hopHome();  // no player: nothing
void hopFiner();
void hopCoarser();
// Titles the back and ahead buttons with the current hop size.
void relabelHopButtons();

// The hop size as the button titles show it: seconds with two decimals.
QString hopSizeText(std::int64_t hopSizeMs);
