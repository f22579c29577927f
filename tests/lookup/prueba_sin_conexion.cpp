// The offline sources: the thesaurus and dictd readers on the tiny files in
// datos/ (and on damaged copies of them), the pages made from what they find,
// and those pages served under the internal scheme to a real web view.

#include "dictd.h"
#include "esquema_interno.h"
#include "fuentes.h"
#include "paginas_sin_conexion.h"
#include "tesauro.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

using namespace rimario;

namespace {

const QString kDatos = QStringLiteral(RIMARIO_FUENTES "/tests/lookup/datos/");

QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void escribir(const QString &ruta, const QByteArray &b)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(b);
}

// "cat:syn,syn | cat:syn" — empty when nothing was found.
QString resumen(const ConsultaTesauro &c)
{
    QStringList r;
    for (const AcepcionTesauro &a : c.acepciones)
        r << a.categoria + QLatin1Char(':') + a.sinonimos.join(QLatin1Char(','));
    return r.join(QStringLiteral(" | "));
}

// "head/pron: a; b || head: c"
QString resumen(const ConsultaDict &c)
{
    QStringList r;
    for (const EntradaDict &d : c.entradas)
        r << d.encabezado + (d.pronunciacion.isEmpty() ? QString() : QLatin1Char('/') + d.pronunciacion)
                + QStringLiteral(": ") + d.acepciones.join(QStringLiteral("; "));
    return r.join(QStringLiteral(" || "));
}

QByteArray latin1(const char *utf8)
{
    return QString::fromUtf8(utf8).toLatin1();
}

} // namespace

class PruebaSinConexion : public QObject {
    Q_OBJECT

private slots:
    void tesauro_data()
    {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("cabeza");
        QTest::addColumn<QString>("acepciones");
        const QString casa = QStringLiteral(":hogar,vivienda,morada | (f.):edificio,inmueble");
        QTest::newRow("tal cual") << "casa" << "casa" << casa;
        QTest::newRow("espacios y mayúscula") << " Casa " << "casa" << casa;
        QTest::newRow("acento, en Latin-1") << "CANCIÓN" << "canción" << "(f.):cantar,copla,tonada | :poema,verso";
        QTest::newRow("inicial mayúscula") << "dios" << "Dios" << ":Creador,Señor,Todopoderoso";
        QTest::newRow("ñ, última del índice") << "ñu" << "ñu" << "(m.):antílope";
        QTest::newRow("prefijo") << "rápid" << "rápid" << "";
        QTest::newRow("fuera de Latin-1") << "casa€" << "casa€" << "";
        QTest::newRow("vacía") << "  " << "" << "";
    }
    void tesauro()
    {
        QFETCH(QString, palabra);
        QFETCH(QString, cabeza);
        QFETCH(QString, acepciones);
        QString error;
        const auto t = Tesauro::abrir(kDatos + "th_prueba.idx", kDatos + "th_prueba.dat", &error);
        QVERIFY2(t, qPrintable(error));
        QCOMPARE(t->palabras(), 5);
        const ConsultaTesauro c = t->buscar(palabra);
        QVERIFY(c.error.isEmpty());
        QCOMPARE(c.palabra, cabeza);
        QCOMPARE(resumen(c), acepciones);
    }

