// Converting an Access file: failures leave everything as it was, the start-up
// conversion keeps the original beside the new store, the skeleton check, and
// the two commands of rimario-cli.

#include "apoyo_access.h"
#include "conversion_access.h"

#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

using namespace rimario;
using namespace apoyo;

namespace {

QStringList contenido(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString crearAlmacen(const QString &ruta, const QList<std::pair<std::optional<QString>, std::optional<QString>>> &filas)
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

} // namespace

class PruebaConversionAccess : public QObject {
    Q_OBJECT

private slots:
    void fallosDejanTodoComoEstaba_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("mensaje");
        const QByteArray db = leer(muestra());
        QByteArray sinTabla = db, sinColumna = db;
        renombrar(sinTabla, QStringLiteral("Palabras"), QStringLiteral("Palabrax"));
        renombrar(sinColumna, QStringLiteral("Sig"), QStringLiteral("Def"));
        QTemporaryDir d;
        const QByteArray propio = leer(crearAlmacen(d.filePath(QStringLiteral("a.lop")), {{QStringLiteral("sol"), QStringLiteral("o")}}));
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
        escribir(origen, datos);
        const QStringList antes = contenido(d.path());
        auto comprobar = [&](const std::function<void()> &convertir) {
            try {
                convertir();
                QFAIL("la conversión debía fallar");
            } catch (const ErrorAlmacen &e) {
                QVERIFY2(e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
            }
            QCOMPARE(leer(origen), datos);
            QCOMPARE(contenido(d.path()), antes);
        };
        comprobar([&] { convertirAccess(origen, d.filePath(QStringLiteral("nuevo.lop"))); });
        if (Almacen::pareceAccess(origen))
            comprobar([&] { convertirAlAbrir(origen); });
        else
            QCOMPARE(convertirAlAbrir(origen), QString()); // not Access: nothing to do
        QCOMPARE(leer(origen), datos);
    }

