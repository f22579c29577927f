#include "store/almacen.h"

#include "language/silabas.h"
#include "language/vocales.h"
#include "store/sentencia.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>

#include <climits>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rimario {

namespace {

constexpr int kIdAplicacion = 0x52494D41; // "RIMA"
constexpr int kEsperaBloqueoMs = 5000;

// How long a read or write waits for another program to free the file:
// kEsperaBloqueoMs, unless RIMARIO_ESPERA_BLOQUEO_MS says otherwise (tests).
int esperaBloqueoMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("RIMARIO_ESPERA_BLOQUEO_MS", &ok);
    return ok && ms >= 0 ? ms : kEsperaBloqueoMs;
}

AvisoEspera &avisoEspera()
{
    static AvisoEspera aviso;
    return aviso;
}

// SQLite calls this while another program holds the lock: wait a little and
// try again, until the time is up or whoever is told of the wait gives up.
int alEsperar(void *, int veces)
{
    constexpr int kPausaMs = 20;
    thread_local QElapsedTimer reloj;
    if (veces == 0)
        reloj.start();
    const int esperado = int(std::min<qint64>(reloj.elapsed(), INT_MAX));
    if (esperado >= esperaBloqueoMs())
        return 0;
    if (const AvisoEspera &aviso = avisoEspera(); aviso && !aviso(esperado))
        return 0;
    sqlite3_sleep(kPausaMs);
    return 1;
}

// ---- schema of format 1
const char *const kEsquema = R"SQL(
CREATE TABLE PalabrasBase (
    Id    INTEGER PRIMARY KEY,
    Pal   TEXT,
    Voc   TEXT,
    Sig   TEXT,
    A2    INTEGER NOT NULL DEFAULT 0 CHECK (A2 IN (0, -1)),
    A3    INTEGER NOT NULL DEFAULT 0 CHECK (A3 IN (0, -1)),
    A4    INTEGER NOT NULL DEFAULT 0 CHECK (A4 IN (0, -1)),
    A5    INTEGER NOT NULL DEFAULT 0 CHECK (A5 IN (0, -1)),
    A6    INTEGER NOT NULL DEFAULT 0 CHECK (A6 IN (0, -1)),
    A7    INTEGER NOT NULL DEFAULT 0 CHECK (A7 IN (0, -1)),
    Sello INTEGER NOT NULL DEFAULT 0,
    Clave BLOB,
    Consonante TEXT,
    Asonante TEXT,
    Silabas INTEGER
);
CREATE TABLE Marcas (
    N     INTEGER PRIMARY KEY CHECK (N BETWEEN 2 AND 7),
    Gen   INTEGER NOT NULL DEFAULT 0,
    Fin   TEXT,
    Largo INTEGER
);
INSERT INTO Marcas (N) VALUES (2), (3), (4), (5), (6), (7);
CREATE TABLE Meta (
    Clave TEXT PRIMARY KEY,
    Valor
);
INSERT INTO Meta (Clave, Valor) VALUES ('contador', 0);
)SQL";

// Clave tells whether a row's keys are made: an empty blob when they are, Null
// when the row was written by another program and they are not yet (its rhyme
// keys are then Null too: the triggers leave them so). Up to format 2 it held
// the row's sort key, and three indexes carried it for the list order and the
// rhyme keys: the word list now makes its order and finds rhymes in memory,
// and keeps both between starts, so that the file holds the rows alone.
const char *const kIndices =
    "CREATE INDEX IF NOT EXISTS PalabrasBase_pendientes ON PalabrasBase (Id) WHERE Clave IS NULL;";

const char *const kDe2A3 = R"SQL(
DROP INDEX IF EXISTS PalabrasBase_orden;
DROP INDEX IF EXISTS PalabrasBase_consonante;
DROP INDEX IF EXISTS PalabrasBase_asonante;
UPDATE PalabrasBase SET Clave = X'' WHERE Clave IS NOT NULL;
)SQL";

// Format 1 had no rhyme keys.
const char *const kDe1A2 = R"SQL(
ALTER TABLE PalabrasBase ADD COLUMN Consonante TEXT;
ALTER TABLE PalabrasBase ADD COLUMN Asonante TEXT;
ALTER TABLE PalabrasBase ADD COLUMN Silabas INTEGER;
UPDATE PalabrasBase SET Consonante = clave_rima(Pal, 0), Asonante = clave_rima(Pal, 1),
    Silabas = clave_rima(Pal, 2);
)SQL";

// The mark of length n as the view computes it.
#define MARCA(n) \
    "CASE WHEN b.Sello >= m" #n ".Gen THEN b.A" #n \
    " WHEN m" #n ".Fin IS NOT NULL AND length(b.Voc) >= " #n " AND lower(substr(b.Voc, -" #n ")) = m" #n ".Fin" \
    " AND (m" #n ".Largo IS NULL OR length(b.Pal) = m" #n ".Largo) THEN -1 ELSE 0 END AS A" #n

const char *const kVista =
    "CREATE VIEW Palabras AS SELECT b.Id AS Id, b.Pal AS Pal, b.Voc AS Voc, b.Sig AS Sig, "
    MARCA(2) ", " MARCA(3) ", " MARCA(4) ", " MARCA(5) ", " MARCA(6) ", " MARCA(7)
    " FROM PalabrasBase b, Marcas m2, Marcas m3, Marcas m4, Marcas m5, Marcas m6, Marcas m7"
    " WHERE m2.N = 2 AND m3.N = 3 AND m4.N = 4 AND m5.N = 5 AND m6.N = 6 AND m7.N = 7;";
#undef MARCA

