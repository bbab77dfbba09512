#include "reports/log_display_fit.h"
#include "support/width_steps.h"

#include <gtest/gtest.h>
#include <vector>

namespace velnorix {
namespace {

// The fit changes only at its steps and leaves the form alone below the first and from the
// last. Between them it always sets a minimum size, smaller fonts only up to 1152 pixels, and
// from 907 pixels a minimum width that fits on the screen.
TEST(LogDisplayFitTest, StepsWithTheScreenWidthAndFitsTheScreensItKnows) {
    const std::vector<int> steps = {320, 721, 907, 1153, 1441, 10'000};
    EXPECT_EQ(kit::WidthSteps(LogDisplayFitForScreen, -5, 20'000), steps);
    EXPECT_EQ(LogDisplayFitForScreen(0), LogDisplayFit{});
    EXPECT_EQ(LogDisplayFitForScreen(10'000), LogDisplayFit{});
    for (std::size_t n = 0; n + 1 < steps.size(); ++n) {
        const int width = steps[n]; // the narrowest screen of its step
        const LogDisplayFit fit = LogDisplayFitForScreen(width);
        EXPECT_GT(fit.MinimumHeight, 0) << width;
        EXPECT_TRUE(fit.MinimumWidth > 0 && (width < 907 || fit.MinimumWidth <= width)) << width;
        for (int points : {fit.LogFontPoints, fit.DoneFontPoints, fit.FindFontPoints})
            EXPECT_EQ(points > 0, width <= 1152) << width;
    }
}

} // namespace
} // namespace velnorix
