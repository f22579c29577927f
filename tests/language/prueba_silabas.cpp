// Syllables, stress and rhyme keys of Spanish words (the fuzz target checks
// that any text gets a coherent answer).

#include "language/numeros.h"
#include "language/silabas.h"

#include "../comun/tabla.h"

#include <QTest>

using namespace rimario;

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
        // esperado: syllables by "-", stress, consonant and assonant keys; "!" and the reason it cannot be split
        COLUMNAS(QString, palabra, QString, esperado);
        const char *const casos[] = {
            // diphthongs, hiatus, triphthongs
            "ai-re llana aire ae", "hue-vo llana evo eo", "ciu-dad aguda ad a", "cui-da-do llana ado ao", "a-diós aguda os o",
            "náu-ti-co esdrújula autico ao", "cons-truí aguda i i", "po-e-ta llana eta ea", "le-ón aguda on o", "zo-o llana oo oo",
            "pa-ís aguda is i", "ba-úl aguda ul u", "rí-o llana io io", "cre-í-ais llana iais ia", "chi-i-ta llana ita ia",
            "bú-ho llana uo uo", "pro-hí-be llana ibe ie", "a-ho-ra llana ora oa", "al-co-hol aguda ol o", "prohi-bir aguda ir i",
            "buey aguda ei e", "U-ru-guay aguda ai a", "miau aguda au a", "es-tu-dia-rí-ais llana iais ia",
            // silent u, diaeresis, y
            "que-so llana eso eo", "má-qui-na esdrújula aquina aa", "al-guien llana alguien ae", "guion aguda on o",
            "guí-a llana ia ia", "guan-te llana ante ae", "an-ti-guo llana iguo io", "pin-güi-no llana ino io",
            "ar-güir aguda ir i", "bi-lin-güe llana ingue ie", "rey aguda ei e", "muy aguda i i", "y aguda i i",
            "re-yes llana eyes ee", "ye-gua llana egua ea", "ahu-yen-tar aguda ar a",
            // -mente, proparoxytones, monosyllables, loans, consonant groups, capitals
            "rá-pi-da-men-te llana ente ee", "cor-tés-men-te llana ente ee", "men-te llana ente ee", "pá-ja-ro esdrújula ajaro ao",
            "miér-co-les esdrújula ercoles ee", "ré-gi-men esdrújula egimen ee", "có-me-te-lo sobresdrújula ometelo oo",
            "de-vuél-ve-me-lo sobresdrújula elvemelo eo", "sol aguda ol o", "pie aguda e e", "fui aguda i i", "truhan aguda an a",
            "huir aguda ir i", "aun aguda aun a", "show aguda ow o", "i-ce-berg aguda erg e", "sánd-wich llana andwich ae",
            "whis-ky llana iski ie", "rug-by llana ugbi ue", "jer-sey aguda ei e", "vó-lei-bol esdrújula oleibol oo",
            "a-bra-zo llana azo ao", "a-tlas llana atlas aa", "obs-tá-cu-lo esdrújula aculo ao", "ins-truc-ción aguda on o",
            "sub-ra-yar aguda ar a", "de-sa-rro-llo llana ollo oo", "co-che llana oche oe", "é-xi-to esdrújula exito eo",
            "des-ha-cer aguda er e", "ñan-dú aguda u u", "hon-ra llana onra oa", "i-gle-sia llana esia ea",
            "CAN-CIÓN aguda on o", "ReY aguda ei e", "Chu-RRo llana urro uo", "a-HÍn-co llana inco io",
        };
        for (const char *c : casos) {
            const QString caso = QString::fromUtf8(c);
            QTest::newRow(c) << caso.section(u' ', 0, 0).remove(u'-') << caso;
        }
        QTest::newRow("tilde descompuesta") << QStringLiteral("cancio\u0301n") << QStringLiteral("can-ción aguda on o");
        QTest::newRow("diéresis descompuesta") << QStringLiteral("pingu\u0308ino") << QStringLiteral("pin-güi-no llana ino io");
        QTest::newRow("64 letras") << QString(32, u'b') + QString(32, u'a') << QString(); // 32 syllables
        // Words that cannot be split: the reason, as the user reads it.
        const QString signo = QStringLiteral("!la palabra contiene un carácter que no es una letra: «%1»"),
                      codigo = QStringLiteral("!la palabra contiene un carácter que no es una letra (%1)");
        QTest::newRow("vacía") << QString() << "!la palabra está vacía";
        QTest::newRow("cifras") << "m²" << "!la palabra contiene cifras";
        QTest::newRow("sin vocales") << "psst" << "!la palabra no tiene vocales";
        QTest::newRow("espacios") << "sol\t" << "!la palabra contiene espacios; escriba una sola palabra";
        QTest::newRow("raya") << "sol—luna" << "!la palabra contiene un guion; analice cada parte por separado";
        QTest::newRow("apóstrofo") << "l'amour" << signo.arg(QChar(u'\''));
        QTest::newRow("emoji") << "sol😀" << signo.arg(QStringLiteral("😀"));
        QTest::newRow("cedilla") << "c\u0327a" << "!la palabra contiene una letra ajena al español: «ç»";
        QTest::newRow("suplente suelto") << QStringLiteral("so") + QChar(0xD800) << codigo.arg(QStringLiteral("U+D800"));
        QTest::newRow("acento suelto") << QStringLiteral("\u0301sol") << codigo.arg(QStringLiteral("U+0301"));
        QTest::newRow("dos tildes") << "rápidaménte" << "!la palabra lleva más de una tilde";
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
