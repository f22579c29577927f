// Syllables, stress and rhyme keys of Spanish words (the fuzz target checks
// that any text gets a coherent answer).

#include "language/numeros.h"
#include "language/silabas.h"

#include "../comun/tabla.h"

#include <QTest>

using namespace rimario;
using namespace rimario::prueba;

class PruebaSilabas : public QObject {
    Q_OBJECT
private slots:
    // Numbers grouped with points from five digits on, as Spanish writes them.
    void numeros_data()
    {
        COLUMNAS(qint64, n, QString, escrito);
        const std::pair<qint64, const char *> casos[] = {{999, "999"}, {9999, "9999"}, {10000, "10.000"},
                                                         {8388608, "8.388.608"}, {-12345, "-12.345"}};
        for (const auto &[n, escrito] : casos)
            QTest::addRow("%lld", static_cast<long long>(n)) << n << QString::fromUtf8(escrito);
    }
    void numeros()
    {
        DATOS(qint64, n, QString, escrito);
        QCOMPARE(numeroEscrito(n), escrito);
    }
    void palabras_data()
    {
        datosDeArchivo("language/palabras.tsv");
        QTest::newRow("64 letras") << QString(32, u'b') + QString(32, u'a') << QString(); // 32 syllables
        QTest::newRow("65 letras") << QString(33, u'b') + QString(32, u'a') << "!la palabra es demasiado larga (más de 64 letras)";
        QTest::newRow("40000 suplentes") << QString(40000, QChar(0xD800)) << "!la palabra es demasiado larga (más de 64 letras)";
    }
    void palabras()
    {
        DATOS(QString, palabra, QString, esperado);
        const AnalisisSilabico a = analizarPalabra(palabra);
        if (esperado.startsWith(u'!')) {
            QVERIFY(!a.valido && a.claveConsonante.isEmpty());
            QCOMPARE(a.motivo, esperado.mid(1));
        } else if (esperado.isEmpty()) {
            QCOMPARE(a.numSilabas(), 32);
        } else {
            QVERIFY2(a.valido, qPrintable(a.motivo));
            QCOMPARE(QStringList({a.separada(), nombreAcento(a.acento), a.claveConsonante, a.claveAsonante}).join(u' '), esperado);
        }
    }
};

QTEST_APPLESS_MAIN(PruebaSilabas)
#include "prueba_silabas.moc"
