// The word store: files that are not stores, the Spanish order, writes and
// their transactions, rows written by another program, the older format, text
// it cannot hold as it is.

#include "lexico.h"
#include "lista_palabras.h"
#include "rima.h"

#include "../comun/almacen_prueba.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <thread>

#include <sys/stat.h>

using namespace rimario;
using namespace rimario::prueba;

namespace {

// The error opening the file gives (General, "se abrió", if it opened).
ErrorAlmacen errorAlAbrir(const QString &ruta)
{
    try {
        Almacen::abrir(ruta);
    } catch (const ErrorAlmacen &e) {
        return e;
    }
    return ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("se abrió"));
}

// Another program holding the write lock (or, exclusivo, every lock) until it lets go.
sqlite3 *bloquear(const QString &ruta, const char *como = "BEGIN IMMEDIATE")
{
    sqlite3 *otro = nullptr;
    sqlite3_open(QFile::encodeName(ruta).constData(), &otro);
    sqlite3_exec(otro, como, nullptr, nullptr, nullptr);
    return otro;
}

} // namespace

class PruebaAlmacen : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) { return dir.filePath(n); }
    QString almacen(const char *palabras) { return crearAlmacen(ruta(QString::fromLatin1(QTest::currentDataTag()) + QTest::currentTestFunction()), lista(palabras)); }

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
        QTest::newRow("texto") << archivo("texto.lop", QByteArray("hola, esto no es una base de datos\n").repeated(100)) << int(T::NoEsAlmacen) << "";
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
        const bool existe = QFile::exists(ruta), normal = Almacen::esArchivoNormal(ruta);
        const QByteArray antes = normal ? leerArchivo(ruta) : QByteArray();
        const ErrorAlmacen e = errorAlAbrir(ruta);
        QCOMPARE(int(e.tipo()), tipo);
        QVERIFY2(!e.mensaje().isEmpty() && e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
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
            l.buscarIgual(w) ? l.cambiarSig(l.actual(), QStringLiteral("{\\rtf1 def}")) : void(l.anadir(w, ExtraeVocales(w), QStringLiteral("{\\rtf1 def}")));
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
    void escriturasDeOtrosProgramas_data()
    {
        // modo: 0 writable, 1 read-only, 2 locked by a third program
        // consonante: key, then the words it finds
        COLUMNAS(int, modo, QString, sql, QString, orden, QString, consonante);
        QTest::newRow("insertar") << 0 << "INSERT INTO Palabras (Pal, Voc, A5) VALUES ('zurcasa', 'uaa', -1)" << "a casa mesa pesa zurcasa" << "asa casa zurcasa";
        QTest::newRow("renombrar, solo lectura") << 1 << "UPDATE Palabras SET Pal = 'pasto' WHERE Pal = 'pesa'" << "a casa mesa pasto" << "esa mesa";
        QTest::newRow("renombrar, bloqueado") << 2 << "UPDATE Palabras SET Pal = 'zeta' WHERE Pal = 'a'" << "casa mesa pesa zeta" << "eta zeta";
        QTest::newRow("borrar, bloqueado") << 2 << "DELETE FROM Palabras WHERE Pal = 'mesa'" << "a casa pesa" << "esa pesa";
    }
    void escriturasDeOtrosProgramas()
    {
        DATOS(int, modo, QString, sql, QString, orden, QString, consonante);
        const QString r = almacen("a casa mesa pesa");
        auto a = Almacen::abrir(r, modo == 1);
        QCOMPARE(consultar(r, sql), QStringList());
        sqlite3 *otro = modo == 2 ? bloquear(r) : nullptr;
        const auto fin = qScopeGuard([&] { sqlite3_close(otro); });
        QStringList claves = consonante.split(u' ');
        const QString clave = claves.takeFirst();
        for (int vez = 0; vez < 2; ++vez) {
            QCOMPARE(palabrasEnOrden(*a).join(u' '), orden);
            Lexico lex(a->colador());
            lex.cargar(*a);
            const QString ultima = orden.section(u' ', -1);
            QCOMPARE(lex.pal(lex.buscarPrefijo(ultima.chopped(1))).toString(), ultima);
            QCOMPARE(deVector(a->palabrasQueRiman(Almacen::TipoRima::Consonante, clave, std::nullopt)), claves);
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
        QCOMPARE(l.tamano(), 6);
    }

    // A store of the format before rhyme keys: read-only it is searched all the
    // same; writable it is brought up to date at once; with another program
    // holding the write lock the upgrade waits as a write does, and if the lock
    // stays, the store is only read and every change refused with that reason.
    void formatoAnterior_data()
    {
        QTest::addColumn<int>("modo"); // 0 read-only, 1 writable, 2 locked and freed in time, 3 locked throughout
        QTest::newRow("solo lectura") << 0;
        QTest::newRow("escritura") << 1;
        QTest::newRow("se libera a tiempo") << 2;
        QTest::newRow("no se libera") << 3;
    }
    void formatoAnterior()
    {
        QFETCH(int, modo);
        const QString r = almacen("canción razón pájaro cántaro canto 123");
        QCOMPARE(deVector(Almacen::abrir(r)->palabrasQueRiman(Almacen::TipoRima::Asonante, QStringLiteral("ao"), 3)), lista("cántaro pájaro"));
        QVERIFY(volverAlFormato1(r));
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "2000");
        sqlite3 *otro = modo >= 2 ? bloquear(r) : nullptr;
        std::thread libera([&] {
            if (modo == 2)
                QThread::msleep(300), sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        auto a = Almacen::abrir(r, modo == 0);
        libera.join();
        sqlite3_close(otro);
        const bool hecho = modo == 1 || modo == 2;
        QCOMPARE(a->formato(), hecho ? kFormatoActual : 1);
        QCOMPARE(a->soloLectura(), !hecho);
        QCOMPARE(a->motivoSoloLectura().contains(QStringLiteral("formato anterior")), modo == 3);
        QCOMPARE(deVector(a->palabrasQueRiman(Almacen::TipoRima::Asonante, QStringLiteral("ao"), std::nullopt)), lista("cántaro canto pájaro"));
        QCOMPARE(deVector(a->palabrasQueRiman(Almacen::TipoRima::Consonante, QStringLiteral("on"), 2)), lista("canción razón"));
        QCOMPARE(uno(r, QStringLiteral("PRAGMA user_version")), QString::number(hecho ? kFormatoActual : 1));
        try {
            const qint64 id = a->anadir(QStringLiteral("camión"), QStringLiteral("aio"), std::nullopt);
            a->cambiarPal(id, QStringLiteral("avión"));
            QVERIFY(hecho);
            QCOMPARE(deVector(a->palabrasQueRiman(Almacen::TipoRima::Consonante, QStringLiteral("on"), std::nullopt)), lista("avión canción razón"));
            QCOMPARE(uno(r, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE Consonante IS NULL")), QStringLiteral("1"));
        } catch (const ErrorAlmacen &e) {
            QVERIFY2(!hecho && (modo == 0 || (e.tipo() == ErrorAlmacen::Tipo::SoloLectura && e.mensaje().contains("no se pudo poner al día porque otro programa"))),
                     qPrintable(e.mensaje()));
            QCOMPARE(uno(r, QStringLiteral("SELECT count(*) FROM PalabrasBase")), QStringLiteral("6"));
        }
    }
};

QTEST_GUILESS_MAIN(PruebaAlmacen)
#include "prueba_almacen.moc"
