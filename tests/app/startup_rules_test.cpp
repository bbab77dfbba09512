#include "app/screen_adaptation.h"
#include "config/command_line.h"

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

TEST(CommandLineTest, TheFirstParameterNamesTheConfiguration) {
    struct Case {
        std::vector<std::string> Arguments;
        std::optional<std::string> File;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{"Velnorix.ini"}, "/opt/velnorix/Velnorix.ini"},
        {{"Velnorix.ini", "/etc/other.ini"}, "/opt/velnorix/Velnorix.ini"},
        {{"conf/Velnorix.ini"}, "conf/Velnorix.ini"},
        {{"/srv/watch.ini"}, "/srv/watch.ini"},
        {{"./watch.ini"}, "./watch.ini"},
        {{"C:\\Mon\\Velnorix.Ini"}, "/opt/velnorix/C:\\Mon\\Velnorix.Ini"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConfigurationFileFromArguments(c.Arguments, "/opt/velnorix"), c.File)
            << (c.Arguments.empty() ? "(none)" : c.Arguments.front());
}

} // namespace
} // namespace velnorix
