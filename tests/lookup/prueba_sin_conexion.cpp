// The services' addresses, and the offline sources: the thesaurus and dictd
// readers on the tiny files in datos/ (and damaged copies of them), and the
// pages made from what they find (the window shows one: the web lookups' test).

#include "lookup/paginas_sin_conexion.h"
#include "lookup/servicios.h"
#include "lookup/sin_conexion/dictd.h"
#include "lookup/sin_conexion/fuentes.h"
#include "lookup/sin_conexion/tesauro.h"

#include "../comun/almacen_prueba.h"

#include <QTemporaryDir>
#include <QTest>

using namespace rimario;
using rimario::prueba::datosDeArchivo;
using rimario::prueba::escribirArchivo;
using rimario::prueba::leerArchivo;

namespace {
const QString kDatos = QStringLiteral(RIMARIO_FUENTES "/tests/lookup/datos/");
const QString kCasa = QStringLiteral(":hogar,vivienda,morada | (f.):edificio,inmueble"), kHouse = QStringLiteral("casa/kˈasa: house");

// What a lookup found, "cat:syn,syn | cat:syn" or "head/pron: a; b || head: c"; or "error: ...".
QString resumen(const ConsultaTesauro &c)
{
    QStringList r;
    for (const AcepcionTesauro &a : c.acepciones)
        r << a.categoria + u':' + a.sinonimos.join(u',');
    return c.error.isEmpty() ? r.join(QStringLiteral(" | ")) : QStringLiteral("error: ") + c.error;
}
QString resumen(const ConsultaDict &c)
{
    QStringList r;
    for (const EntradaDict &d : c.entradas)
        r << d.encabezado + (d.pronunciacion.isEmpty() ? QString() : u'/' + d.pronunciacion) + QStringLiteral(": ") + d.acepciones.join(QStringLiteral("; "));
    return c.error.isEmpty() ? r.join(QStringLiteral(" || ")) : QStringLiteral("error: ") + c.error;
}
template <typename Lector, typename Consulta>
QString buscarEn(const QString &indice, const QString &datos, const QString &palabra)
{
    QString error;
    const auto l = Lector::abrir(indice, datos, &error);
    Consulta c = l ? l->buscar(palabra) : Consulta();
    c.error = l ? c.error : error;
    return resumen(c);
}
// A row of the readers' tables, and its check: hallado is what resumen gives, or "error: " and part of the message.
void fila(const char *n, const QByteArray &i, const QByteArray &d, const char *w, const QString &h) { QTest::newRow(n) << i << d << QString::fromUtf8(w) << h; }
void comprobar(const QString &r, const QString &hallado)
{
    QVERIFY2(hallado.startsWith(QLatin1String("error: ")) ? r.startsWith(QLatin1String("error: ")) && r.contains(hallado.mid(7)) : r == hallado, qPrintable(r));
}
} // namespace

