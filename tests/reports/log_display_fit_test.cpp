#include "reports/log_display_fit.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TEST(LogDisplayFitTest, FollowsTheScreenWidthAtEveryBoundary) {
    const LogDisplayFit none;
    const LogDisplayFit narrow{7, 7, 7, 620, 350};
    const LogDisplayFit small{7, 7, 8, 750, 520};
    const LogDisplayFit medium{7, 7, 7, 800, 500};
    const LogDisplayFit large{0, 0, 0, 750, 500};
    const LogDisplayFit wide{0, 0, 0, 820, 600};
    const std::vector<std::pair<int, LogDisplayFit>> cases = {
        {0, none},    {319, none},   {320, narrow},  {720, narrow}, {721, small},
        {906, small}, {907, medium}, {1152, medium}, {1153, large}, {1440, large},
        {1441, wide}, {9999, wide},  {10000, none},  {-5, none},
    };
    for (const auto& [width, fit] : cases)
        EXPECT_EQ(LogDisplayFitForScreen(width), fit) << width;
}

} // namespace
} // namespace velnorix
