#include "cp1252.h"
#include "rtf.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QTextEdit>

#include <ctime>

using rimario::escribirRtf;
using rimario::leerRtf;

namespace {

// A hang guard: an action that takes more of the processor than this has hung.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr qint64 kLimiteMs = 60000;
#else
constexpr qint64 kLimiteMs = 8000;
#endif

qint64 procesadorMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The paragraphs' text joined by '\n' (unlike toPlainText, keeps no-break spaces).
QString textoDe(const QTextDocument &d)
{
    QStringList r;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
        r << b.text();
    return r.join(u'\n');
}

QString leido(const QString &rtf)
{
    QTextDocument d;
    leerRtf(rtf, &d);
    return textoDe(d);
}

// One line per fragment: its text and the formatting the writer keeps, with the
// writer's defaults (8.5 points, MS Sans Serif) standing for "not set".
QString firma(const QTextDocument &d)
{
    QString r;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QStringList fam = f.fontFamilies().toStringList();
            r += QStringLiteral("[%1] b%2 i%3 u%4 s%5 v%6 %7pt %8 %9 %10\n")
                     .arg(it.fragment().text())
                     .arg(f.fontWeight() >= QFont::DemiBold).arg(f.fontItalic())
                     .arg(f.fontUnderline()).arg(f.fontStrikeOut()).arg(f.verticalAlignment())
                     .arg(f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 8.5)
                     .arg(fam.isEmpty() ? QStringLiteral("MS Sans Serif") : fam.first())
                     .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : "-")
                     .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name() : "-");
        }
        r += u'|';
    }
    return r;
}

const QString kCabecera = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs17 ");
const QString kPie = QStringLiteral(
    "\\par Real Academia Espa\\'f1ola \\'a9 Todos los derechos reservados");

} // namespace

