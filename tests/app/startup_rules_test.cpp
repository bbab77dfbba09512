#include "app/screen_adaptation.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TEST(ScreenAdaptationTest, ScreenWidthSetsFontAndMinimumSize) {
    struct Case {
        int Width;
        bool Adapts;
        std::optional<int> FontPoints;
        int MinWidth;
        int MinHeight;
    };
    const Case cases[] = {
        {319, false, std::nullopt, 0, 0},
        {320, true, 7, 570, 350},
        {640, true, 7, 570, 350},
        {720, true, 7, 570, 350},
        {721, true, std::nullopt, 670, 460},
        {1152, true, std::nullopt, 670, 460},
        {1280, true, std::nullopt, 670, 460},
        {1440, true, std::nullopt, 670, 460},
        {1441, true, std::nullopt, 820, 600},
        {9999, true, std::nullopt, 820, 600},
        {10000, false, std::nullopt, 0, 0},
        {0, false, std::nullopt, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<ScreenAdaptation> adaptation = AdaptationForScreenWidth(c.Width);
        ASSERT_EQ(adaptation.has_value(), c.Adapts) << c.Width;
        if (!adaptation)
            continue;
        EXPECT_EQ(adaptation->DisplayFontPoints, c.FontPoints) << c.Width;
        EXPECT_EQ(adaptation->MinimumTrackWidth, c.MinWidth) << c.Width;
        EXPECT_EQ(adaptation->MinimumTrackHeight, c.MinHeight) << c.Width;
    }
}

} // namespace
} // namespace velnorix
