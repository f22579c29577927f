#pragma once
// What the grids' models share: one editable column, "Pal", no heading row,
// and a record selector (the vertical header) that marks the current row.

#include <QAbstractTableModel>

namespace rimario {

class ModeloColumnaPal : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 1; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return QStringLiteral("Pal");
        return section == filaMarcada() ? QStringLiteral("\u25B8") : QString();
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
    }

protected:
    // The row the record selector marks, or -1.
    virtual int filaMarcada() const = 0;
};

} // namespace rimario
