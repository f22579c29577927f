// Reading an Access file: the sample row by row against mdbtools' own export,
// long and compressed texts, moved rows and damaged long values.

#include "apoyo_access.h"
#include "conversion_access.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace rimario;
using namespace apoyo;

class PruebaLecturaAccess : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString ruta(const QString &nombre) const { return dir_.filePath(nombre); }

    // Converts a copy of the sample altered by 'cambiar'; returns the store.
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
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY2(QFile::exists(muestraAccess()), qPrintable(muestraAccess()));
    }

    void muestraFilaAFila()
    {
        const QByteArray antes = huellaArchivo(muestraAccess());
        QCOMPARE(convertirAccess(muestraAccess(), ruta(QStringLiteral("muestra.lop"))), 60);
        QCOMPARE(huellaArchivo(muestraAccess()), antes);

        // What mdbtools reads: one JSON object a row, Null values left out.
        const QString mdbJson = QStandardPaths::findExecutable(QStringLiteral("mdb-json"));
        QVERIFY2(!mdbJson.isEmpty(), "mdb-json (mdbtools) no está instalado");
        QProcess p;
        p.start(mdbJson, {muestraAccess(), QStringLiteral("Palabras")});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        const QList<QByteArray> lineas = p.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lineas.size(), 60);

        const auto almacen = Almacen::abrir(ruta(QStringLiteral("muestra.lop")));
        QCOMPARE(almacen->contarFilas(), 60);
        QCOMPARE(almacen->comprobarIntegridad(), QString());
        for (int i = 0; i < 60; ++i) {
            const QJsonObject e = QJsonDocument::fromJson(lineas[i]).object();
            const std::optional<Fila> f = almacen->fila(i + 1); // written in the file's order
            QVERIFY(f);
            QCOMPARE(e.value(QLatin1String("Id")).toInt(), i + 1);
            auto texto = [&](const char *columna) -> std::optional<QString> {
                if (!e.contains(QLatin1String(columna)))
                    return std::nullopt;
                return e.value(QLatin1String(columna)).toString();
            };
            QCOMPARE(f->pal, texto("Pal"));
            QCOMPARE(f->sig, texto("Sig"));
            // mdbtools gives an empty text as Null; the row of "123" stores
            // its skeleton as "" (its null mask says so), and "" it stays.
            QCOMPARE(f->voc, f->pal == QStringLiteral("123") ? std::optional(QString()) : texto("Voc"));
            for (int n = 0; n < 6; ++n)
                QCOMPARE(f->marcas[n], e.value(QStringLiteral("A%1").arg(n + 2)).toInt() != 0);
        }
        // A few values written down, independent of mdbtools.
        QCOMPARE(almacen->fila(1)->marcas, (Marcas6{true, false, false, false, false, false}));
        QCOMPARE(almacen->fila(60)->pal, QStringLiteral("€uro"));
        QVERIFY(almacen->fila(60)->sig->contains(QStringLiteral("comillas \\'93as\\'ed\\'94.\\b0 \\par\r\n}")));
        QCOMPARE(almacen->fila(37)->pal, almacen->fila(3)->pal); // duplicates kept
    }

    void textosLargosYComprimidos()
    {
        // A definition of about 90 000 characters in a chain of long-value
        // pages (plain UCS-2, with a surrogate pair), and a short one with
        // Jet 4's "Unicode compression", both appended to the sample.
        QString larga;
        for (int i = 0; larga.size() < 90000; ++i)
            larga += QStringLiteral("%1. Definición «ñandú» € “así” 😀 ü\r\n").arg(i);
        const QString corta = QStringLiteral("{\\rtf1 Canción €“fin}");
        auto store = convertirCambiada(QStringLiteral("largas"), [&](QByteArray &db) {
            const int primera = int(db.size() / kPagina);
            const QByteArray bytes = ucs2(larga);
            constexpr int kTrozo = kPagina - 14 - 2 - 4;
            const int paginas = int((bytes.size() + kTrozo - 1) / kTrozo);
            for (int i = 0; i < paginas; ++i) {
                QByteArray f(4, '\0');
                pon32(f, 0, i + 1 < paginas ? quint32(primera + i + 1) << 8 : 0);
                db += paginaLarga({f + bytes.mid(i * kTrozo, kTrozo)});
            }
            static const char kComprimida[] = "\xFF\xFE{\\rtf1 Canci\xF3n \x00\xAC\x20\x1C\x20\x00" "fin}";
            const QByteArray comprimida(kComprimida, sizeof kComprimida - 1);
            db += paginaLarga({comprimida});
            const int amor = valor(db, 0, 2), cancion = valor(db, 2, 2);
            pon32(db, amor, quint32(bytes.size())); // kind 0: a chain
            pon32(db, amor + 4, quint32(primera) << 8);
            pon32(db, cancion, quint32(comprimida.size()) | 0x40000000u);
            pon32(db, cancion + 4, quint32(primera + paginas) << 8);
        });
        QCOMPARE(store->sig(1)->size(), larga.size());
        QCOMPARE(*store->sig(1), larga);
        QCOMPARE(*store->sig(3), corta);
        QCOMPARE(store->contarFilas(), 60);
    }

    void filasMovidasYBorradas()
    {
        // Jet moves a grown row elsewhere (here to the end of its page) and
        // leaves a pointer in its place: the row keeps its place in the table's
        // order, and its data, flagged, is not a row of its own. A deleted row
        // keeps its bytes, flagged too.
        auto store = convertirCambiada(QStringLiteral("movida"), [](QByteArray &db) {
            const int base = kPaginaPalabras * kPagina, n = le16(db, base + 12);
            const auto [ini, largo] = fila(db, kPaginaPalabras, 1);
            const int nueva = (le16(db, base + 14 + 2 * (n - 1)) & 0x1FFF) - largo;
            db.replace(base + nueva, largo, db.mid(ini, largo)); // row n of the same page,
            pon16(db, base + 14 + 2 * n, quint32(nueva) | 0x8000); // flagged as the far end
            pon16(db, base + 12, quint32(n + 1));
            pon16(db, base + 2, quint32(le16(db, base + 2) - largo - 2));
            pon16(db, base + 16, quint32(le16(db, base + 16)) | 0x4000);
            pon32(db, ini, (quint32(kPaginaPalabras) << 8) | quint32(n));
            pon16(db, base + 20, quint32(le16(db, base + 20)) | 0xC000); // "corazón" deleted
            pon32(db, kDefinicionPalabras * kPagina + 16, 59); // the table's row count
        });
        QCOMPARE(store->contarFilas(), 59);
        QCOMPARE(store->fila(2)->pal, QStringLiteral("Amor"));
        QCOMPARE(store->fila(2)->voc, QStringLiteral("ao"));
        QCOMPARE(store->fila(3)->pal, QStringLiteral("canción"));
        QCOMPARE(store->fila(4)->pal, QStringLiteral("razón"));
    }

    void valoresDanados_data()
    {
        QTest::addColumn<int>("cabeza");
        QTest::addColumn<int>("puntero");
        QTest::addColumn<QString>("mensaje");
        // amor's definition: 558 bytes in row 0 of page 28.
        QTest::newRow("página inexistente") << 558 << (500 << 8) << "«amor»";
        QTest::newRow("fila inexistente") << (558 | 0x40000000) << ((28 << 8) | 9) << "no se puede leer entero";
        QTest::newRow("más largo que su fila") << (600 | 0x40000000) << (28 << 8) << "«Sig»";
        QTest::newRow("cadena en bucle") << 5000 << (28 << 8) << "dañada";
        QTest::newRow("tipo desconocido") << int(558 | 0xC0000000) << (28 << 8) << "fila 1";
    }

    void valoresDanados()
    {
        QFETCH(int, cabeza);
        QFETCH(int, puntero);
        QFETCH(QString, mensaje);
        QByteArray db = leerArchivo(muestraAccess());
        const int amor = valor(db, 0, 2);
        pon32(db, amor, quint32(cabeza));
        pon32(db, amor + 4, quint32(puntero));
        if (QByteArray(QTest::currentDataTag()) == "cadena en bucle")
            pon32(db, fila(db, 28, 0).first, quint32(puntero)); // the row points at itself
        const QString origen = ruta(QStringLiteral("danada.mdb")), destino = ruta(QStringLiteral("danada.lop"));
        QFile::remove(destino);
        QVERIFY(escribirArchivo(origen, db));
        try {
            convertirAccess(origen, destino);
            QFAIL("la conversión debía fallar");
        } catch (const ErrorAlmacen &e) {
            QVERIFY2(e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
            QVERIFY2(e.mensaje().contains(QStringLiteral("No se ha convertido nada")), qPrintable(e.mensaje()));
        }
        QVERIFY(!QFile::exists(destino));
        QCOMPARE(leerArchivo(origen), db);
    }
};

QTEST_GUILESS_MAIN(PruebaLecturaAccess)
#include "prueba_lectura_access.moc"