class PruebaRtf : public QObject {
    Q_OBJECT
private slots:
    // Values stored by the old program (access2000-sample.lop, column Sig).
    void muestrasReales_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("negrita");
        const auto fila = [](const char *nombre, const char *cuerpo, const char *texto, const char *negrita) {
            QTest::newRow(nombre) << kCabecera + QString::fromLatin1(cuerpo) + QStringLiteral("}\r\n")
                                  << QString::fromUtf8(texto) << QString::fromUtf8(negrita);
        };
        fila("amor", "\\b amor.\\b0 \\par\r\n1. m. Sentimiento intenso del ser humano que busca el encuentro con otro ser.\\par\r\n"
             "2. m. Sentimiento hacia otra persona que nos atrae.\\par\r\n",
             "amor.\n1. m. Sentimiento intenso del ser humano que busca el encuentro con otro ser.\n"
             "2. m. Sentimiento hacia otra persona que nos atrae.", "amor.");
        fila("l'amour", "\\b l'amour: expresi\\'f3n tomada del franc\\'e9s.\\b0 \\par\r\n",
             "l'amour: expresión tomada del francés.", "l'amour: expresión tomada del francés.");
        fila("€uro", "\\b S\\'edmbolo \\'80 y comillas \\'93as\\'ed\\'94.\\b0 \\par\r\n",
             "Símbolo € y comillas “así”.", "Símbolo € y comillas “así”.");
    }
    void muestrasReales()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, texto);
        QFETCH(QString, negrita);
        QTextDocument d;
        leerRtf(rtf, &d);
        QCOMPARE(textoDe(d), texto);
        const QTextFragment primero = d.begin().begin().fragment();
        QCOMPARE(primero.text(), negrita);
        QCOMPARE(primero.charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(primero.charFormat().fontPointSize(), 8.5);
        // Written back, the stored value keeps its text and formatting.
        QTextDocument otro;
        leerRtf(escribirRtf(&d), &otro);
        QCOMPARE(firma(otro), firma(d));
        QVERIFY(escribirRtf(&d).startsWith(kCabecera + QStringLiteral("\\b ")));
    }

    // Archiving finds the service's footer line, after plain or formatted text, as this literal.
    void pieDeArchivo()
    {
        QCOMPARE(kPie.size(), 65);
        for (const bool formato : {false, true}) {
            QTextDocument d;
            QTextCursor c(&d);
            QTextCharFormat f;
            f.setFontWeight(formato ? QFont::Bold : QFont::Normal);
            if (formato)
                f.setForeground(QColor(Qt::red));
            c.insertText(QStringLiteral("canción."), f);
            c.insertBlock(QTextBlockFormat(), QTextCharFormat());
            c.insertText(QStringLiteral("Real Academia Española © Todos los derechos reservados"), QTextCharFormat());
            QCOMPARE(escribirRtf(&d).count(kPie), 1);
        }
    }

    // The writer's output is a fixed point and keeps the text.
    void idaYVuelta_data()
    {
        QTest::addColumn<QString>("texto");
        QString todos;
        for (int b = 0x20; b <= 0xFF; ++b)
            todos += QChar(rimario::cp1252::aUnicode(uchar(b)));
        QTest::newRow("cp1252") << todos;
        QTest::newRow("c1") << QStringLiteral("\u0080\u0081\u009f\u00a0\u00ad");
        QTest::newRow("más allá") << QStringLiteral("λόγος 漢字かな한국어 a😀b🇪🇸c👍🏽 e\u0301 n\u0303 a\u0308\u0323");
        QTest::newRow("llaves") << QStringLiteral("\\par {\\b} \\'e9 \\u233? }{ \\\\");
        QTest::newRow("tab y línea") << QStringLiteral("a\tb\u2028c\t\t\u2028");
        QTest::newRow("párrafos vacíos") << QStringLiteral("\n\nuno\n\n dos \n");
        QTest::newRow("vacío") << QString();
        QTest::newRow("cifras") << QStringLiteral("1\n2. 3\n-4");
        QTest::newRow("privado y límites") << QStringLiteral("\ue000\uf0b7\uffef\ufffd\u7fff\u8000");
    }
    void idaYVuelta()
    {
        QFETCH(QString, texto);
        QTextDocument d;
        d.setPlainText(texto);
        const QString rtf = escribirRtf(&d);
        QTextDocument l;
        leerRtf(rtf, &l);
        QCOMPARE(textoDe(l), textoDe(d));
        QCOMPARE(escribirRtf(&l), rtf);
        for (const QChar c : rtf) // the writer writes ASCII only
            QVERIFY2((c.unicode() >= 0x20 && c.unicode() < 0x80) || c == u'\r' || c == u'\n', qPrintable(rtf));
        QVERIFY(rtf.endsWith(QStringLiteral("\\par\r\n}\r\n")));
    }
    void escapes()
    {
        QTextDocument d;
        d.setPlainText(QStringLiteral("ñ©€ λ😀\\{}\t"));
        QVERIFY(escribirRtf(&d).contains(QStringLiteral(
            "\\'f1\\'a9\\'80 \\u955?\\u-10179?\\u-8704?\\\\\\{\\}\\tab ")));
    }

    // Formatting round-trips and the second writing equals the first.
    void formato()
    {
        QTextDocument d;
        QTextCursor c(&d);
        QTextCharFormat f;
        c.insertText(QStringLiteral("normal "), f);
        f.setFontWeight(QFont::Bold);
        c.insertText(QStringLiteral("negrita "), f);
        f.setFontItalic(true);
        c.insertText(QStringLiteral("y cursiva "), f);
        QTextCharFormat g;
        g.setFontUnderline(true);
        g.setFontPointSize(12);
        c.insertText(QStringLiteral("subrayado "), g);
        g.setFontStrikeOut(true);
        g.setForeground(QColor(255, 0, 0));
        g.setBackground(QColor(0, 0, 255));
        c.insertBlock(QTextBlockFormat(), g);
        c.insertText(QStringLiteral("tachado rojo sobre azul "), g);
        QTextCharFormat h;
        h.setFontFamilies({QStringLiteral("Times Ñew Roman")});
        h.setFontPointSize(20);
        h.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        c.insertText(QStringLiteral("grande"), h);
        h.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        h.setForeground(QColor(0, 128, 0));
        c.insertText(QStringLiteral("abajo"), h);
        c.insertBlock(QTextBlockFormat(), h);
        c.insertBlock(QTextBlockFormat(), f);
        c.insertText(QStringLiteral("fin"), QTextCharFormat());

        const QString rtf = escribirRtf(&d);
        QVERIFY(rtf.contains(QStringLiteral("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;")));
        QVERIFY(rtf.contains(QStringLiteral("{\\f1\\fnil\\fcharset0 Times \\'d1ew Roman;}")));
        // A paragraph's formatting goes before its \par, even where its paragraph mark is
        // formatted otherwise: "\par " is followed by the text.
        QVERIFY2(rtf.contains(QStringLiteral("\\par fin")), qPrintable(rtf));
        QTextDocument l;
        leerRtf(rtf, &l);
        QCOMPARE(firma(l), firma(d));
        QCOMPARE(escribirRtf(&l), rtf);
    }

    // Reader details: control words, destinations, code pages, \u and \uc.
    void lector_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("texto");
        const auto fila = [](const char *n, const char *rtf, const char *texto) {
            QTest::newRow(n) << QString::fromUtf8(rtf) << QString::fromUtf8(texto);
        };
        fila("u con ?", "{\\rtf1 \\u233?t\\u-10179?\\u-8704?}", "ét😀");
        fila("uc y hex", "{\\rtf1\\uc1\\u233\\'e9 x\\uc2\\u8364\\'80\\'80y\\uc0\\u955 z}", "é x€yλz");
        fila("uc en grupo", "{\\rtf1 {\\uc2\\u233 ab}c\\u234 de}", "écêe");
        fila("u positivo", "{\\rtf1\\u65535?\\u128512?}", "\uffff😀");
        fila("símbolos", "{\\rtf1 a\\~b\\-c\\_d\\tab e\\line f\\emdash\\{\\}\\\\}", "a\u00a0b\u00adc\u2011d\te\u2028f—{}\\");
        fila("delimitador", "{\\rtf1\\b1 x\\fs20y\\b0  z\\foo123 w}", "xy zw");
        fila("destinos", "{\\rtf1{\\*\\generator G;}{\\info{\\title T}}{\\stylesheet{\\s0 N;}}{\\pict\\bin4 {}}x}"
             "{\\header H}{\\*\\unknown U}a{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt b}}}", "ab");
        fila("ansicpg", "{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}", "Аб");
        fila("doble byte", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0x\\'93\\'fa}", "あx日");
        fila("fcharset", "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Greek;}}\\'e1\\f1\\'e1\\f0\\'e1}", "áαá");
        fila("texto plano", "hola\r\nmundo\rde\n{\\b}", "hola\nmundo\nde\n{\\b}");
        fila("vacío", "", "");
        fila("par final", "{\\rtf1 a\\par\\par}", "a\n");
        fila("barra-cr", "{\\rtf1 a\\\r\nb}", "a\nb");
        fila("crudos", "{\\rtf1 x\xc3\xb1\xe2\x82\xac}", "xñ€");
        fila("tras el cierre", "  {\\rtf1 a}b}{c", "a");
        // Malformed, truncated and hostile input.
        const auto filaTexto = [](const char *n, const QString &rtf, const char *texto) {
            QTest::newRow(n) << rtf << QString::fromUtf8(texto);
        };
        filaTexto("sin cierre", QStringLiteral("{\\rtf1 abc{\\b def"), "abcdef");
        filaTexto("cierres de más", QStringLiteral("{\\rtf1 a}}}b"), "a");
        filaTexto("hex truncado", QStringLiteral("{\\rtf1 x\\'"), "x");
        filaTexto("hex a medias", QStringLiteral("{\\rtf1 x\\'4"), "x");
        filaTexto("hex malo", QStringLiteral("{\\rtf1 x\\'zzy}"), "xzzy");
        filaTexto("u sin cifras", QStringLiteral("{\\rtf1 \\u ab\\u-c\\u}"), "ab-c");
        filaTexto("números enormes", QStringLiteral("{\\rtf1\\fs99999999999999999999 a\\f-99999999999 b\\cf99999999999 c\\u99999999999 d}"), "abc\ufffd");
        filaTexto("uc enorme", QStringLiteral("{\\rtf1 {\\uc99999999999 \\u233 abc}d}"), "éd");
        filaTexto("bin enorme", QStringLiteral("{\\rtf1 a\\bin99999999999 bcd}"), "a");
        filaTexto("barra final", QStringLiteral("{\\rtf1 a\\"), "a");
        filaTexto("nul", QStringLiteral("{\\rtf1 a") + QChar(0) + QStringLiteral("b\\'00c\\u0?d}"), "abcd");
        filaTexto("solo apertura", QStringLiteral("{\\rtf"), "");
        filaTexto("palabra larguísima", QStringLiteral("{\\rtf1 \\") + QString(100000, u'x') + QStringLiteral(" y}"), "y");
        const int n = 1000000;
        filaTexto("anidado", QStringLiteral("{\\rtf1 a") + QString(n, u'{') + u'x' + QString(n, u'}') + QStringLiteral("b}"), "ab");
        filaTexto("cierres", QStringLiteral("{\\rtf1 a") + QString(n, u'}'), "a");
    }
    void lector()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, texto);
        QCOMPARE(leido(rtf), texto);
    }
    void colores()
    {
        QTextDocument d;
        leerRtf(QStringLiteral("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1\\highlight1 r\\cf0\\cb0 n\\plain\\ul u\\ulnone\\strike s}"), &d);
        const auto fmt = [&d](int pos) { QTextCursor c(&d); c.setPosition(pos + 1); return c.charFormat(); };
        QCOMPARE(fmt(0).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(fmt(0).background().color(), QColor(255, 0, 0));
        QVERIFY(!fmt(1).hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(fmt(2).fontUnderline());
        QVERIFY(!fmt(3).fontUnderline() && fmt(3).fontStrikeOut());
        QCOMPARE(fmt(3).fontPointSize(), 12.0);
    }

    // Tables, lists and images become paragraphs and characters; nothing is lost twice.
    void estructuras()
    {
        QTextDocument d;
        QTextCursor c(&d);
        c.insertText(QStringLiteral("antes"));
        QTextTable *t = c.insertTable(2, 2);
        t->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("a"));
        t->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("d"));
        c.movePosition(QTextCursor::End);
        c.insertList(QTextListFormat::ListDisc);
        c.insertText(QStringLiteral("punto"));
        c.insertImage(QStringLiteral("no-existe.png"));
        const QString rtf = escribirRtf(&d);
        QTextDocument l;
        leerRtf(rtf, &l);
        QCOMPARE(escribirRtf(&l), rtf);
        QVERIFY(textoDe(l).contains(QStringLiteral("punto\uFFFC")));
        QVERIFY(textoDe(l).startsWith(QStringLiteral("antes\n")));
    }

    // A definition of several megabytes, and formatting that changes at every character.
    void textosGrandes()
    {
        QString rtf = kCabecera;
        for (int k = 0; k < 50000; ++k)
            rtf += QStringLiteral("\\b canci\\'f3n %1.\\b0 \\par\r\n1. f. Composici\\'f3n en verso \\u955? {\\i que} se canta.\\par\r\n").arg(k);
        QVERIFY(rtf.size() > 4000000);
        QTextDocument d;
        leerRtf(rtf + u'}', &d);
        QCOMPARE(d.blockCount(), 100000);
        QCOMPARE(d.lastBlock().previous().text(), QStringLiteral("canción 49999."));
        rtf = kCabecera + QStringLiteral("\\b a\\b0 b\\i\\'e9\\i0\\u955?").repeated(100000);
        leerRtf(rtf, &d);
        QCOMPARE(d.characterCount(), 400001);
    }

    // Definitions whose shape makes the view's layout slow: shown, or replaced
    // by a message, in the view as the window has it (wrapping at word
    // boundaries). A hang guard on processor time, not a speed target.
    void definicionesHostiles_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<bool>("mostrada");
        const QString r = QStringLiteral("{\\rtf1 ");
        QTest::newRow("negrita alterna 50000") << r + QStringLiteral("\\b a\\b0 b").repeated(50000) << true;
        QTest::newRow("par 600000") << r + QStringLiteral("\\par").repeated(600000) << false;
        QTest::newRow("par 200000") << r + QStringLiteral("\\par").repeated(200000) << true;
        QTest::newRow("par y pard") << r + QStringLiteral("\\pard\\par ").repeated(150000) << true;
        QTest::newRow("line 300000") << r + QStringLiteral("\\line ").repeated(300000) << false;
        QTest::newRow("sect y row") << r + QStringLiteral("\\sect\\row ").repeated(110000) << false;
        QTest::newRow("plano 300000 líneas") << QStringLiteral("a\r\n").repeated(300000) << false;
        QTest::newRow("plano de 9 millones") << QString(9 << 20, u'x') << false;
    }
    void definicionesHostiles()
    {
        QFETCH(QString, rtf);
        QFETCH(bool, mostrada);
        QTextEdit vista;
        vista.resize(400, 300);
        vista.setWordWrapMode(QTextOption::WordWrap);
        vista.show();
        QVERIFY(QTest::qWaitForWindowExposed(&vista));
        const qint64 antes = procesadorMs();
        leerRtf(rtf, vista.document());
        QApplication::processEvents();
        vista.repaint();
        const qint64 gastado = procesadorMs() - antes;
        QVERIFY2(gastado < kLimiteMs, qPrintable(QStringLiteral("%1 ms de procesador").arg(gastado)));
        const QString t = vista.toPlainText();
        QCOMPARE(t.startsWith(QStringLiteral("Esta definición es demasiado grande para mostrarla")), !mostrada);
        QCOMPARE(rimario::demasiadoGrande(rtf).isEmpty(), mostrada);
        if (QTest::currentDataTag() == QLatin1String("negrita alterna 50000"))
            QCOMPARE(t, QStringLiteral("ab").repeated(50000));
    }
};

QTEST_MAIN(PruebaRtf)
#include "prueba_rtf.moc"
