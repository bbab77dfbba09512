#include "engine/statistics.h"
#include "history/history_key.h"
#include "history/history_writer.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
#include "reports/forms/perf_form.h"
#include "reports/forms/response_chart.h"
#include "reports/modal_watch.h"
#include "support/temp_dir.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::ModalWatch;

// The row's cells joined with "|".
std::string RowText(QTableView& view, int row) {
    QStringList texts;
    for (int column = 0; column < view.model()->columnCount(); ++column)
        texts << view.model()->index(row, column).data().toString();
    return texts.join(u'|').toStdString();
}

class PerfFormTest : public testing::Test {
protected:
    PerfFormTest() {
        m_model.SetTargetCount(2);
        m_model.Target(0).Addr = "a-rather-long-host-name.example.org";
        m_model.Target(0).SetType("<HTML>");
        for (const auto& [ms, failed] : std::vector<std::pair<std::uint32_t, bool>>{
                 {100, false}, {200, false}, {300, true}, {1400, false}})
            RecordResult(m_model, 0, ms, failed);
        m_model.Target(1).Addr = "192.0.2.10";
        m_model.Target(1).SetType("<Ping>");
        m_model.RunStartTime = ToDayCount({2026, 12, 6, 14, 0, 0, 0});
    }

    RunModel m_model;
    LocalDateTime m_now{2026, 12, 6, 14, 3, 27, 0};
    FormatSettings m_settings;
    kit::ScriptedPrompts m_prompts;
    kit::FakeClock m_clock;
    RunMetrics m_metrics{m_clock};
};

TEST_F(PerfFormTest, ShowsTheNineColumnsThenTheStateAndARowPerTargetThenTheSummary) {
    TVelnorixPerfForm form;
    form.Fill(PerformanceRows(m_model, m_now, m_settings));
    QTableView& view = form.PerfView();
    QStringList headers;
    for (int column = 0; column < view.model()->columnCount(); ++column)
        headers << view.model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers.join(u'|'), QStringLiteral("Target|Type|Attempt|Success|Failure|% Succ|"
                                                 "Avg Resp|Low Resp|Hgh Resp|State|"
                                                 "Uptime 24h|Uptime 7d|Uptime 30d"));
    ASSERT_EQ(view.model()->rowCount(), 3);
    EXPECT_EQ(RowText(view, 0), "a-rather-long-host-name.example.org|<HTML>|     4|     3|     1|"
                                "  75.0|   0.50|   0.10|   1.40||||");
    EXPECT_EQ(RowText(view, 1),
              "192.0.2.10|<Ping>|     0|     0|     0|   0.0|   0.00|   0.00|   0.00||||");
    // The untested second target takes the overall low back to none.
    EXPECT_EQ(RowText(view, 2),
              "-< SUMMARY in 0:03:27 >-||     4|     3|     1|  75.0|   0.50|   0.00|"
              "   1.40||||");
    EXPECT_EQ(view.model()->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignLeft | Qt::AlignVCenter);
}

TEST_F(PerfFormTest, ColumnsShowTheirHeadersAndTextsWholeInFixedPitch) {
    TVelnorixPerfForm form;
    form.Fill(PerformanceRows(m_model, m_now, m_settings));
    form.show();
    QTableView& view = form.PerfView();
    const QFontMetrics metrics(view.font());
    for (int column = 0; column < view.model()->columnCount(); ++column) {
        int widest =
            metrics.horizontalAdvance(view.model()->headerData(column, Qt::Horizontal).toString());
        for (int row = 0; row < view.model()->rowCount(); ++row)
            widest = std::max(widest, metrics.horizontalAdvance(
                                          view.model()->index(row, column).data().toString()));
        EXPECT_GT(view.horizontalHeader()->sectionSize(column), widest) << column;
    }
    // Right alignment comes from the leading blanks, which needs a fixed-pitch font.
    EXPECT_TRUE(QFontInfo(view.font()).fixedPitch());
    EXPECT_TRUE(view.showGrid());
    EXPECT_FALSE(view.isSortingEnabled());
}