// Writes through the view (by other tools) keep the rules: a written row keeps
// the marks it was given. Its keys (Clave, Consonante, Asonante, Silabas) need
// functions of this program, which another program has not: such a row is left
// with Clave Null, meaning "no key is valid yet". Every read of this program
// finds these rows through the index on Clave (cheaply: they sort first) and
// makes their keys in the file, or, when the file cannot be written, in memory
// as it reads; a row with Clave Null is never taken by its stored rhyme keys.
const char *const kDisparadores = R"SQL(
CREATE TRIGGER Palabras_insertar INSTEAD OF INSERT ON Palabras BEGIN
    INSERT INTO PalabrasBase (Id, Pal, Voc, Sig, A2, A3, A4, A5, A6, A7, Sello, Clave)
    VALUES (NEW.Id, NEW.Pal, NEW.Voc, NEW.Sig,
            CASE WHEN coalesce(NEW.A2, 0) = 0 THEN 0 ELSE -1 END,
            CASE WHEN coalesce(NEW.A3, 0) = 0 THEN 0 ELSE -1 END,
            CASE WHEN coalesce(NEW.A4, 0) = 0 THEN 0 ELSE -1 END,
            CASE WHEN coalesce(NEW.A5, 0) = 0 THEN 0 ELSE -1 END,
            CASE WHEN coalesce(NEW.A6, 0) = 0 THEN 0 ELSE -1 END,
            CASE WHEN coalesce(NEW.A7, 0) = 0 THEN 0 ELSE -1 END,
            (SELECT Valor FROM Meta WHERE Clave = 'contador'), NULL);
END;
CREATE TRIGGER Palabras_cambiar INSTEAD OF UPDATE ON Palabras BEGIN
    UPDATE PalabrasBase SET Pal = NEW.Pal, Voc = NEW.Voc, Sig = NEW.Sig,
        A2 = CASE WHEN coalesce(NEW.A2, 0) = 0 THEN 0 ELSE -1 END,
        A3 = CASE WHEN coalesce(NEW.A3, 0) = 0 THEN 0 ELSE -1 END,
        A4 = CASE WHEN coalesce(NEW.A4, 0) = 0 THEN 0 ELSE -1 END,
        A5 = CASE WHEN coalesce(NEW.A5, 0) = 0 THEN 0 ELSE -1 END,
        A6 = CASE WHEN coalesce(NEW.A6, 0) = 0 THEN 0 ELSE -1 END,
        A7 = CASE WHEN coalesce(NEW.A7, 0) = 0 THEN 0 ELSE -1 END,
        Sello = (SELECT Valor FROM Meta WHERE Clave = 'contador'),
        Clave = CASE WHEN NEW.Pal IS OLD.Pal THEN Clave ELSE NULL END,
        Consonante = CASE WHEN NEW.Pal IS OLD.Pal THEN Consonante ELSE NULL END,
        Asonante = CASE WHEN NEW.Pal IS OLD.Pal THEN Asonante ELSE NULL END,
        Silabas = CASE WHEN NEW.Pal IS OLD.Pal THEN Silabas ELSE NULL END
    WHERE Id = OLD.Id;
END;
CREATE TRIGGER Palabras_eliminar INSTEAD OF DELETE ON Palabras BEGIN
    DELETE FROM PalabrasBase WHERE Id = OLD.Id;
END;
)SQL";

const char *const kTamanoCache = "PRAGMA cache_size = -16000";
const char *const kLeerTodas = "SELECT Id, Pal, Voc FROM PalabrasBase";
const char *const kLeerTodasConClaves =
    "SELECT Id, Pal, Voc, Clave IS NOT NULL, Consonante, Asonante, Silabas FROM PalabrasBase";
const char *const kLeerPendientes = "SELECT Id, Pal, Voc FROM PalabrasBase WHERE Clave IS NULL";
const char *const kHayPendientes = "SELECT 1 FROM PalabrasBase WHERE Clave IS NULL LIMIT 1";
const char *const kRepararClaves =
    "UPDATE PalabrasBase SET Clave = X'', Consonante = clave_rima(Pal, 0), "
    "Asonante = clave_rima(Pal, 1), Silabas = clave_rima(Pal, 2) WHERE Clave IS NULL";
const char *const kLeerSig = "SELECT Sig FROM PalabrasBase WHERE Id = ?1";
const char *const kLeerFila =
    "SELECT Id, Pal, Voc, Sig, A2, A3, A4, A5, A6, A7 FROM Palabras WHERE Id = ?1";
const char *const kContar = "SELECT count(*) FROM PalabrasBase";
const char *const kLeerReglas = "SELECT N, Gen, Fin, Largo FROM Marcas ORDER BY N";
const char *const kLeerContador = "SELECT Valor FROM Meta WHERE Clave = 'contador'";
const char *const kInsertar =
    "INSERT INTO PalabrasBase (Pal, Voc, Sig, A2, A3, A4, A5, A6, A7, Sello, Clave, Consonante, "
    "Asonante, Silabas) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, X'', ?12, ?13, ?14)";
const char *const kCambiarSig = "UPDATE PalabrasBase SET Sig = ?2 WHERE Id = ?1";
const char *const kCongelarMarcas =
    "UPDATE PalabrasBase SET (A2, A3, A4, A5, A6, A7) = "
    "(SELECT A2, A3, A4, A5, A6, A7 FROM Palabras WHERE Id = ?1), Sello = ?2 WHERE Id = ?1";
const char *const kCambiarPal =
    "UPDATE PalabrasBase SET Pal = ?2, Voc = ?3, Clave = X'', Consonante = ?5, Asonante = ?6, "
    "Silabas = ?7 WHERE Id = ?1";
const char *const kEliminar = "DELETE FROM PalabrasBase WHERE Id = ?1";
const char *const kMarcar = "UPDATE Marcas SET Gen = ?2, Fin = ?3, Largo = ?4 WHERE N = ?1";
const char *const kGuardarContador = "UPDATE Meta SET Valor = ?1 WHERE Clave = 'contador'";
const char *const kGuardarColacion =
    "INSERT OR REPLACE INTO Meta (Clave, Valor) VALUES ('colacion', ?1)";

QString mensajeMotor(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
}

ErrorAlmacen::Tipo tipoDe(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorAlmacen::Tipo::Ocupado;
    case SQLITE_READONLY: return ErrorAlmacen::Tipo::SoloLectura;
    case SQLITE_NOTADB: return ErrorAlmacen::Tipo::NoEsAlmacen;
    default: return ErrorAlmacen::Tipo::General;
    }
}

