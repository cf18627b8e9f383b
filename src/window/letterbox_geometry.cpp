#include "window/letterbox_geometry.h"

namespace {
constexpr double kLargeWidthShare = 0.8;
constexpr double kLargeHeightMargin = 20.0;
constexpr double kSmallPlayerMinW = 490.0;
constexpr double kSmallPlayerMinH = 257.0;
constexpr double kSideMargin = 20.0;
constexpr double kTopMargin = 50.0;
} // namespace

RectUp toggleYAxis(const RectUp& r, double referenceY) {
    return RectUp{r.x, referenceY - (r.y + r.h), r.w, r.h};
}

FitChoice chooseFit(const QString& mode, bool scaledUp, std::int64_t resizesSinceLoad) {
    if (mode == QLatin1String("up"))
        return {Fit::Large, true};
    if (mode == QLatin1String("down"))
        return {Fit::Small, false};
    if (mode == QLatin1String("same"))
        return {scaledUp ? Fit::Large : Fit::Small, scaledUp};
    if (mode == QLatin1String("flip") || resizesSinceLoad != 0)
        return {scaledUp ? Fit::Small : Fit::Large, !scaledUp};
    return {Fit::Small, false};
}

double videoAspect(bool hasItem, double width, double height) {
    if (hasItem && width > 1.0 && height > 1.0)
        return width / height;
    return 16.0 / 9.0;
}

SizeChange largeFitChange(const RectUp& frame, const RectUp& visible, const SizeUp& playerView,
                          double aspect) {
    SizeChange c{kLargeWidthShare * visible.w - frame.w,
                 (visible.h - kLargeHeightMargin) - frame.h};
    const double pw = playerView.w + c.dW;
    const double ph = playerView.h + c.dH;
    const double e = pw - ph * aspect;
    if (e > 0.0)
        c.dW -= e; // too wide: narrow the player to ph * aspect
    else
        c.dH += e / aspect; // too tall: lower the player to pw / aspect
    return c;
}

SizeChange smallFitChange(const RectUp& frame, const SizeUp& minFrame, const SizeUp& playerView,
                          double aspect) {
    SizeChange c{minFrame.w - frame.w, minFrame.h - frame.h};
    const double shortH = kSmallPlayerMinH - (playerView.h + c.dH);
    if (shortH > 0.0)
        c.dH += shortH;
    const double shortW = kSmallPlayerMinW - (playerView.w + c.dW);
    if (shortW > 0.0)
        c.dW += shortW;
    const double pw = playerView.w + c.dW;
    const double ph = playerView.h + c.dH;
    const double e = pw - ph * aspect;
    if (e > 0.0)
        c.dH += e / aspect; // too wide: raise the player to pw / aspect
    else
        c.dW -= e; // too tall: widen the player to ph * aspect
    return c;
}

SizeUp contentSizeAfter(const RectUp& content, const SizeChange& change) {
    return SizeUp{content.w + change.dW, content.h + change.dH};
}

SizeUp fallbackContentSize(const SizeUp& minFrame, const RectUp& frame, const RectUp& content) {
    return SizeUp{minFrame.w - (frame.w - content.w), minFrame.h - (frame.h - content.h)};
}

PointUp keepOnScreen(const RectUp& frame, const RectUp& visible) {
    PointUp origin{frame.x, frame.y};
    if (frame.x < visible.x)
        origin.x = visible.x + kSideMargin;
    if (visible.maxX() - frame.w < frame.x)
        origin.x = visible.maxX() - frame.w - kSideMargin;
    if (frame.y < visible.y)
        origin.y = visible.y + kSideMargin;
    if (visible.maxY() - frame.h < frame.y)
        origin.y = visible.maxY() - frame.h - kTopMargin;
    return origin;
}