TEST_F(PerfFormTest, OnFirstShowEveryColumnIsWithinTheViewUpToTheScreensWidth) {
    const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    for (const std::string& address :
         {std::string("http://intranet.example.org/status/health"), std::string(400, 'h')}) {
        m_model.Target(0).Addr = address;
        TVelnorixPerfForm form;
        form.Fill(PerformanceRows(m_model, m_now, m_settings));
        form.show();
        if (address.size() < 100) {
            // The uptime columns may take a small screen's width on their own.
            EXPECT_TRUE(form.PerfView().horizontalHeader()->length() <=
                            form.PerfView().viewport()->width() ||
                        form.width() == screenWidth);
        } else {
            EXPECT_EQ(form.width(), screenWidth) << "a very long name widens only to the screen";
        }
    }
}

TEST_F(PerfFormTest, DoneClosesTheWindowAsAccepted) {
    TVelnorixPerfForm form;
    form.show();
    auto* done = form.findChild<QPushButton*>(QStringLiteral("DoneButton"));
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->text(), QStringLiteral("Done"));
    QTest::mouseClick(done, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(PerfFormTest, ShowPerformanceSummaryShowsASnapshotModallyAndReturnsWhenClosed) {
    int rows = 0;
    QString title;
    const ModalWatch watch([&](QDialog& dialog) {
        title = dialog.windowTitle();
        rows = dynamic_cast<TVelnorixPerfForm&>(dialog).PerfView().model()->rowCount();
        RecordResult(m_model, 1, 5, false); // a cycle meanwhile does not change the table
        EXPECT_EQ(
            RowText(dynamic_cast<TVelnorixPerfForm&>(dialog).PerfView(), 1),
            "192.0.2.10|<Ping>|     0|     0|     0|   0.0|   0.00|   0.00|   0.00|Unknown|||");
    });
    ShowPerformanceSummary(nullptr, m_model, m_metrics, m_now, m_settings, m_prompts);
    EXPECT_EQ(watch.WindowsSeen(), 1);
    EXPECT_EQ(title, QStringLiteral("Velnorix Performance Summary"));
    EXPECT_EQ(rows, 3);
}

class PerfExportTest : public PerfFormTest {
protected:
    PerfExportTest() {
        m_model.Target(1).Addr = "host,with \"quotes\"";
        // The window follows a locale with a decimal comma; the file does not.
        m_settings.DecimalSeparator = ",";
    }

    // Opens the window as View "Summary" does and clicks "Export...".
    void ExportTo(const std::string& file) {
        m_prompts.ChooseNextFileToSave(file);
        ModalWatch watch([](QDialog& window) {
            auto* form = dynamic_cast<TVelnorixPerfForm*>(&window);
            ASSERT_NE(form, nullptr);
            ASSERT_TRUE(form->ExportButton().isEnabled());
            QTest::mouseClick(&form->ExportButton(), Qt::LeftButton);
            form->DoneButtonClick();
        });
        ShowPerformanceSummary(nullptr, m_model, m_metrics, m_now, m_settings, m_prompts);
    }

    kit::TempDir m_dir;
    PerformanceHistory m_history;
};

TEST_F(PerfExportTest, WritesTheNineColumnsAndTheSummaryAsCsvWithDots) {
    ExportTo(m_dir.File("summary.csv"));
    EXPECT_TRUE(m_prompts.Texts(kit::ScriptedPrompts::Kind::GeneralError).empty());
    EXPECT_EQ(kit::ReadWholeFile(m_dir.File("summary.csv")),
              "Target,Type,Attempt,Success,Failure,% Succ,Avg Resp,Low Resp,Hgh Resp\r\n"
              "a-rather-long-host-name.example.org,<HTML>,4,3,1,75.0,0.50,0.10,1.40\r\n"
              "\"host,with \"\"quotes\"\"\",<Ping>,0,0,0,0.0,0.00,0.00,0.00\r\n"
              "-< SUMMARY in 0:03:27 >-,,4,3,1,75.0,0.50,0.00,1.40\r\n");
}

TEST_F(PerfExportTest, AFailedWriteIsReportedAndLeavesNoFileBehind) {
    // A folder in the way: the file cannot take its name.
    const std::string blocked = m_dir.File("blocked.csv");
    std::filesystem::create_directory(blocked);
    ExportTo(blocked);
    const auto errors = m_prompts.Texts(kit::ScriptedPrompts::Kind::GeneralError);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_NE(errors[0].find("blocked.csv"), std::string::npos) << errors[0];
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"blocked.csv"});
    EXPECT_TRUE(std::filesystem::is_empty(blocked));
}