// A write transaction: begun at once (taking the write lock, waiting a bounded
// time for another program), rolled back unless committed.
class Escritura {
public:
    explicit Escritura(sqlite3 *db) : db_(db)
    {
        rc_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        abierta_ = rc_ == SQLITE_OK;
    }
    ~Escritura()
    {
        if (abierta_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    int rc() const { return rc_; }
    int confirmar()
    {
        rc_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc_ == SQLITE_OK)
            abierta_ = false;
        return rc_;
    }

private:
    sqlite3 *db_;
    int rc_;
    bool abierta_;
};

// The rhyme keys of a word, bound at 'primero' (consonant), +1 (assonant), +2 (syllables);
// Null for a word the rules cannot split.
void enlazarClavesRima(sqlite3_stmt *st, int primero, const AnalisisSilabico &a)
{
    if (!a.valido) {
        for (int i = 0; i < 3; ++i)
            sqlite3_bind_null(st, primero + i);
        return;
    }
    sqlite3_bind_text16(st, primero, a.claveConsonante.utf16(), int(a.claveConsonante.size() * 2),
                        SQLITE_TRANSIENT);
    sqlite3_bind_text16(st, primero + 1, a.claveAsonante.utf16(), int(a.claveAsonante.size() * 2),
                        SQLITE_TRANSIENT);
    sqlite3_bind_int(st, primero + 2, a.numSilabas());
}

void enlazarClavesRima(sqlite3_stmt *st, int primero, const std::optional<QString> &pal)
{
    enlazarClavesRima(st, primero, pal ? analizarPalabra(*pal) : AnalisisSilabico{});
}

// clave_rima(Pal, 0|1|2): consonant key, assonant key, number of syllables.
void funcionClaveRima(sqlite3_context *ctx, int, sqlite3_value **args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const void *p = sqlite3_value_text16(args[0]);
    const int n = sqlite3_value_bytes16(args[0]);
    const AnalisisSilabico a = analizarPalabra(QStringView(reinterpret_cast<const QChar *>(p), n / 2));
    if (!a.valido) {
        sqlite3_result_null(ctx);
        return;
    }
    switch (sqlite3_value_int(args[1])) {
    case 0:
        sqlite3_result_text16(ctx, a.claveConsonante.utf16(), int(a.claveConsonante.size() * 2), SQLITE_TRANSIENT);
        break;
    case 1:
        sqlite3_result_text16(ctx, a.claveAsonante.utf16(), int(a.claveAsonante.size() * 2), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_result_int(ctx, a.numSilabas());
    }
}

} // namespace

Almacen::Almacen(const QString &ruta) : ruta_(ruta) {}

Almacen::~Almacen()
{
    if (db_)
        sqlite3_close_v2(db_);
}

void Almacen::fallo(const QString &que, int rc) const
{
    QString m = que;
    const QString motor = mensajeMotor(db_);
    ErrorAlmacen::Tipo tipo = tipoDe(rc);
    const int base = rc & 0xff;
    // A file or folder protected after the store was opened fails as an
    // input/output error or as a journal that cannot be made.
    const bool protegido = base == SQLITE_READONLY
        || ((base == SQLITE_CANTOPEN || base == SQLITE_IOERR)
            && (soloLectura_ || !QFileInfo(ruta_).isWritable()
                || !QFileInfo(QFileInfo(ruta_).absolutePath()).isWritable()));
    if (protegido && !motivoSoloLectura_.isEmpty())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::SoloLectura, m + QStringLiteral(": ") + motivoSoloLectura_);
    if (base == SQLITE_BUSY || base == SQLITE_LOCKED) {
        m += QStringLiteral(": el almacén está en uso por otro programa y no quedó libre a tiempo. "
                            "Inténtelo de nuevo en un momento");
    } else if (protegido) {
        m += QStringLiteral(": el almacén solo se puede leer (el archivo o su carpeta están "
                            "protegidos contra escritura)");
        tipo = ErrorAlmacen::Tipo::SoloLectura;
    }
    if (!motor.isEmpty() && motor != QLatin1String("not an error"))
        m += QStringLiteral(" (%1)").arg(motor);
    throw ErrorAlmacen(tipo, m + QLatin1Char('.'));
}

void Almacen::ejecutar(const char *sql) const
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        fallo(QStringLiteral("Error del almacén de palabras"), rc);
}

void Almacen::ponerAvisoEspera(AvisoEspera aviso)
{
    avisoEspera() = std::move(aviso);
}

