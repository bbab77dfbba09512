#include "app/screen_adaptation.h"
#include "support/width_steps.h"

#include <QRect>
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

// A 662 x 440 window, whose frame is taken to be 678 x 488, opens at its usual place where that
// fits in the area the panels leave, and otherwise as near to it as fits, never larger.
TEST(ScreenAdaptationTest, TheWindowOpensInsideTheAreaThePanelsLeave) {
    struct Case {
        const char* Name;
        QRect Screen;
        QRect Available;
        QPoint Frame;
        QSize Window;
    };
    const QSize window(662, 440);
    const Case cases[] = {
        {"1920x1080, panel below", {0, 0, 1920, 1080}, {0, 0, 1920, 1040}, {338, 290}, window},
        {"1366x768, 40 px panel below", {0, 0, 1366, 768}, {0, 0, 1366, 728}, {338, 240}, window},
        {"1366x768, panel on top", {0, 0, 1366, 768}, {0, 28, 1366, 740}, {338, 280}, window},
        {"800x600, no panel", {0, 0, 800, 600}, {0, 0, 800, 600}, {122, 112}, window},
        {"second screen", {1920, 0, 1366, 768}, {1920, 0, 1366, 728}, {2258, 240}, window},
        {"640x480, panel on top", {0, 0, 640, 480}, {0, 28, 640, 452}, {0, 28}, {624, 404}},
    };
    for (const Case& c : cases) {
        const OpeningPlace place = PlaceOnOpening(c.Screen, c.Available, window);
        EXPECT_EQ(place.FramePosition, c.Frame) << c.Name;
        EXPECT_EQ(place.WindowSize, c.Window) << c.Name;
        const QRect frame(place.FramePosition, place.WindowSize.grownBy(kFrameAllowance));
        EXPECT_TRUE(c.Available.contains(frame)) << c.Name;
    }
}

} // namespace
} // namespace velnorix
