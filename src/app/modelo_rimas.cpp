#include "app/modelo_rimas.h"

#include "lista/lista_palabras.h"

namespace rimario {

ModeloRimas::ModeloRimas(ListaPalabras &lista, QObject *parent) : ModeloColumnaPal(parent), lista_(lista)
{
    // A word edited here, in another result or in the word list is shown as
    // stored on every row of it; the rows keep their places.
    connect(&lista_, &ListaPalabras::palabraCambiada, this, [this](qsizetype pos) {
        const qint64 id = lista_.lexico().id(pos);
        const QString pal = lista_.lexico().pal(pos).toString();
        for (qsizetype i = 0; i < resultado_.tamano(); ++i) {
            if (resultado_.id(i) != id)
                continue;
            resultado_.cambiarPal(i, pal);
            const QModelIndex m = index(int(i), 0);
            emit dataChanged(m, m);
        }
    });
}

void ModeloRimas::poner(ResultadoRima resultado)
{
    beginResetModel();
    resultado_ = std::move(resultado);
    actual_ = resultado_.vacio() ? -1 : 0;
    endResetModel();
}

int ModeloRimas::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(resultado_.tamano());
}

QVariant ModeloRimas::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= resultado_.tamano())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return resultado_.pal(index.row()).toString();
    return {};
}

void ModeloRimas::ponerFilaActual(int fila)
{
    const int antes = actual_;
    actual_ = fila;
    if (antes >= 0 && antes < rowCount())
        emit headerDataChanged(Qt::Vertical, antes, antes);
    if (fila >= 0 && fila < rowCount())
        emit headerDataChanged(Qt::Vertical, fila, fila);
}

bool ModeloRimas::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= resultado_.tamano())
        return false;
    const QString nueva = value.toString();
    if (nueva == resultado_.pal(index.row()))
        return false;
    try {
        ListaPalabras::comprobarLargo(nueva);
        const qsizetype pos = lista_.lexico().posicionDeId(resultado_.id(index.row()));
        if (pos < 0)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                               QStringLiteral("La palabra «%1» ya no está en el almacén.")
                                   .arg(resultado_.pal(index.row())));
        lista_.cambiarPal(pos, nueva);
    } catch (const ErrorAlmacen &e) {
        emit errorAlEscribir(e.mensaje());
        return false;
    }
    return true;
}

} // namespace rimario
