#include "app/screen_adaptation.h"
#include "support/width_steps.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <vector>

namespace velnorix {
namespace {

// The adaptation changes only at its steps and there is none below the first and from the
// last. Between them the minimum size never shrinks as the screen grows and fits on any screen
// wider than 720 pixels; only screens up to 720 pixels wide get a smaller display font.
TEST(ScreenAdaptationTest, StepsWithTheScreenWidthAndFitsTheScreensItKnows) {
    const auto adaptation = [](int width) {
        const std::optional<ScreenAdaptation> a = AdaptationForScreenWidth(width);
        return a ? std::tuple(a->DisplayFontPoints, a->MinimumTrackWidth, a->MinimumTrackHeight)
                 : std::tuple(std::optional<int>(), -1, -1);
    };
    const std::vector<int> steps = {320, 721, 1441, 10'000};
    EXPECT_EQ(kit::WidthSteps(adaptation, -5, 20'000), steps);
    EXPECT_FALSE(AdaptationForScreenWidth(0));
    EXPECT_FALSE(AdaptationForScreenWidth(10'000));
    ScreenAdaptation smaller;
    for (std::size_t n = 0; n + 1 < steps.size(); ++n) {
        const int width = steps[n]; // the narrowest screen of its step
        const ScreenAdaptation a = AdaptationForScreenWidth(width).value();
        EXPECT_GE(a.MinimumTrackWidth, smaller.MinimumTrackWidth) << width;
        EXPECT_GE(a.MinimumTrackHeight, smaller.MinimumTrackHeight) << width;
        EXPECT_TRUE(width <= 720 || a.MinimumTrackWidth <= width) << width;
        EXPECT_EQ(a.DisplayFontPoints.has_value(), width <= 720) << width;
        smaller = a;
    }
}

} // namespace
} // namespace velnorix
