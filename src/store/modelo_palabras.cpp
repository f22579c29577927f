#include "modelo_palabras.h"

namespace rimario {

ModeloPalabras::ModeloPalabras(ListaPalabras &lista, QObject *parent)
    : QAbstractTableModel(parent), lista_(lista)
{
    connect(&lista_, &ListaPalabras::aPuntoDeReiniciar, this, [this] { beginResetModel(); });
    connect(&lista_, &ListaPalabras::reiniciada, this, [this] { endResetModel(); });
    // The list has already changed when these arrive; the grid only needs to
    // hear of the change, so a reset of the affected span suffices.
    connect(&lista_, &ListaPalabras::filaInsertada, this, [this](qsizetype pos) {
        beginInsertRows({}, int(pos), int(pos));
        endInsertRows();
    });
    connect(&lista_, &ListaPalabras::filaEliminada, this, [this](qsizetype pos) {
        beginRemoveRows({}, int(pos), int(pos));
        endRemoveRows();
    });
    connect(&lista_, &ListaPalabras::filaCambiada, this, [this](qsizetype desde, qsizetype hasta) {
        const int a = int(std::min(desde, hasta)), b = int(std::max(desde, hasta));
        emit dataChanged(index(a, 0), index(b, 0));
        emit headerDataChanged(Qt::Vertical, a, b);
    });
    connect(&lista_, &ListaPalabras::actualMovido, this, [this](qsizetype) {
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    });
}

int ModeloPalabras::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(lista_.tamano());
}

int ModeloPalabras::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ModeloPalabras::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= lista_.tamano())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return lista_.lexico().pal(index.row()).toString();
    return {};
}

QVariant ModeloPalabras::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return QStringLiteral("Pal");
    return section == lista_.actual() ? QStringLiteral("\u25B8") : QString();
}

Qt::ItemFlags ModeloPalabras::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool ModeloPalabras::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= lista_.tamano())
        return false;
    const QString nueva = value.toString();
    if (nueva == lista_.lexico().pal(index.row()))
        return false;
    try {
        const qsizetype pos = lista_.cambiarPal(index.row(), nueva);
        emit palabraEditada(int(pos));
    } catch (const ErrorAlmacen &e) {
        emit errorAlEscribir(e.mensaje());
        return false;
    }
    return true;
}

} // namespace rimario
