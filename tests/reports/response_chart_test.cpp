#include "reports/forms/perf_form.h"
#include "reports/forms/response_chart.h"
#include "reports/metrics_rig.h"
#include "support/case_names.h"

#include <QLineSeries>
#include <QScatterSeries>
#include <QTableView>
#include <gtest/gtest.h>
#include <vector>

namespace velnorix {
namespace {

// One probe of the script: the target, when it ended since the run started, what it gave.
struct ScriptedProbe {
    std::int32_t Index;
    std::uint32_t AtMs;
    std::uint32_t ElapsedMs;
    bool Failed;
};

// Two targets probed over three cycles, the third never.
const std::vector<ScriptedProbe> kScript = {
    {0, 1'200, 1'200, false}, {1, 6'200, 5'000, true},  {0, 61'500, 1'500, true},
    {1, 62'000, 500, false},  {0, 121'250, 250, false}, {1, 121'260, 10, false},
};

std::vector<QPointF> Expected(const std::vector<std::int32_t>& targets, bool failed) {
    std::vector<QPointF> points;
    for (const std::int32_t index : targets)
        for (const ScriptedProbe& probe : kScript)
            if (probe.Index == index && probe.Failed == failed)
                points.emplace_back(probe.AtMs / 1000.0, probe.ElapsedMs / 1000.0);
    return points;
}

std::vector<QPointF> Points(const QXYSeries& series) {
    const QList<QPointF> points = series.points();
    return {points.begin(), points.end()};
}

struct RowCase {
    const char* Name;
    int Row;
    std::vector<std::int32_t> Charted; // the targets whose probes the row charts
};

class ResponseChartTest : public testing::TestWithParam<RowCase> {
protected:
    ResponseChartTest() {
        m_model.Target(0).Port = 8080; // the legend names it: http://web.test:8080/
        const std::uint32_t start = m_rig.Clock.TickCount();
        for (const ScriptedProbe& probe : kScript) {
            m_rig.Clock.SetTick(start + probe.AtMs);
            m_rig.Record(probe.Index, probe.ElapsedMs, probe.Failed);
        }
    }

    // The run crosses the tick count's wrap.
    kit::MetricsRig m_rig{
        {{"<HTML>", "http://web.test/"}, {"<Ping>", "127.0.0.1"}, {"<Ping>", "127.0.0.2"}}, 7'296};
    RunModel& m_model = m_rig.Model;
};

TEST_P(ResponseChartTest, TheSelectedRowChartsItsTargetsSuccessesAsLinesAndFailuresAsPoints) {
    const RowCase& row = GetParam();
    TVelnorixPerfForm form;
    form.Fill(PerformanceRows(m_model, {2026, 12, 6, 14, 3, 0, 0}, FormatSettings()));
    form.SetHistory(m_rig.Metrics, m_model);
    form.show();
    form.PerfView().selectRow(row.Row);

    const std::vector<QLineSeries*> lines = form.Chart().Lines();
    ASSERT_EQ(lines.size(), row.Charted.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TargetSettings& target = m_model.Target(row.Charted[i]);
        EXPECT_EQ(lines[i]->name().toStdString(), target.Type + target.ShownName());
        EXPECT_EQ(Points(*lines[i]), Expected({row.Charted[i]}, false)) << i;
    }
    ASSERT_NE(form.Chart().Failures(), nullptr);
    EXPECT_EQ(Points(*form.Chart().Failures()), Expected(row.Charted, true));
}

INSTANTIATE_TEST_SUITE_P(Rows, ResponseChartTest,
                         testing::Values(RowCase{"first target", 0, {0}},
                                         RowCase{"second target", 1, {1}},
                                         RowCase{"never probed", 2, {2}},
                                         RowCase{"summary shows every target", 3, {0, 1, 2}}),
                         kit::NamedCase{});

// Eight targets, the later ones slower, over three cycles; the first target's second probe
// fails. The summary row charts the median of each cycle and the five slowest targets.
TEST(ResponseChartSummaryTest, ManyTargetsChartTheirMedianPerCycleAndTheSlowestFew) {
    std::vector<std::pair<std::string, std::string>> targets;
    for (int i = 0; i < 8; ++i)
        targets.emplace_back("<Ping>", "10.0.0." + std::to_string(i));
    kit::MetricsRig rig(targets, 100'000);
    for (std::uint32_t cycle = 0; cycle < 3; ++cycle) {
        for (std::int32_t i = 0; i < 8; ++i) {
            rig.Clock.Advance(1'000);
            rig.Record(i, static_cast<std::uint32_t>(100 * (i + 1)) + 10 * cycle,
                       i == 0 && cycle == 1);
        }
    }
    TVelnorixPerfForm form;
    form.Fill(PerformanceRows(rig.Model, {2026, 12, 6, 14, 3, 0, 0}, FormatSettings()));
    form.SetHistory(rig.Metrics, rig.Model);
    form.show();

    const std::vector<QLineSeries*> lines = form.Chart().Lines();
    std::vector<std::string> names;
    for (const QLineSeries* line : lines)
        names.push_back(line->name().toStdString());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Median of 8 targets", "<Ping>10.0.0.7", "<Ping>10.0.0.6",
                                        "<Ping>10.0.0.5", "<Ping>10.0.0.4", "<Ping>10.0.0.3"}));
    // Of eight responses the upper middle one, at the upper middle of their times; the failed
    // probe leaves seven in the second cycle.
    EXPECT_EQ(Points(*lines[0]), (std::vector<QPointF>{{5.0, 0.5}, {13.0, 0.51}, {21.0, 0.52}}));
    EXPECT_TRUE(Points(*form.Chart().Failures()).empty()) << "only charted targets' failures";

    form.PerfView().selectRow(0);
    ASSERT_EQ(form.Chart().Lines().size(), 1U);
    EXPECT_EQ(Points(*form.Chart().Failures()), (std::vector<QPointF>{{9.0, 0.11}}));
}

} // namespace
} // namespace velnorix