class PruebaSinConexion : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void direcciones_data() { datosDeArchivo("lookup/datos/tablas.tsv", "direcciones"); }
    void direcciones()
    {
        DATOS(int, servicio, QString, valor, QString, palabra, QString, esperada);
        Servicios s = Servicios::porDefecto();
        const Servicios p = Servicios::porDefecto();
        s.valor(Servicio(servicio)) = valor;
        for (const DescripcionServicio &d : kServicios) {
            QCOMPARE(s.direccion(d.servicio, palabra), int(d.servicio) == servicio ? esperada : p.direccion(d.servicio, palabra));
            QCOMPARE(s.sinConexion(d.servicio), int(d.servicio) == servicio && esperada.startsWith(QLatin1String("rimario:")));
        }
        const auto pagina = leerDireccionSinConexion(QUrl(esperada));
        QCOMPARE(pagina.has_value(), esperada.startsWith(QLatin1String("rimario:")));
        QVERIFY(!pagina || pagina->palabra == palabra.trimmed());
    }

    void configuracion()
    {
        QVERIFY(escribirArchivo(dir.filePath(QStringLiteral("rimario.ini")), "[servicios]\ndefiniciones=http://127.0.0.1:8081\nsinonimos=http://127.0.0.1:8082\n"
                                "ingles=sin-conexion\n[sin-conexion]\ntesauro=/x/th\ningles=/x/en\n"));
        qputenv("RIMARIO_SINONIMOS", "http://127.0.0.1:9000");
        qputenv("RIMARIO_DICCIONARIO_INGLES", "/y/en");
        const Servicios s = Servicios::cargar(dir.path());
        const FuentesSinConexion f = FuentesSinConexion::cargar(dir.path());
        qunsetenv("RIMARIO_SINONIMOS");
        qunsetenv("RIMARIO_DICCIONARIO_INGLES");
        QCOMPARE(s.definiciones, QStringLiteral("http://127.0.0.1:8081"));
        QCOMPARE(s.sinonimos, QStringLiteral("http://127.0.0.1:9000")); // the environment wins
        QVERIFY(s.sinConexion(Servicio::Ingles) && !s.sinConexion(Servicio::Sinonimos));
        QCOMPARE(f.tesauroDatos(), QStringLiteral("/x/th.dat"));
        QCOMPARE(f.inglesIndice(), QStringLiteral("/y/en.index"));
    }

    // The sample, and damaged copies of it: a message or less found, never a crash.
    void tesauro_data()
    {
        COLUMNAS(QByteArray, indice, QByteArray, datos, QString, palabra, QString, hallado);
        const QByteArray idx = leerArchivo(kDatos + "th_prueba.idx"), dat = leerArchivo(kDatos + "th_prueba.dat");
        QByteArray desordenado = "ISO8859-1\n5\n";
        const QList<QByteArray> l = idx.split('\n');
        for (qsizetype i = l.size() - 1; i >= 2; --i)
            desordenado += l[i] + '\n';
        fila("tal cual", idx, dat, "casa", kCasa);
        fila("acento, en Latin-1", idx, dat, "CANCIÓN", QStringLiteral("(f.):cantar,copla,tonada | :poema,verso"));
        fila("ñ, la última", idx, dat, "ñu", QStringLiteral("(m.):antílope"));
        fila("fuera de Latin-1", idx, dat, "casa€", QString());
        fila("desordenado", desordenado, dat, "casa", kCasa);
        fila("CRLF", QByteArray(idx).replace("|95", "|101").replace("\n", "\r\n"), QByteArray(dat).replace("\n", "\r\n"), "casa", kCasa);
        fila("cuenta excesiva", idx, QByteArray(dat).replace("casa|2", "casa|9"), "casa", kCasa);
        fila("UTF-8, un número", "UTF-8\n1\ncasa|6\n", "UTF-8\ncasa|2\n-|añil\n-|2\n", "casa", QStringLiteral(":añil | :2"));
        fila("Latin-9", "ISO-8859-15\n1\ncasa|12\n", "ISO-8859-15\ncasa|1\n-|\xa4uro\n", "casa", QStringLiteral(":€uro"));
        fila("más allá del final", QByteArray(idx).replace("casa|95", "casa|9999"), dat, "casa", QStringLiteral("error: dañado"));
        fila("otra palabra", QByteArray(idx).replace("casa|95", "casa|10"), dat, "casa", QStringLiteral("error: concuerda"));
        fila("cuenta excesiva al final", "UTF-8\n1\ncasa|6\n", "UTF-8\ncasa|3\n-|añil", "casa", QStringLiteral(":añil"));
        fila("juego desconocido", QByteArray(idx).replace("ISO8859-1", "KOI8-R"), dat, "casa", QStringLiteral("error: juego de caracteres"));
        fila("índice vacío", QByteArray(), dat, "casa", QStringLiteral("error: juego de caracteres"));
    }
    void tesauro()
    {
        DATOS(QByteArray, indice, QByteArray, datos, QString, palabra, QString, hallado);
        escribirArchivo(dir.filePath(QStringLiteral("t.idx")), indice);
        escribirArchivo(dir.filePath(QStringLiteral("t.dat")), datos);
        comprobar(buscarEn<Tesauro, ConsultaTesauro>(dir.filePath(QStringLiteral("t.idx")), dir.filePath(QStringLiteral("t.dat")), palabra), hallado);
    }

    void dictd_data()
    {
        COLUMNAS(QByteArray, indice, QByteArray, datos, QString, palabra, QString, hallado);
        const QByteArray idx = leerArchivo(kDatos + "prueba.index"), dz = leerArchivo(kDatos + "prueba.dict.dz");
        QByteArray desordenado, otraTabla = dz;
        for (const QByteArray &l : idx.trimmed().split('\n'))
            desordenado.prepend(l + "\r\n");
        otraTabla[dz.indexOf("RA") + 6] = 32; // a table of chunks of 32 bytes over chunks of 64
        for (const char *datos : {"prueba.dict.dz", "prueba-sin-tabla.dict.dz", "prueba.dict"}) {
            const QByteArray d = leerArchivo(kDatos + datos);
            fila(qPrintable(QStringLiteral("una, ") + datos), idx, d, "casa", kHouse);
            fila(qPrintable(QStringLiteral("numeradas entre dos trozos, ") + datos), idx, d, "DE", QStringLiteral("de/dˈe: from, of; out of"));
        }
        fila("dos, en el orden del fichero", idx, dz, " Argentina", QStringLiteral("Argentina/ˌaɾxentˈina: Argentina || argentina/ˌaɾxentˈina: Argentinian woman"));
        fila("metadatos", idx, dz, "00databaseshort", QString());
        fila("cortado", idx, dz.left(dz.size() - 40), "casa", kHouse);
        fila("cortado, al final", idx, dz.left(dz.size() - 40), "ñu", QStringLiteral("error: más allá"));
        fila("desordenado, CRLF", desordenado, dz, "casa", kHouse);
        fila("demasiado larga", QByteArray(idx).replace("casa\tX\tU", "casa\tX\tEAAB"), dz, "casa", QStringLiteral("error: demasiado larga"));
        fila("primer trozo dañado", idx, QByteArray(dz).replace(dz.indexOf("prueba.dict") + 14, 8, QByteArray(8, '\xff')), "de", QStringLiteral("de/dˈe: from, of; out of"));
        fila("trozo dañado", idx, QByteArray(dz).replace(dz.size() - 60, 12, QByteArray(12, '\xff')), "ñu", QStringLiteral("error: descomprimir"));
        fila("tabla que no concuerda", idx, otraTabla, "casa", kHouse);
        fila("cabecera cortada", idx, dz.left(9), "casa", QStringLiteral("error: gzip"));
        fila("nombre sin final", idx, dz.left(dz.indexOf("prueba.dict")) + "prueba", "casa", QStringLiteral("error: cortada"));
    }
    void dictd()
    {
        DATOS(QByteArray, indice, QByteArray, datos, QString, palabra, QString, hallado);
        const QString datosRuta = dir.filePath(QTest::currentDataTag() + QByteArray(".dict") + (datos.startsWith('\x1f') ? ".dz" : ""));
        escribirArchivo(dir.filePath(QStringLiteral("d.index")), indice);
        escribirArchivo(datosRuta, datos);
        comprobar(buscarEn<Dictd, ConsultaDict>(dir.filePath(QStringLiteral("d.index")), datosRuta, palabra), hallado);
    }

    // A source not installed or damaged says so (that the files' text never
    // becomes markup is the fuzz targets' check).
    void paginas()
    {
        ConsultasSinConexion nada({dir.filePath(QStringLiteral("no")), dir.filePath(QStringLiteral("no"))});
        for (auto f : {FuenteSinConexion::Sinonimos, FuenteSinConexion::Ingles})
            QVERIFY(QString::fromUtf8(nada.pagina(QUrl(direccionSinConexion(f, QStringLiteral("casa"))))).contains(mensajeFuenteAusente(f).toHtmlEscaped()));
        escribirArchivo(dir.filePath(QStringLiteral("m.idx")), "KOI8-R\n");
        escribirArchivo(dir.filePath(QStringLiteral("m.dat")), "KOI8-R\n");
        ConsultasSinConexion mal({dir.filePath(QStringLiteral("m")), dir.filePath(QStringLiteral("no"))});
        QVERIFY(QString::fromUtf8(mal.pagina(QUrl(QStringLiteral("rimario:sinonimos/casa")))).contains(QStringLiteral("KOI8-R")));
    }
};

QTEST_GUILESS_MAIN(PruebaSinConexion)
#include "prueba_sin_conexion.moc"
