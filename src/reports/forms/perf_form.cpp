#include "reports/forms/perf_form.h"

#include "base/atomic_file.h"
#include "config/forms/qt_text.h"
#include "reports/forms/response_chart.h"
#include "reports/performance_csv.h"

#include <QAbstractTableModel>
#include <QBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <exception>
#include <utility>

namespace velnorix {

// The rows as read-only texts, converted once for the view.
class PerformanceTableModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(const std::vector<PerformanceRow>& rows, const std::vector<std::string>& tips) {
        beginResetModel();
        m_tips.clear();
        for (const std::string& tip : tips)
            m_tips.push_back(PlainToolTip(ToQString(tip)));
        m_cells.clear();
        m_cells.reserve(static_cast<qsizetype>(rows.size()) *
                        static_cast<qsizetype>(kPerformanceColumnCount));
        for (const PerformanceRow& row : rows)
            for (const std::string& cell : row)
                m_cells.push_back(
                    QString::fromLocal8Bit(cell.data(), static_cast<qsizetype>(cell.size())));
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_cells.size() / kPerformanceColumnCount);
    }

    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(kPerformanceColumnCount);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        if (role == Qt::ToolTipRole) {
            const QString tip = m_tips.value(index.row());
            return tip.isEmpty() ? QVariant() : QVariant(tip);
        }
        if (role != Qt::DisplayRole)
            return {};
        return m_cells.at(index.row() * static_cast<int>(kPerformanceColumnCount) + index.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= static_cast<int>(kPerformanceColumnCount))
            return QAbstractTableModel::headerData(section, orientation, role);
        const std::string_view header = kPerformanceColumns.at(static_cast<std::size_t>(section));
        return QString::fromLatin1(header.data(), static_cast<qsizetype>(header.size()));
    }

private:
    QList<QString> m_cells; // row by row
    QList<QString> m_tips;  // by row; rows past its end have none
};

namespace {

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

} // namespace

TVelnorixPerfForm::TVelnorixPerfForm(QWidget* parent)
    : QDialog(parent), m_rows(new PerformanceTableModel(this)), m_perfView(new QTableView(this)),
      m_chart(new ResponseChart(this)), m_doneButton(new QPushButton(QStringLiteral("Done"), this)),
      m_exportButton(new QPushButton(QStringLiteral("Export..."), this)) {
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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 2, 9);
    layout->setSpacing(15);
    layout->addWidget(m_perfView, 1);
    layout->addWidget(m_chart, 2);
    m_chart->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_doneButton);
    buttons->addWidget(m_exportButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(731, 290);

    connect(m_doneButton, &QPushButton::clicked, this, &TVelnorixPerfForm::DoneButtonClick);
    connect(m_exportButton, &QPushButton::clicked, this, &TVelnorixPerfForm::ExportButtonClick);
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
    // Column widths weigh every row, not only those on screen.
    m_perfView->verticalHeader()->setResizeContentsPrecision(-1);
}

void TVelnorixPerfForm::Fill(const std::vector<PerformanceRow>& rows,
                             const std::vector<std::string>& rowTips) {
    m_rows->SetRows(rows, rowTips);
    // Each column fits its header or its widest text, whichever is wider, as the list's
    // size-to-header mode does once it holds rows. The last one then takes what is left, and
    // the width it had when stretching began stays its least.
    QHeaderView* header = m_perfView->horizontalHeader();
    header->setStretchLastSection(false);
    m_perfView->resizeColumnsToContents();
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
    resize(width(), std::max(height(), 620));
    connect(m_perfView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ChartRow(current.row()); });
    // The summary row first: the whole run at a glance.
    m_perfView->selectRow(m_rows->rowCount({}) - 1);
}

void TVelnorixPerfForm::ChartRow(int row) {
    if (row < 0) // nothing selected
        return;
    const auto target = [this](std::int32_t index) {
        return ChartedTarget{m_rows->index(index, 0).data().toString(),
                             &m_metrics->History(*m_model, index)};
    };
    std::vector<ChartedTarget> targets;
    if (row < m_model->TargetCount()) {
        targets.push_back(target(row));
    } else {
        for (std::int32_t i = 0; i < m_model->TargetCount(); ++i)
            targets.push_back(target(i));
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
    if (m_prompts == nullptr)
        return;
    const std::optional<std::string> file =
        m_prompts->ChooseFileToSave({.InitialDirectory = {},
                                     .FilterName = "CSV File",
                                     .FilterPattern = "*.csv",
                                     .FileName = "VelnorixSummary.csv",
                                     .DefaultExtension = "csv"});
    if (!file)
        return;
    try {
        ReplaceTextFile(*file, PerformanceCsv(m_exportRows));
    } catch (const std::exception& error) {
        m_prompts->ShowGeneralError(error.what());
    }
}

void ShowPerformanceSummary(QWidget* parent, const RunModel& model, const RunMetrics& metrics,
                            const LocalDateTime& now, const FormatSettings& settings,
                            UserPrompts& prompts) {
    TVelnorixPerfForm form(parent);
    // A target's row tells why its latest failure happened.
    std::vector<std::string> reasons;
    reasons.reserve(static_cast<std::size_t>(model.TargetCount()));
    for (std::int32_t i = 0; i < model.TargetCount(); ++i)
        reasons.push_back(model.StatisticsOf(i).LastReason);
    form.Fill(PerformanceRows(model, now, settings), reasons);
    // The file is for other programs to read: a dot whatever the operator's locale.
    FormatSettings dot = settings;
    dot.DecimalSeparator = ".";
    form.SetExport(PerformanceRows(model, now, dot), prompts);
    form.SetHistory(metrics, model);
    form.exec();
}

} // namespace velnorix
