#include "reports/forms/perf_form.h"

#include "base/atomic_file.h"
#include "config/forms/qt_text.h"
#include "history/history_database.h"
#include "history/history_key.h"
#include "history/history_report.h"
#include "history/history_writer.h"
#include "reports/forms/performance_table_model.h"
#include "reports/forms/response_chart.h"
#include "reports/performance_csv.h"
#include "reports/summary_chart.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <array>
#include <exception>
#include <stdexcept>
#include <utility>

namespace velnorix {

namespace {

// With more targets than this the summary row charts their median and this many slowest.
constexpr std::int32_t kSlowestCharted = 5;
// Where PerformanceRows puts a target's name and its type.
constexpr int kTargetColumn = 0;
constexpr int kTypeColumn = 1;

// The chart's ranges and their hours; none: this run's probes.
struct ChartRange {
    const char* Name;
    std::int64_t Hours;
};
constexpr std::int64_t kHoursPerDay = 24;
constexpr std::array<ChartRange, 5> kChartRanges = {{{"This Run", 0},
                                                     {"24 Hours", kHoursPerDay},
                                                     {"7 Days", 7 * kHoursPerDay},
                                                     {"30 Days", 30 * kHoursPerDay},
                                                     {"1 Year", 365 * kHoursPerDay}}};

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// Each column as wide as its header or its widest text, as the view's own sizing makes it, but
// measuring each distinct text once instead of asking the delegate about every cell.
void FitColumnsToTexts(QTableView& view, const PerformanceTableModel& rows) {
    const QFontMetrics metrics(view.font());
    const int margins =
        2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1) +
        (view.showGrid() ? 1 : 0);
    QHeaderView* header = view.horizontalHeader();
    for (int column = 0; column < rows.columnCount({}); ++column) {
        QSet<QString> measured;
        int widest = 0;
        for (int row = 0; row < rows.rowCount({}); ++row) {
            const QString& text = rows.Text(row, column);
            if (!measured.contains(text)) {
                measured.insert(text);
                widest = std::max(widest, metrics.horizontalAdvance(text));
            }
        }
        header->resizeSection(column, std::max(widest + margins, header->sectionSizeHint(column)));
    }
}

} // namespace

TVelnorixPerfForm::TVelnorixPerfForm(QWidget* parent)
    : QDialog(parent), m_rows(new PerformanceTableModel(this)), m_perfView(new QTableView(this)),
      m_chart(new ResponseChart(this)), m_doneButton(new QPushButton(QStringLiteral("Done"), this)),
      m_exportButton(new QPushButton(QStringLiteral("Export..."), this)),
      m_range(new QComboBox(this)),
      m_exportRangeButton(new QPushButton(QStringLiteral("Export Range..."), this)) {
    setWindowTitle(QStringLiteral("Velnorix Performance Summary"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setFont(PixelFont(QStringLiteral("Arial"), 13));
    m_perfView->setObjectName(QStringLiteral("PerfView"));
    m_doneButton->setObjectName(QStringLiteral("DoneButton"));
    m_doneButton->setFixedSize(75, 25);
    m_doneButton->setAutoDefault(false);
    m_exportButton->setObjectName(QStringLiteral("ExportButton"));
    m_exportButton->setFixedSize(75, 25);
    m_exportButton->setAutoDefault(false);
    m_exportButton->setEnabled(false);
    m_range->setObjectName(QStringLiteral("RangeChooser"));
    for (const ChartRange& range : kChartRanges)
        m_range->addItem(QString::fromLatin1(range.Name));
    m_range->setEnabled(false);
    m_range->hide();
    m_exportRangeButton->setObjectName(QStringLiteral("ExportRangeButton"));
    m_exportRangeButton->setFixedSize(105, 25);
    m_exportRangeButton->setAutoDefault(false);
    m_exportRangeButton->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 2, 9);
    layout->setSpacing(15);
    layout->addWidget(m_perfView, 1);
    layout->addWidget(m_range, 0, Qt::AlignLeft);
    layout->addWidget(m_chart, 2);
    m_chart->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_doneButton);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_exportRangeButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(731, 290);

    connect(m_doneButton, &QPushButton::clicked, this, &TVelnorixPerfForm::DoneButtonClick);
    connect(m_exportButton, &QPushButton::clicked, this, &TVelnorixPerfForm::ExportButtonClick);
    connect(m_exportRangeButton, &QPushButton::clicked, this,
            &TVelnorixPerfForm::ExportRangeButtonClick);
    connect(m_range, &QComboBox::currentIndexChanged, this, [this](int range) {
        // "This Run" is no span of whole hours, so it has nothing to export.
        m_exportRangeButton->setEnabled(range > 0 && m_prompts != nullptr);
        ChartRow(m_perfView->currentIndex().row());
    });
    FormCreate();
}

