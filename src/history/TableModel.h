#pragma once
// A read-only table of texts for the history view's tables: one model, not
// a widget per row.

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

namespace history {

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Columns from numberFrom on hold numbers and are right-aligned, up to
    // numberTo (exclusive).
    TableModel(const QStringList &headers, int numberFrom, int numberTo, QObject *parent = nullptr);
    void setRows(QVector<QStringList> rows);
    const QVector<QStringList> &rows() const { return rows_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList headers_;
    int numberFrom_;
    int numberTo_;
    QVector<QStringList> rows_;
};

}  // namespace history