    // Damaged copies of the sample: a message or less found, never a crash.
    void tesauroDanado_data()
    {
        QTest::addColumn<QByteArray>("indice");
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("error");      // part of the message; "-" none
        QTest::addColumn<QString>("acepciones"); // of "casa"
        const QByteArray idx = leer(kDatos + "th_prueba.idx"), dat = leer(kDatos + "th_prueba.dat");
        const QString casa = QStringLiteral(":hogar,vivienda,morada | (f.):edificio,inmueble");
        QByteArray desordenado = "ISO8859-1\n5\n";
        const QList<QByteArray> l = idx.split('\n');
        for (qsizetype i = l.size() - 1; i >= 2; --i)
            desordenado += l[i] + '\n';
        QByteArray crlf = dat;
        crlf.replace("\n", "\r\n");
        QByteArray crlfIdx = idx;
        crlfIdx.replace("|95", "|101").replace("\n", "\r\n"); // casa: 6 lines above it
        QByteArray masAcepciones = dat;
        masAcepciones.replace("casa|2", "casa|9");
        QTest::newRow("desordenado") << desordenado << dat << "-" << casa;
        QTest::newRow("CRLF") << crlfIdx << crlf << "-" << casa;
        QTest::newRow("cuenta excesiva") << idx << masAcepciones << "-" << casa;
        QTest::newRow("UTF-8, un sinónimo que es un número")
            << QByteArray("UTF-8\n1\ncasa|6\n") << QByteArray("UTF-8\ncasa|2\n-|añil\n-|2\n") << "-" << ":añil | :2";
        QTest::newRow("Latin-9") << QByteArray("ISO-8859-15\n1\ncasa|12\n")
                                 << QByteArray("ISO-8859-15\ncasa|1\n-|\xa4uro\n") << "-" << ":€uro";
        QTest::newRow("más allá del final") << QByteArray(idx).replace("casa|95", "casa|9999") << dat << "dañado"
                                            << "";
        QTest::newRow("otra palabra") << QByteArray(idx).replace("casa|95", "casa|10") << dat << "concuerda" << "";
        QTest::newRow("datos cortados") << idx << dat.left(110) << "-" << ":hogar";
        QTest::newRow("sin número") << QByteArray(idx).replace("casa|95", "casa|x9") << dat << "-" << "";
        QTest::newRow("juego desconocido") << QByteArray(idx).replace("ISO8859-1", "KOI8-R") << dat
                                           << "juego de caracteres" << "";
        QTest::newRow("índice vacío") << QByteArray() << dat << "juego de caracteres" << "";
    }
    void tesauroDanado()
    {
        QFETCH(QByteArray, indice);
        QFETCH(QByteArray, datos);
        QFETCH(QString, error);
        QFETCH(QString, acepciones);
        QTemporaryDir dir;
        escribir(dir.filePath("t.idx"), indice);
        escribir(dir.filePath("t.dat"), datos);
        QString mensaje;
        const auto t = Tesauro::abrir(dir.filePath("t.idx"), dir.filePath("t.dat"), &mensaje);
        ConsultaTesauro c;
        if (t)
            c = t->buscar(QStringLiteral("casa"));
        else
            c.error = mensaje;
        if (error == QLatin1String("-"))
            QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        else
            QVERIFY2(c.error.contains(error), qPrintable(c.error));
        QCOMPARE(resumen(c), acepciones);
    }

    void dictd_data()
    {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("entradas");
        QTest::newRow("una") << "casa" << "casa/kˈasa: house";
        QTest::newRow("dos, en el orden del fichero") << " Argentina"
                                                      << "Argentina/ˌaɾxentˈina: Argentina || "
                                                         "argentina/ˌaɾxentˈina: Argentinian woman";
        QTest::newRow("numeradas, entre dos trozos") << "DE" << "de/dˈe: from, of; out of";
        QTest::newRow("sin pronunciación, al final") << "Ñu" << "ñu: gnu";
        QTest::newRow("acento") << "canción" << "canción/kanθjˈon: song";
        QTest::newRow("metadatos") << "00databaseshort" << "";
        QTest::newRow("prefijo") << "cas" << "";
        QTest::newRow("vacía") << "" << "";
    }
    void dictd()
    {
        QFETCH(QString, palabra);
        QFETCH(QString, entradas);
        // By chunks, inflated from the start, and uncompressed: the same text.
        for (const char *datos : {"prueba.dict.dz", "prueba-sin-tabla.dict.dz", "prueba.dict"}) {
            QString error;
            const auto d = Dictd::abrir(kDatos + "prueba.index", kDatos + datos, &error);
            QVERIFY2(d, qPrintable(error));
            QCOMPARE(d->palabras(), 6);
            QCOMPARE(d->porTrozos(), datos == std::string_view("prueba.dict.dz"));
            const ConsultaDict c = d->buscar(palabra);
            QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
            QCOMPARE(resumen(c), entradas);
        }
    }

