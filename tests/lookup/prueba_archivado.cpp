// Archiving a looked-up page: what is kept of the page's text (the header cut,
// the rights notice taken out, the line breaks and the characters the
// definition view keeps), and the row the word list writes it to.

#include "lookup/archivado.h"
#include "lista/lista_palabras.h"

#include "../comun/almacen_prueba.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;
using namespace rimario::prueba;

namespace {
// 22 characters, as many as the header that goes.
const QString H = QStringLiteral("Real Academia Española");
const QString PIE = QStringLiteral("Real Academia Española © Todos los derechos reservados");
QString c(char16_t u) { return QString(QChar(u)); }
} // namespace

class PruebaArchivado : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void definicion_data()
    {
        COLUMNAS(QString, pagina, QString, queda);
        // The header
        QTest::newRow("vacía") << QString() << QString();
        QTest::newRow("más corta que la cabecera") << QStringLiteral("Diccionario") << QString();
        QTest::newRow("solo la cabecera") << H << QString();
        QTest::newRow("una letra tras la cabecera") << H + QStringLiteral("a") << QStringLiteral("a");
        QTest::newRow("CR LF en la cabecera cuenta uno")
            << QStringLiteral("Real Academia\r\nEspañol") + QStringLiteral("a\r\namor.") << QStringLiteral("\namor.");
        QTest::newRow("control en la cabecera cuenta uno") << c(1) + H + QStringLiteral("x") << QStringLiteral("ax");
        QTest::newRow("par UTF-16 que empieza en la cabecera")
            << QString(21, u'x') + QStringLiteral("😀fin") << QStringLiteral("fin");
        QTest::newRow("par UTF-16 tras la cabecera") << QString(22, u'x') + QStringLiteral("😀fin") << QStringLiteral("😀fin");
        QTest::newRow("medio par suelto tras la cabecera") << QString(22, u'x') + c(0xDC00) + QStringLiteral("fin")
                                                           << c(0xDC00) + QStringLiteral("fin");
        // Line breaks and characters
        QTest::newRow("saltos CR, LF, CR LF, LF CR, U+2029")
            << H + QStringLiteral("a\rb\nc\r\nd") + c(0x2029) + QStringLiteral("e\n\rf") << QStringLiteral("a\nb\nc\nd\ne\n\nf");
        QTest::newRow("CR al final") << H + QStringLiteral("a\r") << QStringLiteral("a\n");
        QTest::newRow("marcas de marco") << H + QStringLiteral("a") + c(0xFDD0) + QStringLiteral("b") + c(0xFDD1) + QStringLiteral("c")
                                         << QStringLiteral("a\nb\nc");
        QTest::newRow("salto de línea U+2028 queda") << H + QStringLiteral("a") + c(0x2028) + QStringLiteral("b")
                                                     << QStringLiteral("a") + c(0x2028) + QStringLiteral("b");
        QTest::newRow("tabulador queda, controles no")
            << H + QStringLiteral("a\tb") + c(0) + c(1) + c(0x0B) + c(0x1F) + QStringLiteral("c") + c(0x7F) + c(0x85)
            << QStringLiteral("a\tbc") + c(0x7F) + c(0x85);
        QTest::newRow("en blanco") << H + QStringLiteral("   \t \n \n") << QStringLiteral("   \t \n \n");
        QTest::newRow("no ASCII") << H + QStringLiteral("ñandú, acción: «€» 你好 😀") << QStringLiteral("ñandú, acción: «€» 你好 😀");
        QTest::newRow("texto que parece RTF") << H + QStringLiteral("{\\rtf1 \\b x}") << QStringLiteral("{\\rtf1 \\b x}");
        // The rights notice
        QTest::newRow("aviso al final") << H + QStringLiteral("amor.\n") + PIE << QStringLiteral("amor. ");
        QTest::newRow("aviso con CR LF y texto tras él")
            << H + QStringLiteral("amor.\r\n") + PIE + QStringLiteral(".\r\nMás") << QStringLiteral("amor. .\nMás");
        QTest::newRow("aviso dos veces") << H + QStringLiteral("a\n") + PIE + QStringLiteral("\nb\n") + PIE << QStringLiteral("a \nb ");
        QTest::newRow("aviso tras aviso") << H + QStringLiteral("a\n") + PIE + QStringLiteral("\n") + PIE << QStringLiteral("a  ");
        QTest::newRow("aviso tras línea vacía") << H + QStringLiteral("a\n\n") + PIE << QStringLiteral("a\n ");
        QTest::newRow("aviso tras un control") << H + QStringLiteral("a\n") + c(1) + PIE << QStringLiteral("a ");
        QTest::newRow("aviso en la primera línea queda") << H + PIE + QStringLiteral("\nb") << PIE + QStringLiteral("\nb");
        QTest::newRow("aviso a media línea queda") << H + QStringLiteral("a\nver ") + PIE << QStringLiteral("a\nver ") + PIE;
        QTest::newRow("aviso tras un espacio queda") << H + QStringLiteral("a\n ") + PIE << QStringLiteral("a\n ") + PIE;
        QTest::newRow("aviso en mayúsculas queda") << H + QStringLiteral("a\n") + PIE.toUpper() << QStringLiteral("a\n") + PIE.toUpper();
        QTest::newRow("aviso sin © queda") << H + QStringLiteral("a\nReal Academia Española (c) Todos los derechos reservados")
                                           << QStringLiteral("a\nReal Academia Española (c) Todos los derechos reservados");
        QTest::newRow("aviso cortado queda") << H + QStringLiteral("a\n") + PIE.chopped(1) << QStringLiteral("a\n") + PIE.chopped(1);
        QTest::newRow("barra invertida ante el aviso queda")
            << H + QStringLiteral("a\\par ") + PIE << QStringLiteral("a\\par ") + PIE;
    }
    void definicion()
    {
        DATOS(QString, pagina, QString, queda);
        QCOMPARE(definicionArchivada(pagina), queda);
    }

    // The row archived to: the word's own row (letter case aside), or a new
    // one with its vowel skeleton; either way the current one afterwards.
    void fila_data()
    {
        COLUMNAS(QString, palabra, QString, fila, bool, nueva);
        QTest::newRow("existente") << QStringLiteral("amor") << QStringLiteral("amor") << false;
        QTest::newRow("existente, otras mayúsculas") << QStringLiteral("CASA") << QStringLiteral("casa") << false;
        QTest::newRow("nueva") << QStringLiteral("zampoña") << QStringLiteral("zampoña") << true;
        QTest::newRow("nueva, con apóstrofo") << QStringLiteral("d'artagnan") << QStringLiteral("d'artagnan") << true;
        QTest::newRow("nueva al principio") << QStringLiteral("ábaco") << QStringLiteral("ábaco") << true;
    }
    void fila()
    {
        DATOS(QString, palabra, QString, fila, bool, nueva);
        const QString ruta = crearAlmacen(dir.filePath(QStringLiteral("%1.lop").arg(QTest::currentDataTag())),
                                          lista("amor casa rosa zapato"), {{QStringLiteral("amor"), QStringLiteral("vieja")}});
        auto almacen = Almacen::abrir(ruta);
        ListaPalabras l(*almacen);
        l.releer();
        l.irA(3);
        QSignalSpy movido(&l, &ListaPalabras::actualMovido);
        const QString antes = uno(ruta, QStringLiteral("SELECT Voc FROM Palabras WHERE Pal = '%1'").arg(fila));
        const qsizetype pos = l.archivar(palabra, QStringLiteral("nueva"));
        QCOMPARE(pos, l.actual());
        QCOMPARE(l.palActual(), fila);
        QCOMPARE(l.sigActual(), QStringLiteral("nueva"));
        QCOMPARE(movido.last().value(0).value<qsizetype>(), pos);
        QCOMPARE(l.tamano(), nueva ? 5 : 4);
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT Pal || '|' || Voc FROM Palabras WHERE Sig = 'nueva'")),
                 QStringList{fila + u'|' + (nueva ? ExtraeVocales(palabra) : antes)});
        QCOMPARE(uno(ruta, QStringLiteral("SELECT count(*) FROM Palabras")), QString::number(nueva ? 5 : 4));
    }
};

QTEST_GUILESS_MAIN(PruebaArchivado)
#include "prueba_archivado.moc"
