#pragma once

#include <QString>

// The folder that holds the program's resources (movie.mp4, help/,
// brushed-metal.jpg): the installed data folder, found at the install's
// relative path from the program's folder (so a moved install still finds
// its own), else the build tree's link to the source's resources/, in the
// program's folder or up to two folders above it (tests and benchmarks run
// from sub-folders of the build tree). Empty when neither holds them.
QString resourcePath();
