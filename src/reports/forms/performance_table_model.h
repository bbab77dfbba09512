#pragma once

#include "history/history_reader.h"
#include "reports/performance_rows.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <string>
#include <vector>

namespace velnorix {

// The performance window's rows as read-only texts, converted once for the view, which asks
// only for the rows it draws. After the table's columns comes each target's state, which only
// the window shows.
class PerformanceTableModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // `tips`, `states` and `uptimes` hold each row's tooltip, state and uptime counts from the
    // first on; rows past their ends have none.
    void SetRows(const std::vector<PerformanceRow>& rows, const std::vector<std::string>& tips,
                 const std::vector<std::string>& states,
                 const std::vector<UptimeCounts>& uptimes = {});
    [[nodiscard]] const QString& Text(int row, int column) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    QList<QString> m_cells; // row by row
    QList<QString> m_tips;  // by row
};

} // namespace velnorix
