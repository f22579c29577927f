// Access files of the earlier program: the sample row by row against mdbtools'
// own export, long and compressed texts and damaged values in
// copies altered page by page (Jet 4: 4096-byte pages, row count at 12, row
// offsets from 14); failed conversions that leave everything as it was; the
// start-up conversion that keeps the original beside the new store; the
// skeleton check.

#include "conversion_access.h"

#include "../comun/almacen_prueba.h"
#include "../comun/proteccion.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace rimario;
using namespace rimario::prueba;

namespace {

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
template <typename F>
QString fallo(F &&f)
{
    try {
        f();
    } catch (const ErrorAlmacen &e) {
        return e.mensaje();
    }
    return QString();
}

} // namespace

class PruebaAccess : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString ruta(const QString &n) const { return dir_.filePath(n); }
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
        QTest::newRow("almacén propio") << leerArchivo(crearAlmacen(ruta(QStringLiteral("p.lop")), {QStringLiteral("sol")})) << "" << "no es una base de datos de Microsoft Access";
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
        const QString m = fallo([&] { convertirAccess(origen, d.filePath(destino.isEmpty() ? QStringLiteral("nuevo.lop") : destino)); });
        QVERIFY2(m.contains(mensaje), qPrintable(m));
        QCOMPARE(archivosDe(d.path()), antes);
        // At start-up: the same failure, or nothing to do for a file that is not Access.
        if (destino.isEmpty())
            QVERIFY(Almacen::pareceAccess(origen) ? fallo([&] { convertirAlAbrir(origen); }).contains(mensaje) : convertirAlAbrir(origen).isEmpty());
        QCOMPARE(leerArchivo(origen), datos);
        QCOMPARE(archivosDe(d.path()), antes);
    }
};

QTEST_GUILESS_MAIN(PruebaAccess)
#include "prueba_access.moc"
