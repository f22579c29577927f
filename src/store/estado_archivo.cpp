// The state of the store file: its header, the index of its write-ahead
// log, the fingerprint a read is taken under (Huella), and telling this
// program's own commits from another program's.

#include "store/almacen.h"

#include "store/almacen_interno.h"
#include "store/sentencia.h"

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>

#include <sqlite3.h>

#include <sys/stat.h>

namespace rimario {

Almacen::Cabecera Almacen::leerCabecera() const
{
    sqlite3_file *archivo = nullptr;
    unsigned char cab[28] = {};
    Cabecera c;
    c.leida = sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &archivo) == SQLITE_OK && archivo
        && archivo->pMethods && archivo->pMethods->xRead(archivo, cab, sizeof cab, 0) == SQLITE_OK;
    if (!c.leida)
        return c;
    // The versions to read and write the file with: 2 for a write-ahead log.
    c.registro = cab[18] == 2 || cab[19] == 2;
    c.cambios = quint32(cab[24]) << 24 | quint32(cab[25]) << 16 | quint32(cab[26]) << 8 | cab[27];
    return c;
}

std::optional<std::array<uint32_t, 6>> Almacen::leerRegistro() const
{
    // The index of the log (SQLite's "-shm"), as this connection has it mapped
    // while it reads: its header twice, the second copy written first, then
    // the first, with its own sum over the rest; read as the engine reads it,
    // and taken only when both copies agree and the sum holds. A header the
    // connection maps but may not write is not trusted: the engine then reads
    // the log itself and the index may be behind it.
    sqlite3_file *archivo = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &archivo) != SQLITE_OK || !archivo
        || !archivo->pMethods || archivo->pMethods->iVersion < 2)
        return std::nullopt;
    constexpr int kRegion = 32768; // the engine's size of a region of the index
    volatile void *region = nullptr;
    if (archivo->pMethods->xShmMap(archivo, 0, kRegion, 0, &region) != SQLITE_OK || !region)
        return std::nullopt;
    const auto *bytes = static_cast<const volatile unsigned char *>(region);
    constexpr size_t kCopia = 48;
    unsigned char primera[kCopia], segunda[kCopia];
    for (size_t i = 0; i < kCopia; ++i)
        primera[i] = bytes[i];
    archivo->pMethods->xShmBarrier(archivo);
    for (size_t i = 0; i < kCopia; ++i)
        segunda[i] = bytes[kCopia + i];
    if (std::memcmp(primera, segunda, kCopia) != 0)
        return std::nullopt;
    uint32_t v[kCopia / 4];
    std::memcpy(v, primera, kCopia);
    constexpr uint32_t kVersionIndice = 3007000;
    if (v[0] != kVersionIndice || primera[12] != 1) // its version; made
        return std::nullopt;
    uint32_t s1 = 0, s2 = 0;
    for (int i = 0; i < 10; i += 2) {
        s1 += v[i] + s2;
        s2 += v[i + 1] + s1;
    }
    if (s1 != v[10] || s2 != v[11])
        return std::nullopt;
    // The last frame committed, the pages, the frames' sum, the salts.
    return std::array<uint32_t, 6>{v[4], v[5], v[6], v[7], v[8], v[9]};
}

std::optional<Almacen::Estado> Almacen::leerEstado() const
{
    const Cabecera c = leerCabecera();
    if (!c.leida)
        return std::nullopt;
    Estado e;
    e.cambios = c.cambios;
    if (c.registro) {
        const auto r = leerRegistro();
        if (!r)
            return std::nullopt;
        e.registro = *r;
    }
    return e;
}

void Almacen::anotarPropia(const std::optional<Estado> &antes, qint64 version)
{
    // The state after the commit, read in a read of its own; the data version,
    // read after that, tells whether another program committed since the
    // commit began: then the state read may be that program's, and the run
    // ends here.
    std::optional<Estado> ahora;
    if (ejecutarSql(db_, "BEGIN") == SQLITE_OK) {
        Sentencia s(db_, kLeerContador);
        if (s.ok() && s.paso() == SQLITE_ROW)
            ahora = leerEstado();
        ejecutarSql(db_, "COMMIT");
    }
    if (!antes || !ahora || version < 0 || versionDatos() != version) {
        propias_.clear();
        return;
    }
    if (propias_.empty() || propias_.back() != *antes)
        propias_.assign(1, *antes);
    if (*ahora != *antes)
        propias_.push_back(*ahora);
    constexpr size_t kMaximo = 4096; // the oldest go: a list loaded before them is read again
    if (propias_.size() > kMaximo)
        propias_.erase(propias_.begin(), propias_.begin() + kMaximo / 2);
}

