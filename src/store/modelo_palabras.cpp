#include "modelo_palabras.h"

namespace rimario {

ModeloPalabras::ModeloPalabras(ListaPalabras &lista, QObject *parent)
    : ModeloColumnaPal(parent), lista_(lista)
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
    connect(&lista_, &ListaPalabras::actualMovido, this, [this](qsizetype pos) {
        // Only the selector's old and new rows change.
        for (const qsizetype fila : {marcada_, pos})
            if (fila >= 0 && fila < rowCount())
                emit headerDataChanged(Qt::Vertical, int(fila), int(fila));
        marcada_ = pos;
    });
}

int ModeloPalabras::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(lista_.tamano());
}

QVariant ModeloPalabras::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= lista_.tamano())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return lista_.lexico().pal(index.row()).toString();
    return {};
}

int ModeloPalabras::filaMarcada() const
{
    return int(lista_.actual());
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
