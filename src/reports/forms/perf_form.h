#pragma once

#include "base/date_time.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/run_metrics.h"
#include "engine/run_model.h"
#include "reports/performance_rows.h"

#include <QDialog>
#include <string>
#include <vector>

class QPushButton;
class QTableView;

namespace velnorix {

class PerformanceTableModel;
class ResponseChart;

// The performance summary window: the statistics of every target and their totals, as they
// stood when the window opened.
class TVelnorixPerfForm final : public QDialog {
public:
    explicit TVelnorixPerfForm(QWidget* parent = nullptr);

    // Replaces the table's rows; the last one is the summary row. `rowTips` and `rowStates` hold
    // the tooltip and the State column's text of each row from the first on; an empty one, or
    // none, leaves the row without.
    void Fill(const std::vector<PerformanceRow>& rows, const std::vector<std::string>& rowTips = {},
              const std::vector<std::string>& rowStates = {});
    // What "Export..." writes: the same rows with a dot as decimal separator, and where it asks
    // for the file and reports a failure. Without it the button stays disabled.
    void SetExport(std::vector<PerformanceRow> rows, UserPrompts& prompts);
    // Where the chart reads the selected row's probes of this run, at the moment it is
    // selected; the summary row charts every target, or with many the median of them all per
    // cycle and the slowest few. Without it the window has no chart.
    void SetHistory(const RunMetrics& metrics, const RunModel& model);
    [[nodiscard]] QTableView& PerfView() { return *m_perfView; }
    [[nodiscard]] ResponseChart& Chart() { return *m_chart; }
    [[nodiscard]] QPushButton& ExportButton() { return *m_exportButton; }

    void DoneButtonClick();
    // Asks for a file and writes the table there as CSV in one step: a failed write leaves no
    // partial file and goes to the general error display.
    void ExportButtonClick();

private:
    // Sets up the list and sizes its columns to their headers.
    void FormCreate();
    // Makes the window wide enough for columns this wide, up to the screen's width.
    void WidenToShow(int columnsWidth);
    // Charts a target's row, or the run as a whole for the summary row.
    void ChartRow(int row);

    PerformanceTableModel* m_rows;
    QTableView* m_perfView;
    ResponseChart* m_chart;
    QPushButton* m_doneButton;
    QPushButton* m_exportButton;
    std::vector<PerformanceRow> m_exportRows;
    UserPrompts* m_prompts = nullptr;
    const RunMetrics* m_metrics = nullptr;
    const RunModel* m_model = nullptr;
};

// Builds the table from the model's statistics at `now`, charts the probes `metrics` kept, and
// shows it modally; returns when the window has closed.
void ShowPerformanceSummary(QWidget* parent, const RunModel& model, const RunMetrics& metrics,
                            const LocalDateTime& now, const FormatSettings& settings,
                            UserPrompts& prompts);

} // namespace velnorix