    void dictdDanado_data()
    {
        QTest::addColumn<QByteArray>("indice");
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("error"); // part of the message; "-" none
        QTest::addColumn<QString>("entradas");
        const QByteArray idx = leer(kDatos + "prueba.index"), dz = leer(kDatos + "prueba.dict.dz");
        QByteArray desordenado;
        const QList<QByteArray> l = idx.trimmed().split('\n');
        for (qsizetype i = l.size() - 1; i >= 0; --i)
            desordenado += l[i] + "\r\n";
        // The table of chunks says more than the file holds: it is not used,
        // and what lies before the cut is still read.
        QTest::newRow("cortado") << idx << dz.left(dz.size() - 40) << "casa" << "-" << "casa/kˈasa: house";
        QTest::newRow("cortado, al final") << idx << dz.left(dz.size() - 40) << "ñu" << "más allá" << "";
        QTest::newRow("desordenado, CRLF") << desordenado << dz << "casa" << "-" << "casa/kˈasa: house";
        QTest::newRow("más allá del final") << QByteArray(idx).replace("casa\tX\t", "casa\tzzz\t") << dz << "casa"
                                            << "más allá" << "";
        QTest::newRow("demasiado larga") << QByteArray(idx).replace("casa\tX\tU", "casa\tX\tEAAB") << dz << "casa"
                                         << "demasiado larga" << "";
        QTest::newRow("largo cero") << QByteArray(idx).replace("casa\tX\tU", "casa\tX\tA") << dz << "casa" << "-" << "";
        // The start of the stream damaged: a later chunk is still read alone.
        QTest::newRow("primer trozo dañado")
            << idx << QByteArray(dz).replace(dz.indexOf("prueba.dict") + 14, 8, QByteArray(8, '\xff')) << "de" << "-"
            << "de/dˈe: from, of; out of";
        QTest::newRow("número no válido") << QByteArray(idx).replace("casa\tX\t", "casa\tX?\t") << dz << "casa"
                                          << "-" << "";
        QTest::newRow("trozo dañado") << idx << QByteArray(dz).replace(dz.size() - 60, 12, QByteArray(12, '\xff'))
                                      << "ñu" << "descomprimir" << "";
        // A table of chunks of 32 bytes over chunks of 64: read from the start.
        QByteArray otraTabla = dz;
        otraTabla[dz.indexOf("RA") + 6] = 32;
        QTest::newRow("tabla que no concuerda") << idx << otraTabla << "casa" << "-" << "casa/kˈasa: house";
        QTest::newRow("cabecera cortada") << idx << dz.left(9) << "casa" << "gzip" << "";
        QTest::newRow("nombre sin final") << idx << dz.left(dz.indexOf("prueba.dict")) + "prueba" << "casa" << "cortada"
                                          << "";
    }
    void dictdDanado()
    {
        QFETCH(QByteArray, indice);
        QFETCH(QByteArray, datos);
        QFETCH(QString, palabra);
        QFETCH(QString, error);
        QFETCH(QString, entradas);
        QTemporaryDir dir;
        escribir(dir.filePath("d.index"), indice);
        escribir(dir.filePath("d.dict.dz"), datos);
        QString mensaje;
        const auto d = Dictd::abrir(dir.filePath("d.index"), dir.filePath("d.dict.dz"), &mensaje);
        ConsultaDict c;
        if (d)
            c = d->buscar(palabra);
        else
            c.error = mensaje;
        if (error == QLatin1String("-"))
            QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        else
            QVERIFY2(c.error.contains(error), qPrintable(c.error));
        QCOMPARE(resumen(c), entradas);
    }

    void direcciones_data()
    {
        QTest::addColumn<QString>("direccion");
        QTest::addColumn<int>("fuente"); // -1: not a page of ours
        QTest::addColumn<QString>("palabra");
        const auto s = FuenteSinConexion::Sinonimos, i = FuenteSinConexion::Ingles;
        for (const QString &p : {QStringLiteral("casa"), QStringLiteral("canción"), QStringLiteral("y/o ¿qué?#1"),
                                 QStringLiteral("a%20b")})
            QTest::newRow(qPrintable(p)) << direccionSinConexion(s, p) << int(s) << p;
        QTest::newRow("inglés") << direccionSinConexion(i, QStringLiteral(" ñu ")) << int(i) << "ñu";
        QTest::newRow("otra página") << "rimario:otra/casa" << -1 << "";
        QTest::newRow("sin palabra") << "rimario:sinonimos" << -1 << "";
        QTest::newRow("otro esquema") << "http://x.example/sinonimos/casa" << -1 << "";
    }
    void direcciones()
    {
        QFETCH(QString, direccion);
        QFETCH(int, fuente);
        QFETCH(QString, palabra);
        const auto p = leerDireccionSinConexion(QUrl(direccion));
        QCOMPARE(p.has_value(), fuente >= 0);
        if (p) {
            QCOMPARE(int(p->fuente), fuente);
            QCOMPARE(p->palabra, palabra);
        }
    }

