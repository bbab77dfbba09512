#include "app/screen_adaptation.h"

#include <algorithm>

namespace velnorix {
namespace {

constexpr QPoint kUsualPlace(338, 290);

// The frame's start along one axis: the usual one unless the frame would run past the area's
// end, and never before the area's start.
int FrameStart(int usual, int areaStart, int areaLength, int frameLength) {
    return std::max(areaStart, std::min(usual, areaStart + areaLength - frameLength));
}

} // namespace

std::optional<ScreenAdaptation> AdaptationForScreenWidth(int width) {
    if (width < 320 || width >= 10000)
        return std::nullopt;
    if (width <= 720)
        return ScreenAdaptation{7, 570, 350};
    if (width <= 1440)
        return ScreenAdaptation{std::nullopt, 670, 460};
    return ScreenAdaptation{std::nullopt, 820, 600};
}

OpeningPlace PlaceOnOpening(const QRect& screen, const QRect& available, QSize windowSize) {
    const QSize frame = windowSize.grownBy(kFrameAllowance).boundedTo(available.size());
    const QPoint usual = screen.topLeft() + kUsualPlace;
    return {QPoint(FrameStart(usual.x(), available.left(), available.width(), frame.width()),
                   FrameStart(usual.y(), available.top(), available.height(), frame.height())),
            frame.shrunkBy(kFrameAllowance)};
}

} // namespace velnorix
