#include "engine/statistics.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

class StatisticsTest : public testing::Test {
protected:
    StatisticsTest() { m_model.SetTargetCount(3); }

    TargetStatistics& Entry(int index) { return m_model.StatisticsOf(index); }

    RunModel m_model;
    FormatSettings m_english;
};

TEST_F(StatisticsTest, RecordResultCountsAndTracksLowAndHigh) {
    RecordResult(m_model, 0, 200, false);
    RecordResult(m_model, 0, 100, true);
    RecordResult(m_model, 0, 300, false);
    const TargetStatistics& entry = Entry(0);
    EXPECT_EQ(entry.Attempts, 3);
    EXPECT_EQ(entry.Failures, 1);
    EXPECT_EQ(entry.TotalMs, 600u);
    EXPECT_EQ(entry.LowMs, 100u);
    EXPECT_EQ(entry.HighMs, 300u);
    EXPECT_EQ(Entry(1).Attempts, 0); // only the named entry changes
}

TEST_F(StatisticsTest, AZeroTimeIsALowLikeAnyOther) {
    RecordResult(m_model, 1, 50, false);
    RecordResult(m_model, 1, 0, false);
    EXPECT_EQ(Entry(1).LowMs, 0u);
    RecordResult(m_model, 1, 900, false);
    EXPECT_EQ(Entry(1).LowMs, 0u);
    EXPECT_EQ(Entry(1).HighMs, 900u);
}

TEST_F(StatisticsTest, TotalTimeDoesNotWrapAfter49Days) {
    RecordResult(m_model, 2, 4'294'967'000u, true);
    RecordResult(m_model, 2, 500, true);
    EXPECT_EQ(Entry(2).TotalMs, 4'294'967'500u);
    EXPECT_EQ(AverageSecondsText(Entry(2).TotalMs, 2, m_english), "2147483.75");
}

TEST_F(StatisticsTest, RecordingOutsideTheTargetsInUseIsRefused) {
    EXPECT_THROW(RecordResult(m_model, 3, 1, false), std::out_of_range);
    EXPECT_THROW(RecordResult(m_model, -1, 1, false), std::out_of_range);
}

TEST_F(StatisticsTest, DerivedFiguresUsePlaceholdersWhereTheirRuleDoesNotApply) {
    EXPECT_EQ(PercentSuccessText(0, 0, m_english), "   0.0");
    EXPECT_EQ(PercentSuccessText(4, 4, m_english), "   0.0"); // every probe failed
    EXPECT_EQ(PercentSuccessText(4, 1, m_english), " 75.0");
    EXPECT_EQ(PercentSuccessText(16, 15, m_english), "  6.3"); // 6.25 rounds up
    EXPECT_EQ(PercentSuccessText(1, 0, m_english), "100.0");
    EXPECT_EQ(AverageSecondsText(0, 5, m_english), "   0.00");
    EXPECT_EQ(AverageSecondsText(2000, 4, m_english), "   0.50");
    EXPECT_EQ(SecondsText(0, m_english), "   0.00");
    EXPECT_EQ(SecondsText(125, m_english), "   0.13");
    EXPECT_EQ(SecondsText(1400, m_english), "   1.40");
}

TEST_F(StatisticsTest, OverallLowStartsAgainAfterAnEntryWithoutAValue) {
    const auto overallLow = [this](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        Entry(0).LowMs = a;
        Entry(1).LowMs = b;
        Entry(2).LowMs = c;
        return TotalsOf(m_model).LowMs;
    };
    EXPECT_EQ(overallLow(50, 0, 80), 80u);
    EXPECT_EQ(overallLow(0, 50, 80), 50u);
    EXPECT_EQ(overallLow(80, 50, 0), 0u);
    EXPECT_EQ(overallLow(80, 50, 60), 50u);
}

TEST_F(StatisticsTest, TotalsSumTheTargetsInUse) {
    RecordResult(m_model, 0, 250, false);
    RecordResult(m_model, 1, 5030, true);
    m_model.Statistics[4].Attempts = 99; // beyond the targets in use: never read
    const StatisticsTotals totals = TotalsOf(m_model);
    EXPECT_EQ(totals.Attempts, 2);
    EXPECT_EQ(totals.Failures, 1);
    EXPECT_EQ(totals.TotalMs, 5280u);
    EXPECT_EQ(totals.HighMs, 5030u);
    EXPECT_EQ(totals.LowMs, 0u); // the third target has no value yet
}

} // namespace
} // namespace velnorix