bool Almacen::esArchivoNormal(const QString &ruta)
{
    struct stat st;
    return ::stat(QFile::encodeName(ruta).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString Almacen::noEsArchivoNormal(const QString &ruta)
{
    struct stat st;
    if (::stat(QFile::encodeName(ruta).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("«%1» es una carpeta, no un almacén de palabras.").arg(ruta);
    return QStringLiteral("«%1» no es un archivo normal (es una tubería, un dispositivo o un socket): "
                          "no se puede usar como almacén de palabras.").arg(ruta);
}

bool Almacen::pareceAccess(const QString &ruta)
{
    // Opened without waiting: a pipe named like the store would block a plain open.
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    char cab[19];
    const bool es = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, cab, sizeof cab, 0) == sizeof cab
        && cab[0] == 0 && cab[1] == 1 && cab[2] == 0 && cab[3] == 0
        && (std::memcmp(cab + 4, "Standard Jet DB", 15) == 0 || std::memcmp(cab + 4, "Standard ACE DB", 15) == 0);
    ::close(fd);
    return es;
}

void Almacen::preparar()
{
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, alEsperar, nullptr);
    registrarFunciones();
    // Durable commits: a change is on disk when the call returns.
    sqlite3_exec(db_, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, kTamanoCache, nullptr, nullptr, nullptr);
}

void Almacen::registrarFunciones()
{
    sqlite3_create_function_v2(db_, "clave_rima", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                               funcionClaveRima, nullptr, nullptr, nullptr);
}

std::unique_ptr<Almacen> Almacen::abrir(const QString &ruta, bool soloLectura)
{
    const QFileInfo info(ruta);
    if (!info.exists())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::NoExiste,
                           QStringLiteral("No se encuentra el almacén de palabras «%1» (%2).")
                               .arg(ruta, info.absoluteFilePath()));
    if (const QString m = noEsArchivoNormal(ruta); !m.isEmpty())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::NoEsAlmacen, m);
    if (pareceAccess(ruta))
        throw ErrorAlmacen(ErrorAlmacen::Tipo::EsAccess,
                           QStringLiteral("«%1» es una base de datos de Microsoft Access, no un "
                                          "almacén de este programa.").arg(ruta));

    std::unique_ptr<Almacen> a(new Almacen(ruta));
    const QByteArray nombre = QFile::encodeName(ruta);
    int rc = SQLITE_CANTOPEN;
    // A write needs the file and, for its journal, the folder: when either is
    // protected the store is only read, and every write says so.
    if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable())
        soloLectura = true;
    if (!soloLectura) {
        rc = sqlite3_open_v2(nombre.constData(), &a->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close_v2(a->db_);
            a->db_ = nullptr;
        }
    }
    if (rc != SQLITE_OK) {
        rc = sqlite3_open_v2(nombre.constData(), &a->db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        a->soloLectura_ = true;
    }
    if (rc != SQLITE_OK) {
        const QString motor = mensajeMotor(a->db_);
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudo abrir el almacén de palabras «%1» (%2).")
                               .arg(ruta, motor));
    }
    a->preparar();
    a->comprobarEsquema();
    return a;
}

std::unique_ptr<Almacen> Almacen::crear(const QString &ruta)
{
    if (QFileInfo::exists(ruta))
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("«%1» ya existe: no se sobrescribe.").arg(ruta));
    std::unique_ptr<Almacen> a(new Almacen(ruta));
    const QByteArray nombre = QFile::encodeName(ruta);
    const int rc = sqlite3_open_v2(nombre.constData(), &a->db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString motor = mensajeMotor(a->db_);
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudo crear el almacén «%1» (%2).").arg(ruta, motor));
    }
    a->preparar();
    Escritura t(a->db_);
    if (t.rc() != SQLITE_OK)
        a->fallo(QStringLiteral("No se pudo crear el almacén"), t.rc());
    a->ejecutar(kEsquema);
    a->ejecutar(kIndices);
    a->ejecutar(kVista);
    a->ejecutar(kDisparadores);
    {
        Sentencia s(a->db_, kGuardarColacion);
        s.enlazar(1, QStringView(a->colador_.version()));
        if (s.paso() != SQLITE_DONE)
            a->fallo(QStringLiteral("No se pudo crear el almacén"), s.rc());
    }
    a->ejecutar(QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2;")
                    .arg(kIdAplicacion).arg(kFormatoActual).toUtf8().constData());
    const int rcc = t.confirmar();
    if (rcc != SQLITE_OK)
        a->fallo(QStringLiteral("No se pudo crear el almacén"), rcc);
    return a;
}

void Almacen::comprobarEsquema()
{
    auto pragma = [this](const char *sql, int &valor) {
        Sentencia s(db_, sql);
        const int rc = s.ok() ? s.paso() : s.rc();
        if (rc != SQLITE_ROW) {
            const QString motor = mensajeMotor(db_);
            if (tipoDe(rc) == ErrorAlmacen::Tipo::Ocupado)
                throw ErrorAlmacen(ErrorAlmacen::Tipo::Ocupado,
                                   QStringLiteral("El almacén de palabras «%1» está en uso por otro programa y "
                                                  "no quedó libre a tiempo. Inténtelo de nuevo en un momento (%2).")
                                       .arg(ruta_, motor));
            throw ErrorAlmacen(ErrorAlmacen::Tipo::NoEsAlmacen,
                               QStringLiteral("«%1» no se puede leer como almacén de palabras (%2).")
                                   .arg(ruta_, motor));
        }
        valor = int(s.entero(0));
    };
    int app = 0, version = 0;
    pragma("PRAGMA application_id", app);
    pragma("PRAGMA user_version", version);
    if (app != kIdAplicacion)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::NoEsAlmacen,
                           QStringLiteral("«%1» no es un almacén de palabras de este programa.").arg(ruta_));
    if (version > kFormatoActual)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::FormatoNuevo,
                           QStringLiteral("«%1» es de un formato más reciente (%2) que el que este "
                                          "programa conoce (%3). Actualice el programa.")
                               .arg(ruta_).arg(version).arg(kFormatoActual));
    if (version < 1)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::NoEsAlmacen,
                           QStringLiteral("«%1» no es un almacén de palabras válido (formato %2).")
                               .arg(ruta_).arg(version));
    formato_ = version;
    if (version < kFormatoActual && !soloLectura_)
        actualizarFormato(version);
    {
        Sentencia s(db_, "SELECT count(*) FROM sqlite_master WHERE name IN "
                         "('PalabrasBase', 'Palabras', 'Marcas', 'Meta')");
        if (!s.ok() || s.paso() != SQLITE_ROW || s.entero(0) != 4)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::NoEsAlmacen,
                               QStringLiteral("«%1» está dañado: le faltan tablas del almacén de palabras.")
                                   .arg(ruta_));
    }
    if (!soloLectura_)
        actualizarClaves();
}

