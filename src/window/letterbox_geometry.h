#pragma once

#include <QString>

#include <cstdint>

// The geometry of window fitting as pure functions over plain values.
//
// Coordinates: points, as doubles, on a screen whose origin is the lower-left
// corner and whose y axis points up. A rectangle's (x, y) is its lower-left
// corner. Qt's coordinates point down; toggleYAxis converts between the two.

struct SizeUp {
    double w = 0.0;
    double h = 0.0;
};

struct PointUp {
    double x = 0.0;
    double y = 0.0;
};

struct RectUp {
    double x = 0.0;
    double y = 0.0;
    double w = 0.0;
    double h = 0.0;
    double maxX() const { return x + w; }
    double maxY() const { return y + h; }
};

// Converts a rectangle between y-down and y-up coordinates; referenceY is the
// y-down coordinate of the y-up origin (the bottom edge of the primary
// screen). The conversion is its own inverse.
RectUp toggleYAxis(const RectUp& r, double referenceY);

enum class Fit { Large, Small };

struct FitChoice {
    Fit fit;
    bool scaledUpAfter; // the remembered flag once the fit is applied
};

// The fit for a mode ("up", "down", "same", "flip", anything else the default
// rule) given the remembered flag and the fittings since the last load.
FitChoice chooseFit(const QString& mode, bool scaledUp, std::int64_t resizesSinceLoad);

// Width over height of the picture; 16:9 while the size is unknown (no item,
// or a side of 1 or less).
double videoAspect(bool hasItem, double width, double height);

struct SizeChange {
    double dW = 0.0;
    double dH = 0.0;
};

// The change of the window's frame size for the large fit: four fifths of
// the visible width and the visible height less 20, then one side reduced so
// that the player area takes the aspect ratio.
SizeChange largeFitChange(const RectUp& frame, const RectUp& visible, const SizeUp& playerView,
                          double aspect);

// The change for the small fit: the minimum frame size, the player area at
// least 490 x 257, then one side enlarged to the aspect ratio.
SizeChange smallFitChange(const RectUp& frame, const SizeUp& minFrame, const SizeUp& playerView,
                          double aspect);

// The content size that changes the frame size by change.
SizeUp contentSizeAfter(const RectUp& content, const SizeChange& change);

// The content size that belongs to the minimum frame size.
SizeUp fallbackContentSize(const SizeUp& minFrame, const RectUp& frame, const RectUp& content);

// Where the frame's origin goes so that the window lies on the visible area:
// 20 points in from the left, right and bottom edges, 50 from the top, each
// test on the frame as it is.
PointUp keepOnScreen(const RectUp& frame, const RectUp& visible);
