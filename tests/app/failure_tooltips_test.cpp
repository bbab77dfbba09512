#include "app/main_form.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "gui_waits.h"
#include "reports/forms/response_chart.h"
#include "scripted_probes.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <QDialog>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTableView>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

using testing::RestMouseOnLine;
using testing::ScriptedProbes;
using testing::ScriptedPrompts;
using testing::TempDir;
using testing::WaitUntil;
using testing::WhenModalOpens;
using testing::WriteWholeFile;

int LineHolding(TextDisplay& display, const std::string& text) {
    for (int i = 0; i < display.Count(); ++i)
        if (display.Line(i).find(text) != std::string::npos)
            return i;
    return -1;
}

// One cycle over a ping target that answers and one whose probe fails.
TEST(FailureTooltipsTest, AFailuresReasonIsTheTooltipOfItsLineAndOfItsPerformanceRow) {
    TempDir dir;
    WriteWholeFile(dir.File("two.ini"), testing::Configuration({"127.0.0.1", "192.0.2.10"}));
    ScriptedProbes probes;
    probes.SetDown("192.0.2.10");
    ScriptedPrompts prompts;
    TMainForm form(testing::WindowSetup(probes, prompts, dir.Path(), {"two.ini"}));
    form.show();
    ASSERT_TRUE(WaitUntil([&form] { return form.Model().CycleCount >= 1; }));

    TextDisplay& display = form.Display();
    const int success = LineHolding(display, "Success:");
    const int failure = LineHolding(display, "Failure:");
    ASSERT_GE(success, 0);
    ASSERT_GE(failure, 0);
    EXPECT_EQ(RestMouseOnLine(display, success), QString());
    // A shown tooltip lingers a moment after the mouse moves on, so the failure comes last.
    EXPECT_EQ(RestMouseOnLine(display, 0), QString()) << "the header has no reason";
    EXPECT_EQ(RestMouseOnLine(display, failure), QStringLiteral("Connection refused"));
    EXPECT_EQ(form.StatusBar1().ShownReason(), QStringLiteral("Connection refused"));

    QStringList rowTips; // the last column's tooltips: two targets and the summary
    std::vector<qsizetype> linePoints;
    qsizetype failurePoints = -1;
    WhenModalOpens([&](QWidget& window) {
        // The window opens on the summary row: the run's probes, charted as they came.
        const auto* chart = window.findChild<ResponseChart*>(QStringLiteral("ResponseChart"));
        for (const QLineSeries* line : chart->Lines())
            linePoints.push_back(line->count());
        failurePoints = chart->Failures()->count();
        const QAbstractItemModel& rows =
            *window.findChild<QTableView*>(QStringLiteral("PerfView"))->model();
        for (int row = 0; row < rows.rowCount(); ++row)
            rowTips << rows.index(row, rows.columnCount() - 1).data(Qt::ToolTipRole).toString();
        static_cast<QDialog&>(window).reject();
    });
    form.Summary1Click();
    EXPECT_EQ(rowTips, QStringList({QString(), QStringLiteral("Connection refused"), QString()}));
    EXPECT_EQ(linePoints, (std::vector<qsizetype>{1, 0}));
    EXPECT_EQ(failurePoints, 1);
}

} // namespace
} // namespace velnorix
