// The store's operations: opening it, reading single rows, and the writes
// (each call one transaction, a Lote one for all its rows).

#include "store/almacen.h"

#include "language/silabas.h"
#include "language/vocales.h"
#include "store/almacen_interno.h"
#include "store/sentencia.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <climits>
#include <cstring>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rimario {

namespace {

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

const char *const kLeerSig = "SELECT Sig FROM PalabrasBase WHERE Id = ?1";
const char *const kLeerFila =
    "SELECT Id, Pal, Voc, Sig, A2, A3, A4, A5, A6, A7 FROM Palabras WHERE Id = ?1";
const char *const kContar = "SELECT count(*) FROM PalabrasBase";
const char *const kLeerReglas = "SELECT N, Gen, Fin, Largo FROM Marcas ORDER BY N";
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

// The rhyme keys of a word, bound at 'primero' (consonant), +1 (assonant), +2 (syllables);
// Null for a word the rules cannot split.
void enlazarClavesRima(Sentencia &s, int primero, const AnalisisSilabico &a)
{
    if (!a.valido) {
        for (int i = 0; i < 3; ++i)
            s.nulo(primero + i);
        return;
    }
    s.enlazarUtf16(primero, a.claveConsonante);
    s.enlazarUtf16(primero + 1, a.claveAsonante);
    s.enlazar(primero + 2, qint64(a.numSilabas()));
}

void enlazarClavesRima(Sentencia &s, int primero, const std::optional<QString> &pal)
{
    enlazarClavesRima(s, primero, pal ? analizarPalabra(*pal) : AnalisisSilabico{});
}

} // namespace

namespace {
// The deadline of the operation running on this thread.
struct Plazo {
    int abiertos = 0;       // PlazoDeEspera alive
    bool corriendo = false; // the clock started by a wait
    QElapsedTimer reloj;
};
Plazo &plazo()
{
    thread_local Plazo p;
    return p;
}
} // namespace

PlazoDeEspera::PlazoDeEspera()
{
    if (plazo().abiertos++ == 0)
        plazo().corriendo = false;
}

PlazoDeEspera::~PlazoDeEspera()
{
    --plazo().abiertos;
}

int alEsperar(void *, int veces)
{
    constexpr int kPausaMs = 20;
    // Outside an operation each statement waits the whole time; inside one,
    // the first wait starts the clock for all its statements.
    Plazo &p = plazo();
    if (!p.corriendo || (veces == 0 && p.abiertos == 0)) {
        p.reloj.start();
        p.corriendo = true;
    }
    const int esperado = int(std::min<qint64>(p.reloj.elapsed(), INT_MAX));
    if (esperado >= esperaBloqueoMs())
        return 0;
    if (const AvisoEspera &aviso = avisoEspera(); aviso && !aviso(esperado))
        return 0;
    sqlite3_sleep(kPausaMs);
    return 1;
}

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
    if (rc == SQLITE_READONLY_ROLLBACK)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::SoloLectura,
                           m + QStringLiteral(": otro programa se cerró a mitad de un cambio en el almacén, y ese cambio "
                                              "sigue pendiente en «%1-journal». Solo lo puede deshacer un programa que "
                                              "pueda escribir en el archivo y en su carpeta: quite la protección contra "
                                              "escritura (o abra el almacén una vez con permiso para escribir en él) y "
                                              "vuelva a intentarlo. No borre «%1-journal»: sin él, el almacén quedaría "
                                              "dañado.").arg(ruta_), motor);
    if (protegido && !motivoSoloLectura_.isEmpty())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::SoloLectura, m + QStringLiteral(": ") + motivoSoloLectura_, motor);
    if (base == SQLITE_BUSY || base == SQLITE_LOCKED) {
        m += QStringLiteral(": el almacén está en uso por otro programa y no quedó libre a tiempo. "
                            "Inténtelo de nuevo en un momento");
    } else if (protegido) {
        m += QStringLiteral(": el almacén solo se puede leer (el archivo o su carpeta están "
                            "protegidos contra escritura)");
        tipo = ErrorAlmacen::Tipo::SoloLectura;
    } else {
        m += QStringLiteral(": ") + textoMotor(rc);
    }
    // The engine's own words only in the details.
    throw ErrorAlmacen(tipo, m + QLatin1Char('.'), motor == QLatin1String("not an error") ? QString() : motor);
}

void Almacen::ejecutar(const char *sql) const
{
    if (const int rc = ejecutarSql(db_, sql); rc != SQLITE_OK)
        fallo(QStringLiteral("Error del almacén de palabras"), rc);
}

