// The RTF reader and writer: values stored by the old program, what the writer
// keeps, the reader's details and damaged input, and definitions whose shape
// would make the view slow (the fuzz target reads random input).

#include "richtext/rtf.h"

#include "../comun/tabla.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>


using rimario::escribirRtf;
using rimario::leerRtf;

namespace {

const QString kCabecera = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
                                         "\\viewkind4\\uc1\\pard\\f0\\fs17 ");

// One line per fragment: its text and the formatting the writer keeps.
QString firma(const QTextDocument &d)
{
    QString r;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next(), r += u'|')
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            r += QStringLiteral("[%1] %2%3%4%5 %6 %7pt %8 %9 %10\n").arg(it.fragment().text())
                     .arg(f.fontWeight() >= QFont::DemiBold).arg(f.fontItalic()).arg(f.fontUnderline()).arg(f.fontStrikeOut())
                     .arg(f.verticalAlignment()).arg(f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 8.5)
                     .arg(f.fontFamilies().toStringList().value(0, QStringLiteral("MS Sans Serif")))
                     .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : "-")
                     .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name() : "-");
        }
    return r;
}

} // namespace

class PruebaRtf : public QObject {
    Q_OBJECT
private slots:

    // Formatting round-trips and the second writing equals the first.
    void formato()
    {
        QTextDocument d;
        QTextCursor c(&d);
        QTextCharFormat f, g, h;
        c.insertText(QStringLiteral("normal "), f);
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        c.insertText(QStringLiteral("negrita y cursiva "), f);
        g.setFontUnderline(true);
        g.setFontPointSize(12);
        g.setFontStrikeOut(true);
        g.setForeground(QColor(255, 0, 0));
        g.setBackground(QColor(0, 0, 255));
        c.insertBlock(QTextBlockFormat(), g);
        c.insertText(QStringLiteral("tachado rojo sobre azul "), g);
        h.setFontFamilies({QStringLiteral("Times Ñew Roman")});
        h.setFontPointSize(20);
        h.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        c.insertText(QStringLiteral("grande"), h);
        h.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        h.setForeground(QColor(0, 128, 0));
        c.insertText(QStringLiteral("abajo"), h);
        c.insertBlock(QTextBlockFormat(), f);
        c.insertText(QStringLiteral("fin"), QTextCharFormat());
        const QString rtf = escribirRtf(&d);
        QVERIFY(rtf.contains(QStringLiteral("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;")));
        QVERIFY(rtf.contains(QStringLiteral("{\\f1\\fnil\\fcharset0 Times \\'d1ew Roman;}")));
        QVERIFY2(rtf.contains(QStringLiteral("\\par fin")), qPrintable(rtf)); // formatting before \par
        QTextDocument l;
        leerRtf(rtf, &l);
        QCOMPARE(firma(l), firma(d));
        QCOMPARE(escribirRtf(&l), rtf);
        d.setPlainText(QStringLiteral("ñ©€ λ😀\\{}\t"));
        QVERIFY(escribirRtf(&d).contains(QStringLiteral("\\'f1\\'a9\\'80 \\u955?\\u-10179?\\u-8704?\\\\\\{\\}\\tab ")));
    }

    // Reader details: control words, destinations, code pages, \u and \uc; damaged input.
    void lector_data()
    {
        rimario::prueba::datosDeArchivo("richtext/lector.tsv");
        const auto fila = [](const char *n, const QString &rtf, const char *texto) { QTest::newRow(n) << rtf << QString::fromUtf8(texto); };
        const auto u8 = [](const char *s) { return QString::fromUtf8(s); };
        fila("del programa anterior", kCabecera + u8("\\b S\\'edmbolo \\'80 y \\'93as\\'ed\\'94.\\b0 \\par\r\n1. m. Sentimiento.\\par\r\n}\r\n"), "Símbolo € y “así”.\n1. m. Sentimiento.");
        fila("nul", u8("{\\rtf1 a") + QChar(0) + u8("b\\'00c\\u0?d\\"), "abcd");
        fila("anidado", u8("{\\rtf1 a") + QString(1000000, u'{') + u'x' + QString(1000000, u'}') + u8("b}"), "ab");
    }
    void lector()
    {
        DATOS(QString, rtf, QString, texto);
        QTextDocument d;
        leerRtf(rtf, &d);
        QStringList parrafos; // (toPlainText would not keep no-break spaces)
        for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
            parrafos << b.text();
        QCOMPARE(parrafos.join(u'\n'), texto);
    }

