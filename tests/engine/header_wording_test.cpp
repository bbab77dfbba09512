#include "engine/display_header.h"
#include "kit/fake_host.h"
#include "support/case_names.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::FakeDisplay;

struct WordingCase {
    std::int32_t Hours;
    std::int32_t Minutes;
    std::int32_t Seconds;
    const char* Expected;
};

class ScheduleWordingTest : public testing::TestWithParam<WordingCase> {};

TEST_P(ScheduleWordingTest, NamesEachNonZeroUnit) {
    const WordingCase& c = GetParam();
    EXPECT_EQ(ScheduleWording(c.Hours, c.Minutes, c.Seconds), c.Expected)
        << c.Hours << " h " << c.Minutes << " min " << c.Seconds << " s";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScheduleWordingTest,
    testing::Values(WordingCase{0, 5, 0, "5 minutes"}, WordingCase{1, 0, 0, "hour"},
                    WordingCase{1, 1, 1, "hour and minute and second"},
                    WordingCase{1, 0, 2, "hour and 2 seconds"},
                    WordingCase{2, 0, 30, "2 hours and 30 seconds"}, WordingCase{0, 1, 0, "minute"},
                    WordingCase{0, 0, 0, ""},
                    WordingCase{24, 60, 60, "24 hours and 60 minutes and 60 seconds"},
                    // A hand-edited negative field is left out like a zero one.
                    WordingCase{-1, 0, 45, "45 seconds"}),
    [](const auto& info) { return kit::CaseName(info.param.Expected); });

TEST(ShowTargetHeaderTest, WritesTheTitleOneLinePerTargetAndCountsIt) {
    RunModel model;
    model.SetTargetCount(2);
    model.Target(0).SetType("<Ping>");
    model.Target(0).Addr = "192.0.2.10";
    model.Target(1).SetType("<HTML>");
    model.Target(1).Addr = "http://192.0.2.20:8080/";
    model.Target(1).Port = 8080;
    model.Target(1).Audible = false;
    FakeDisplay display;
    display.Add("an old line that the header replaces");

    ShowTargetHeader(model.Config, display);

    const std::vector<std::string> expected = {" Velnorix Targets    (Scheduled every 5 minutes.)",
                                               " ", "<Ping>192.0.2.10 [0]   <AUDIBLE>",
                                               "<HTML>http://192.0.2.20:8080/ [8080] ", " "};
    EXPECT_EQ(display.Lines(), expected);
    EXPECT_EQ(HeaderLineCount(model.Config), 5);
    EXPECT_EQ(KeptResultLines(model.Config, display), 25 - 5);
}

TEST(ShowTargetHeaderTest, ZeroIntervalLeavesTheWordingEmpty) {
    RunModel model;
    model.Config.IntervalMins = 0;
    FakeDisplay display;
    ShowTargetHeader(model.Config, display);
    EXPECT_EQ(display.Line(0), " Velnorix Targets    (Scheduled every .)");
    EXPECT_EQ(display.Count(), HeaderLineCount(model.Config));
}

} // namespace
} // namespace velnorix
