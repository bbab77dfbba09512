#include "reports/forms/performance_table_model.h"

#include "config/forms/qt_text.h"
#include "history/history_report.h"

namespace velnorix {
namespace {

constexpr int kStateColumn = static_cast<int>(kPerformanceColumnCount);
constexpr int kFirstUptimeColumn = kStateColumn + 1;
constexpr int kColumns = kFirstUptimeColumn + static_cast<int>(kUptimeWindows.size());

QString Local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void PerformanceTableModel::SetRows(const std::vector<PerformanceRow>& rows,
                                    const std::vector<std::string>& tips,
                                    const std::vector<std::string>& states,
                                    const std::vector<UptimeCounts>& uptimes) {
    beginResetModel();
    m_tips.clear();
    for (const std::string& tip : tips)
        m_tips.push_back(PlainToolTip(ToQString(tip)));
    m_cells.clear();
    m_cells.reserve(static_cast<qsizetype>(rows.size()) * kColumns);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const std::string& cell : rows[row])
            m_cells.push_back(Local(cell));
        m_cells.push_back(row < states.size() ? Local(states[row]) : QString());
        for (std::size_t window = 0; window < kUptimeWindows.size(); ++window)
            m_cells.push_back(row < uptimes.size() ? QString::fromStdString(
                                                         UptimeText(uptimes[row][window].Uptime()))
                                                   : QString());
    }
    endResetModel();
}

const QString& PerformanceTableModel::Text(int row, int column) const {
    return m_cells.at(static_cast<qsizetype>(row) * kColumns + column);
}

int PerformanceTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_cells.size() / kColumns);
}

int PerformanceTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant PerformanceTableModel::data(const QModelIndex& index, int role) const {
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
    return Text(index.row(), index.column());
}

QVariant PerformanceTableModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section >= kFirstUptimeColumn) {
        const std::string_view window = UptimeWindowName(
            kUptimeWindows.at(static_cast<std::size_t>(section - kFirstUptimeColumn)));
        return QStringLiteral("Uptime ") +
               QString::fromLatin1(window.data(), static_cast<qsizetype>(window.size()));
    }
    const std::string_view header = section == kStateColumn
                                        ? std::string_view("State")
                                        : kPerformanceColumns.at(static_cast<std::size_t>(section));
    return QString::fromLatin1(header.data(), static_cast<qsizetype>(header.size()));
}

} // namespace velnorix
