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

class PruebaArchivado : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void definicion_data() { datosDeArchivo("lookup/datos/definiciones.tsv"); }
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
        // Up to 200 characters (not UTF-16 units); a longer one is refused, nothing written.
        const QString larga = QString(199, u'x').replace(u'x', QStringLiteral("\U0001D49C"));
        QTest::newRow("nueva, 200 caracteres") << larga + u'a' << larga + u'a' << true;
        QTest::newRow("nueva, 201 caracteres") << larga + QStringLiteral("ab") << QString() << true;
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
        if (fila.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(ErrorAlmacen, l.archivar(palabra, QStringLiteral("nueva")));
            QCOMPARE(uno(ruta, QStringLiteral("SELECT count(*) FROM Palabras")), QStringLiteral("4"));
            return;
        }
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
