#pragma once

#include "base/date_time.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/run_metrics.h"
#include "engine/run_model.h"
#include "history/history_recorder.h"
#include "reports/performance_rows.h"

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QPushButton;
class QTableView;

namespace velnorix {

class PerformanceTableModel;
class ResponseChart;

// What the window shows of the history kept across runs.
struct PerformanceHistory {
    // The recorder's latest figures, by target position; none: no uptime columns' values.
    std::shared_ptr<const UptimeTable> Uptimes;
    // The history database; empty: the chart shows this run only and nothing is exported.
    std::string DatabasePath;
    std::int64_t Now = 0; // seconds since 1970, UTC
};

// The performance summary window: the statistics of every target and their totals, as they
// stood when the window opened.
class TVelnorixPerfForm final : public QDialog {
public:
    explicit TVelnorixPerfForm(QWidget* parent = nullptr);

    // Replaces the table's rows; the last one is the summary row. `rowTips` and `rowStates` hold
    // the tooltip and the State column's text of each row from the first on; an empty one, or
    // none, leaves the row without.
    void Fill(const std::vector<PerformanceRow>& rows, const std::vector<std::string>& rowTips = {},
              const std::vector<std::string>& rowStates = {},
              const std::vector<UptimeCounts>& rowUptimes = {});
    // What "Export..." writes: the same rows with a dot as decimal separator, and where it asks
    // for the file and reports a failure. Without it the button stays disabled.
    void SetExport(std::vector<PerformanceRow> rows, UserPrompts& prompts);
    // Where the chart reads the selected row's probes of this run, at the moment it is
    // selected; the summary row charts every target, or with many the median of them all per
    // cycle and the slowest few. Without it the window has no chart.
    void SetHistory(const RunMetrics& metrics, const RunModel& model);
    // Lets the range chooser chart a target's hours from the history database and "Export
    // Range..." write these targets' hours; call before SetHistory.
    void SetLongHistory(PerformanceHistory history, std::vector<TargetSettings> targets);
    [[nodiscard]] QTableView& PerfView() { return *m_perfView; }
    [[nodiscard]] ResponseChart& Chart() { return *m_chart; }
    [[nodiscard]] QPushButton& ExportButton() { return *m_exportButton; }
    // "This Run", "24 Hours", "7 Days", "30 Days", "1 Year": what the chart shows.
    [[nodiscard]] QComboBox& RangeChooser() { return *m_range; }
    [[nodiscard]] QPushButton& ExportRangeButton() { return *m_exportRangeButton; }

    void DoneButtonClick();
    // Asks for a file and writes the table there as CSV in one step: a failed write leaves no
    // partial file and goes to the general error display.
    void ExportButtonClick();
    // Asks for a file and writes every target's hours of the chosen range there as CSV, the
    // same way.
    void ExportRangeButtonClick();

private:
    // Sets up the list and sizes its columns to their headers.
    void FormCreate();
    // Makes the window wide enough for columns this wide, up to the screen's width.
    void WidenToShow(int columnsWidth);
    // Charts a target's row, or the run as a whole for the summary row.
    void ChartRow(int row);
    // Charts a target's hours of the chosen range from the history database.
    void ChartHours(int row);
    // The chosen range's hours up to and including the current one: {from, to}.
    [[nodiscard]] std::pair<std::int64_t, std::int64_t> RangeHours() const;
    // Asks where to save and writes `text` there in one step.
    void SaveCsv(const char* fileName, const std::function<std::string()>& text);

    PerformanceTableModel* m_rows;
    QTableView* m_perfView;
    ResponseChart* m_chart;
    QPushButton* m_doneButton;
    QPushButton* m_exportButton;
    QComboBox* m_range;
    QPushButton* m_exportRangeButton;
    std::vector<PerformanceRow> m_exportRows;
    PerformanceHistory m_longHistory;
    std::vector<TargetSettings> m_targets;
    UserPrompts* m_prompts = nullptr;
    const RunMetrics* m_metrics = nullptr;
    const RunModel* m_model = nullptr;
};

// Builds the table from the model's statistics at `now` and the history's uptimes, charts the
// probes `metrics` kept or the history's hours, and shows it modally; returns when the window
// has closed.
void ShowPerformanceSummary(QWidget* parent, const RunModel& model, const RunMetrics& metrics,
                            const LocalDateTime& now, const FormatSettings& settings,
                            UserPrompts& prompts, const PerformanceHistory& history = {});

} // namespace velnorix
