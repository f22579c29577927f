#include "lista/lista_palabras.h"

#include "language/caracteres.h"
#include "language/numeros.h"
#include "language/vocales.h"
#include "lista/instantanea.h"
#include "lista/turno.h"

#include <QFile>
#include <QScopeGuard>

namespace rimario {

ListaPalabras::ListaPalabras(Almacen &almacen, QObject *parent)
    : QObject(parent), almacen_(almacen), lexico_(almacen.colador())
{
}

ListaPalabras::~ListaPalabras()
{
    pararComprobacion();
}

void ListaPalabras::pararComprobacion()
{
    if (!comprobador_.joinable())
        return;
    pararComprobacion_ = true;
    turnoComprobacion_->dar();
    comprobador_.join();
    pararComprobacion_ = false;
}

void ListaPalabras::empezar()
{
    lexico_.empezar();
    if (turnoComprobacion_)
        turnoComprobacion_->dar();
}

void ListaPalabras::comprobarInstantanea()
{
    auto comprobar = lexico_.comprobacionDeInstantanea();
    if (!comprobar)
        return;
    turnoComprobacion_ = std::make_shared<Turno>();
    comprobador_ = std::thread([this, comprobar = std::move(comprobar), carga = carga_, turno = turnoComprobacion_] {
        turno->esperar();
        if (!comprobar(pararComprobacion_) && !pararComprobacion_)
            QMetaObject::invokeMethod(this, [this, carga] { instantaneaDanada(carga); }, Qt::QueuedConnection);
    });
}

void ListaPalabras::instantaneaDanada(unsigned carga)
{
    if (carga != carga_)
        return; // read again since
    QFile::remove(rutaInstantanea(almacen_.ruta()));
    versionLeida_ = -1;
    const PlazoDeEspera plazo;
    try {
        sincronizar();
        emit actualMovido(actual_);
    } catch (const ErrorAlmacen &e) {
        emit errorAlReleer(e.mensaje());
    }
}

static ErrorAlmacen sinActual()
{
    return ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("No hay ninguna palabra seleccionada."));
}

QString ListaPalabras::palActual() const
{
    if (!hayActual())
        throw sinActual();
    return lexico_.pal(actual_).toString();
}

std::optional<QString> ListaPalabras::sigActual() const
{
    if (!hayActual())
        throw sinActual();
    return almacen_.sig(lexico_.id(actual_));
}

qint64 ListaPalabras::idActual() const
{
    if (!hayActual())
        throw sinActual();
    return lexico_.id(actual_);
}

void ListaPalabras::releer()
{
    const PlazoDeEspera plazo;
    // A store another program holds fails here, the list as it was.
    const qint64 version = almacen_.versionDatos();
    emit aPuntoDeReiniciar();
    pararComprobacion();
    ++carga_;
    try {
        lexico_.cargar(almacen_);
    } catch (...) {
        actual_ = kNinguna;
        emit reiniciada();
        throw;
    }
    comprobarInstantanea();
    versionLeida_ = version;
    actual_ = lexico_.vacio() ? kNinguna : 0;
    emit reiniciada();
}

void ListaPalabras::sincronizar()
{
    // Another program may have written to the file: read it again before
    // relying on what is held.
    if (versionLeida_ < 0 || almacen_.versionDatos() != versionLeida_) {
        const qint64 id = hayActual() ? lexico_.id(actual_) : -1;
        releer();
        if (id >= 0) {
            const qsizetype p = lexico_.posicionDeId(id);
            if (p >= 0)
                actual_ = p;
        }
    }
}

void ListaPalabras::refrescar()
{
    const PlazoDeEspera plazo;
    if (versionLeida_ < 0 || almacen_.versionDatos() != versionLeida_)
        releer();
    actual_ = lexico_.vacio() ? kNinguna : 0;
    emit actualMovido(actual_);
}

bool ListaPalabras::buscarPrefijo(QStringView texto)
{
    const PlazoDeEspera plazo;
    sincronizar();
    const qsizetype p = lexico_.buscarPrefijo(texto);
    if (p < 0)
        return false;
    actual_ = p;
    emit actualMovido(p);
    return true;
}

bool ListaPalabras::buscarIgual(QStringView palabra)
{
    const PlazoDeEspera plazo;
    sincronizar();
    const qsizetype p = lexico_.buscarIgual(palabra);
    if (p < 0)
        return false;
    actual_ = p;
    emit actualMovido(p);
    return true;
}

void ListaPalabras::irA(qsizetype pos)
{
    actual_ = (pos >= 0 && pos < lexico_.tamano()) ? pos : kNinguna;
    emit actualMovido(actual_);
}

qsizetype ListaPalabras::anadir(const QString &pal, const QString &voc, const std::optional<QString> &sig)
{
    qsizetype existente = kNinguna;
    qint64 id = 0;
    alDia([&] {
        existente = lexico_.buscarIgual(pal);
        if (existente >= 0)
            almacen_.cambiarSig(lexico_.id(existente), sig);
        else
            id = almacen_.anadir(pal, voc, sig);
    });
    if (existente >= 0)
        return existente;
    return insertada(id, pal, voc);
}

