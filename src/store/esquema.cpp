// The store file's layout: its tables, the view Palabras and its triggers, the
// SQL function its keys are made with; creating a store, checking an existing
// one and bringing an older format up to date, and making the keys of rows
// another program wrote.

#include "store/almacen.h"

#include "language/silabas.h"
#include "store/almacen_interno.h"
#include "store/sentencia.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

namespace rimario {

namespace {

constexpr int kIdAplicacion = 0x52494D41; // "RIMA"

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

// Format 4 keeps a log of the rows changed, by their Id, so that a list kept
// of an earlier state is brought up to date from it rather than read again.
// The base table's own triggers write it: every write through SQL is logged,
// through the view or not, ours and other programs' alike. Each entry has a
// random tag (a file put back from a copy has other tags under the same
// numbers), and Meta holds a random identity of the log (another file has
// another). The oldest entries go as new ones come (a sweep every 256).
const char *const kDiario = R"SQL(
CREATE TABLE IF NOT EXISTS Cambios (
    Sec  INTEGER PRIMARY KEY,
    Id   INTEGER,
    Azar INTEGER NOT NULL
);
INSERT OR IGNORE INTO Meta (Clave, Valor) VALUES ('diario', random());
CREATE TRIGGER IF NOT EXISTS PalabrasBase_alta AFTER INSERT ON PalabrasBase BEGIN
    INSERT INTO Cambios (Id, Azar) VALUES (NEW.Id, random());
    DELETE FROM Cambios WHERE last_insert_rowid() % 256 = 0 AND Sec <= last_insert_rowid() - 100000;
END;
CREATE TRIGGER IF NOT EXISTS PalabrasBase_cambio
AFTER UPDATE OF Id, Pal, Voc, Clave, Consonante, Asonante, Silabas ON PalabrasBase BEGIN
    INSERT INTO Cambios (Id, Azar) VALUES (OLD.Id, random());
    INSERT INTO Cambios (Id, Azar) SELECT NEW.Id, random() WHERE NEW.Id IS NOT OLD.Id;
    DELETE FROM Cambios WHERE last_insert_rowid() % 256 < 2 AND Sec <= last_insert_rowid() - 100000;
END;
CREATE TRIGGER IF NOT EXISTS PalabrasBase_baja AFTER DELETE ON PalabrasBase BEGIN
    INSERT INTO Cambios (Id, Azar) VALUES (OLD.Id, random());
    DELETE FROM Cambios WHERE last_insert_rowid() % 256 = 0 AND Sec <= last_insert_rowid() - 100000;
END;
)SQL";

const char *const kHayPendientes = "SELECT 1 FROM PalabrasBase WHERE Clave IS NULL LIMIT 1";
const char *const kRepararClaves =
    "UPDATE PalabrasBase SET Clave = X'', Consonante = clave_rima(Pal, 0), "
    "Asonante = clave_rima(Pal, 1), Silabas = clave_rima(Pal, 2) WHERE Clave IS NULL";
const char *const kGuardarColacion =
    "INSERT OR REPLACE INTO Meta (Clave, Valor) VALUES ('colacion', ?1)";

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

void Almacen::registrarFunciones()
{
    sqlite3_create_function_v2(db_, "clave_rima", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                               funcionClaveRima, nullptr, nullptr, nullptr);
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
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudo crear el almacén «%1»: %2.").arg(ruta, textoMotor(rc)),
                           mensajeMotor(a->db_));
    }
    a->preparar();
    Escritura t(a->db_);
    if (t.rc() != SQLITE_OK)
        a->fallo(QStringLiteral("No se pudo crear el almacén"), t.rc());
    a->ejecutar(kEsquema);
    a->ejecutar(kIndices);
    a->ejecutar(kVista);
    a->ejecutar(kDisparadores);
    a->ejecutar(kDiario);
    a->sentencia(QStringLiteral("No se pudo crear el almacén"), kGuardarColacion,
                 [&](Sentencia &s) { s.enlazar(1, QStringView(a->colador_.version())); });
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
                                                  "no quedó libre a tiempo. Inténtelo de nuevo en un momento.")
                                       .arg(ruta_), motor);
            throw ErrorAlmacen(ErrorAlmacen::Tipo::NoEsAlmacen,
                               QStringLiteral("«%1» no se puede leer como almacén de palabras: %2.")
                                   .arg(ruta_, textoMotor(rc)), motor);
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
                                                   .arg(ruta_).arg(desde).arg(textoMotor(t.rc())), mensajeMotor(db_));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(ruta_).constData(), &db_,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("No se pudo abrir el almacén de palabras «%1»: %2.")
                                                                .arg(ruta_, textoMotor(rc)), mensajeMotor(db_));
        preparar();
        soloLectura_ = true;
        motivoSoloLectura_ = QStringLiteral("el almacén «%1» es de un formato anterior (%2) y no se pudo poner al día "
                                            "porque otro programa lo estaba usando; en esta sesión solo se puede "
                                            "leer. Cierre el otro programa y vuelva a abrir este para poder escribir.")
                                 .arg(ruta_).arg(desde);
        return;
    }
    QString motor;
    int rc = SQLITE_OK;
    if (desde < 2)
        rc = ejecutarSql(db_, kDe1A2, &motor);
    if (rc == SQLITE_OK && desde < 3)
        rc = ejecutarSql(db_, kDe2A3, &motor);
    if (rc == SQLITE_OK)
        rc = ejecutarSql(db_, kIndices, &motor);
    if (rc == SQLITE_OK)
        rc = ejecutarSql(db_, kDiario, &motor);
    if (rc == SQLITE_OK)
        rc = ejecutarSql(db_, QStringLiteral("PRAGMA user_version = %1").arg(kFormatoActual).toUtf8().constData(),
                         &motor);
    if (rc == SQLITE_OK)
        rc = t.confirmar();
    if (rc != SQLITE_OK)
        throw ErrorAlmacen(tipoDe(rc), QStringLiteral("No se pudo poner al día el almacén «%1» (formato %2): %3.")
                                           .arg(ruta_).arg(desde).arg(textoMotor(rc)),
                           motor.isEmpty() ? mensajeMotor(db_) : motor);
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
        ejecutarSql(db_, "VACUUM");
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
    if (ejecutarSql(db_, kRepararClaves) != SQLITE_OK)
        return false;
    return t.confirmar() == SQLITE_OK;
}

} // namespace rimario
