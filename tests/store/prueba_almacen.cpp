#include "almacen.h"
#include "lexico.h"

#include "../comun/almacen_prueba.h"

#include <QTemporaryDir>
#include <QTest>

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
    }
    void archivosQueNoSonAlmacenes()
    {
        QFETCH(QString, ruta);
        QFETCH(int, tipo);
        QFETCH(QString, mensaje);
        const bool existe = QFile::exists(ruta);
        const QByteArray antes = leerArchivo(ruta);
        const ErrorAlmacen e = errorAlAbrir(ruta);
        QCOMPARE(int(e.tipo()), tipo);
        QVERIFY2(!e.mensaje().isEmpty() && e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
        QCOMPARE(QFile::exists(ruta), existe);
        QCOMPARE(leerArchivo(ruta), antes); // untouched
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

    void escriturasPorLaVistaDeOtrasHerramientas()
    {
        const QString r = crearAlmacen(ruta(QStringLiteral("vista.lop")), {QStringLiteral("zeta")});
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