void TVelnorixPerfForm::FormCreate() {
    QFont listFont = PixelFont(QStringLiteral("Courier New"), 12);
    listFont.setStyleHint(QFont::TypeWriter);
    m_perfView->setFont(listFont);
    m_perfView->setModel(m_rows);
    m_perfView->setShowGrid(true);
    m_perfView->setSortingEnabled(false);
    m_perfView->setWordWrap(false);
    m_perfView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_perfView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_perfView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_perfView->verticalHeader()->hide();
    m_perfView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_perfView->verticalHeader()->setDefaultSectionSize(m_perfView->fontMetrics().height() + 4);

    QHeaderView* header = m_perfView->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(false);
    header->setStretchLastSection(true);
}

void TVelnorixPerfForm::Fill(const std::vector<PerformanceRow>& rows,
                             const std::vector<std::string>& rowTips,
                             const std::vector<std::string>& rowStates,
                             const std::vector<UptimeCounts>& rowUptimes) {
    m_rows->SetRows(rows, rowTips, rowStates, rowUptimes);
    // Each column fits its header or its widest text, whichever is wider, as the list's
    // size-to-header mode does once it holds rows. The last one then takes what is left, and
    // the width it had when stretching began stays its least.
    QHeaderView* header = m_perfView->horizontalHeader();
    header->setStretchLastSection(false);
    // Column widths weigh every row, not only those on screen.
    FitColumnsToTexts(*m_perfView, *m_rows);
    const int columns = header->length();
    header->setStretchLastSection(true);
    WidenToShow(columns);
}

void TVelnorixPerfForm::WidenToShow(int columnsWidth) {
    // Room for a vertical scroll bar too, so a long table does not push the last column out.
    const QMargins margins = layout()->contentsMargins();
    int wanted = columnsWidth + 2 * m_perfView->frameWidth() +
                 m_perfView->verticalScrollBar()->sizeHint().width() + margins.left() +
                 margins.right();
    if (const QScreen* shownOn = screen())
        wanted = std::min(wanted, shownOn->availableGeometry().width());
    if (wanted > width())
        resize(wanted, height());
}

void TVelnorixPerfForm::SetHistory(const RunMetrics& metrics, const RunModel& model) {
    m_metrics = &metrics;
    m_model = &model;
    m_chart->show();
    m_range->show();
    resize(width(), std::max(height(), 620));
    connect(m_perfView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ChartRow(current.row()); });
    // The summary row first: the whole run at a glance.
    m_perfView->selectRow(m_rows->rowCount({}) - 1);
}

void TVelnorixPerfForm::SetLongHistory(PerformanceHistory history,
                                       std::vector<TargetSettings> targets) {
    m_longHistory = std::move(history);
    m_targets = std::move(targets);
    m_range->setEnabled(!m_longHistory.DatabasePath.empty());
}

std::pair<std::int64_t, std::int64_t> TVelnorixPerfForm::RangeHours() const {
    const std::int64_t toHour = m_longHistory.Now / kSecondsPerHour + 1;
    // "This Run" exports the last day, should it ever be asked to.
    const std::int64_t hours = std::max(
        kChartRanges.at(static_cast<std::size_t>(std::max(m_range->currentIndex(), 0))).Hours,
        kChartRanges[1].Hours);
    return {toHour - hours, toHour};
}

void TVelnorixPerfForm::ChartHours(int row) {
    const auto [fromHour, toHour] = RangeHours();
    if (row >= static_cast<int>(m_targets.size())) {
        m_chart->Show({}, {}, fromHour, toHour,
                      QStringLiteral("Choose a target's row to chart its hours"));
        return;
    }
    const std::unique_ptr<SQLite::Database> db = OpenHistoryForReading(m_longHistory.DatabasePath);
    std::vector<HourFigures> hours;
    if (db) {
        try {
            hours = ReadHours(*db, HistoryKeyOf(m_targets[static_cast<std::size_t>(row)]), fromHour,
                              toHour);
        } catch (const std::exception&) {
            // A database being set aside meanwhile charts as no hours.
        }
    }
    m_chart->Show(m_rows->index(row, kTypeColumn).data().toString() +
                      m_rows->index(row, kTargetColumn).data().toString(),
                  hours, fromHour, toHour,
                  hours.empty() ? QStringLiteral("No hours in the history") : QString());
}

