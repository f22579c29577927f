#include "app/modelo_palabras.h"

namespace rimario {

ModeloPalabras::ModeloPalabras(ListaPalabras &lista, QObject *parent)
    : ModeloColumnaPal(parent), lista_(lista)
{
    connect(&lista_, &ListaPalabras::aPuntoDeReiniciar, this, [this] { beginResetModel(); });
    connect(&lista_, &ListaPalabras::reiniciada, this, [this] {
        marcada_ = lista_.actual();
        endResetModel();
    });
    // Each change is announced before the list makes it, so the grid's current
    // row and selection stay on the words they were on.
    connect(&lista_, &ListaPalabras::aPuntoDeInsertar, this,
            [this](qsizetype pos) { beginInsertRows({}, int(pos), int(pos)); });
    connect(&lista_, &ListaPalabras::filaInsertada, this, [this](qsizetype pos) {
        if (marcada_ >= pos)
            ++marcada_;
        endInsertRows();
    });
    connect(&lista_, &ListaPalabras::aPuntoDeEliminar, this,
            [this](qsizetype pos) { beginRemoveRows({}, int(pos), int(pos)); });
    connect(&lista_, &ListaPalabras::filaEliminada, this, [this](qsizetype pos) {
        if (marcada_ == pos)
            marcada_ = -1;
        else if (marcada_ > pos)
            --marcada_;
        endRemoveRows();
    });
    connect(&lista_, &ListaPalabras::aPuntoDeMover, this, [this](qsizetype desde, qsizetype antesDe) {
        moviendo_ = beginMoveRows({}, int(desde), int(desde), {}, int(antesDe));
    });
    connect(&lista_, &ListaPalabras::filaMovida, this, [this](qsizetype, qsizetype) {
        marcada_ = lista_.actual();
        if (moviendo_)
            endMoveRows();
        moviendo_ = false;
    });
    connect(&lista_, &ListaPalabras::palabraCambiada, this, [this](qsizetype pos) {
        const QModelIndex i = index(int(pos), 0);
        emit dataChanged(i, i);
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
        ListaPalabras::comprobarLargo(nueva);
        lista_.cambiarPal(index.row(), nueva);
    } catch (const ErrorAlmacen &e) {
        emit errorAlEscribir(e.mensaje());
        return false;
    }
    return true;
}

} // namespace rimario
