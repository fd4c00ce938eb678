#include "history/TableModel.h"

namespace history {

TableModel::TableModel(const QStringList &headers, int numberFrom, int numberTo, QObject *parent)
    : QAbstractTableModel(parent), headers_(headers), numberFrom_(numberFrom), numberTo_(numberTo)
{
}

void TableModel::setRows(QVector<QStringList> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return rows_.at(index.row()).value(index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignVCenter |
                   (index.column() >= numberFrom_ && index.column() < numberTo_ ? Qt::AlignRight : Qt::AlignLeft));
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headers_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace history