qsizetype ListaPalabras::reponer(const QString &pal, const QString &voc, const std::optional<QString> &sig)
{
    qint64 id = 0;
    alDia([&] { id = almacen_.anadir(pal, voc, sig); });
    return insertada(id, pal, voc);
}

qsizetype ListaPalabras::insertada(qint64 id, const QString &pal, const QString &voc)
{
    emit aPuntoDeInsertar(lexico_.posicionDeInsercion(pal, id));
    const qsizetype pos = lexico_.insertar(id, pal, voc);
    if (actual_ >= pos)
        ++actual_;
    emit filaInsertada(pos);
    return pos;
}

qsizetype ListaPalabras::cambiarSig(qsizetype pos, const std::optional<QString> &sig)
{
    if (pos < 0 || pos >= lexico_.tamano())
        throw sinActual();
    // The row chosen, wherever the list read again puts it.
    const qint64 id = lexico_.id(pos);
    alDia([&] { almacen_.cambiarSig(id, sig); });
    return pos < lexico_.tamano() && lexico_.id(pos) == id ? pos : lexico_.posicionDeId(id);
}

qsizetype ListaPalabras::archivar(const QString &pal, const QString &sig)
{
    const PlazoDeEspera plazo;
    qsizetype pos;
    if (buscarIgual(pal)) {
        pos = cambiarSig(actual_, sig);
    } else {
        comprobarLargo(pal);
        pos = anadir(pal, ExtraeVocales(pal), sig);
    }
    irA(pos);
    return pos;
}

void ListaPalabras::comprobarLargo(QStringView pal)
{
    if (demasiadoLarga(pal))
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("Una palabra no puede tener más de %1 caracteres, y esta tiene %2: "
                                          "no se ha guardado.")
                               .arg(kMaxCaracteresPalabra)
                               .arg(numeroEscrito(numeroDeCaracteres(pal))));
}

qsizetype ListaPalabras::cambiarPal(qsizetype pos, const QString &pal)
{
    if (pos < 0 || pos >= lexico_.tamano())
        throw sinActual();
    if (pal.trimmed().isEmpty())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("Una palabra no puede quedar vacía: «%1» se conserva como estaba.")
                               .arg(lexico_.pal(pos).left(80)));
    const qint64 id = lexico_.id(pos);
    const QString antes = lexico_.pal(pos).toString();
    almacen_.cambiarPal(id, pal);
    // Where the row goes, counted with it still in its old place; right
    // before or after itself is no move at all.
    const qsizetype antesDe = lexico_.posicionDeInsercion(pal, id);
    const bool mueve = antesDe != pos && antesDe != pos + 1;
    const qsizetype prevista = antesDe > pos ? antesDe - 1 : antesDe;
    if (mueve)
        emit aPuntoDeMover(pos, antesDe);
    auto seguir = [this](qsizetype desde, qsizetype hasta) {
        if (actual_ == desde)
            actual_ = hasta;
        else if (actual_ >= 0) {
            if (desde < actual_ && hasta >= actual_)
                --actual_;
            else if (desde > actual_ && hasta <= actual_)
                ++actual_;
        }
    };
    const qsizetype nueva = lexico_.cambiar(pos, pal, ExtraeVocales(pal));
    const qsizetype hecha = mueve ? prevista : pos;
    seguir(pos, hecha);
    if (mueve)
        emit filaMovida(pos, hecha);
    if (nueva != hecha) {
        // Not where the list's order said: the views follow it there too.
        emit aPuntoDeMover(hecha, nueva > hecha ? nueva + 1 : nueva);
        seguir(hecha, nueva);
        emit filaMovida(hecha, nueva);
    }
    emit renombrada(id, antes, pal);
    emit palabraCambiada(nueva);
    return nueva;
}

void ListaPalabras::alDia(const std::function<void()> &escribir)
{
    const PlazoDeEspera plazo;
    for (int intento = 0;; ++intento) {
        sincronizar();
        almacen_.exigirVersion(versionLeida_);
        const auto libre = qScopeGuard([this] { almacen_.exigirVersion(-1); });
        try {
            escribir();
            return;
        } catch (const ErrorAlmacen &e) {
            if (e.tipo() != ErrorAlmacen::Tipo::Cambiado || intento >= 20)
                throw;
        }
    }
}

void ListaPalabras::eliminarActual()
{
    if (!hayActual())
        throw sinActual();
    // The row the user chose, even when another program's changes move it
    // in the list read again, or removed it.
    const qint64 id = lexico_.id(actual_);
    const QString pal = lexico_.pal(actual_).toString();
    const PlazoDeEspera plazo;
    sincronizar();
    const qsizetype pos = lexico_.posicionDeId(id);
    if (pos < 0) {
        actual_ = kNinguna;
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudo eliminar «%1»: la palabra ya no está en el almacén.")
                               .arg(pal.left(80)));
    }
    almacen_.eliminar(id);
    actual_ = kNinguna;
    emit aPuntoDeEliminar(pos);
    lexico_.eliminar(pos);
    emit filaEliminada(pos);
}

} // namespace rimario
