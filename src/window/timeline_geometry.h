#pragma once

#include <QtGlobal>

// The geometry of the timeline strip as pure functions over plain values:
// where a time lies on the strip, which time a column stands for, how a
// zoom and the following of the playhead move the shown stretch, and where
// a behaviour's row lies. Times are video milliseconds as doubles; x and y
// are pixels of the strip.

struct TimeWindow {
    double from = 0.0;
    double to = 1000.0;
    double length() const { return to - from; }
};

// The stretch shown, drawn across the columns [left, left + width).
struct StripAxis {
    TimeWindow shown;
    double left = 0.0;
    double width = 1.0;
};

double xOfTime(const StripAxis& axis, double ms);
double timeAtX(const StripAxis& axis, double x);

// The shortest stretch the strip zooms in to: about one second across.
inline constexpr double kShortestShown = 1000.0;

// The whole stretch the strip can show: the video (durationMs > 0), widened to
// take in every coded time and the playhead; without a video length, from 0
// (or the earliest time) to the latest of those, rounded up to a tenth of 1,
// 2 or 5 times a power of ten. Never shorter than kShortestShown.
TimeWindow wholeWindow(double durationMs, bool anyStamp, double firstMs, double lastMs,
                       double playheadMs);

// The stretch after zooming by factor (below 1 in, above 1 out) around
// anchorMs: the time at anchorMs stays in its column, the length stays within
// [kShortestShown, whole.length()] and the stretch within whole.
TimeWindow zoomAround(const TimeWindow& shown, double anchorMs, double factor,
                      const TimeWindow& whole);

// Keeps the stretch within whole (its length kept where it fits).
TimeWindow clampInto(const TimeWindow& shown, const TimeWindow& whole);

// While playing: a playhead outside the shown stretch turns the page so that
// it stands a tenth in from the left; otherwise the stretch stays.
TimeWindow followPlayhead(const TimeWindow& shown, double playheadMs, const TimeWindow& whole);

// Rows: count rows share the band [top, top + height); row r starts at
// rowTop and is rowHeight high (fractional when rows are many).
double rowHeight(int count, double height);
double rowTop(int row, int count, double top, double height);
// The row at y; -1 outside the band.
int rowAt(double y, int count, double top, double height);
