#include "store/publicar.h"

#include "store/almacen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace rimario {

namespace {

// A name that is in use, even by a link to nothing.
bool ocupado(const QString &ruta)
{
    const QFileInfo info(ruta);
    return info.exists() || info.isSymLink();
}

// Gives 'desde' the name 'hacia' in one step unless 'hacia' exists. Returns 0,
// or errno (EEXIST when the name is taken).
int nombrarSinSobrescribir(const QString &desde, const QString &hacia)
{
    const QByteArray a = QFile::encodeName(desde), b = QFile::encodeName(hacia);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // File systems without that kind of rename: a hard link refuses an existing name too.
    if (::link(a.constData(), b.constData()) == 0) {
        ::unlink(a.constData());
        return 0;
    }
    if (errno == EEXIST || ocupado(hacia))
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

// Syncs the file's contents to disk. Returns 0 or errno.
int sincronizar(const QString &ruta)
{
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int rc = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return rc;
}

} // namespace

QString nombreTemporalJunto(const QString &ruta, QTemporaryFile *reservado)
{
    const QFileInfo info(ruta);
    QTemporaryFile propio;
    QTemporaryFile &t = reservado ? *reservado : propio;
    t.setFileTemplate(info.absoluteDir().filePath(
        QStringLiteral(".%1.%2.XXXXXX.tmp").arg(info.fileName()).arg(QCoreApplication::applicationPid())));
    if (!t.open())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se puede escribir en la carpeta de «%1».").arg(ruta), t.errorString());
    return t.fileName(); // 'propio' removes its empty file on leaving
}

void quitarTemporalesHuerfanos(const QString &ruta, bool todos)
{
    const QFileInfo info(ruta);
    const QDir carpeta = info.absoluteDir();
    const QString nombre = info.fileName();
    const QStringList restos = carpeta.entryList(
        {QStringLiteral(".%1.*.tmp*").arg(nombre), QStringLiteral("..%1.*.tmp*").arg(nombre)},
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &r : restos) {
        // ".<name>.<pid>.XXXXXX.tmp", or a temporary of such a temporary.
        const qsizetype desde = r.indexOf(nombre) + nombre.size() + 1;
        const qsizetype hasta = r.indexOf(u'.', desde);
        bool esNumero = false;
        const qint64 pid = hasta > desde ? r.mid(desde, hasta - desde).toLongLong(&esNumero) : 0;
        const bool muerto = esNumero && pid > 0 && pid <= INT_MAX && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
        if (todos || muerto)
            QFile::remove(carpeta.filePath(r));
    }
}

int publicar(const QString &temporal, const QString &destino)
{
    if (const int rc = sincronizar(temporal))
        return rc;
    if (const int rc = nombrarSinSobrescribir(temporal, destino))
        return rc;
    sincronizarCarpeta(destino);
    return 0;
}

void quitarConAnexos(const QString &ruta)
{
    for (const char *anexo : {"-journal", "-wal", "-shm", ""})
        QFile::remove(ruta + QLatin1String(anexo));
}

void sincronizarCarpeta(const QString &ruta)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(ruta).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace rimario