    void destinoExistenteOImposible()
    {
        QTemporaryDir d;
        const QString existente = d.filePath(QStringLiteral("existe.lop"));
        escribir(existente, "anterior");
        const QString bajoArchivo = existente + QStringLiteral("/nuevo.lop"); // under a file, not a folder
        for (const auto &[destino, mensaje] : {std::pair(existente, QStringLiteral("ya existe: no se sobrescribe")),
                                                std::pair(bajoArchivo, QStringLiteral("No se puede escribir en la carpeta"))}) {
            try {
                convertirAccess(muestra(), destino);
                QFAIL("la conversión debía fallar");
            } catch (const ErrorAlmacen &e) {
                QVERIFY2(e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
            }
        }
        QCOMPARE(leer(existente), QByteArray("anterior"));
        QCOMPARE(contenido(d.path()), QStringList{QStringLiteral("existe.lop")});
    }

    void carpetaDeSoloLectura()
    {
        QTemporaryDir d;
        const QString ruta = d.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(muestra(), ruta));
        // root writes through permission bits: the folder is made immutable instead.
        const bool root = ::geteuid() == 0;
        auto proteger = [&](bool si) {
            if (!root)
                return QFile::setPermissions(d.path(), si ? QFile::ReadOwner | QFile::ExeOwner
                                                          : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return QProcess::execute(QStringLiteral("chattr"), {si ? QStringLiteral("+i") : QStringLiteral("-i"), d.path()}) == 0;
        };
        if (!proteger(true))
            QSKIP("Como root, esta prueba necesita «chattr +i», que este sistema de archivos no admite.");
        QString mensaje;
        try {
            convertirAlAbrir(ruta);
        } catch (const ErrorAlmacen &e) {
            mensaje = e.mensaje();
        }
        QVERIFY(proteger(false));
        QVERIFY2(mensaje.contains(QStringLiteral("No se puede escribir en la carpeta")), qPrintable(mensaje));
        QCOMPARE(huella(ruta), huella(muestra()));
        QCOMPARE(contenido(d.path()), QStringList{QStringLiteral("data.lop")});
    }

    void conversionAlAbrir()
    {
        QTemporaryDir d;
        const QString ruta = d.filePath(QStringLiteral("data.lop"));
        const QString copia = d.filePath(QStringLiteral("data.access2000.lop"));
        QVERIFY(QFile::copy(muestra(), ruta));
        qint64 ultimo = -1, total = -1;
        QCOMPARE(convertirAlAbrir(ruta, [&](qint64 h, qint64 t) { ultimo = h; total = t; }), copia);
        QCOMPARE(ultimo, 60);
        QCOMPARE(total, 60);
        QCOMPARE(huella(copia), huella(muestra()));
        QVERIFY(!Almacen::pareceAccess(ruta));
        QCOMPARE(Almacen::abrir(ruta)->contarFilas(), 60);
        QCOMPARE(contenido(d.path()), (QStringList{QStringLiteral("data.access2000.lop"), QStringLiteral("data.lop")}));

        // Our own store is left alone.
        const QByteArray convertido = huella(ruta);
        QCOMPARE(convertirAlAbrir(ruta), QString());
        QCOMPARE(huella(ruta), convertido);

        // A second Access file: the earlier copy is never overwritten.
        escribir(copia, "copia anterior");
        QVERIFY(QFile::remove(ruta));
        QVERIFY(QFile::copy(muestra(), ruta));
        QCOMPARE(convertirAlAbrir(ruta), d.filePath(QStringLiteral("data.access2000-2.lop")));
        QCOMPARE(leer(copia), QByteArray("copia anterior"));
        QCOMPARE(huella(d.filePath(QStringLiteral("data.access2000-2.lop"))), huella(muestra()));
        QCOMPARE(Almacen::abrir(ruta)->fila(1)->pal, QStringLiteral("amor"));
    }

    void comprobarVocalesInforma()
    {
        QTemporaryDir d;
        const QString ruta = crearAlmacen(d.filePath(QStringLiteral("v.lop")),
                                          {{QStringLiteral("canción"), QStringLiteral("aio")},
                                           {QStringLiteral("amor"), QStringLiteral("oa")},
                                           {QStringLiteral("Rey"), std::nullopt},
                                           {QStringLiteral("123"), std::nullopt},
                                           {QStringLiteral("123"), QString()},
                                           {std::nullopt, QStringLiteral("a")},
                                           {std::nullopt, std::nullopt}});
        const QByteArray antes = huella(ruta);
        const std::vector<Discrepancia> v = comprobarVocales(*Almacen::abrir(ruta, true));
        QCOMPARE(v.size(), size_t(3)); // a Null Voc stands for "" when the word has no vowels
        QCOMPARE(std::tuple(v[0].id, v[0].pal, v[0].voc, v[0].esperado),
                 std::tuple(qint64(2), QStringLiteral("amor"), std::optional(QStringLiteral("oa")), QStringLiteral("ao")));
        QCOMPARE(std::tuple(v[1].id, v[1].voc, v[1].esperado), std::tuple(qint64(3), std::optional<QString>(), QStringLiteral("ei")));
        QCOMPARE(std::tuple(v[2].id, v[2].esperado), std::tuple(qint64(6), QString()));
        QCOMPARE(huella(ruta), antes);
    }

    void ordenesDeLaLineaDeOrdenes()
    {
        QTemporaryDir d;
        auto ejecutar = [](const QStringList &args, QString *err = nullptr, QString *out = nullptr) {
            QProcess p;
            p.start(QStringLiteral(RIMARIO_CLI), args);
            if (!p.waitForFinished(60000))
                return -1;
            if (err)
                *err = QString::fromUtf8(p.readAllStandardError());
            if (out)
                *out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitCode();
        };
        const QString destino = d.filePath(QStringLiteral("c.lop"));
        QString err, out;
        QCOMPARE(ejecutar({QStringLiteral("convertir"), muestra(), destino}, &err), 0);
        QVERIFY2(err.contains(QStringLiteral("60 de 60")), qPrintable(err));
        QCOMPARE(ejecutar({QStringLiteral("convertir"), muestra(), destino}, &err), 1);
        QVERIFY(err.contains(QStringLiteral("ya existe")));
        QCOMPARE(ejecutar({QStringLiteral("convertir"), muestra()}), 2);

        QCOMPARE(ejecutar({QStringLiteral("comprobar"), destino}, nullptr, &out), 0);
        QVERIFY2(out.contains(QStringLiteral("Las 60 palabras")), qPrintable(out));
        const QString mal = crearAlmacen(d.filePath(QStringLiteral("m.lop")), {{QStringLiteral("amor"), QStringLiteral("oa")}});
        QCOMPARE(ejecutar({QStringLiteral("comprobar"), mal}, nullptr, &out), 1);
        QVERIFY2(out.startsWith(QStringLiteral("1\tamor\tVoc: «oa»\tesperado: «ao»\n")), qPrintable(out));
        QCOMPARE(ejecutar({QStringLiteral("comprobar"), d.filePath(QStringLiteral("no.lop"))}, &err), 2);
        QVERIFY(err.contains(QStringLiteral("No se encuentra")));
    }
};

QTEST_GUILESS_MAIN(PruebaConversionAccess)
#include "prueba_conversion_access.moc"
