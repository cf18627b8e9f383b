#pragma once

// Settles what the whole process shares, right after the QApplication is
// made: the C numeric locale, the program's names and window icon, the libmpv
// player for the first load, and the crash journal. User-interface thread, once.
void prepareApplication();
