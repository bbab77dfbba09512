#include "app/screen_adaptation.h"

namespace velnorix {

std::optional<ScreenAdaptation> AdaptationForScreenWidth(int width) {
    if (width < 320 || width >= 10000)
        return std::nullopt;
    if (width <= 720)
        return ScreenAdaptation{7, 570, 350};
    if (width <= 1440)
        return ScreenAdaptation{std::nullopt, 670, 460};
    return ScreenAdaptation{std::nullopt, 820, 600};
}

} // namespace velnorix