// A history database with known hours: the window's uptime columns, its "24 Hours" chart and
// "Export Range..." all read it.
TEST_F(PerfExportTest, ShowsTheHistorysUptimesChartsItsHoursAndExportsThem) {
    constexpr std::int64_t kNow = 1'796'565'807; // 2026-12-06 14:03:27 UTC
    constexpr std::int64_t kHour = kNow / kSecondsPerHour * kSecondsPerHour;
    const std::string path = m_dir.File("velnorix-history.sqlite3");
    {
        const auto db = OpenHistoryDatabase(
            path, [](const std::string&) {}, kNow);
        const std::string key = HistoryKeyOf(m_model.Target(0));
        const auto row = [&](std::int64_t time, bool failed, std::uint32_t ms) {
            return HistoryRow{.Key = key,
                              .Type = "<HTML>",
                              .Name = "web",
                              .Time = time,
                              .Failed = failed,
                              .Ms = ms,
                              .State = TargetState::Unknown,
                              .Reason = failed ? "refused" : "",
                              .Echoes = {}};
        };
        // Two hours ago two successes, an hour ago a failure and a success, three days ago a
        // failure that only the 7 and 30 days see.
        HistoryWriter(*db).Append({row(kHour - 2 * kSecondsPerHour + 10, false, 100),
                                   row(kHour - 2 * kSecondsPerHour + 20, false, 300),
                                   row(kHour - kSecondsPerHour + 10, true, 50),
                                   row(kHour - kSecondsPerHour + 20, false, 400),
                                   row(kNow - 3 * kSecondsPerDay, true, 0)});
        auto table = std::make_shared<UptimeTable>();
        const auto read = ReadUptimes(*db, kNow);
        table->ByPosition = {read.at(key), UptimeCounts{}};
        m_history = {.Uptimes = table, .DatabasePath = path, .Now = kNow};
    }
    m_prompts.ChooseNextFileToSave(m_dir.File("range.csv"));
    std::vector<QPointF> means;
    std::vector<QPointF> failures;
    ModalWatch watch([&](QDialog& window) {
        auto& form = dynamic_cast<TVelnorixPerfForm&>(window);
        EXPECT_THAT(RowText(form.PerfView(), 0),
                    testing::EndsWith("|Unknown|75.00%|60.00%|60.00%"));
        EXPECT_THAT(RowText(form.PerfView(), 1), testing::EndsWith("|Unknown|-|-|-"));
        EXPECT_FALSE(form.ExportRangeButton().isEnabled()) << "This Run has no range";
        form.PerfView().selectRow(0);
        form.RangeChooser().setCurrentIndex(1);
        EXPECT_EQ(form.RangeChooser().currentText(), QStringLiteral("24 Hours"));
        ASSERT_EQ(form.Chart().Lines().size(), 1U);
        for (const QPointF& point : form.Chart().Lines()[0]->points())
            means.push_back(point);
        for (const QPointF& point : form.Chart().Failures()->points())
            failures.push_back(point);
        ASSERT_TRUE(form.ExportRangeButton().isEnabled());
        QTest::mouseClick(&form.ExportRangeButton(), Qt::LeftButton);
        form.DoneButtonClick();
    });
    ShowPerformanceSummary(nullptr, m_model, m_metrics, m_now, m_settings, m_prompts, m_history);
    EXPECT_EQ(means, (std::vector<QPointF>{{-2.0, 0.2}, {-1.0, 0.4}}));
    EXPECT_EQ(failures, (std::vector<QPointF>{{-1.0, 0.4}}));
    EXPECT_TRUE(m_prompts.Texts(kit::ScriptedPrompts::Kind::GeneralError).empty());
    EXPECT_EQ(kit::ReadWholeFile(m_dir.File("range.csv")),
              "Target,Type,Hour,Probes,Failures,Uptime,Low ms,Mean ms,High ms,P95 ms\r\n"
              "a-rather-long-host-name.example.org,<HTML>,2026-12-06T12:00:00Z,2,0,1.0000,100,"
              "200.0,300,\r\n"
              "a-rather-long-host-name.example.org,<HTML>,2026-12-06T13:00:00Z,2,1,0.5000,400,"
              "400.0,400,\r\n");
}

} // namespace
} // namespace velnorix
