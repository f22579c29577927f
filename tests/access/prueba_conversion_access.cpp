// Converting an Access file: failures leave everything as it was, the start-up
// conversion keeps the original beside the new store, and the skeleton check.

#include "apoyo_access.h"
#include "conversion_access.h"

#include "../comun/proteccion.h"

#include <QTemporaryDir>

using namespace rimario;
using namespace apoyo;

namespace {

// A store of rows given as they stand (Pal, Voc), Nulls included.
QString crearFilas(const QString &ruta, const QList<std::pair<std::optional<QString>, std::optional<QString>>> &filas)
{
    auto a = Almacen::crear(ruta);
    Almacen::Lote lote(*a);
    for (const auto &[pal, voc] : filas) {
        Fila f;
        f.pal = pal;
        f.voc = voc;
        lote.insertar(f);
    }
    lote.confirmar();
    return ruta;
}

// The message of the conversion's failure, or "" if it did not fail.
template <typename F>
QString fallo(F &&convertir)
{
    try {
        convertir();
    } catch (const ErrorAlmacen &e) {
        return e.mensaje();
    }
    return QString();
}

} // namespace

class PruebaConversionAccess : public QObject {
    Q_OBJECT

private slots:
    void fallosDejanTodoComoEstaba_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("mensaje");
        const QByteArray db = leerArchivo(muestraAccess());
        QByteArray sinTabla = db, sinColumna = db;
        renombrar(sinTabla, QStringLiteral("Palabras"), QStringLiteral("Palabrax"));
        renombrar(sinColumna, QStringLiteral("Sig"), QStringLiteral("Def"));
        QTemporaryDir d;
        const QByteArray propio = leerArchivo(crearAlmacen(d.filePath(QStringLiteral("a.lop")), {QStringLiteral("sol")}));
        QTest::newRow("cortado a media página") << db.left(100000) << "está cortado";
        QTest::newRow("cortado antes de sus datos") << db.left(kPaginaPalabras * kPagina) << "se leyeron 0 filas";
        QTest::newRow("solo la cabecera") << db.left(1000) << "está cortado";
        QTest::newRow("texto") << QByteArray("amor\ncanción\n") << "no es una base de datos de Microsoft Access";
        QTest::newRow("almacén de este programa") << propio << "no es una base de datos de Microsoft Access";
        QTest::newRow("sin tabla Palabras") << sinTabla << "no tiene la tabla «Palabras»";
        QTest::newRow("sin columna Sig") << sinColumna << "no tiene la columna «Sig»";
    }

    void fallosDejanTodoComoEstaba()
    {
        QFETCH(QByteArray, datos);
        QFETCH(QString, mensaje);
        QTemporaryDir d;
        const QString origen = d.filePath(QStringLiteral("data.lop"));
        QVERIFY(escribirArchivo(origen, datos));
        const QStringList antes = archivosDe(d.path());
        const QString m = fallo([&] { convertirAccess(origen, d.filePath(QStringLiteral("nuevo.lop"))); });
        QVERIFY2(m.contains(mensaje), qPrintable(m));
        QCOMPARE(archivosDe(d.path()), antes);
        // At start-up: the same failure, or nothing to do for a file that is not Access.
        if (Almacen::pareceAccess(origen))
            QVERIFY(fallo([&] { convertirAlAbrir(origen); }).contains(mensaje));
        else
            QCOMPARE(convertirAlAbrir(origen), QString());
        QCOMPARE(leerArchivo(origen), datos);
        QCOMPARE(archivosDe(d.path()), antes);
    }

    void destinoExistenteOImposible()
    {
        QTemporaryDir d;
        const QString existente = d.filePath(QStringLiteral("existe.lop"));
        QVERIFY(escribirArchivo(existente, "anterior"));
        QVERIFY(fallo([&] { convertirAccess(muestraAccess(), existente); }).contains(QStringLiteral("ya existe: no se sobrescribe")));
        // Under a file, not a folder.
        QVERIFY(fallo([&] { convertirAccess(muestraAccess(), existente + QStringLiteral("/nuevo.lop")); })
                    .contains(QStringLiteral("No se puede escribir en la carpeta")));
        QCOMPARE(leerArchivo(existente), QByteArray("anterior"));
        QCOMPARE(archivosDe(d.path()), QStringList{QStringLiteral("existe.lop")});
    }

    void carpetaDeSoloLectura()
    {
        QTemporaryDir d;
        const QString ruta = d.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(muestraAccess(), ruta));
        prueba::Proteccion proteccion;
        if (!proteccion.poner(d.path()))
            QSKIP("la protección no funciona aquí (hace falta chattr +i, ext4 o similar)");
        const QString m = fallo([&] { convertirAlAbrir(ruta); });
        QVERIFY(proteccion.quitar());
        QVERIFY2(m.contains(QStringLiteral("No se puede escribir en la carpeta")), qPrintable(m));
        QCOMPARE(huellaArchivo(ruta), huellaArchivo(muestraAccess()));
        QCOMPARE(archivosDe(d.path()), QStringList{QStringLiteral("data.lop")});
    }

    void conversionAlAbrir()
    {
        QTemporaryDir d;
        const QString ruta = d.filePath(QStringLiteral("data.lop"));
        const QString copia = d.filePath(QStringLiteral("data.access2000.lop"));
        QVERIFY(QFile::copy(muestraAccess(), ruta));
        qint64 ultimo = -1, total = -1;
        QCOMPARE(convertirAlAbrir(ruta, [&](qint64 h, qint64 t) { ultimo = h; total = t; }), copia);
        QCOMPARE(ultimo, 60);
        QCOMPARE(total, 60);
        QCOMPARE(huellaArchivo(copia), huellaArchivo(muestraAccess()));
        QVERIFY(!Almacen::pareceAccess(ruta));
        QCOMPARE(Almacen::abrir(ruta)->contarFilas(), 60);
        QCOMPARE(archivosDe(d.path()), (QStringList{QStringLiteral("data.access2000.lop"), QStringLiteral("data.lop")}));

        // Our own store is left alone.
        const QByteArray convertido = huellaArchivo(ruta);
        QCOMPARE(convertirAlAbrir(ruta), QString());
        QCOMPARE(huellaArchivo(ruta), convertido);

        // A second Access file: the earlier copy is never overwritten.
        QVERIFY(escribirArchivo(copia, "copia anterior"));
        QVERIFY(QFile::remove(ruta));
        QVERIFY(QFile::copy(muestraAccess(), ruta));
        QCOMPARE(convertirAlAbrir(ruta), d.filePath(QStringLiteral("data.access2000-2.lop")));
        QCOMPARE(leerArchivo(copia), QByteArray("copia anterior"));
        QCOMPARE(huellaArchivo(d.filePath(QStringLiteral("data.access2000-2.lop"))), huellaArchivo(muestraAccess()));
        QCOMPARE(Almacen::abrir(ruta)->fila(1)->pal, QStringLiteral("amor"));
    }

    void comprobarVocalesInforma()
    {
        QTemporaryDir d;
        const QString ruta = crearFilas(d.filePath(QStringLiteral("v.lop")),
                                        {{QStringLiteral("canción"), QStringLiteral("aio")},
                                         {QStringLiteral("amor"), QStringLiteral("oa")},
                                         {QStringLiteral("Rey"), std::nullopt},
                                         {QStringLiteral("123"), std::nullopt},
                                         {QStringLiteral("123"), QString()},
                                         {std::nullopt, QStringLiteral("a")},
                                         {std::nullopt, std::nullopt}});
        const QByteArray antes = huellaArchivo(ruta);
        const std::vector<Discrepancia> v = comprobarVocales(*Almacen::abrir(ruta, true));
        QCOMPARE(v.size(), size_t(3)); // a Null Voc stands for "" when the word has no vowels
        QCOMPARE(std::tuple(v[0].id, v[0].pal, v[0].voc, v[0].esperado),
                 std::tuple(qint64(2), QStringLiteral("amor"), std::optional(QStringLiteral("oa")), QStringLiteral("ao")));
        QCOMPARE(std::tuple(v[1].id, v[1].voc, v[1].esperado), std::tuple(qint64(3), std::optional<QString>(), QStringLiteral("ei")));
        QCOMPARE(std::tuple(v[2].id, v[2].esperado), std::tuple(qint64(6), QString()));
        QCOMPARE(huellaArchivo(ruta), antes);
    }
};

QTEST_GUILESS_MAIN(PruebaConversionAccess)
#include "prueba_conversion_access.moc"