bool Almacen::soloEscriturasPropias(const Huella &antes, const Huella &ahora) const
{
    if (!antes.leida || !ahora.leida || antes.archivo.dispositivo != ahora.archivo.dispositivo
        || antes.archivo.nodo != ahora.archivo.nodo
        || antes.formato != ahora.formato || antes.colacion != ahora.colacion)
        return false;
    if (antes == ahora)
        return true;
    const Estado desde{antes.cambios, antes.registro}, hasta{ahora.cambios, ahora.registro};
    return !propias_.empty() && propias_.back() == hasta
        && std::find(propias_.begin(), propias_.end(), desde) != propias_.end();
}

Huella Almacen::huella() const
{
    return leerFijo({});
}

Huella Almacen::leerFijo(const std::function<void()> &leer) const
{
    const QString que = QStringLiteral("No se pudo leer la lista de palabras");
    const PlazoDeEspera plazo;
    // Keys are made first: that is a write, which a read cannot hold.
    if (hayClavesPendientes())
        repararClaves();
    const bool propia = sqlite3_get_autocommit(db_) != 0;
    bool abierta = false;
    const auto terminar = [&] {
        if (abierta)
            ejecutarSql(db_, "COMMIT");
        abierta = false;
    };
    const auto fin = qScopeGuard(terminar);
    const auto empezar = [&] {
        if (propia) {
            ejecutar("BEGIN");
            abierta = true;
        }
        // The first read takes the lock (and rolls back what a program that
        // died while writing left): from here on nobody changes the file.
        Sentencia s(db_, kLeerContador);
        if (!s.ok())
            fallo(que, s.rc());
        if (const int rc = s.paso(); rc != SQLITE_ROW && rc != SQLITE_DONE)
            fallo(que, rc);
    };
    Huella h;
    // With a write-ahead log, other programs commit while this reads, and the
    // index of the log tells the newest state, not the one this read took:
    // they are the same when the index said the same in a read before this
    // one (which began after it) and now. Tried again a few times while other
    // programs write; otherwise the state is not known.
    Cabecera c;
    bool fijo = false;
    std::optional<std::array<uint32_t, 6>> antes;
    empezar();
    for (int intento = 0;; ++intento) {
        c = leerCabecera();
        if (!c.registro) {
            fijo = true;
            break;
        }
        const auto ahora = leerRegistro();
        if (ahora && antes == ahora) {
            h.registro = *ahora;
            fijo = true;
            break;
        }
        if (!propia || !ahora || intento == 3)
            break;
        antes = ahora;
        terminar();
        empezar();
    }
    h.formato = formato_;
    {
        Sentencia s(db_, "PRAGMA schema_version");
        if (s.ok() && s.paso() == SQLITE_ROW)
            h.diario.esquema = uint32_t(s.entero(0));
    }
    if (formato_ >= 4) {
        Sentencia s(db_, "SELECT (SELECT Valor FROM Meta WHERE Clave = 'diario'), Sec, Azar FROM "
                         "(SELECT 0 AS Sec, 0 AS Azar UNION ALL SELECT * FROM "
                         "(SELECT Sec, Azar FROM Cambios ORDER BY Sec DESC LIMIT 1)) ORDER BY Sec DESC LIMIT 1");
        if (s.ok() && s.paso() == SQLITE_ROW)
            h.diario = {s.entero(0), s.entero(1), s.entero(2), h.diario.esquema};
    }
    h.colacion = colador_.version().toStdU16String();
    Colador::archivosIcu(h.icu);
    h.cambios = c.cambios;
    {
        Sentencia s(db_, "PRAGMA page_count");
        if (s.ok() && s.paso() == SQLITE_ROW)
            h.paginas = quint32(s.entero(0));
    }
    // By name, not by a descriptor of our own: closing one would drop the
    // engine's locks on the file.
    struct stat st;
    if (c.leida && fijo && ::stat(QFile::encodeName(ruta_).constData(), &st) == 0) {
        h.leida = true;
        h.archivo = identidadDe(st);
    }
    if (leer)
        leer();
    return h;
}

} // namespace rimario
