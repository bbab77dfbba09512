#include "engine/run_log_names.h"
#include "engine/timer_interval.h"
#include "support/case_names.h"

#include <gtest/gtest.h>
#include <limits>

namespace velnorix {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct IntervalCase {
    const char* Name;
    std::int32_t Hours;
    std::int32_t Minutes;
    std::int32_t Seconds;
    std::int32_t ExpectedMs;
};

class TimerIntervalTest : public testing::TestWithParam<IntervalCase> {};

TEST_P(TimerIntervalTest, IsNeverNegativeAndNeverOverflows) {
    const IntervalCase& c = GetParam();
    EXPECT_EQ(TimerIntervalMs(c.Hours, c.Minutes, c.Seconds), c.ExpectedMs)
        << c.Hours << " h " << c.Minutes << " min " << c.Seconds << " s";
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, TimerIntervalTest,
    testing::Values(IntervalCase{"FiveMinutes", 0, 5, 0, 300'000},
                    IntervalCase{"OneOfEachUnit", 1, 1, 1, 3'661'000},
                    IntervalCase{"FullFields", 24, 60, 60, 90'060'000},
                    IntervalCase{"Zero", 0, 0, 0, 0},
                    // Negative fields, only possible in a hand-edited file, count as 0.
                    IntervalCase{"NegativeHours", -1, 5, 0, 300'000},
                    IntervalCase{"NegativeMinutesAndSeconds", 0, -5, -7, 0},
                    IntervalCase{"LowestFields", kMin, kMin, 1, 1'000},
                    // The largest interval the timer holds, and just beyond it.
                    IntervalCase{"LongestTheTimerHolds", 596, 31, 23, 2'147'483'000},
                    IntervalCase{"JustBeyondTheLongest", 596, 31, 24, kLongestTimerInterval},
                    IntervalCase{"HighestFields", kMax, kMax, kMax, kLongestTimerInterval}),
    kit::NamedCase{});

struct LogNameCase {
    const char* Name;
    const char* Directory;
    LocalDateTime Start;
    const char* Detail;
    const char* Summary;
};

class RunLogNamesTest : public testing::TestWithParam<LogNameCase> {};

TEST_P(RunLogNamesTest, StampTheRunStartInTheProgramDirectory) {
    const LogNameCase& c = GetParam();
    const RunLogNames names = RunLogNamesFor(c.Directory, c.Start);
    EXPECT_EQ(names.Detail, c.Detail);
    EXPECT_EQ(names.Summary, c.Summary);
}

INSTANTIATE_TEST_SUITE_P(Names, RunLogNamesTest,
                         testing::Values(LogNameCase{"ProgramFolder",
                                                     "/opt/velnorix",
                                                     {2006, 12, 5, 14, 30, 0, 0},
                                                     "/opt/velnorix/Velnorix061205143000.log",
                                                     "/opt/velnorix/Velnorix061205143000.smy"},
                                         LogNameCase{"MillisecondsLeftOut",
                                                     "/usr/local/bin",
                                                     {2000, 1, 2, 3, 4, 5, 678},
                                                     "/usr/local/bin/Velnorix000102030405.log",
                                                     "/usr/local/bin/Velnorix000102030405.smy"},
                                         LogNameCase{"EmptyFolder",
                                                     "",
                                                     {2026, 12, 6, 23, 59, 59, 0},
                                                     "/Velnorix261206235959.log",
                                                     "/Velnorix261206235959.smy"},
                                         LogNameCase{"RootFolder",
                                                     "/",
                                                     {2026, 12, 6, 23, 59, 59, 0},
                                                     "/Velnorix261206235959.log",
                                                     "/Velnorix261206235959.smy"}),
                         kit::NamedCase{});

} // namespace
} // namespace velnorix
