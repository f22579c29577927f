#include "almacen.h"
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

QStringList palabrasEnOrden(const Almacen &a)
{
    QStringList r;
    a.recorrerEnOrden([&](qint64, const char *p, int n, bool, const char *, int) {
        r << QString::fromUtf8(p, n);
    });
    return r;
}

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

} // namespace

class PruebaAlmacen : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) { return dir.filePath(n); }

private slots:
    // Never created, never changed: a clear message for each kind of file.
    void archivosQueNoSonAlmacenes_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("mensaje");
        const auto archivo = [this](const char *nombre, const QByteArray &contenido) {
            escribirArchivo(ruta(QString::fromLatin1(nombre)), contenido);
            return ruta(QString::fromLatin1(nombre));
        };
        QByteArray access(4096, '\0');
        access.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        const QString otra = ruta(QStringLiteral("otra.lop")), nuevo = ruta(QStringLiteral("nuevo.lop"));
        consultar(otra, QStringLiteral("CREATE TABLE t(x)"));
        consultar(crearAlmacen(nuevo, {QStringLiteral("a")}), QStringLiteral("PRAGMA user_version = 99"));
        QTest::newRow("no existe") << ruta(QStringLiteral("falta.lop")) << int(ErrorAlmacen::Tipo::NoExiste) << "No se encuentra";
        QTest::newRow("texto") << archivo("texto.lop", QByteArray("hola, esto no es una base de datos\n").repeated(100))
                               << int(ErrorAlmacen::Tipo::NoEsAlmacen) << "";
        QTest::newRow("vacío") << archivo("vacio.lop", QByteArray()) << int(ErrorAlmacen::Tipo::NoEsAlmacen) << "";
        QTest::newRow("access") << archivo("access.lop", access) << int(ErrorAlmacen::Tipo::EsAccess) << "";
        QTest::newRow("otra base") << otra << int(ErrorAlmacen::Tipo::NoEsAlmacen) << "";
        QTest::newRow("formato nuevo") << nuevo << int(ErrorAlmacen::Tipo::FormatoNuevo) << "más reciente";
        // Opening a pipe waits for a writer: refused at once instead.
        const QString tuberia = ruta(QStringLiteral("tuberia.lop"));
        QCOMPARE(::mkfifo(QFile::encodeName(tuberia).constData(), 0644), 0);
        QTest::newRow("tubería") << tuberia << int(ErrorAlmacen::Tipo::NoEsAlmacen) << "no es un archivo normal";
        QTest::newRow("dispositivo") << QStringLiteral("/dev/null") << int(ErrorAlmacen::Tipo::NoEsAlmacen)
                                     << "no es un archivo normal";
    }
    void archivosQueNoSonAlmacenes()
    {
        QFETCH(QString, ruta);
        QFETCH(int, tipo);
        QFETCH(QString, mensaje);
        const bool existe = QFile::exists(ruta);
        const QByteArray antes = Almacen::esArchivoNormal(ruta) ? leerArchivo(ruta) : QByteArray();
        const ErrorAlmacen e = errorAlAbrir(ruta);
        QCOMPARE(int(e.tipo()), tipo);
        QVERIFY2(!e.mensaje().isEmpty() && e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
        QCOMPARE(QFile::exists(ruta), existe);
        if (Almacen::esArchivoNormal(ruta))
            QCOMPARE(leerArchivo(ruta), antes); // untouched
        QVERIFY(!Almacen::pareceAccess(ruta) || e.tipo() == ErrorAlmacen::Tipo::EsAccess);
    }

    void almacenBloqueadoAlAbrir()
    {
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("bloq.lop")), {QStringLiteral("uno")});
        sqlite3 *otro = nullptr;
        sqlite3_open(QFile::encodeName(r).constData(), &otro);
        sqlite3_exec(otro, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "200");
        try {
            Almacen::abrir(r);
            QFAIL("abrió un almacén bloqueado");
        } catch (const ErrorAlmacen &e) {
            QCOMPARE(e.tipo(), ErrorAlmacen::Tipo::Ocupado);
            QVERIFY(e.mensaje().contains(QStringLiteral("en uso por otro programa")));
        }
        qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS");
        sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(otro);
        QCOMPARE(Almacen::abrir(r)->contarFilas(), 1);
    }

    void ordenEspanol()
    {
        const QString r = crearAlmacen(ruta(QStringLiteral("orden.lop")),
                                               {QStringLiteral("ñu"), QStringLiteral("nube"), QStringLiteral("oso"),
                                                QStringLiteral("Árbol"), QStringLiteral("arbol"), QStringLiteral("árbol"),
                                                QStringLiteral("azul"), QStringLiteral("Nada")});
        auto a = Almacen::abrir(r);
        const QStringList orden = palabrasEnOrden(*a);
        // ñ after n, before o; accents and case are lesser differences.
        QCOMPARE(orden, QString::fromUtf8("arbol árbol Árbol azul Nada nube ñu oso").split(u' '));
    }

    void escriturasConfirmadasYValoresRaros()
    {
        const QString r = crearAlmacen(ruta(QStringLiteral("escr.lop")), {QStringLiteral("amor")});
        qint64 id;
        {
            auto a = Almacen::abrir(r);
            // Apostrophes and SQL-looking text are plain values.
            id = a->anadir(QStringLiteral("l'amour'); DROP TABLE Palabras; --"), QStringLiteral("aou"), std::nullopt);
            a->cambiarSig(id, QStringLiteral("{\\rtf1 it's}"));
        }
        // Another connection sees everything at once.
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE Sig IS NOT NULL"),
                 QStringList{QStringLiteral("l'amour'); DROP TABLE Palabras; --")});
        auto a = Almacen::abrir(r);
        QCOMPARE(a->contarFilas(), 2);
        QCOMPARE(a->sig(id).value_or(QString()), QStringLiteral("{\\rtf1 it's}"));
        a->cambiarSig(id, std::nullopt);
        QVERIFY(!a->sig(id).has_value()); // Null stays Null
        QVERIFY(a->comprobarIntegridad().isEmpty());
    }

    void edicionRecalculaVocalesYConservaMarcas()
    {
        const QString r = crearAlmacen(ruta(QStringLiteral("ed.lop")),
                                               {QStringLiteral("casa"), QStringLiteral("mesa"), QStringLiteral("cosa")});
        auto a = Almacen::abrir(r);
        a->marcarVocales(2, QStringLiteral("aa"), std::nullopt);
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A2 = -1"), QStringList{QStringLiteral("casa")});
        const auto f = a->fila(1);
        QVERIFY(f && f->pal == QStringLiteral("casa") && f->marcas[0]);
        // The edited word gets its new skeleton; its mark stays as the search left it.
        a->cambiarPal(1, QStringLiteral("cosita"));
        const auto g = a->fila(1);
        QCOMPARE(g->voc.value_or(QString()), QStringLiteral("oia"));
        QVERIFY(g->marcas[0]);
        // A word added afterwards is not marked, though its skeleton would match.
        a->anadir(QStringLiteral("pasa"), QStringLiteral("aa"), std::nullopt);
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A2 = -1 ORDER BY Pal"),
                 QStringList{QStringLiteral("cosita")});
        // A new search for the same length replaces every mark of the column.
        a->marcarVocales(2, QStringLiteral("aa"), std::nullopt);
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A2 = -1 ORDER BY Pal"),
                 QStringList{QStringLiteral("pasa")});
    }

    // Another program (the plain SQLite library, none of our functions) writes
    // through the view while the store is open here: writable, read-only, or
    // writable with a third program holding the write lock. The next read sees
    // the rows as if this program had written them.
    void escriturasPorLaVistaDeOtrasHerramientas_data()
    {
        QTest::addColumn<int>("modo"); // 0 writable, 1 read-only, 2 locked by a third program
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QString>("consonante"); // key, then the words it finds
        const char *modos[] = {"escritura", "soloLectura", "bloqueado"};
        for (int m = 0; m < 3; ++m) {
            QTest::addRow("insertar-%s", modos[m])
                << m << QStringLiteral("INSERT INTO Palabras (Pal, Voc) VALUES ('zurcasa', 'uaa');"
                                       "INSERT INTO Palabras (Pal, Voc, A5) VALUES ('bacasa', 'aaa', -1)")
                << QStringLiteral("a bacasa casa mesa pesa zurcasa") << QStringLiteral("asa bacasa casa zurcasa");
            QTest::addRow("renombrar-%s", modos[m])
                << m << QStringLiteral("UPDATE Palabras SET Pal = 'pasto' WHERE Pal = 'pesa'")
                << QStringLiteral("a casa mesa pasto") << QStringLiteral("esa mesa");
            QTest::addRow("renombrar-y-buscar-%s", modos[m])
                << m << QStringLiteral("UPDATE Palabras SET Pal = 'zeta' WHERE Pal = 'a'")
                << QStringLiteral("casa mesa pesa zeta") << QStringLiteral("eta zeta");
            QTest::addRow("borrar-%s", modos[m])
                << m << QStringLiteral("DELETE FROM Palabras WHERE Pal = 'mesa'")
                << QStringLiteral("a casa pesa") << QStringLiteral("esa pesa");
        }
    }

    void escriturasPorLaVistaDeOtrasHerramientas()
    {
        QFETCH(int, modo);
        QFETCH(QString, sql);
        QFETCH(QString, orden);
        QFETCH(QString, consonante);
        const QString r = crearAlmacen(ruta(QStringLiteral("vista-%1.lop").arg(QTest::currentDataTag())),
                                       lista("a casa mesa pesa"));
        auto a = Almacen::abrir(r, modo == 1);
        for (const QString &orden : sql.split(u';'))
            QCOMPARE(consultar(r, orden), QStringList());
        sqlite3 *otro = nullptr;
        if (modo == 2) {
            sqlite3_open(QFile::encodeName(r).constData(), &otro);
            QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        const auto fin = qScopeGuard([&] { sqlite3_close(otro); });
        QCOMPARE(palabrasEnOrden(*a).join(u' '), orden);
        Lexico lex(a->colador());
        lex.cargar(*a);
        const QString ultima = orden.split(u' ').last();
        QCOMPARE(lex.pal(lex.buscarPrefijo(ultima.left(ultima.size() - 1))).toString(), ultima);
        QStringList claves = consonante.split(u' ');
        const std::vector<QString> v = a->palabrasQueRiman(Almacen::TipoRima::Consonante, claves.takeFirst(), std::nullopt);
        QCOMPARE(QStringList(v.begin(), v.end()), claves);
        // Writable, the keys are made in the file at once; the marks given stay.
        if (modo == 0)
            QCOMPARE(consultar(r, "SELECT count(*) FROM PalabrasBase WHERE Clave IS NULL"), QStringList{QStringLiteral("0")});
        if (sql.contains(QLatin1String("A5")))
            QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A5 = -1"), QStringList{QStringLiteral("bacasa")});
        // The same rows, a later open of the file, writable, unlocked: the keys
        // are in the file and what is read is the same.
        if (otro)
            sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        a.reset();
        a = Almacen::abrir(r);
        QCOMPARE(consultar(r, "SELECT count(*) FROM PalabrasBase WHERE Clave IS NULL"), QStringList{QStringLiteral("0")});
        QCOMPARE(palabrasEnOrden(*a).join(u' '), orden);
        const std::vector<QString> w = a->palabrasQueRiman(Almacen::TipoRima::Consonante,
                                                           consonante.section(u' ', 0, 0), std::nullopt);
        QCOMPARE(QStringList(w.begin(), w.end()), claves);
    }

    // Archiving with the list read before another program wrote: a word that
    // is in the file (ours or theirs) gets the definition, never a second row.
    void archivarTrasOtroPrograma()
    {
        const QString r = crearAlmacen(ruta(QStringLiteral("archivar.lop")), lista("a casa mesa"));
        auto a = Almacen::abrir(r);
        ListaPalabras l(*a);
        l.releer();
        consultar(r, "INSERT INTO Palabras (Pal, Voc) VALUES ('zurcasa', 'uaa')");
        for (const char *p : {"a", "zurcasa", "ZURCASA", "nueva"}) {
            const QString pal = QString::fromUtf8(p);
            if (!l.buscarIgual(pal))
                l.anadir(pal, ExtraeVocales(pal), pal);
        }
        QCOMPARE(consultar(r, "SELECT Pal || '=' || ifnull(Sig, '') FROM Palabras ORDER BY Pal"),
                 lista("a= casa= mesa= nueva=nueva zurcasa="));
        // The word added by the other program after the list was last read, and
        // just before the write: it is found and not added again.
        a->exigirVersion(-1);
        consultar(r, "INSERT INTO Palabras (Pal, Voc) VALUES ('otra', 'oa')");
        l.anadir(QStringLiteral("otra"), QStringLiteral("oa"), QStringLiteral("def"));
        QCOMPARE(consultar(r, "SELECT Sig FROM Palabras WHERE Pal = 'otra'"), QStringList{QStringLiteral("def")});
        QCOMPARE(l.tamano(), 6);
        QCOMPARE(l.lexico().pal(l.tamano() - 1).toString(), QStringLiteral("zurcasa"));
        // A vowel-mode search: the rows given are the rows the marks select,
        // those the other program added since the list was read included.
        consultar(r, "INSERT INTO Palabras (Pal, Voc) VALUES ('pala', 'aa')");
        std::optional<ResultadoRima> res;
        l.alDia([&] { res = marcarRimasVocales(*a, l.lexico(), u"casa", 2, false); });
        QStringList dados;
        for (qsizetype i = 0; i < res->tamano(); ++i)
            dados << res->pal(i).toString();
        QCOMPARE(dados, consultar(r, "SELECT Pal FROM Palabras WHERE A2 = -1 ORDER BY Pal"));
        QCOMPARE(dados, lista("casa pala zurcasa"));
    }

    void clavesDeRimaYFormatoAnterior()
    {
        const QStringList palabras = {QStringLiteral("canción"), QStringLiteral("razón"), QStringLiteral("pájaro"),
                                      QStringLiteral("cántaro"), QStringLiteral("canto"), QStringLiteral("123")};
        const QString r = crearAlmacen(ruta(QStringLiteral("claves.lop")), palabras);
        const auto buscar = [](const Almacen &a, Almacen::TipoRima t, const char *clave, std::optional<int> s) {
            const std::vector<QString> v = a.palabrasQueRiman(t, QString::fromUtf8(clave), s);
            return QStringList(v.begin(), v.end());
        };
        {
            auto a = Almacen::abrir(r);
            QCOMPARE(buscar(*a, Almacen::TipoRima::Consonante, "on", std::nullopt),
                     (QStringList{QStringLiteral("canción"), QStringLiteral("razón")}));
            QCOMPARE(buscar(*a, Almacen::TipoRima::Asonante, "ao", 3),
                     (QStringList{QStringLiteral("cántaro"), QStringLiteral("pájaro")}));
        }
        // A store of the format before rhyme keys: read-only it is searched all the
        // same; writable it is brought up to date, all at once.
        QVERIFY(volverAlFormato1(r));
        {
            auto a = Almacen::abrir(r, true);
            QCOMPARE(a->formato(), 1);
            QCOMPARE(buscar(*a, Almacen::TipoRima::Asonante, "ao", std::nullopt),
                     (QStringList{QStringLiteral("cántaro"), QStringLiteral("canto"), QStringLiteral("pájaro")}));
        }
        auto a = Almacen::abrir(r);
        QCOMPARE(a->formato(), kFormatoActual);
        QCOMPARE(consultar(r, "PRAGMA user_version"), QStringList{QString::number(kFormatoActual)});
        QCOMPARE(consultar(r, "SELECT Consonante FROM PalabrasBase WHERE Pal = 'canto'"), QStringList{QStringLiteral("anto")});
        QCOMPARE(consultar(r, "SELECT count(*) FROM PalabrasBase WHERE Consonante IS NULL"), QStringList{QStringLiteral("1")});
        QCOMPARE(buscar(*a, Almacen::TipoRima::Consonante, "on", 2),
                 (QStringList{QStringLiteral("canción"), QStringLiteral("razón")}));
        // Words written later get their keys too.
        const qint64 id = a->anadir(QStringLiteral("camión"), QStringLiteral("aio"), std::nullopt);
        a->cambiarPal(id, QStringLiteral("avión"));
        QCOMPARE(buscar(*a, Almacen::TipoRima::Consonante, "on", std::nullopt),
                 (QStringList{QStringLiteral("avión"), QStringLiteral("canción"), QStringLiteral("razón")}));
    }

    // An older store while another program holds the write lock: the upgrade
    // waits as any write does; the lock freed in time, it is done; not freed,
    // the store is only read, every change refused with that reason.
    void formatoAnteriorBloqueado_data()
    {
        QTest::addColumn<int>("liberaTrasMs"); // -1: never
        QTest::newRow("se libera a tiempo") << 300;
        QTest::newRow("no se libera") << -1;
    }
    void formatoAnteriorBloqueado()
    {
        QFETCH(int, liberaTrasMs);
        const QString r = crearAlmacen(ruta(QStringLiteral("bloq-%1.lop").arg(liberaTrasMs)), lista("canto pájaro"));
        QVERIFY(volverAlFormato1(r));
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "2000");
        const auto fin = qScopeGuard([] { qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); });
        sqlite3 *otro = nullptr;
        sqlite3_open(QFile::encodeName(r).constData(), &otro);
        QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread libera([&] {
            if (liberaTrasMs >= 0) {
                QThread::msleep(liberaTrasMs);
                sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
            }
        });
        auto a = Almacen::abrir(r);
        libera.join();
        sqlite3_close(otro);
        const bool hecho = liberaTrasMs >= 0;
        QCOMPARE(a->soloLectura(), !hecho);
        QCOMPARE(a->formato(), hecho ? kFormatoActual : 1);
        QCOMPARE(a->motivoSoloLectura().contains(QStringLiteral("formato anterior")), !hecho);
        const std::vector<QString> v = a->palabrasQueRiman(Almacen::TipoRima::Asonante, QStringLiteral("ao"), std::nullopt);
        QCOMPARE(QStringList(v.begin(), v.end()), lista("canto pájaro"));
        try {
            a->anadir(QStringLiteral("cántaro"), QStringLiteral("aao"), std::nullopt);
            QVERIFY(hecho);
        } catch (const ErrorAlmacen &e) {
            QVERIFY2(!hecho && e.tipo() == ErrorAlmacen::Tipo::SoloLectura
                         && e.mensaje().contains(QStringLiteral("no se pudo poner al día porque otro programa")),
                     qPrintable(e.mensaje()));
        }
        QCOMPARE(consultar(r, "PRAGMA user_version"), QStringList{QString::number(hecho ? kFormatoActual : 1)});
        QCOMPARE(consultar(r, "SELECT count(*) FROM PalabrasBase"), QStringList{QString::number(hecho ? 3 : 2)});
    }

    // A write of the window is one transaction: one commit, and the store changed
    // (a program killed at any point leaves the state before or after it).
    void cadaEscrituraUnaTransaccion_data()
    {
        QTest::addColumn<QString>("operacion");
        for (const char *op : {"vocales", "archivar", "archivar nueva", "eliminar", "editar"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void cadaEscrituraUnaTransaccion()
    {
        QFETCH(QString, operacion);
        const QString r = crearAlmacen(ruta(QStringLiteral("tr-%1.lop").arg(QTest::currentDataTag())), palabrasDePrueba());
        auto a = Almacen::abrir(r);
        ListaPalabras l(*a);
        l.releer();
        l.refrescar();
        const char *todo = "SELECT group_concat(Id || Pal || ifnull(Sig, '') || A2, ',') FROM Palabras";
        const QStringList antes = consultar(r, todo);
        int commits = 0;
        sqlite3_commit_hook(a->conexion(), [](void *n) { return ++*static_cast<int *>(n), 0; }, &commits);
        const QString w = operacion == QLatin1String("archivar nueva") ? QStringLiteral("zampoña") : QStringLiteral("rosa");
        if (operacion == QLatin1String("vocales")) {
            QVERIFY(marcarRimasVocales(*a, l.lexico(), u"canción", 2, false));
        } else if (operacion.startsWith(QLatin1String("archivar"))) {
            if (l.buscarIgual(w))
                l.cambiarSig(l.actual(), QStringLiteral("{\\rtf1 def}"));
            else
                l.anadir(w, ExtraeVocales(w), QStringLiteral("{\\rtf1 def}"));
        } else {
            QVERIFY(l.buscarIgual(w));
            if (operacion == QLatin1String("eliminar"))
                l.eliminarActual();
            else
                l.cambiarPal(l.actual(), QStringLiteral("rosal"));
        }
        sqlite3_commit_hook(a->conexion(), nullptr, nullptr);
        QCOMPARE(commits, 1);
        QVERIFY(consultar(r, todo) != antes);
    }
    void soloLectura()
    {
        const QString r = crearAlmacen(ruta(QStringLiteral("lect.lop")), {QStringLiteral("uno")});
        auto a = Almacen::abrir(r, true);
        QVERIFY(a->soloLectura());
        QCOMPARE(palabrasEnOrden(*a), QStringList{QStringLiteral("uno")});
        try {
            a->anadir(QStringLiteral("dos"), QStringLiteral("o"), std::nullopt);
            QFAIL("escribió en un almacén de solo lectura");
        } catch (const ErrorAlmacen &e) {
            QVERIFY(e.mensaje().contains(QStringLiteral("solo se puede leer")));
        }
        QCOMPARE(a->contarFilas(), 1);
    }
};

QTEST_GUILESS_MAIN(PruebaAlmacen)
#include "prueba_almacen.moc"
