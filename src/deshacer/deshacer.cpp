#include "deshacer/deshacer.h"

#include <QScopedValueRollback>

namespace rimario {

namespace {
QString corta(const QString &pal)
{
    return pal.size() > 40 ? pal.left(39) + QStringLiteral("…") : pal;
}
} // namespace

Deshacer::Deshacer(ListaPalabras &lista, QObject *parent) : QObject(parent), lista_(lista)
{
    connect(&lista_, &ListaPalabras::renombrada, this, [this](qint64 id, const QString &antes, const QString &ahora) {
        if (!deshaciendo_ && antes != ahora)
            guardar({Tipo::Renombrada, id, ahora, antes, {}, {}});
    });
}

void Deshacer::guardar(Cambio c)
{
    if (cambios_.size() >= kMaximo)
        cambios_.erase(cambios_.begin());
    cambios_.push_back(std::move(c));
}

void Deshacer::eliminarActual()
{
    // The row as the store holds it, to be written again.
    std::optional<Fila> fila = lista_.hayActual() ? lista_.almacen().fila(lista_.idActual()) : std::nullopt;
    lista_.eliminarActual();
    if (fila && fila->pal)
        guardar({Tipo::Eliminada, 0, *fila->pal, {}, fila->voc.value_or(QString()), fila->sig});
}

qsizetype Deshacer::archivar(const QString &pal, const QString &sig)
{
    // The word found as archiving finds it (the list brought up to date
    // first), and the definition it has, Null included.
    const bool habia = lista_.buscarIgual(pal);
    const qint64 idAntes = habia ? lista_.idActual() : -1;
    const std::optional<QString> anterior = habia ? lista_.almacen().sig(idAntes) : std::nullopt;
    const qsizetype filas = lista_.tamano();
    const qsizetype pos = lista_.archivar(pal, sig);
    const qint64 id = lista_.lexico().id(pos);
    const QString escrita = lista_.lexico().pal(pos).toString();
    if (id == idAntes)
        guardar({Tipo::Archivada, id, escrita, {}, {}, anterior});
    else if (!habia && lista_.tamano() == filas + 1)
        guardar({Tipo::Anadida, id, escrita, {}, {}, {}});
    // else: another program wrote the word meanwhile; what it replaced is not known here.
    return pos;
}

QString Deshacer::descripcion() const
{
    if (cambios_.empty())
        return QString();
    const Cambio &c = cambios_.back();
    switch (c.tipo) {
    case Tipo::Renombrada: return QStringLiteral("Deshacer «%1» → «%2»").arg(corta(c.pal), corta(c.antes));
    case Tipo::Eliminada: return QStringLiteral("Deshacer la eliminación de «%1»").arg(corta(c.pal));
    case Tipo::Archivada: return QStringLiteral("Deshacer el archivo de la definición de «%1»").arg(corta(c.pal));
    case Tipo::Anadida: return QStringLiteral("Deshacer el archivo de «%1» (palabra nueva)").arg(corta(c.pal));
    }
    return QString();
}

qsizetype Deshacer::posicionDe(const Cambio &c)
{
    const qsizetype pos = lista_.lexico().posicionDeId(c.id);
    if (pos < 0) {
        cambios_.pop_back();
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se puede deshacer el cambio de «%1»: la palabra ya no está en el almacén.")
                               .arg(corta(c.pal)));
    }
    return pos;
}

void Deshacer::deshacer()
{
    if (cambios_.empty())
        return;
    const QScopedValueRollback<bool> guarda(deshaciendo_, true);
    const Cambio c = cambios_.back();
    switch (c.tipo) {
    case Tipo::Renombrada:
        lista_.irA(lista_.cambiarPal(posicionDe(c), c.antes));
        break;
    case Tipo::Eliminada:
        lista_.irA(lista_.reponer(c.pal, c.voc, c.sig));
        break;
    case Tipo::Archivada: {
        lista_.irA(lista_.cambiarSig(posicionDe(c), c.sig));
        break;
    }
    case Tipo::Anadida:
        lista_.irA(posicionDe(c));
        lista_.eliminarActual();
        break;
    }
    cambios_.pop_back();
}

} // namespace rimario