    // Each kind whose layout would keep the view busy, at its limit and just past
    // it: shown, or replaced by the message (the stored text is not touched).
    void definicionesQueNoSeMuestran_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<bool>("mostrada");
        const QString r = QStringLiteral("{\\rtf1 ");
        const auto par = [&](const char *n, const QString &cada, int limite) {
            QTest::newRow((QByteArray(n) + " al límite").constData()) << r + cada.repeated(limite) << true;
            QTest::newRow((QByteArray(n) + " pasado").constData()) << r + cada.repeated(limite + 1) << false;
        };
        // 30,000 breaks or lines of 12 points, 100,000 runs (those inside a word
        // weigh more), 600,000 characters of text; in one paragraph, 100,000
        // characters and 20,000 runs
        par("par", QStringLiteral("\\par "), 30001); // the last \par opens no paragraph
        par("line", QStringLiteral("\\line "), 30000);
        par("u8232", QStringLiteral("\\u8232 x"), 30000);
        par("u8233", QStringLiteral("\\u8233 x"), 30000);
        par("u2028 literal", QString(QChar(0x2028)), 30000);
        par("fin de marco", QStringLiteral("\\u-559?"), 30000);
        par("row y sect", QStringLiteral("\\row\\sect "), 15000);
        par("letra enorme", QStringLiteral("\\fs3276 \\line"), 219);
        par("formato por tabulador", QStringLiteral("\\b\\tab\\b0\\tab").repeated(5000) + QStringLiteral("\\par "), 10);
        par("letras", QString(100, u'x') + QStringLiteral("\\par "), 6000);
        par("formato en un párrafo", QStringLiteral("\\b\\tab\\b0\\tab"), 10000);
        par("formato por letra en una palabra", QStringLiteral("\\b a\\b0 a"), 2000);
        par("letras en un párrafo", QStringLiteral("x"), 100000);
        par("letras entre saltos de línea", QStringLiteral("xxxxxxxxx\\line "), 10000);
        // 200 fonts (a size, a family, a style each)
        const auto tamanos = [&](int n) {
            QString t = r;
            for (int i = 0; i < n; ++i)
                t += QStringLiteral("\\fs%1 x ").arg(10 + i);
            return t;
        };
        QTest::newRow("tipos de letra al límite") << tamanos(198) + QStringLiteral("\\fs10\\b x\\i y") << true;
        QTest::newRow("tipos de letra pasado") << tamanos(198) + QStringLiteral("\\fs10\\b x\\i y\\sub z") << false;
        QTest::newRow("texto plano al límite") << QStringLiteral("\r\n").repeated(29999) + u'\v' << true;
        QTest::newRow("texto plano pasado") << QStringLiteral("\r\n").repeated(29999) + QChar(0x2029) + u'\f' << false;
        QTest::newRow("caracteres") << QString(9 << 20, u'x') << false;
        QTest::newRow("datos saltados") << r + QStringLiteral("{\\pict ") + QString((8 << 20) - 100, u'a') + QStringLiteral("}x}") << true;
    }
    void definicionesQueNoSeMuestran()
    {
        QFETCH(QString, rtf);
        QFETCH(bool, mostrada);
        const QString copia = rtf;
        QTextDocument d;
        leerRtf(rtf, &d);
        QCOMPARE(rimario::demasiadoGrande(rtf).isEmpty(), mostrada);
        QCOMPARE(d.toPlainText().startsWith(QStringLiteral("Esta definición es demasiado grande para mostrarla")), !mostrada);
        QCOMPARE(rtf, copia);
    }
};

QTEST_MAIN(PruebaRtf)
#include "prueba_rtf.moc"
