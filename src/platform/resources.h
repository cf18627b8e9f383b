#pragma once

#include <QString>

// The folder that holds the program's resources (movie.mp4, help/,
// brushed-metal.jpg): the installed data folder, found at the install's
// relative path from the program's folder (so a moved install still finds
// its own), else resources/ of a source tree beside the build folder the
// program runs from. Empty when neither holds them.
QString resourcePath();
