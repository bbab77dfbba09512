#include "engine/statistics.h"
#include "reports/performance_rows.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

const PerformanceRow kEmptySummaryFigures = {"",       "",        "     0",  "     0", "     0",
                                             "   0.0", "   0.00", "   0.00", "   0.00"};

class PerformanceRowsTest : public testing::Test {
protected:
    // Adds a target and records one probe per time; times below 0 are failures of -time ms.
    void AddTarget(const std::string& addr, const std::vector<int>& times) {
        const std::int32_t index = m_model.TargetCount();
        m_model.SetTargetCount(index + 1);
        m_model.Target(index).Addr = addr;
        m_model.Target(index).SetType("<Ping>");
        for (int time : times)
            RecordResult(m_model, index, static_cast<std::uint32_t>(std::abs(time)), time < 0);
    }

    std::vector<PerformanceRow> Rows() const { return PerformanceRows(m_model, m_now, m_settings); }
    PerformanceRow Summary() const { return Rows().back(); }

    RunModel m_model;
    LocalDateTime m_now{2026, 12, 6, 14, 3, 27, 0};
    FormatSettings m_settings;
};

TEST_F(PerformanceRowsTest, WithoutTargetsOnlyTheSummaryRowRemainsAndItShowsNoSpanBeforeARun) {
    m_model.SetTargetCount(0);
    const std::vector<PerformanceRow> rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    PerformanceRow expected = kEmptySummaryFigures;
    expected[0] = "-< SUMMARY in 0:00:00 >-";
    EXPECT_EQ(rows[0], expected);
}

TEST_F(PerformanceRowsTest, TargetsNeverTestedShowZeroFigures) {
    AddTarget("mail.example.org", {});
    m_model.Target(0).SetType("<SMTP>");
    m_model.Target(0).Port = 2525;
    AddTarget("192.0.2.10", {});
    const std::vector<PerformanceRow> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    PerformanceRow expected = kEmptySummaryFigures;
    expected[0] = "192.0.2.10";
    expected[1] = "<Ping>";
    EXPECT_EQ(rows[1], expected);
    EXPECT_EQ(rows[0][0], "mail.example.org:2525") << "two servers on one host read apart";
}

TEST_F(PerformanceRowsTest, FiguresOfOneTargetAreRightAlignedInFixedWidths) {
    AddTarget("192.0.2.10", {100, 200, -300, 1400});
    const PerformanceRow expected = {"192.0.2.10", "<Ping>",  "     4",  "     3", "     1",
                                     "  75.0",     "   0.50", "   0.10", "   1.40"};
    EXPECT_EQ(Rows()[0], expected);
}

TEST_F(PerformanceRowsTest, AllFailedShowsNoPerCentButTheMeasuredTimes) {
    AddTarget("a", {-3000, -5000});
    AddTarget("b", {20, 30, 10});
    const std::vector<PerformanceRow> rows = Rows();
    EXPECT_EQ(rows[0][5], "   0.0");
    EXPECT_EQ(rows[0][6], "   4.00");
    EXPECT_EQ(rows[0][7], "   3.00");
    EXPECT_EQ(rows[0][8], "   5.00");
    EXPECT_EQ(rows[1][5], " 100.0");
    EXPECT_EQ(rows[1][6], "   0.02");
    const PerformanceRow expectedSummary = {"-< SUMMARY in 0:00:00 >-",
                                            "",
                                            "     5",
                                            "     3",
                                            "     2",
                                            "  60.0",
                                            "   1.61",
                                            "   0.01",
                                            "   5.00"};
    EXPECT_EQ(rows[2], expectedSummary);
}

TEST_F(PerformanceRowsTest, ATargetWithoutALowSetsTheSummaryLowBackToNone) {
    AddTarget("zero", {0});
    AddTarget("slow", {150});
    EXPECT_EQ(Summary()[7], "   0.15");

    m_model.SetTargetCount(0);
    AddTarget("slow", {150});
    AddTarget("zero", {0});
    EXPECT_EQ(Summary()[7], "   0.00");
    EXPECT_EQ(Summary()[8], "   0.15");
}

TEST_F(PerformanceRowsTest, TheSummaryCaptionCountsFromTheRunStartWithoutWrappingHours) {
    m_model.RunStartTime = ToDayCount({2026, 12, 5, 11, 1, 24, 0});
    EXPECT_EQ(Summary()[0], "-< SUMMARY in 27:02:03 >-");
    m_model.RunStartTime = ToDayCount(m_now);
    EXPECT_EQ(Summary()[0], "-< SUMMARY in 0:00:00 >-");
}

TEST_F(PerformanceRowsTest, NumbersFollowTheDecimalSeparatorButTheZeroTextsKeepAPoint) {
    m_settings.DecimalSeparator = ",";
    AddTarget("a", {100, 200, -300, 1400});
    AddTarget("b", {});
    const std::vector<PerformanceRow> rows = Rows();
    EXPECT_EQ(rows[0][5], "  75,0");
    EXPECT_EQ(rows[0][6], "   0,50");
    EXPECT_EQ(rows[1][5], "   0.0");
    EXPECT_EQ(rows[1][6], "   0.00");
}

TEST_F(PerformanceRowsTest, LongCountsAreNotCut) {
    AddTarget("busy", {});
    m_model.StatisticsOf(0).Attempts = 1'234'567;
    m_model.StatisticsOf(0).Failures = 7;
    const PerformanceRow row = Rows()[0];
    EXPECT_EQ(row[2], "1234567");
    EXPECT_EQ(row[3], "1234560");
    EXPECT_EQ(row[4], "     7");
}

} // namespace
} // namespace velnorix
