#include "store/access/conversion_access.h"

#include "store/access/lector_access.h"
#include "store/publicar.h"
#include "language/numeros.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rimario {

namespace {

constexpr qint64 kPasoProgreso = 1000;

[[noreturn]] void fallar(const QString &mensaje)
{
    throw ErrorAlmacen(ErrorAlmacen::Tipo::General, mensaje);
}

QString textoError(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

// A file of ours under a temporary name, removed (with SQLite's side files)
// unless kept.
class Temporal {
public:
    explicit Temporal(QString ruta) : ruta_(std::move(ruta)) {}
    ~Temporal()
    {
        if (!ruta_.isEmpty())
            quitarConAnexos(ruta_);
    }
    Temporal(const Temporal &) = delete;
    Temporal &operator=(const Temporal &) = delete;
    const QString &ruta() const { return ruta_; }
    void conservar() { ruta_.clear(); }

private:
    QString ruta_;
};

// What the Access file is, for the name of its copy.
QString tipoAccess(const QString &ruta)
{
    QFile f(ruta);
    const QByteArray cab = f.open(QIODevice::ReadOnly) ? f.read(0x15) : QByteArray();
    static const char *const kTipos[] = {"access97", "access2000", "access2007", "access2010",
                                         "access2013", "access2016", "access2019"};
    const int version = cab.size() > 0x14 ? static_cast<unsigned char>(cab.at(0x14)) : -1;
    return QLatin1String(version >= 0 && version < 7 ? kTipos[version] : "access");
}

// A full copy of 'ruta' under a temporary name beside it, on disk when this returns.
QString copiar(const QString &ruta)
{
    QFile origen(ruta);
    QTemporaryFile copia;
    const QString nombre = nombreTemporalJunto(ruta, &copia);
    if (!origen.open(QIODevice::ReadOnly))
        fallar(QStringLiteral("No se puede leer «%1» (%2).").arg(ruta, origen.errorString()));
    while (!origen.atEnd()) {
        const QByteArray trozo = origen.read(1 << 20);
        if (trozo.isEmpty() || copia.write(trozo) != trozo.size())
            fallar(QStringLiteral("No se pudo copiar «%1» (%2).")
                       .arg(ruta, trozo.isEmpty() ? origen.errorString() : copia.errorString()));
    }
    if (!copia.flush() || ::fsync(copia.handle()) != 0)
        fallar(QStringLiteral("No se pudo copiar «%1» (%2).").arg(ruta, copia.errorString()));
    copia.setPermissions(origen.permissions());
    copia.setAutoRemove(false);
    return nombre;
}

// Keeps the file at 'ruta' also under the first free name of the form
// "<name>.<tipo>[-N].<ext>"; never overwrites. Returns that name.
QString guardarCopia(const QString &ruta, const QString &tipo)
{
    const QFileInfo info(ruta);
    const QString sufijo = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    std::optional<Temporal> copia; // only where the file system has no hard links
    for (int n = 1; n < 10000;) {
        const QString nombre = info.absoluteDir().filePath(
            info.completeBaseName() + QLatin1Char('.') + tipo
            + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + sufijo);
        int rc;
        if (!copia) {
            rc = ::link(QFile::encodeName(ruta).constData(), QFile::encodeName(nombre).constData()) == 0 ? 0 : errno;
            if (rc != 0 && rc != EEXIST) {
                copia.emplace(copiar(ruta));
                continue;
            }
            if (rc == 0)
                sincronizarCarpeta(nombre);
        } else {
            rc = publicar(copia->ruta(), nombre);
        }
        if (rc == 0) {
            if (copia)
                copia->conservar();
            return nombre;
        }
        if (rc != EEXIST)
            fallar(QStringLiteral("No se pudo guardar la copia «%1» (%2).").arg(nombre, textoError(rc)));
        ++n;
    }
    fallar(QStringLiteral("No se pudo guardar una copia de «%1»: hay demasiadas copias anteriores.").arg(ruta));
}

} // namespace

qint64 convertirAccess(const QString &origen, const QString &destino, const Progreso &progreso)
{
    quitarTemporalesHuerfanos(destino);
    if (QFileInfo::exists(destino))
        fallar(QStringLiteral("«%1» ya existe: no se sobrescribe.").arg(destino));
    LectorAccess lector(origen);
    const qint64 total = lector.filasDeclaradas();
    Temporal temporal(nombreTemporalJunto(destino));
    qint64 escritas = 0;
    {
        auto almacen = Almacen::crear(temporal.ruta());
        Almacen::Lote lote(*almacen);
        if (progreso)
            progreso(0, total);
        lector.recorrer([&](const Fila &f) {
            lote.insertar(f);
            if (++escritas % kPasoProgreso == 0 && progreso)
                progreso(escritas, total);
        });
        if (escritas != total)
            fallar(QStringLiteral("En «%1» se leyeron %2 filas de la tabla «Palabras», pero la tabla dice "
                                  "tener %3: el archivo puede estar dañado. No se ha convertido nada.")
                       .arg(origen, numeroEscrito(escritas), numeroEscrito(total)));
        lote.confirmar();
    }
    {
        // Read back what was written before it takes its name.
        auto escrito = Almacen::abrir(temporal.ruta(), true);
        const QString integridad = escrito->comprobarIntegridad();
        if (escrito->contarFilas() != total || !integridad.isEmpty())
            fallar(QStringLiteral("El almacén convertido de «%1» no se pudo comprobar (%2 filas de %3%4). "
                                  "No se ha convertido nada.")
                       .arg(origen, numeroEscrito(escrito->contarFilas()), numeroEscrito(total),
                            integridad.isEmpty() ? QString() : QStringLiteral("; ") + integridad));
    }
    const int rc = publicar(temporal.ruta(), destino);
    if (rc == EEXIST)
        fallar(QStringLiteral("«%1» ya existe: no se sobrescribe.").arg(destino));
    if (rc != 0)
        fallar(QStringLiteral("No se pudo dejar el almacén en «%1» (%2).").arg(destino, textoError(rc)));
    temporal.conservar();
    if (progreso)
        progreso(total, total);
    return escritas;
}

QString convertirAlAbrir(const QString &ruta, const Progreso &progreso, const std::function<void()> &esperando)
{
    if (!Almacen::pareceAccess(ruta))
        return {};
    // One conversion at a time: the lock is on the Access file itself, which
    // keeps its inode under the copy's name when the store takes 'ruta'.
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    const auto cerrar = qScopeGuard([fd] { ::close(fd); });
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (esperando)
            esperando();
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    struct stat bloqueado, ahora;
    if (::fstat(fd, &bloqueado) != 0 || ::stat(QFile::encodeName(ruta).constData(), &ahora) != 0
        || bloqueado.st_ino != ahora.st_ino || bloqueado.st_dev != ahora.st_dev || !Almacen::pareceAccess(ruta))
        return {}; // another program converted it meanwhile
    // Left by a conversion that was stopped by force (only one runs: this one).
    quitarTemporalesHuerfanos(ruta, true);
    // The steps keep 'ruta' whole at every moment, whatever stops the program:
    // 1. the store is written and read back under a temporary name;
    // 2. the original also takes the copy's name: a hard link (or, where the
    //    file system has none, a full copy synced to disk) that never
    //    overwrites an existing file;
    // 3. the store is renamed over 'ruta', which is one step.
    // Stopped before 3, 'ruta' is still the Access file (with at most a spare
    // copy and a temporary file beside it); after 3 it is the complete store
    // and the original lies under the copy's name.
    Temporal nuevo(nombreTemporalJunto(ruta));
    convertirAccess(ruta, nuevo.ruta(), progreso);
    // Protection carried over: a file that could not be written stays so.
    ::chmod(QFile::encodeName(nuevo.ruta()).constData(), bloqueado.st_mode & 07777);
    const QString copia = guardarCopia(ruta, tipoAccess(ruta));
    if (::rename(QFile::encodeName(nuevo.ruta()).constData(), QFile::encodeName(ruta).constData()) != 0) {
        const int e = errno;
        QFile::remove(copia); // a second name of the untouched original
        fallar(QStringLiteral("No se pudo poner el almacén convertido en lugar de «%1» (%2).").arg(ruta, textoError(e)));
    }
    nuevo.conservar();
    sincronizarCarpeta(ruta);
    return copia;
}

} // namespace rimario
