#include "app/main_form.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "reports/forms/response_chart.h"
#include "reports/performance_rows.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <QDialog>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTableView>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

using kit::AsShown;
using kit::RestMouseOnLine;
using kit::ScriptedProbes;
using kit::ScriptedPrompts;
using kit::TempDir;
using kit::WaitUntil;
using kit::WhenModalOpens;
using kit::WriteWholeFile;

int LineHolding(TextDisplay& display, const std::string& text) {
    for (int i = 0; i < display.Count(); ++i)
        if (display.Line(i).find(text) != std::string::npos)
            return i;
    return -1;
}

// One cycle over a ping target that answers and one whose probe fails, once with a reason that
// looks like markup: a server's text is shown as it came, never styled.
class FailureTooltipsTest : public testing::TestWithParam<const char*> {};

TEST_P(FailureTooltipsTest, AFailuresReasonIsTheTooltipOfItsLineAndOfItsPerformanceRow) {
    const QString reason = QString::fromUtf8(GetParam());
    TempDir dir;
    WriteWholeFile(dir.File("two.ini"), kit::Configuration({"127.0.0.1", "192.0.2.10"}));
    ScriptedProbes probes;
    probes.SetDown("192.0.2.10");
    probes.SetFailureText(GetParam());
    ScriptedPrompts prompts;
    TMainForm form(kit::WindowSetup(probes, prompts, dir.Path(), {"two.ini"}));
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
    EXPECT_EQ(RestMouseOnLine(display, failure), reason);
    EXPECT_EQ(AsShown(form.StatusBar1().ShownReason()), reason);
    const auto* field = form.StatusBar1().findChild<QLabel*>(QStringLiteral("FailureReason"));
    EXPECT_EQ(field->textFormat() == Qt::PlainText ? field->text() : AsShown(field->text()),
              reason);

    QStringList rowTips;   // the State column's tooltips: two targets and the summary
    QStringList rowStates; // the State column's texts
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
        for (int row = 0; row < rows.rowCount(); ++row) {
            const QModelIndex state = rows.index(row, static_cast<int>(kPerformanceColumnCount));
            rowTips << AsShown(state.data(Qt::ToolTipRole).toString());
            rowStates << state.data().toString();
        }
        static_cast<QDialog&>(window).reject();
    });
    form.Summary1Click();
    EXPECT_EQ(rowTips, QStringList({QString(), reason, QString()}));
    EXPECT_EQ(rowStates, QStringList({QStringLiteral("Up"), QStringLiteral("Down"), QString()}));
    EXPECT_EQ(linePoints, (std::vector<qsizetype>{1, 0}));
    EXPECT_EQ(failurePoints, 1);
}

INSTANTIATE_TEST_SUITE_P(Reasons, FailureTooltipsTest,
                         testing::Values("Connection refused", "HTTP/1.1 500 <b><u>UP</u></b>"));

} // namespace
} // namespace velnorix