void Almacen::ponerAvisoEspera(AvisoEspera aviso)
{
    avisoEspera() = std::move(aviso);
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
    ejecutarSql(db_, "PRAGMA synchronous = FULL");
    ejecutarSql(db_, kTamanoCache);
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

    const PlazoDeEspera plazo;
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
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudo abrir el almacén de palabras «%1»: %2.").arg(ruta, textoMotor(rc)),
                           mensajeMotor(a->db_));
    }
    a->preparar();
    if (a->soloLectura_)
        a->deshacerCambioPendiente();
    a->comprobarEsquema();
    return a;
}

void Almacen::deshacerCambioPendiente()
{
    const auto leer = [this] {
        Sentencia s(db_, "PRAGMA schema_version");
        return s.ok() ? s.paso() : s.rc();
    };
    int rc = leer();
    if (rc != SQLITE_READONLY_ROLLBACK)
        return; // any other failure is told by the checks that follow
    // When the file and its folder may be written, a connection that may
    // write rolls the change back on its first read, and reads nothing else.
    const QFileInfo info(ruta_);
    if (info.isWritable() && QFileInfo(info.absolutePath()).isWritable()) {
        sqlite3 *escritora = nullptr;
        rc = sqlite3_open_v2(QFile::encodeName(ruta_).constData(), &escritora,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(escritora, 1);
            sqlite3_busy_handler(escritora, alEsperar, nullptr);
            rc = ejecutarSql(escritora, "PRAGMA schema_version");
        }
        sqlite3_close_v2(escritora);
        if (rc == SQLITE_OK)
            rc = leer();
    }
    if (rc != SQLITE_ROW)
        fallo(QStringLiteral("No se pudo leer el almacén de palabras «%1»").arg(ruta_), rc);
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
    const int rc = s.ok() ? s.paso() : s.rc();
    if (rc != SQLITE_ROW)
        fallo(QStringLiteral("No se pudo leer el almacén"), rc);
    return s.entero(0);
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

class Almacen::Propia {
public:
    Propia(Almacen &a, const QString &que) : a_(a)
    {
        if (a_.soloLectura_ && !a_.motivoSoloLectura_.isEmpty())
            a_.fallo(que, SQLITE_READONLY);
        t_.emplace(a_.db_);
        if (t_->rc() != SQLITE_OK)
            a_.fallo(que, t_->rc());
        if (a_.versionExigida_ >= 0 && a_.versionDatos() != a_.versionExigida_)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::Cambiado,
                               que + QStringLiteral(": otro programa cambió el almacén entretanto."));
        // Holding the write lock, nobody else commits until ours: the state
        // read now is the one ours follows.
        antes_ = a_.leerEstado();
        version_ = a_.versionDatos();
    }

    void confirmar(const QString &que)
    {
        if (const int rc = t_->confirmar(); rc != SQLITE_OK)
            a_.fallo(que, rc);
        a_.anotarPropia(antes_, version_);
    }

private:
    PlazoDeEspera plazo_;
    Almacen &a_;
    std::optional<Escritura> t_;
    std::optional<Estado> antes_;
    qint64 version_ = -1;
};

void Almacen::transaccion(const QString &que, const std::function<void()> &cuerpo)
{
    Propia t(*this, que);
    cuerpo();
    t.confirmar(que);
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
            enlazarClavesRima(s, 12, pal);
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
            enlazarClavesRima(s, 5, pal);
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
    const QString que = QStringLiteral("No se pudo escribir en el almacén");
    escritura_ = std::make_unique<Propia>(a_, que);
    sello_ = a_.contador();
    ins_ = std::make_unique<Sentencia>(a_.db_, kInsertar);
    if (!ins_->ok())
        a_.fallo(que, ins_->rc());
}

// The statement is finalised before the transaction is rolled back.
Almacen::Lote::~Lote() = default;

qint64 Almacen::Lote::insertar(const Fila &f)
{
    return insertar(f, f.pal ? analizarPalabra(*f.pal) : AnalisisSilabico{});
}

qint64 Almacen::Lote::insertar(const Fila &f, const AnalisisSilabico &analisis)
{
    // Every value is bound anew for each row.
    Sentencia &s = *ins_;
    s.rebobinar();
    s.enlazar(1, f.pal);
    s.enlazar(2, f.voc);
    s.enlazar(3, f.sig);
    for (int i = 0; i < 6; ++i)
        s.enlazar(4 + i, qint64(f.marcas[i] ? -1 : 0));
    s.enlazar(10, sello_);
    enlazarClavesRima(s, 12, analisis);
    if (const int rc = s.paso(); rc != SQLITE_DONE)
        a_.fallo(QStringLiteral("No se pudo escribir la palabra «%1»").arg(f.pal.value_or(QString()).left(80)), rc);
    return sqlite3_last_insert_rowid(a_.db_);
}

void Almacen::Lote::confirmar()
{
    escritura_->confirmar(QStringLiteral("No se pudo confirmar la escritura en el almacén"));
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