    void paginas()
    {
        // What the files say is text, never markup.
        ConsultaTesauro t;
        t.palabra = QStringLiteral("<b>&amp;");
        t.acepciones = {{QStringLiteral("(<i>)"), {QStringLiteral("<script>x</script>"), QStringLiteral("a&b")}}};
        ConsultaDict d;
        d.palabra = t.palabra;
        d.entradas = {{QStringLiteral("<h1>"), QStringLiteral("<p>"), {QStringLiteral("\"<q>\"")}}};
        for (const QString &h : {paginaSinonimos(t), paginaIngles(d)}) {
            for (const char *crudo : {"<b>", "<i>", "<script", "<h1>&", "<p>", "<q>", "a&b"})
                QVERIFY2(!h.contains(QLatin1String(crudo)), crudo);
            QVERIFY(h.contains(QStringLiteral("&lt;b&gt;&amp;amp;")));
        }
        QVERIFY(paginaSinonimos(t).contains(QStringLiteral("&lt;script&gt;x&lt;/script&gt;, a&amp;b")));

        // A source not installed says so; one installed is read.
        QTemporaryDir dir;
        ConsultasSinConexion nada({dir.filePath("no"), dir.filePath("no")});
        for (auto f : {FuenteSinConexion::Sinonimos, FuenteSinConexion::Ingles}) {
            QVERIFY(!nada.fuentes().instalada(f));
            QVERIFY(QString::fromUtf8(nada.pagina(QUrl(direccionSinConexion(f, QStringLiteral("casa")))))
                        .contains(mensajeFuenteAusente(f).toHtmlEscaped()));
        }
        ConsultasSinConexion hay({kDatos + "th_prueba", kDatos + "prueba"});
        const QString casa = QString::fromUtf8(hay.pagina(QUrl(QStringLiteral("rimario:sinonimos/casa"))));
        QVERIFY(casa.contains(QStringLiteral("hogar, vivienda, morada")));
        const QString nadaHallado = QString::fromUtf8(hay.pagina(QUrl(QStringLiteral("rimario:ingles/zz%3Cb%3E"))));
        QVERIFY(nadaHallado.contains(QStringLiteral("zz&lt;b&gt;")) && !nadaHallado.contains(QStringLiteral("<li>")));
        // Damaged: the message of the reader.
        escribir(dir.filePath("m.idx"), "KOI8-R\n");
        escribir(dir.filePath("m.dat"), "KOI8-R\n");
        ConsultasSinConexion mal({dir.filePath("m"), dir.filePath("no")});
        QVERIFY(QString::fromUtf8(mal.pagina(QUrl(QStringLiteral("rimario:sinonimos/casa"))))
                    .contains(QStringLiteral("KOI8-R")));
    }

    void fuentesConfiguradas()
    {
        QTemporaryDir dir;
        QCOMPARE(FuentesSinConexion::cargar(dir.path()).tesauro, FuentesSinConexion::porDefecto().tesauro);
        escribir(dir.filePath("rimario.ini"), "[sin-conexion]\ntesauro=/x/th\ningles=/x/en\n");
        qputenv("RIMARIO_DICCIONARIO_INGLES", "/y/en");
        const FuentesSinConexion f = FuentesSinConexion::cargar(dir.path());
        qunsetenv("RIMARIO_DICCIONARIO_INGLES");
        QCOMPARE(f.tesauroDatos(), QStringLiteral("/x/th.dat"));
        QCOMPARE(f.inglesIndice(), QStringLiteral("/y/en.index")); // the environment wins
        // Only an uncompressed dictionary: that one is read.
        const FuentesSinConexion plano{QString(), dir.filePath("d")};
        escribir(dir.filePath("d.dict"), "x");
        QCOMPARE(plano.inglesDatos(), dir.filePath("d.dict"));
        escribir(dir.filePath("d.dict.dz"), "x");
        QCOMPARE(plano.inglesDatos(), dir.filePath("d.dict.dz"));
    }

    // The scheme serves the pages to a real web view.
    void esquemaEnLaVista()
    {
        QWebEngineProfile perfil;
        // Installed twice: the second (with the sources) replaces the first.
        instalarEsquemaInterno(&perfil, {QStringLiteral("/nada"), QStringLiteral("/nada")});
        instalarEsquemaInterno(&perfil, {kDatos + "th_prueba", kDatos + "prueba"});
        QWebEnginePage pagina(&perfil);
        const struct {
            const char *direccion;
            const char *texto;
        } casos[] = {{"rimario:sinonimos/canci%C3%B3n", "cantar, copla, tonada"},
                     {"rimario:ingles/casa", "house"}};
        for (const auto &c : casos) {
            QSignalSpy hecho(&pagina, &QWebEnginePage::loadFinished);
            pagina.load(QUrl(QString::fromLatin1(c.direccion)));
            QVERIFY(hecho.wait(20000));
            QVERIFY(hecho.first().first().toBool());
            QString texto;
            bool listo = false;
            pagina.toPlainText([&](const QString &t) {
                texto = t;
                listo = true;
            });
            QTRY_VERIFY_WITH_TIMEOUT(listo, 20000);
            QVERIFY2(texto.contains(QString::fromUtf8(c.texto)), qPrintable(texto));
        }
    }
};

int main(int argc, char **argv)
{
    registrarEsquemaInterno(); // before the application
    QApplication app(argc, argv);
    PruebaSinConexion prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "prueba_sin_conexion.moc"
