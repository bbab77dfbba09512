#include "reports/log_display_fit.h"
#include "support/width_steps.h"

#include <gtest/gtest.h>
#include <vector>

namespace velnorix {
namespace {

// Where the fit changes; below the first step and from the last it leaves the form alone.
const std::vector<int> kSteps = {320, 721, 907, 1153, 1441, 10'000};

TEST(LogDisplayFitTest, ChangesOnlyAtItsSteps) {
    EXPECT_EQ(kit::WidthSteps(LogDisplayFitForScreen, -5, 20'000), kSteps);
    for (int width : {-5, 0, kSteps.front() - 1, kSteps.back(), 20'000})
        EXPECT_EQ(LogDisplayFitForScreen(width), LogDisplayFit{}) << width;
}

// Every screen it knows gets a minimum size; those up to 1152 pixels wide get smaller fonts,
// wider ones keep the form's own; from 907 pixels the minimum width fits on the screen.
TEST(LogDisplayFitTest, SetsAMinimumSizeAndSmallerFontsOnlyOnSmallScreens) {
    for (std::size_t n = 0; n + 1 < kSteps.size(); ++n) {
        for (int width : {kSteps[n], kSteps[n + 1] - 1}) {
            const LogDisplayFit fit = LogDisplayFitForScreen(width);
            EXPECT_GT(fit.MinimumWidth, 0) << width;
            EXPECT_GT(fit.MinimumHeight, 0) << width;
            for (int points : {fit.LogFontPoints, fit.DoneFontPoints, fit.FindFontPoints})
                EXPECT_EQ(points > 0, width <= 1152) << width;
            if (width >= 907)
                EXPECT_LE(fit.MinimumWidth, width);
        }
    }
}

} // namespace
} // namespace velnorix
