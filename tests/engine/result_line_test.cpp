#include "engine/result_line.h"
#include "support/case_names.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TargetSettings Target(std::string_view type, std::string_view addr) {
    TargetSettings entry;
    entry.SetType(type);
    entry.Addr = addr;
    return entry;
}

struct ResultLineCase {
    const char* Name;
    std::int32_t Cycle;
    LocalDateTime Begun;
    bool Failed;
    std::uint32_t ElapsedMs;
    const char* Type;
    const char* Addr;
    const char* Expected;
};

class ResultLineTest : public testing::TestWithParam<ResultLineCase> {};

TEST_P(ResultLineTest, FormatsEveryPieceInOrder) {
    const ResultLineCase& c = GetParam();
    const FormatSettings english;
    const std::string prefix = ResultLinePrefix(c.Cycle, c.Begun, english);
    EXPECT_EQ(ResultLine(prefix, c.Failed, c.ElapsedMs, Target(c.Type, c.Addr), english),
              c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ResultLineTest,
    testing::Values(
        ResultLineCase{"FailedPing",
                       3,
                       {2026, 12, 6, 14, 3, 27, 0},
                       true,
                       5020,
                       "<Ping>",
                       "192.0.2.10",
                       "   3 14:03:27 Dec 06, 2026  Failure:  5.02 secs  <Ping>192.0.2.10"},
        ResultLineCase{"InstantSuccess",
                       1,
                       {2027, 1, 2, 0, 0, 5, 999},
                       false,
                       0,
                       "<HTML>",
                       "http://192.0.2.20/",
                       "   1 00:00:05 Jan 02, 2027  Success:  0.00 secs  <HTML>http://192.0.2.20/"},
        ResultLineCase{"HalfHundredthRoundsUp",
                       12,
                       {2026, 3, 9, 9, 8, 7, 0},
                       false,
                       15,
                       "<SMTP>",
                       "mail",
                       "  12 09:08:07 Mar 09, 2026  Success:  0.02 secs  <SMTP>mail"},
        ResultLineCase{"ThreeDigitSecondsWidenTheField",
                       7,
                       {2026, 5, 31, 23, 59, 59, 0},
                       true,
                       123450,
                       "<POP3>",
                       "pop",
                       "   7 23:59:59 May 31, 2026  Failure: 123.45 secs  <POP3>pop"},
        ResultLineCase{"FiveDigitCycleWidensTheField",
                       10000,
                       {2026, 7, 4, 1, 2, 3, 0},
                       false,
                       125,
                       "<Ping>",
                       "127.0.0.1",
                       "10000 01:02:03 Jul 04, 2026  Success:  0.13 secs  <Ping>127.0.0.1"},
        ResultLineCase{"LongestTickSpan",
                       1,
                       {2026, 1, 1, 0, 0, 0, 0},
                       true,
                       4294967295U,
                       "<Ping>",
                       "h",
                       "   1 00:00:00 Jan 01, 2026  Failure: 4294967.30 secs  <Ping>h"}),
    kit::NamedCase{});

TEST(ResultLineLocaleTest, FollowsTheOperatorsSeparatorsAndMonthNames) {
    FormatSettings german;
    german.TimeSeparator = ".";
    german.DecimalSeparator = ",";
    german.ShortMonthNames[2] = "Mär";
    const std::string prefix = ResultLinePrefix(1, {2027, 3, 3, 9, 5, 1, 0}, german);
    EXPECT_EQ(ResultLine(prefix, false, 1500, Target("<SMTP>", "mx"), german),
              "   1 09.05.01 Mär 03, 2027  Success:  1,50 secs  <SMTP>mx");
}

} // namespace
} // namespace velnorix