void Almacen::actualizarFormato(int desde)
{
    // An older store is brought up to date in one transaction: all or nothing.
    // It waits for another program's write lock as any write does; when that
    // is not freed in time, the store is only read this session (its older
    // format is read as it is) and every change says why.
    Escritura t(db_);
    if (t.rc() != SQLITE_OK) {
        if (tipoDe(t.rc()) != ErrorAlmacen::Tipo::Ocupado)
            throw ErrorAlmacen(tipoDe(t.rc()), QStringLiteral("No se pudo poner al día el almacén «%1» (formato %2): %3.")
                                                   .arg(ruta_).arg(desde).arg(mensajeMotor(db_)));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(ruta_).constData(), &db_,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("No se pudo abrir el almacén de palabras «%1» (%2).")
                                                                .arg(ruta_, mensajeMotor(db_)));
        preparar();
        soloLectura_ = true;
        motivoSoloLectura_ = QStringLiteral("el almacén «%1» es de un formato anterior (%2) y no se pudo poner al día "
                                            "porque otro programa lo estaba usando; en esta sesión solo se puede "
                                            "leer. Cierre el otro programa y vuelva a abrir este para poder escribir.")
                                 .arg(ruta_).arg(desde);
        return;
    }
    char *err = nullptr;
    int rc = SQLITE_OK;
    if (desde < 2)
        rc = sqlite3_exec(db_, kDe1A2, nullptr, nullptr, &err);
    if (rc == SQLITE_OK && desde < 3)
        rc = sqlite3_exec(db_, kDe2A3, nullptr, nullptr, &err);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db_, kIndices, nullptr, nullptr, &err);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db_, QStringLiteral("PRAGMA user_version = %1").arg(kFormatoActual).toUtf8().constData(),
                          nullptr, nullptr, &err);
    const QString motor = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    if (rc == SQLITE_OK)
        rc = t.confirmar();
    if (rc != SQLITE_OK)
        throw ErrorAlmacen(tipoDe(rc), QStringLiteral("No se pudo poner al día el almacén «%1» (formato %2): %3.")
                                           .arg(ruta_).arg(desde).arg(motor.isEmpty() ? mensajeMotor(db_) : motor));
    formato_ = kFormatoActual;
    // What the older format's indexes took is given back to the file system
    // (in a transaction of its own: a store killed meanwhile stays as it is).
    bool compactar = false;
    if (desde < 3) {
        Sentencia libres(db_, "PRAGMA freelist_count"), paginas(db_, "PRAGMA page_count");
        compactar = libres.paso() == SQLITE_ROW && paginas.paso() == SQLITE_ROW
            && libres.entero(0) * 4 > paginas.entero(0);
    }
    if (compactar)
        sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr);
}

void Almacen::actualizarClaves()
{
    // Rows written by other tools through the view get their keys.
    if (hayClavesPendientes())
        repararClaves();
}

bool Almacen::hayClavesPendientes() const
{
    Sentencia s(db_, kHayPendientes);
    return s.ok() && s.paso() == SQLITE_ROW;
}

