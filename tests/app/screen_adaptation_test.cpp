#include "app/screen_adaptation.h"
#include "support/width_steps.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <vector>

namespace velnorix {
namespace {

// Where the adaptation changes; below the first step and from the last there is none.
const std::vector<int> kSteps = {320, 721, 1441, 10'000};

auto Adaptation(int width) {
    const std::optional<ScreenAdaptation> a = AdaptationForScreenWidth(width);
    return a ? std::tuple(true, a->DisplayFontPoints, a->MinimumTrackWidth, a->MinimumTrackHeight)
             : std::tuple(false, std::optional<int>(), 0, 0);
}

TEST(ScreenAdaptationTest, ChangesOnlyAtItsSteps) {
    EXPECT_EQ(kit::WidthSteps(Adaptation, -5, 20'000), kSteps);
    for (int width : {-5, 0, kSteps.front() - 1, kSteps.back(), 20'000})
        EXPECT_FALSE(AdaptationForScreenWidth(width)) << width;
}

// The minimum size never shrinks as the screen grows and fits on any screen wider than 720
// pixels; only screens up to 720 pixels wide get a smaller display font.
TEST(ScreenAdaptationTest, GrowsTheMinimumWithTheScreenAndShrinksTheFontOnlyOnSmallOnes) {
    ScreenAdaptation smaller;
    for (std::size_t n = 0; n + 1 < kSteps.size(); ++n) {
        for (int width : {kSteps[n], kSteps[n + 1] - 1}) {
            const ScreenAdaptation adaptation = AdaptationForScreenWidth(width).value();
            EXPECT_GE(adaptation.MinimumTrackWidth, smaller.MinimumTrackWidth) << width;
            EXPECT_GE(adaptation.MinimumTrackHeight, smaller.MinimumTrackHeight) << width;
            EXPECT_EQ(adaptation.DisplayFontPoints.has_value(), width <= 720) << width;
            if (width > 720)
                EXPECT_LE(adaptation.MinimumTrackWidth, width);
            smaller = adaptation;
        }
    }
}

} // namespace
} // namespace velnorix
