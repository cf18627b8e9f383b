#pragma once

#include <QString>

// The folder that holds the program's resources (movie.mp4, help/,
// brushed-metal.jpg): <prefix>/share/keystamp beside an installed program,
// else resources/ of the source tree the program was built from.
QString resourcePath();