bool Almacen::repararClaves() const
{
    if (soloLectura_ || !sqlite3_get_autocommit(db_))
        return false;
    // Another program holding the file is not waited for: the rows are then
    // keyed in memory, and in the file by a later read.
    sqlite3_busy_handler(db_, nullptr, nullptr);
    const auto espera = qScopeGuard([this] { sqlite3_busy_handler(db_, alEsperar, nullptr); });
    Escritura t(db_);
    if (t.rc() != SQLITE_OK)
        return false;
    if (sqlite3_exec(db_, kRepararClaves, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    return t.confirmar() == SQLITE_OK;
}

namespace {

// A row's place in list order (Clave, Pal, Voc, Id, as SQLite orders them:
// Null first, then text by its bytes).
struct Lugar {
    QByteArray clave;
    std::optional<QByteArray> pal, voc;
    qint64 id = 0;
};

int compararBytes(const QByteArray &a, const QByteArray &b)
{
    const int c = std::memcmp(a.constData(), b.constData(), size_t(std::min(a.size(), b.size())));
    return c ? c : (a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
}

int compararNulo(const std::optional<QByteArray> &a, const std::optional<QByteArray> &b)
{
    if (!a || !b)
        return int(bool(a)) - int(bool(b));
    return compararBytes(*a, *b);
}

bool antes(const Lugar &a, const Lugar &b)
{
    if (const int c = compararBytes(a.clave, b.clave))
        return c < 0;
    if (const int c = compararNulo(a.pal, b.pal))
        return c < 0;
    if (const int c = compararNulo(a.voc, b.voc))
        return c < 0;
    return a.id < b.id;
}

std::optional<QByteArray> columnaBytes(sqlite3_stmt *st, int c)
{
    if (sqlite3_column_type(st, c) == SQLITE_NULL)
        return std::nullopt;
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
    return QByteArray(p ? p : "", sqlite3_column_bytes(st, c));
}

} // namespace

void Almacen::recorrerFilas(const std::function<void(const FilaLeida &)> &visitar) const
{
    const QString que = QStringLiteral("No se pudo leer la lista de palabras");
    const bool claves = formato_ >= 2;
    // One pass over every page: keeping them would only take memory.
    sqlite3_exec(db_, "PRAGMA cache_size = -2000", nullptr, nullptr, nullptr);
    const auto cache = qScopeGuard([this] { sqlite3_exec(db_, kTamanoCache, nullptr, nullptr, nullptr); });
    Sentencia s(db_, claves ? kLeerTodasConClaves : kLeerTodas);
    if (!s.ok())
        fallo(que, s.rc());
    auto texto = [st = s.get()](int c) {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
        return p ? std::string_view(p, size_t(sqlite3_column_bytes(st, c))) : std::string_view();
    };
    int rc;
    sqlite3_stmt *st = s.get();
    FilaLeida f;
    while ((rc = s.paso()) == SQLITE_ROW) {
        f.id = sqlite3_column_int64(st, 0);
        f.palNula = sqlite3_column_type(st, 1) == SQLITE_NULL;
        f.pal = texto(1);
        f.voc = texto(2);
        f.conClaves = claves && sqlite3_column_int(st, 3) != 0;
        if (f.conClaves) {
            f.consonante = texto(4);
            f.asonante = texto(5);
            f.silabas = sqlite3_column_int(st, 6);
        }
        visitar(f);
    }
    if (rc != SQLITE_DONE)
        fallo(que, rc);
}

void Almacen::recorrerEnOrden(
    const std::function<void(qint64, const char *, int, bool, const char *, int)> &visitar) const
{
    if (hayClavesPendientes())
        repararClaves();
    std::vector<Lugar> filas;
    recorrerFilas([&](const FilaLeida &f) {
        Lugar l;
        l.id = f.id;
        if (!f.palNula)
            l.pal = QByteArray(f.pal.data(), qsizetype(f.pal.size()));
        l.voc = QByteArray(f.voc.data(), qsizetype(f.voc.size()));
        // Decoded as the word list decodes it, so that a word of invalid UTF-8
        // (left by another program) sorts where the list looks for it.
        l.clave = colador_.clave(l.pal ? QString::fromUtf8(*l.pal) : QString());
        filas.push_back(std::move(l));
    });
    std::sort(filas.begin(), filas.end(), antes);
    for (const Lugar &l : filas)
        visitar(l.id, l.pal ? l.pal->constData() : "", l.pal ? int(l.pal->size()) : 0, !l.pal,
                l.voc ? l.voc->constData() : "", l.voc ? int(l.voc->size()) : 0);
}

std::optional<QString> Almacen::sig(qint64 id) const
{
    Sentencia s(db_, kLeerSig);
    if (!s.ok())
        fallo(QStringLiteral("No se pudo leer la definición"), s.rc());
    s.enlazar(1, id);
    const int rc = s.paso();
    if (rc == SQLITE_ROW)
        return s.textoNulo(0);
    if (rc != SQLITE_DONE)
        fallo(QStringLiteral("No se pudo leer la definición"), rc);
    return std::nullopt;
}

std::optional<Fila> Almacen::fila(qint64 id) const
{
    Sentencia s(db_, kLeerFila);
    if (!s.ok())
        fallo(QStringLiteral("No se pudo leer la palabra"), s.rc());
    s.enlazar(1, id);
    const int rc = s.paso();
    if (rc == SQLITE_DONE)
        return std::nullopt;
    if (rc != SQLITE_ROW)
        fallo(QStringLiteral("No se pudo leer la palabra"), rc);
    Fila f;
    f.id = s.entero(0);
    f.pal = s.textoNulo(1);
    f.voc = s.textoNulo(2);
    f.sig = s.textoNulo(3);
    for (int i = 0; i < 6; ++i)
        f.marcas[i] = s.entero(4 + i) != 0;
    return f;
}

qint64 Almacen::contarFilas() const
{
    Sentencia s(db_, kContar);
    const int rc = s.ok() ? s.paso() : s.rc();
    if (rc != SQLITE_ROW)
        fallo(QStringLiteral("No se pudieron contar las palabras"), rc);
    return s.entero(0);
}

qint64 Almacen::contador() const
{
    Sentencia s(db_, kLeerContador);
    if (!s.ok())
        fallo(QStringLiteral("No se pudo leer el almacén"), s.rc());
    const int rc = s.paso();
    if (rc != SQLITE_ROW)
        fallo(QStringLiteral("No se pudo leer el almacén"), rc);
    return s.entero(0);
}

EstadoMarcas Almacen::estadoMarcas() const
{
    EstadoMarcas e;
    Sentencia s(db_, kLeerReglas);
    if (!s.ok())
        fallo(QStringLiteral("No se pudieron leer las marcas de rima"), s.rc());
    int rc;
    while ((rc = s.paso()) == SQLITE_ROW) {
        const qint64 n = s.entero(0);
        if (n < kLongitudMinima || n > kLongitudMaxima)
            continue;
        ReglaMarca &r = e.reglas[n - kLongitudMinima];
        r.generacion = s.entero(1);
        r.fin = s.textoNulo(2);
        if (!s.esNulo(3))
            r.largo = s.entero(3);
    }
    if (rc != SQLITE_DONE)
        fallo(QStringLiteral("No se pudieron leer las marcas de rima"), rc);
    e.contador = contador();
    return e;
}

qint64 Almacen::versionDatos() const
{
    Sentencia s(db_, "PRAGMA data_version");
    if (!s.ok() || s.paso() != SQLITE_ROW)
        return -1;
    return s.entero(0);
}

quint32 Almacen::leerCambios(bool *leido) const
{
    sqlite3_file *archivo = nullptr;
    unsigned char cab[4] = {};
    const bool bien = sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &archivo) == SQLITE_OK
        && archivo && archivo->pMethods && archivo->pMethods->xRead(archivo, cab, sizeof cab, 24) == SQLITE_OK;
    if (leido)
        *leido = bien;
    return bien ? quint32(cab[0]) << 24 | quint32(cab[1]) << 16 | quint32(cab[2]) << 8 | cab[3] : 0;
}

bool Almacen::soloEscriturasPropias(const Huella &antes, const Huella &ahora) const
{
    if (!antes.leida || !ahora.leida || antes.dispositivo != ahora.dispositivo || antes.nodo != ahora.nodo
        || antes.formato != ahora.formato || antes.colacion != ahora.colacion)
        return false;
    if (antes == ahora)
        return true;
    return propiasDesde_ && *propiasDesde_ <= antes.cambios && antes.cambios <= *propiasHasta_
        && ahora.cambios == *propiasHasta_;
}

Huella Almacen::huella() const
{
    return leerFijo({});
}

Huella Almacen::leerFijo(const std::function<void()> &leer) const
{
    const QString que = QStringLiteral("No se pudo leer la lista de palabras");
    // Keys are made first: that is a write, which a read cannot hold.
    if (hayClavesPendientes())
        repararClaves();
    const bool propia = sqlite3_get_autocommit(db_) != 0;
    if (propia)
        ejecutar("BEGIN");
    const auto fin = qScopeGuard([&] {
        if (propia)
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    });
    {
        // The first read takes the lock (and rolls back what a program that
        // died while writing left): from here on nobody changes the file.
        Sentencia s(db_, kLeerContador);
        if (!s.ok())
            fallo(que, s.rc());
        if (const int rc = s.paso(); rc != SQLITE_ROW && rc != SQLITE_DONE)
            fallo(que, rc);
    }
    Huella h;
    h.formato = formato_;
    h.colacion = colador_.version();
    bool cabecera = false;
    h.cambios = leerCambios(&cabecera);
    {
        Sentencia s(db_, "PRAGMA page_count");
        if (s.ok() && s.paso() == SQLITE_ROW)
            h.paginas = quint32(s.entero(0));
    }
    // By name, not by a descriptor of our own: closing one would drop the
    // engine's locks on the file.
    struct stat st;
    if (cabecera && ::stat(QFile::encodeName(ruta_).constData(), &st) == 0) {
        h.leida = true;
        h.dispositivo = quint64(st.st_dev);
        h.nodo = quint64(st.st_ino);
        h.tamano = quint64(st.st_size);
        h.modificado = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    if (leer)
        leer();
    return h;
}

int Almacen::sentencia(const QString &que, const char *sql, const std::function<void(Sentencia &)> &enlazar)
{
    Sentencia s(db_, sql);
    if (!s.ok())
        fallo(que, s.rc());
    enlazar(s);
    const int rc = s.paso();
    if (rc != SQLITE_DONE)
        fallo(que, rc);
    return sqlite3_changes(db_);
}

void Almacen::transaccion(const QString &que, const std::function<void()> &cuerpo)
{
    if (soloLectura_ && !motivoSoloLectura_.isEmpty())
        fallo(que, SQLITE_READONLY);
    Escritura t(db_);
    if (t.rc() != SQLITE_OK)
        fallo(que, t.rc());
    if (versionExigida_ >= 0 && versionDatos() != versionExigida_)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::Cambiado,
                           que + QStringLiteral(": otro programa cambió el almacén entretanto."));
    // Holding the write lock, nobody else commits until ours: the count of
    // commits read now is the one ours follows (a commit that changed no page
    // leaves it as it was).
    const quint32 antes = leerCambios();
    const qint64 cambiosAntes = sqlite3_total_changes64(db_);
    cuerpo();
    const bool cambio = sqlite3_total_changes64(db_) != cambiosAntes;
    const int rc = t.confirmar();
    if (rc != SQLITE_OK)
        fallo(que, rc);
    if (!propiasHasta_ || *propiasHasta_ != antes)
        propiasDesde_ = antes;
    propiasHasta_ = antes + (cambio ? 1 : 0);
}

qint64 Almacen::anadir(const QString &pal, const QString &voc, const std::optional<QString> &sig)
{
    const QString que = QStringLiteral("No se pudo añadir «%1» al almacén").arg(pal.left(80));
    qint64 id = 0;
    transaccion(que, [&] {
        const qint64 sello = contador();
        sentencia(que, kInsertar, [&](Sentencia &s) {
            s.enlazar(1, QStringView(pal));
            s.enlazar(2, QStringView(voc));
            s.enlazar(3, sig);
            for (int i = 0; i < 6; ++i)
                s.enlazar(4 + i, qint64(0));
            s.enlazar(10, sello);
            enlazarClavesRima(s.get(), 12, pal);
        });
        id = sqlite3_last_insert_rowid(db_);
    });
    return id;
}

void Almacen::cambiarSig(qint64 id, const std::optional<QString> &sig)
{
    const QString que = QStringLiteral("No se pudo guardar la definición");
    transaccion(que, [&] {
        const int filas = sentencia(que, kCambiarSig, [&](Sentencia &s) {
            s.enlazar(1, id);
            s.enlazar(2, sig);
        });
        if (filas != 1)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General, que + QStringLiteral(": la palabra ya no está en el almacén."));
    });
}

void Almacen::cambiarPal(qint64 id, const QString &pal)
{
    const QString que = QStringLiteral("No se pudo cambiar la palabra por «%1»").arg(pal.left(80));
    transaccion(que, [&] {
        // The row keeps the marks it has now, whatever the rules say of its new text.
        const qint64 sello = contador();
        const int filas = sentencia(que, kCongelarMarcas, [&](Sentencia &s) {
            s.enlazar(1, id);
            s.enlazar(2, sello);
        });
        if (filas != 1)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General, que + QStringLiteral(": la palabra ya no está en el almacén."));
        sentencia(que, kCambiarPal, [&](Sentencia &s) {
            s.enlazar(1, id);
            s.enlazar(2, QStringView(pal));
            s.enlazar(3, QStringView(ExtraeVocales(pal)));
            enlazarClavesRima(s.get(), 5, pal);
        });
    });
}

