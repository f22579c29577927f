#include "almacen.h"
#include "lexico.h"

#include "../comun/almacen_prueba.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace rimario;

namespace {

QStringList palabrasEnOrden(const Almacen &a)
{
    QStringList r;
    a.recorrerEnOrden([&](qint64, const char *p, int n, bool, const char *, int) {
        r << QString::fromUtf8(p, n);
    });
    return r;
}

// Runs SQL on the file through a separate connection (as another tool would).
QStringList consultar(const QString &ruta, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt *st = nullptr;
    QStringList r;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW)
            r << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    } else {
        r << QStringLiteral("ERROR: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return r;
}

} // namespace

class PruebaAlmacen : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) { return dir.filePath(n); }

private slots:
    void nuncaCreaElArchivo()
    {
        const QString r = ruta(QStringLiteral("falta.lop"));
        try {
            Almacen::abrir(r);
            QFAIL("abrió un archivo que no existe");
        } catch (const ErrorAlmacen &e) {
            QCOMPARE(e.tipo(), ErrorAlmacen::Tipo::NoExiste);
            QVERIFY(e.mensaje().contains(QStringLiteral("No se encuentra")));
        }
        QVERIFY(!QFile::exists(r));
    }

    void archivosQueNoSonAlmacenes_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("tipo");
        QTest::newRow("texto") << QByteArray("hola, esto no es una base de datos\n").repeated(100)
                               << int(ErrorAlmacen::Tipo::NoEsAlmacen);
        QTest::newRow("vacío") << QByteArray() << int(ErrorAlmacen::Tipo::NoEsAlmacen);
        QByteArray access(4096, '\0');
        access.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QTest::newRow("access") << access << int(ErrorAlmacen::Tipo::EsAccess);
    }
    void archivosQueNoSonAlmacenes()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(int, tipo);
        const QString r = ruta(QStringLiteral("%1.lop").arg(QTest::currentDataTag()));
        QFile f(r);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contenido);
        f.close();
        try {
            Almacen::abrir(r);
            QFAIL("se abrió como almacén");
        } catch (const ErrorAlmacen &e) {
            QCOMPARE(int(e.tipo()), tipo);
            QVERIFY(!e.mensaje().isEmpty());
        }
        QFile g(r);
        QVERIFY(g.open(QIODevice::ReadOnly));
        QCOMPARE(g.readAll(), contenido); // untouched
    }

    void otraBaseSqliteYFormatoNuevo()
    {
        const QString otra = ruta(QStringLiteral("otra.lop"));
        consultar(otra, "CREATE TABLE t(x)");
        QVERIFY_THROWS_EXCEPTION(ErrorAlmacen, Almacen::abrir(otra));

        const QString nuevo = prueba::crearAlmacen(ruta(QStringLiteral("nuevo.lop")), {QStringLiteral("a")});
        consultar(nuevo, "PRAGMA user_version = 99");
        try {
            Almacen::abrir(nuevo);
            QFAIL("abrió un formato más reciente");
        } catch (const ErrorAlmacen &e) {
            QCOMPARE(e.tipo(), ErrorAlmacen::Tipo::FormatoNuevo);
            QVERIFY(e.mensaje().contains(QStringLiteral("más reciente")));
        }
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
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("orden.lop")),
                                               {QStringLiteral("ñu"), QStringLiteral("nube"), QStringLiteral("oso"),
                                                QStringLiteral("Árbol"), QStringLiteral("arbol"), QStringLiteral("árbol"),
                                                QStringLiteral("azul"), QStringLiteral("Nada")});
        auto a = Almacen::abrir(r);
        const QStringList orden = palabrasEnOrden(*a);
        // ñ after n, before o; accents and case are lesser differences.
        QCOMPARE(orden.indexOf(QStringLiteral("nube")) < orden.indexOf(QStringLiteral("ñu")), true);
        QCOMPARE(orden.indexOf(QStringLiteral("ñu")) < orden.indexOf(QStringLiteral("oso")), true);
        QCOMPARE(orden.indexOf(QStringLiteral("Nada")) < orden.indexOf(QStringLiteral("nube")), true);
        QCOMPARE(orden.indexOf(QStringLiteral("Árbol")) < orden.indexOf(QStringLiteral("azul")), true);
        QCOMPARE(orden.mid(0, 3), (QStringList{QStringLiteral("arbol"), QStringLiteral("árbol"), QStringLiteral("Árbol")}));
    }

    void escriturasConfirmadasYValoresRaros()
    {
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("escr.lop")), {QStringLiteral("amor")});
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
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("ed.lop")),
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

    void marcasComoLasDejanLasSentencias()
    {
        // The view gives exactly what clearing the column and marking the
        // matching rows would leave, for every length, with and without size.
        const QStringList palabras = prueba::palabrasDePrueba();
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("marcas.lop")), palabras);
        {
            auto a = Almacen::abrir(r);
            a->marcarVocales(2, QStringLiteral("ao"), std::nullopt);
            a->marcarVocales(3, QStringLiteral("aio"), qint64(6));
        }
        // The same statements run on a plain copy of the rows.
        consultar(r, "CREATE TABLE Copia AS SELECT Pal, Voc, 0 AS A2, 0 AS A3 FROM PalabrasBase");
        consultar(r, "UPDATE Copia SET A2 = -1 WHERE substr(Voc, -2) = 'ao'");
        consultar(r, "UPDATE Copia SET A3 = -1 WHERE substr(Voc, -3) = 'aio' AND length(Pal) = 6");
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A2 = -1 ORDER BY Pal"),
                 consultar(r, "SELECT Pal FROM Copia WHERE A2 = -1 ORDER BY Pal"));
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A3 = -1 ORDER BY Pal"),
                 consultar(r, "SELECT Pal FROM Copia WHERE A3 = -1 ORDER BY Pal"));
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A3 = -1 ORDER BY Pal"),
                 (QStringList{QStringLiteral("camino"), QStringLiteral("camión"), QStringLiteral("pasión")}));
        QCOMPARE(consultar(r, "SELECT count(*) FROM Palabras WHERE A4 <> 0 OR A5 <> 0 OR A6 <> 0 OR A7 <> 0"),
                 QStringList{QStringLiteral("0")});
        // Marks stay in the file for the next run.
        auto a = Almacen::abrir(r);
        const EstadoMarcas e = a->estadoMarcas();
        QCOMPARE(e.reglas[0].fin.value_or(QString()), QStringLiteral("ao"));
        QCOMPARE(e.reglas[1].largo.value_or(0), 6);
    }

    void escriturasPorLaVistaDeOtrasHerramientas()
    {
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("vista.lop")), {QStringLiteral("zeta")});
        consultar(r, "INSERT INTO Palabras (Pal, Voc) VALUES ('alfa', 'aa')");
        consultar(r, "UPDATE Palabras SET A5 = -1 WHERE Pal = 'zeta'");
        auto a = Almacen::abrir(r); // remakes the sort key of the new row
        QCOMPARE(palabrasEnOrden(*a), (QStringList{QStringLiteral("alfa"), QStringLiteral("zeta")}));
        QCOMPARE(consultar(r, "SELECT Pal FROM Palabras WHERE A5 = -1"), QStringList{QStringLiteral("zeta")});
    }

    void clavesDeRimaYFormatoAnterior()
    {
        const QStringList palabras = {QStringLiteral("canción"), QStringLiteral("razón"), QStringLiteral("pájaro"),
                                      QStringLiteral("cántaro"), QStringLiteral("canto"), QStringLiteral("123")};
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("claves.lop")), palabras);
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
        consultar(r, "DROP INDEX PalabrasBase_consonante");
        consultar(r, "DROP INDEX PalabrasBase_asonante");
        for (const char *c : {"Consonante", "Asonante", "Silabas"})
            consultar(r, QStringLiteral("ALTER TABLE PalabrasBase DROP COLUMN %1").arg(QLatin1String(c)).toUtf8().constData());
        consultar(r, "PRAGMA user_version = 1");
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

    void soloLectura()
    {
        const QString r = prueba::crearAlmacen(ruta(QStringLiteral("lect.lop")), {QStringLiteral("uno")});
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
