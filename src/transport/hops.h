#pragma once

// Hop navigation around the mark. User-interface thread only.
void hopBack();
void hopAhead();
void hopHome();
void hopFiner();
void hopCoarser();
// Titles the back and ahead buttons with the current hop size.
void relabelHopButtons();