void TVelnorixPerfForm::ChartRow(int row) {
    if (row < 0) // nothing selected
        return;
    if (m_range->currentIndex() > 0) {
        ChartHours(row);
        return;
    }
    // The legend tells targets apart as the table does, type first as in the result lines.
    const auto target = [this](std::int32_t index) {
        return ChartedTarget{m_rows->index(index, kTypeColumn).data().toString() +
                                 m_rows->index(index, kTargetColumn).data().toString(),
                             &m_metrics->History(*m_model, index)};
    };
    const std::int32_t count = m_model->TargetCount();
    std::vector<ChartedTarget> targets;
    std::deque<ProbeSample> median;
    if (row < count) {
        targets.push_back(target(row));
    } else if (count <= kSlowestCharted) {
        for (std::int32_t i = 0; i < count; ++i)
            targets.push_back(target(i));
    } else {
        // A line per target is unreadable long before it is too slow to draw.
        TargetHistories histories;
        histories.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i)
            histories.push_back(&m_metrics->History(*m_model, i));
        median = MedianPerCycle(histories);
        targets.push_back({QStringLiteral("Median of %1 targets").arg(count), &median});
        for (const std::int32_t slow : SlowestTargets(histories, kSlowestCharted))
            targets.push_back(target(slow));
    }
    m_chart->Show(targets);
}

void TVelnorixPerfForm::DoneButtonClick() {
    accept();
}

void TVelnorixPerfForm::SetExport(std::vector<PerformanceRow> rows, UserPrompts& prompts) {
    m_exportRows = std::move(rows);
    m_prompts = &prompts;
    m_exportButton->setEnabled(true);
}

void TVelnorixPerfForm::ExportButtonClick() {
    SaveCsv("VelnorixSummary.csv", [this] { return PerformanceCsv(m_exportRows); });
}

void TVelnorixPerfForm::ExportRangeButtonClick() {
    SaveCsv("VelnorixHistory.csv", [this] {
        const std::unique_ptr<SQLite::Database> db =
            OpenHistoryForReading(m_longHistory.DatabasePath);
        if (!db)
            throw std::runtime_error("No history to export in " + m_longHistory.DatabasePath);
        const auto [fromHour, toHour] = RangeHours();
        return HistoryCsv(*db, m_targets, fromHour, toHour);
    });
}

void TVelnorixPerfForm::SaveCsv(const char* fileName, const std::function<std::string()>& text) {
    if (m_prompts == nullptr)
        return;
    const std::optional<std::string> file =
        m_prompts->ChooseFileToSave({.InitialDirectory = {},
                                     .FilterName = "CSV File",
                                     .FilterPattern = "*.csv",
                                     .FileName = fileName,
                                     .DefaultExtension = "csv"});
    if (!file)
        return;
    try {
        ReplaceTextFile(*file, text());
    } catch (const std::exception& error) {
        m_prompts->ShowGeneralError(error.what());
    }
}

void ShowPerformanceSummary(QWidget* parent, const RunModel& model, const RunMetrics& metrics,
                            const LocalDateTime& now, const FormatSettings& settings,
                            UserPrompts& prompts, const PerformanceHistory& history) {
    TVelnorixPerfForm form(parent);
    // A target's row tells why its latest failure happened, and the state it shows.
    std::vector<std::string> reasons;
    std::vector<std::string> states;
    reasons.reserve(static_cast<std::size_t>(model.TargetCount()));
    states.reserve(static_cast<std::size_t>(model.TargetCount()));
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        reasons.push_back(model.StatisticsOf(i).LastReason);
        states.emplace_back(StateName(model.StatisticsOf(i).State));
    }
    std::vector<UptimeCounts> uptimes;
    std::vector<TargetSettings> targets;
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        targets.push_back(model.Target(i));
        // Figures read before an edit of the targets may be fewer than them.
        if (history.Uptimes) {
            const std::vector<UptimeCounts>& read = history.Uptimes->ByPosition;
            uptimes.push_back(static_cast<std::size_t>(i) < read.size()
                                  ? read[static_cast<std::size_t>(i)]
                                  : UptimeCounts{});
        }
    }
    form.Fill(PerformanceRows(model, now, settings), reasons, states, uptimes);
    // The file is for other programs to read: a dot whatever the operator's locale.
    FormatSettings dot = settings;
    dot.DecimalSeparator = ".";
    form.SetExport(PerformanceRows(model, now, dot), prompts);
    form.SetLongHistory(history, std::move(targets));
    form.SetHistory(metrics, model);
    form.exec();
}

} // namespace velnorix
