// The word store: files that are not stores, writes and their transactions,
// rows written by another program, the older format (the list's own tests,
// its snapshot included, are in tests/lista); Access files of the
// earlier program (the sample row by row against mdbtools' own export, long
// and compressed texts and damaged values in copies altered page by page (Jet
// 4: 4096-byte pages, row count at 12, row offsets from 14), failed
// conversions that leave everything as it was); and a program killed
// (SIGKILL) in the middle of a change that spans several files or
// transactions (the start-up conversion of an Access file, the upgrade of an
// older store), which never leaves a damaged or half-made store. A child
// program runs the change and is killed just before one of its disk steps
// (every write, truncation, creation, deletion, rename and link), run after
// run. After every kill the store opens, passes the integrity check, holds the
// state before or after the change, and takes a new write. (A window write is
// one SQLite transaction: cadaEscrituraUnaTransaccion checks that.)

#include "rhyme/rima.h"
#include "store/access/conversion_access.h"
#include "lista/lexico.h"
#include "lista/lista_palabras.h"

#include "../comun/almacen_prueba.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <numeric>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

using namespace rimario;
using namespace rimario::prueba;

namespace {

// The words of a rhyme key (of a number of syllables, unless -1), in list
// order, as the list read from the store finds them.
QStringList riman(const Almacen &a, TipoRima tipo, const QString &clave, int silabas = -1)
{
    Lexico l(a.colador());
    l.cargar(a);
    std::vector<qsizetype> pos;
    l.riman(tipo, clave, silabas, pos);
    QStringList r;
    for (const qsizetype p : pos)
        r << l.pal(p).toString();
    return r;
}

constexpr int kPagina = 4096, kPaginaPalabras = 29; // of Palabras in the sample

int le16(const QByteArray &b, int i) { return qFromLittleEndian<quint16>(b.constData() + i); }
void pon16(QByteArray &b, int i, quint32 v) { qToLittleEndian<quint16>(quint16(v), b.data() + i); }
void pon32(QByteArray &b, int i, quint32 v) { qToLittleEndian<quint32>(v, b.data() + i); }
QByteArray ucs2(const QString &s) { return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2); }

// Position in the file of row 'fila' of the page, and its length.
std::pair<int, int> fila(const QByteArray &db, int pagina, int fila)
{
    const int base = pagina * kPagina, ini = le16(db, base + 14 + 2 * fila) & 0x1FFF;
    return {base + ini, (fila == 0 ? kPagina : le16(db, base + 12 + 2 * fila) & 0x1FFF) - ini};
}
// Position of the k-th variable-length value (0 Pal, 1 Voc, 2 Sig) of a row of Palabras.
int valor(const QByteArray &db, int numFila, int k)
{
    const auto [ini, largo] = fila(db, kPaginaPalabras, numFila);
    return ini + le16(db, ini + largo - 4 - 2 * (k + 1));
}
// A long-value page holding the row given.
QByteArray paginaLarga(const QByteArray &f)
{
    QByteArray p(kPagina, '\0');
    p[0] = p[1] = 1;
    p.replace(4, 4, "LVAL");
    pon16(p, 12, 1);
    p.replace(kPagina - f.size(), f.size(), f);
    pon16(p, 14, quint32(kPagina - f.size()));
    pon16(p, 2, quint32(kPagina - f.size() - 16));
    return p;
}
void renombrar(QByteArray &db, const QString &viejo, const QString &nuevo)
{
    const qsizetype i = db.indexOf(ucs2(viejo));
    db.replace(i, ucs2(nuevo).size(), ucs2(nuevo));
}
// The error a call throws (General, with no message, if none).
template <typename F>
ErrorAlmacen fallo(F &&f)
{
    try {
        f();
    } catch (const ErrorAlmacen &e) {
        return e;
    }
    return ErrorAlmacen(ErrorAlmacen::Tipo::General, QString());
}

// Every value of the store's tables, in a fixed order (the log's random identity aside).
QByteArray huella(const QString &ruta)
{
    QStringList r;
    for (const char *tabla : {"PalabrasBase ORDER BY Id", "Marcas ORDER BY N", "Meta WHERE Clave <> 'diario' ORDER BY Clave"})
        r += consultar(ruta, QStringLiteral("SELECT * FROM ") + QLatin1String(tabla));
    return QCryptographicHash::hash(r.join(u'\n').toUtf8(), QCryptographicHash::Sha256);
}

} // namespace

