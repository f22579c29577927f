#include "vocales.h"

#include <QTest>

using rimario::ExtraeVocales;

class PruebaVocales : public QObject {
    Q_OBJECT
private slots:
    void ejemplos_data()
    {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("esqueleto");
        const char *casos[][2] = {
            {"amor", "ao"}, {"canción", "aio"}, {"corazón", "oao"}, {"ÁRBOL", "ao"},
            {"Rey", "ei"}, {"hoy", "oi"}, {"muy", "ui"}, {"yegua", "ieua"},
            {"guitarra", "uiaa"}, {"queso", "ueo"}, {"pingüino", "iio"}, {"123", ""},
            {"", ""}, {"ÉÍÓÚÁY", "eiouai"}, {"àâäèêëìîïòôöùûü", ""}, {"ñandú", "au"},
            {"rock and roll", "oao"}, {"l'amour", "aou"}, {"Ü", ""},
            {"İSTANBUL", "iau"}, // the capital dotted I lowers to a plain i
        };
        for (auto &c : casos)
            QTest::newRow(c[0]) << QString::fromUtf8(c[0]) << QString::fromUtf8(c[1]);
    }
    void ejemplos()
    {
        QFETCH(QString, palabra);
        QFETCH(QString, esqueleto);
        QCOMPARE(ExtraeVocales(palabra), esqueleto);
    }

    void textosExtremos()
    {
        // A very long word, unpaired surrogates and control characters are no trouble.
        QString larga(40000, QChar(u'a'));
        QCOMPARE(ExtraeVocales(larga).size(), 40000);
        QString rara = QString(QChar(0xD800)) + QStringLiteral("a\x01") + QChar(0xDC00) + QChar(0)
            + QStringLiteral("O😀u");
        QCOMPARE(ExtraeVocales(rara), QStringLiteral("aou"));
    }
};

QTEST_APPLESS_MAIN(PruebaVocales)
#include "prueba_vocales.moc"