void Almacen::eliminar(qint64 id)
{
    const QString que = QStringLiteral("No se pudo eliminar la palabra");
    transaccion(que, [&] { sentencia(que, kEliminar, [&](Sentencia &s) { s.enlazar(1, id); }); });
}

EstadoMarcas Almacen::marcarVocales(int n, const QString &fin, std::optional<qint64> largo)
{
    const QString que = QStringLiteral("No se pudieron guardar las marcas de rima");
    if (n < kLongitudMinima || n > kLongitudMaxima)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General, que + QStringLiteral(": longitud %1 no válida.").arg(n));
    EstadoMarcas e;
    transaccion(que, [&] {
        // Clearing the column and marking the matching rows, in one step: the rule
        // and its new generation.
        const qint64 gen = contador() + 1;
        sentencia(que, kMarcar, [&](Sentencia &s) {
            s.enlazar(1, qint64(n));
            s.enlazar(2, gen);
            s.enlazar(3, QStringView(fin));
            if (largo)
                s.enlazar(4, *largo);
            else
                s.nulo(4);
        });
        sentencia(que, kGuardarContador, [&](Sentencia &s) { s.enlazar(1, gen); });
        e = estadoMarcas();
    });
    return e;
}

Almacen::Lote::Lote(Almacen &a) : a_(a)
{
    const int rc = sqlite3_exec(a_.db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        a_.fallo(QStringLiteral("No se pudo escribir en el almacén"), rc);
    abierto_ = true;
    sello_ = a_.contador();
    if (sqlite3_prepare_v2(a_.db_, kInsertar, -1, &ins_, nullptr) != SQLITE_OK)
        a_.fallo(QStringLiteral("No se pudo escribir en el almacén"), sqlite3_errcode(a_.db_));
}

Almacen::Lote::~Lote()
{
    sqlite3_finalize(ins_);
    if (abierto_)
        sqlite3_exec(a_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

qint64 Almacen::Lote::insertar(const Fila &f)
{
    return insertar(f, f.pal ? analizarPalabra(*f.pal) : AnalisisSilabico{});
}

qint64 Almacen::Lote::insertar(const Fila &f, const AnalisisSilabico &analisis)
{
    sqlite3_reset(ins_);
    auto texto = [this](int i, const std::optional<QString> &v) {
        if (v)
            enlazarTexto16(ins_, i, *v);
        else
            sqlite3_bind_null(ins_, i);
    };
    texto(1, f.pal);
    texto(2, f.voc);
    texto(3, f.sig);
    for (int i = 0; i < 6; ++i)
        sqlite3_bind_int64(ins_, 4 + i, f.marcas[i] ? -1 : 0);
    sqlite3_bind_int64(ins_, 10, sello_);
    enlazarClavesRima(ins_, 12, analisis);
    const int rc = sqlite3_step(ins_);
    if (rc != SQLITE_DONE)
        a_.fallo(QStringLiteral("No se pudo escribir la palabra «%1»").arg(f.pal.value_or(QString()).left(80)), rc);
    return sqlite3_last_insert_rowid(a_.db_);
}

void Almacen::Lote::confirmar()
{
    const int rc = sqlite3_exec(a_.db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        a_.fallo(QStringLiteral("No se pudo confirmar la escritura en el almacén"), rc);
    abierto_ = false;
}

std::vector<QString> Almacen::palabrasQueRiman(TipoRima tipo, const QString &clave,
                                               std::optional<int> silabas) const
{
    std::vector<QString> r;
    for (FilaQueRima &f : filasQueRiman(tipo, clave, silabas))
        r.push_back(std::move(f.pal));
    return r;
}

namespace {

// A statement on a rhyme key: ?1 the key, ?2 the syllable count or Null.
void enlazarClave(Sentencia &s, const QString &clave, std::optional<int> silabas)
{
    s.enlazar(1, QStringView(clave));
    if (silabas)
        s.enlazar(2, qint64(*silabas));
    else
        s.nulo(2);
}

} // namespace

std::vector<Almacen::FilaQueRima> Almacen::filasQueRiman(TipoRima tipo, const QString &clave,
                                                         std::optional<int> silabas) const
{
    std::vector<FilaQueRima> r;
    const QString que = QStringLiteral("No se pudieron buscar las rimas");
    if (formato_ >= 2) {
        // The keyed rows by their stored key and, when the file cannot be
        // written now, the rows without keys analysed here; all in list order.
        // (The window and the command line find rhymes in the word list: this
        // reads the whole table.)
        const bool pendientes = hayClavesPendientes() && !repararClaves();
        struct Hallada {
            QByteArray clave, pal8;
            std::optional<qint64> silabas;
            qint64 id;
            QString pal;
        };
        std::vector<Hallada> h;
        auto leer = [&](const char *sql, bool pendiente) {
            Sentencia s(db_, sql);
            if (!s.ok())
                fallo(que, s.rc());
            if (!pendiente)
                enlazarClave(s, clave, silabas);
            int rc;
            while ((rc = s.paso()) == SQLITE_ROW) {
                if (s.esNulo(1))
                    continue;
                Hallada x;
                x.id = s.entero(0);
                x.pal8 = *columnaBytes(s.get(), 1);
                x.pal = s.texto(1);
                if (pendiente) {
                    const AnalisisSilabico a = analizarPalabra(x.pal);
                    if (!a.valido || (silabas && a.numSilabas() != *silabas)
                        || (tipo == TipoRima::Consonante ? a.claveConsonante : a.claveAsonante) != clave)
                        continue;
                    x.silabas = a.numSilabas();
                } else if (!s.esNulo(2)) {
                    x.silabas = s.entero(2);
                }
                x.clave = colador_.clave(QString::fromUtf8(x.pal8));
                h.push_back(std::move(x));
            }
            if (rc != SQLITE_DONE)
                fallo(que, rc);
        };
        leer(tipo == TipoRima::Consonante
                 ? "SELECT Id, Pal, Silabas FROM PalabrasBase WHERE Consonante = ?1 AND "
                   "(?2 IS NULL OR Silabas = ?2)"
                 : "SELECT Id, Pal, Silabas FROM PalabrasBase WHERE Asonante = ?1 AND "
                   "(?2 IS NULL OR Silabas = ?2)",
             false);
        if (pendientes)
            leer(kLeerPendientes, true);
        std::sort(h.begin(), h.end(), [](const Hallada &a, const Hallada &b) {
            if (const int c = compararBytes(a.clave, b.clave))
                return c < 0;
            if (const int c = compararBytes(a.pal8, b.pal8))
                return c < 0;
            if (a.silabas != b.silabas)
                return a.silabas < b.silabas;
            return a.id < b.id;
        });
        for (Hallada &x : h)
            r.push_back({x.id, std::move(x.pal)});
        return r;
    }
    // A store of an older format opened read-only has no keys: every word is analysed.
    recorrerEnOrden([&](qint64 id, const char *p, int n, bool nula, const char *, int) {
        if (nula)
            return;
        const QString pal = QString::fromUtf8(p, n);
        const AnalisisSilabico a = analizarPalabra(pal);
        if (!a.valido || (silabas && a.numSilabas() != *silabas))
            return;
        if ((tipo == TipoRima::Consonante ? a.claveConsonante : a.claveAsonante) == clave)
            r.push_back({id, pal});
    });
    return r;
}

QString Almacen::comprobarIntegridad() const
{
    Sentencia s(db_, "PRAGMA integrity_check");
    if (!s.ok())
        return mensajeMotor(db_);
    QStringList r;
    while (s.paso() == SQLITE_ROW) {
        const QString t = s.texto(0);
        if (t != QLatin1String("ok"))
            r << t;
    }
    return r.join(QLatin1Char('\n'));
}

} // namespace rimario