class PruebaAlmacen : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) const { return dir.filePath(n); }
    QString almacen(const char *palabras) { return crearAlmacen(ruta(QString::fromLatin1(QTest::currentDataTag()) + QTest::currentTestFunction()), lista(palabras)); }
    // Converts a copy of the sample altered by 'cambiar'.
    template <typename F>
    std::unique_ptr<Almacen> convertirCambiada(const QString &nombre, F cambiar)
    {
        QByteArray db = leerArchivo(muestraAccess());
        cambiar(db);
        escribirArchivo(ruta(nombre + QStringLiteral(".mdb")), db);
        convertirAccess(ruta(nombre + QStringLiteral(".mdb")), ruta(nombre + QStringLiteral(".lop")));
        return Almacen::abrir(ruta(nombre + QStringLiteral(".lop")));
    }

private slots:
    void cleanup() { qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); }

    // Never created, never changed: a clear message for each kind of file.
    void archivosQueNoSonAlmacenes_data()
    {
        COLUMNAS(QString, ruta, int, tipo, QString, mensaje);
        const auto archivo = [this](const char *nombre, const QByteArray &contenido) {
            escribirArchivo(ruta(QString::fromLatin1(nombre)), contenido);
            return ruta(QString::fromLatin1(nombre));
        };
        const QString otra = ruta(QStringLiteral("otra.lop")), nuevo = crearAlmacen(ruta(QStringLiteral("nuevo.lop")), {QStringLiteral("a")});
        consultar(otra, QStringLiteral("CREATE TABLE t(x)"));
        consultar(nuevo, QStringLiteral("PRAGMA user_version = 99"));
        QCOMPARE(::mkfifo(QFile::encodeName(ruta(QStringLiteral("tuberia.lop"))).constData(), 0644), 0);
        using T = ErrorAlmacen::Tipo;
        QTest::newRow("no existe") << ruta(QStringLiteral("falta.lop")) << int(T::NoExiste) << "No se encuentra";
        QTest::newRow("texto") << archivo("texto.lop", QByteArray("hola, esto no es una base de datos\n").repeated(100)) << int(T::NoEsAlmacen) << ": el archivo no es una base de datos";
        QTest::newRow("vacío") << archivo("vacio.lop", QByteArray()) << int(T::NoEsAlmacen) << "";
        QTest::newRow("access") << archivo("access.lop", QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + QByteArray(4077, '\0')) << int(T::EsAccess) << "";
        QTest::newRow("otra base") << otra << int(T::NoEsAlmacen) << "";
        QTest::newRow("formato nuevo") << nuevo << int(T::FormatoNuevo) << "más reciente";
        QTest::newRow("tubería") << ruta(QStringLiteral("tuberia.lop")) << int(T::NoEsAlmacen) << "no es un archivo normal";
        QTest::newRow("dispositivo") << QStringLiteral("/dev/null") << int(T::NoEsAlmacen) << "no es un archivo normal";
    }
    void archivosQueNoSonAlmacenes()
    {
        DATOS(QString, ruta, int, tipo, QString, mensaje);
        const bool existe = QFile::exists(ruta), normal = QFileInfo(ruta).isFile();
        const QByteArray antes = normal ? leerArchivo(ruta) : QByteArray();
        const ErrorAlmacen e = fallo([&] { Almacen::abrir(ruta); });
        QCOMPARE(int(e.tipo()), tipo);
        QVERIFY2(!e.mensaje().isEmpty() && e.mensaje().contains(mensaje) && !e.mensaje().contains(QLatin1String("database")), qPrintable(e.mensaje()));
        QCOMPARE(QFile::exists(ruta), existe);
        QVERIFY(!normal || leerArchivo(ruta) == antes);
        QCOMPARE(Almacen::pareceAccess(ruta), e.tipo() == ErrorAlmacen::Tipo::EsAccess);
    }

    // A write of the window is one transaction: one commit, and the store changed
    // (a program killed at any point leaves the state before or after it).
    void cadaEscrituraUnaTransaccion_data()
    {
        QTest::addColumn<QString>("operacion");
        for (const char *op : {"vocales", "archivar", "nueva", "eliminar", "editar"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void cadaEscrituraUnaTransaccion()
    {
        QFETCH(QString, operacion);
        const QString r = crearAlmacen(ruta(QStringLiteral("tr-%1.lop").arg(operacion)), palabrasDePrueba());
        auto a = Almacen::abrir(r);
        ListaPalabras l(*a);
        l.releer();
        const QString todo = QStringLiteral("SELECT group_concat(Id || Pal || ifnull(Sig, '') || A2, ',') FROM Palabras");
        const QString antes = uno(r, todo);
        int commits = 0;
        sqlite3_commit_hook(a->conexion(), [](void *n) { return ++*static_cast<int *>(n), 0; }, &commits);
        const QString w = operacion == QLatin1String("nueva") ? QStringLiteral("zampoña") : QStringLiteral("rosa");
        if (operacion == QLatin1String("vocales"))
            QVERIFY(marcarRimasVocales(*a, l.lexico(), u"canción", 2, false));
        else if (operacion == QLatin1String("archivar") || operacion == QLatin1String("nueva"))
            l.buscarIgual(w) ? void(l.cambiarSig(l.actual(), QStringLiteral("{\\rtf1 def}"))) : void(l.anadir(w, ExtraeVocales(w), QStringLiteral("{\\rtf1 def}")));
        else if (!l.buscarIgual(w))
            QFAIL("no está rosa");
        else if (operacion == QLatin1String("eliminar"))
            l.eliminarActual();
        else
            l.cambiarPal(l.actual(), QStringLiteral("rosal"));
        sqlite3_commit_hook(a->conexion(), nullptr, nullptr);
        QCOMPARE(commits, 1);
        QVERIFY(uno(r, todo) != antes);
    }

    // Another program (the plain SQLite library) writes through the view while
    // the store is open here: writable, read-only, or writable with a third
    // program holding the write lock. The next read, find and rhyme search see
    // the rows as if this program had written them.
    void escriturasDeOtrosProgramas_data() { datosDeArchivo("store/tablas.tsv", "escriturasDeOtrosProgramas"); }
    void escriturasDeOtrosProgramas()
    {
        DATOS(int, modo, QString, sql, QString, orden, QString, consonante);
        const QString r = almacen("a casa mesa pesa");
        auto a = Almacen::abrir(r, modo == 1);
        QCOMPARE(consultar(r, sql), QStringList());
        sqlite3 *otro = modo == 2 ? otroPrograma(r) : nullptr;
        const auto fin = qScopeGuard([&] { sqlite3_close(otro); });
        QStringList claves = consonante.split(u' ');
        const QString clave = claves.takeFirst();
        for (int vez = 0; vez < 2; ++vez) {
            QCOMPARE(palabrasEnOrden(*a).join(u' '), orden);
            Lexico lex(a->colador());
            lex.cargar(*a);
            const QString ultima = orden.section(u' ', -1);
            QCOMPARE(lex.pal(lex.buscarPrefijo(ultima.chopped(1))).toString(), ultima);
            QCOMPARE(riman(*a, TipoRima::Consonante, clave), claves);
            // Writable, the keys are made in the file at once; the marks given stay.
            if (modo == 0 || vez == 1)
                QCOMPARE(uno(r, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE Clave IS NULL")), QStringLiteral("0"));
            if (modo == 0)
                QCOMPARE(uno(r, QStringLiteral("SELECT Pal FROM Palabras WHERE A5 = -1")), QStringLiteral("zurcasa"));
            // A later open of the file, writable and unlocked, reads the same.
            sqlite3_close(std::exchange(otro, nullptr));
            a = Almacen::abrir(r);
        }
    }

    // Archiving with the list read before another program wrote: a word that
    // is in the file (ours or theirs) gets the definition, never a second row.
    void archivarTrasOtroPrograma()
    {
        const QString r = almacen("a casa mesa");
        auto a = Almacen::abrir(r);
        ListaPalabras l(*a);
        l.releer();
        consultar(r, QStringLiteral("INSERT INTO Palabras (Pal, Voc) VALUES ('zurcasa', 'uaa')"));
        for (const QString &w : lista("a zurcasa ZURCASA nueva"))
            if (!l.buscarIgual(w))
                l.anadir(w, ExtraeVocales(w), w);
        QCOMPARE(consultar(r, QStringLiteral("SELECT Pal || '=' || ifnull(Sig, '') FROM Palabras ORDER BY Pal")), lista("a= casa= mesa= nueva=nueva zurcasa="));
        // Added by the other program just before the write: found, not added again.
        a->exigirVersion(-1);
        consultar(r, QStringLiteral("INSERT INTO Palabras (Pal, Voc) VALUES ('otra', 'oa')"));
        l.anadir(QStringLiteral("otra"), QStringLiteral("oa"), QStringLiteral("def"));
        QCOMPARE(consultar(r, QStringLiteral("SELECT Sig FROM Palabras WHERE Pal = 'otra'")), QStringList{QStringLiteral("def")});
        QVERIFY(l.tamano() == 6 && l.hayActual());
    }

    // An operation of several statements under another program's lock (a
    // read-only open's checks, a read's key check and first read) waits once,
    // on one clock, then fails.
    void unaEsperaPorOperacion()
    {
        const QString r = almacen("a casa");
        auto a = Almacen::abrir(r);
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "200");
        sqlite3 *otro = otroPrograma(r, "BEGIN EXCLUSIVE");
        for (const bool abrir : {true, false}) {
            QList<int> esperas;
            Almacen::ponerAvisoEspera([&](int ms) { return esperas << ms, true; });
            const ErrorAlmacen e = fallo([&] { abrir ? void(Almacen::abrir(r, true)) : void(a->huella()); });
            Almacen::ponerAvisoEspera(nullptr);
            QCOMPARE(int(e.tipo()), int(ErrorAlmacen::Tipo::Ocupado));
            QVERIFY2(!esperas.isEmpty() && std::is_sorted(esperas.begin(), esperas.end()), qPrintable(QString::number(esperas.size())));
        }
        sqlite3_close(otro);
    }

    // In write-ahead-log mode, with another program's session open on the file
    // (its commits go to the log, the file stays as it was): each of that
    // program's commits, by the view or beside it, changes the state read and
    // is another program's; each write of this store's own changes it too, and
    // the state reached by them alone is told as this store's own.
    void estadoEnRegistro()
    {
        const QString r = almacen("a casa mesa pesa");
        sqlite3 *sesion = otroPrograma(r, "PRAGMA journal_mode = WAL");
        const auto fin = qScopeGuard([&] { sqlite3_close(sesion); });
        auto a = Almacen::abrir(r);
        const Huella cargada = a->huella();
        QVERIFY(cargada.leida);
        QCOMPARE(a->huella(), cargada);
        Huella h = cargada;
        for (const char *sql : {"INSERT INTO Palabras (Pal, Voc) VALUES ('tesa', 'ea')",
                                "UPDATE Palabras SET Pal = 'masa' WHERE Pal = 'mesa'", "DELETE FROM Palabras WHERE Pal = 'a'",
                                "UPDATE PalabrasBase SET Sig = 'x' WHERE Pal = 'casa'"}) {
            QCOMPARE(sqlite3_exec(sesion, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            const Huella ajena = a->huella();
            QVERIFY2(ajena.leida && ajena != h && !a->soloEscriturasPropias(h, ajena), sql);
            a->eliminar(a->anadir(QStringLiteral("nube"), QStringLiteral("ue"), std::nullopt));
            a->cambiarSig(2, QStringLiteral("y"));
            const Huella propia = a->huella();
            QVERIFY2(propia.leida && propia != ajena && a->soloEscriturasPropias(ajena, propia), sql);
            QVERIFY(!a->soloEscriturasPropias(h, propia) && !a->soloEscriturasPropias(cargada, propia));
            h = propia;
        }
    }

    // A store of the format before rhyme keys: read-only it is searched all the
    // same; writable it is brought up to date at once; with another program
    // holding the write lock the upgrade waits as a write does, and if the lock
    // stays, the store is only read and every change refused with that reason.
    void formatoAnterior_data() { datosDeArchivo("store/tablas.tsv", "formatoAnterior"); }
    void formatoAnterior()
    {
        DATOS(int, modo, int, formato);
        const QString r = almacen("canción razón pájaro cántaro canto 123");
        QCOMPARE(riman(*Almacen::abrir(r), TipoRima::Asonante, QStringLiteral("ao"), 3), lista("cántaro pájaro"));
        QVERIFY(volverAlFormato(r, formato));
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "2000");
        sqlite3 *otro = modo >= 2 ? otroPrograma(r) : nullptr;
        std::thread libera([&] {
            if (modo == 2)
                QThread::msleep(300), sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        auto a = Almacen::abrir(r, modo == 0);
        libera.join();
        sqlite3_close(otro);
        const bool hecho = modo == 1 || modo == 2;
        QCOMPARE(a->formato(), hecho ? kFormatoActual : formato);
        QCOMPARE(palabrasEnOrden(*a), lista("123 canción cántaro canto pájaro razón"));
        QCOMPARE(a->soloLectura(), !hecho);
        QCOMPARE(a->motivoSoloLectura().contains(QStringLiteral("formato anterior")), modo == 3);
        QCOMPARE(riman(*a, TipoRima::Asonante, QStringLiteral("ao")), lista("cántaro canto pájaro"));
        QCOMPARE(riman(*a, TipoRima::Consonante, QStringLiteral("on"), 2), lista("canción razón"));
        QCOMPARE(uno(r, QStringLiteral("PRAGMA user_version")), QString::number(hecho ? kFormatoActual : formato));
        try {
            const qint64 id = a->anadir(QStringLiteral("camión"), QStringLiteral("aio"), std::nullopt);
            a->cambiarPal(id, QStringLiteral("avión"));
            QVERIFY(hecho);
            QCOMPARE(riman(*a, TipoRima::Consonante, QStringLiteral("on")), lista("avión canción razón"));
            QCOMPARE(uno(r, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE Consonante IS NULL")), QStringLiteral("1"));
        } catch (const ErrorAlmacen &e) {
            QVERIFY2(!hecho && (modo == 0 || (e.tipo() == ErrorAlmacen::Tipo::SoloLectura && e.mensaje().contains("no se pudo poner al día porque otro programa"))),
                     qPrintable(e.mensaje()));
            QCOMPARE(uno(r, QStringLiteral("SELECT count(*) FROM PalabrasBase")), QStringLiteral("6"));
        }
    }

    void muestraFilaAFila()
    {
        QCOMPARE(convertirAccess(muestraAccess(), ruta(QStringLiteral("muestra.lop"))), 60);
        // What mdbtools reads: one JSON object a row, Null values left out.
        QProcess p;
        p.start(QStringLiteral("mdb-json"), {muestraAccess(), QStringLiteral("Palabras")});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        const QList<QByteArray> lineas = p.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lineas.size(), 60);
        const auto a = Almacen::abrir(ruta(QStringLiteral("muestra.lop")));
        QCOMPARE(a->comprobarIntegridad(), QString());
        for (int i = 0; i < 60; ++i) {
            const QJsonObject e = QJsonDocument::fromJson(lineas[i]).object();
            const std::optional<Fila> f = a->fila(i + 1); // written in the file's order
            const auto texto = [&](const char *c) { return e.contains(QLatin1String(c)) ? std::optional(e.value(QLatin1String(c)).toString()) : std::nullopt; };
            QCOMPARE(f->pal, texto("Pal"));
            QCOMPARE(f->sig, texto("Sig"));
            // mdbtools gives an empty text as Null; "123" stores its skeleton as "" and "" it stays.
            QCOMPARE(f->voc, f->pal == QStringLiteral("123") ? std::optional(QString()) : texto("Voc"));
            for (int n = 0; n < 6; ++n)
                QCOMPARE(f->marcas[n], e.value(QStringLiteral("A%1").arg(n + 2)).toInt() != 0);
        }
        QCOMPARE(a->fila(60)->pal, QStringLiteral("€uro"));
        QCOMPARE(a->fila(37)->pal, a->fila(3)->pal); // duplicates kept
    }

    // A definition of about 90 000 characters in a chain of long-value pages,
    // and a short one with Jet 4's "Unicode compression".
    void textosLargosYComprimidos()
    {
        QString larga;
        for (int i = 0; larga.size() < 90000; ++i)
            larga += QStringLiteral("%1. Definición «ñandú» € “así” 😀 ü\r\n").arg(i);
        auto a = convertirCambiada(QStringLiteral("largas"), [&](QByteArray &db) {
            const int primera = int(db.size() / kPagina), trozo = kPagina - 20;
            const QByteArray bytes = ucs2(larga);
            const int paginas = int((bytes.size() + trozo - 1) / trozo);
            for (int i = 0; i < paginas; ++i) {
                QByteArray f(4, '\0');
                pon32(f, 0, i + 1 < paginas ? quint32(primera + i + 1) << 8 : 0);
                db += paginaLarga(f + bytes.mid(i * trozo, trozo));
            }
            static const char kComprimida[] = "\xFF\xFE{\\rtf1 Canci\xF3n \x00\xAC\x20\x1C\x20\x00" "fin}";
            const QByteArray comprimida(kComprimida, sizeof kComprimida - 1);
            db += paginaLarga(comprimida);
            const int amor = valor(db, 0, 2), cancion = valor(db, 2, 2);
            pon32(db, amor, quint32(bytes.size())); // kind 0: a chain
            pon32(db, amor + 4, quint32(primera) << 8);
            pon32(db, cancion, quint32(comprimida.size()) | 0x40000000u);
            pon32(db, cancion + 4, quint32(primera + paginas) << 8);
        });
        QCOMPARE(*a->sig(1), larga);
        QCOMPARE(*a->sig(3), QStringLiteral("{\\rtf1 Canción €“fin}"));
    }

    // Damaged or foreign files, damaged long values, a destination that exists
    // or cannot be: a message, nothing made, the original as it was.
    void fallosDejanTodoComoEstaba_data()
    {
        COLUMNAS(QByteArray, datos, QString, destino, QString, mensaje);
        const QByteArray db = leerArchivo(muestraAccess());
        QByteArray sinTabla = db, sinColumna = db;
        renombrar(sinTabla, QStringLiteral("Palabras"), QStringLiteral("Palabrax"));
        renombrar(sinColumna, QStringLiteral("Sig"), QStringLiteral("Def"));
        QTest::newRow("cortado") << db.left(100000) << "" << "está cortado";
        QTest::newRow("cortado antes de sus datos") << db.left(kPaginaPalabras * kPagina) << "" << "se leyeron 0 filas";
        QTest::newRow("texto") << QByteArray("amor\ncanción\n") << "" << "no es una base de datos de Microsoft Access";
        QTest::newRow("sin tabla") << sinTabla << "" << "no tiene la tabla «Palabras»";
        QTest::newRow("sin columna") << sinColumna << "" << "no tiene la columna «Sig»";
        QTest::newRow("destino existente") << db << "data.lop" << "ya existe: no se sobrescribe";
        QTest::newRow("destino bajo un archivo") << db << "data.lop/x.lop" << "No se puede escribir en la carpeta";
        // amor's definition: 558 bytes in row 0 of page 28.
        for (const auto &[nombre, cabeza, puntero, mensaje] : {std::tuple{"página inexistente", 558u, 500u << 8, "«amor»"},
                                                               {"fila inexistente", 558u | 0x40000000u, (28u << 8) | 9, "no se puede leer entero"},
                                                               {"más largo que su fila", 600u | 0x40000000u, 28u << 8, "«Sig»"},
                                                               {"tipo desconocido", 558u | 0xC0000000u, 28u << 8, "fila 1"}}) {
            QByteArray d = db;
            pon32(d, valor(d, 0, 2), cabeza);
            pon32(d, valor(d, 0, 2) + 4, puntero);
            QTest::newRow(nombre) << d << "" << mensaje;
        }
    }
    void fallosDejanTodoComoEstaba()
    {
        DATOS(QByteArray, datos, QString, destino, QString, mensaje);
        QTemporaryDir d;
        const QString origen = d.filePath(QStringLiteral("data.lop"));
        QVERIFY(escribirArchivo(origen, datos));
        const QStringList antes = archivosDe(d.path());
        const QString m = fallo([&] { convertirAccess(origen, d.filePath(destino.isEmpty() ? QStringLiteral("nuevo.lop") : destino)); }).mensaje();
        QVERIFY2(m.contains(mensaje), qPrintable(m));
        QCOMPARE(archivosDe(d.path()), antes);
        // At start-up: the same failure, or nothing to do for a file that is not Access.
        if (destino.isEmpty())
            QVERIFY(Almacen::pareceAccess(origen) ? fallo([&] { convertirAlAbrir(origen); }).mensaje().contains(mensaje) : convertirAlAbrir(origen).isEmpty());
        QCOMPARE(leerArchivo(origen), datos);
        QCOMPARE(archivosDe(d.path()), antes);
    }

    void muerteEnCadaPaso_data()
    {
        QTest::addColumn<bool>("conversion");
        QTest::newRow("convertir") << true;
        QTest::newRow("abrir") << false;
    }
    void muerteEnCadaPaso()
    {
        QFETCH(bool, conversion);
        // The store before the change, and the states before and after it.
        QString base = muestraAccess();
        if (!conversion) {
            QStringList palabras;
            for (int i = 0; i < 10; ++i)
                for (const QString &w : palabrasDePrueba())
                    palabras << w + QString::number(i);
            base = crearAlmacen(dir.filePath(QStringLiteral("base.lop")), palabras);
            QVERIFY(volverAlFormato(base));
        }
        QTemporaryDir trabajo;
        const QString ruta = trabajo.filePath(QStringLiteral("data.lop"));
        const auto preparar = [&] {
            for (const QString &n : archivosDe(trabajo.path()))
                QFile::remove(trabajo.filePath(n));
            return QFile::copy(base, ruta) && QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        };
        QVERIFY(preparar());
        const QByteArray antes = conversion ? huellaArchivo(base) : huella(ruta);
        conversion ? void(convertirAlAbrir(ruta)) : void(Almacen::abrir(ruta));
        const QByteArray despues = huella(ruta);
        QVERIFY(preparar());
        QProcess p;
        p.start(QStringLiteral(RIMARIO_HIJO_MUERTE), {conversion ? QStringLiteral("convertir") : QStringLiteral("abrir"), ruta});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        const qint64 pasos = p.readAllStandardOutput().split(' ').value(1).trimmed().toLongLong();
        QVERIFY(pasos > 10);
        int conAntes = 0, conDespues = 0;
        for (qint64 k = 1; k <= pasos; ++k) {
            QVERIFY(preparar());
            p.start(QStringLiteral(RIMARIO_HIJO_MUERTE), {conversion ? QStringLiteral("convertir") : QStringLiteral("abrir"), ruta, QString::number(k)});
            QVERIFY(p.waitForFinished(60000));
            const QByteArray salida = p.readAllStandardError();
            const QString donde = QStringLiteral("muerte antes del paso %1: %2").arg(k).arg(QString::fromUtf8(salida));
            QVERIFY2(p.exitStatus() == QProcess::CrashExit && salida.contains("muerte antes del paso"), qPrintable(donde));
            // What another tool reads first (playing back a killed upgrade's journal).
            bool eraAntes = conversion ? huellaArchivo(ruta) == antes : false;
            if (!conversion) {
                QCOMPARE(uno(ruta, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
                const QByteArray h = huella(ruta);
                QVERIFY2(h == antes || h == despues, qPrintable(donde));
                eraAntes = h == antes;
            } else if (eraAntes) {
                // The Access file untouched: the next start converts it.
                QVERIFY2(!convertirAlAbrir(ruta).isEmpty(), qPrintable(donde));
            }
            ++(eraAntes ? conAntes : conDespues);
            auto a = Almacen::abrir(ruta);
            QVERIFY2(a->formato() == kFormatoActual && huella(ruta) == despues, qPrintable(donde));
            if (conversion) { // a copy of the original kept beside it
                const QStringList copias = archivosDe(trabajo.path()).filter(QStringLiteral("access"));
                QVERIFY2(std::any_of(copias.begin(), copias.end(), [&](const QString &n) { return huellaArchivo(trabajo.filePath(n)) == antes; }), qPrintable(donde));
            }
            a->anadir(QStringLiteral("después"), QStringLiteral("eé"), QStringLiteral("tras la muerte"));
            QVERIFY2(a->comprobarIntegridad().isEmpty(), qPrintable(donde));
        }
        QVERIFY(conAntes > 0 && conDespues > 0);
        qInfo("%lld puntos de muerte, todos sobrevividos: %d con el estado de antes, %d con el de después", pasos, conAntes, conDespues);
    }
};

QTEST_GUILESS_MAIN(PruebaAlmacen)
#include "prueba_almacen.moc"
