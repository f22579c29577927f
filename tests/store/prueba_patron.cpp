#include "patron.h"

#include <QTest>

using rimario::Patron;

class PruebaPatron : public QObject {
    Q_OBJECT
private slots:
    void coincidencias_data()
    {
        QTest::addColumn<QString>("patron");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("coincide");
        auto fila = [](const char *p, const char *t, bool c) {
            QTest::addRow("%s ~ %s", p, t) << QString::fromUtf8(p) << QString::fromUtf8(t) << c;
        };
        // Stars: any run, also none.
        fila("ca*", "ca", true);
        fila("ca*", "canción", true);
        fila("ca*", "acá", false);
        fila("*ón", "canción", true);
        fila("*ón", "cancion", false);      // accents count
        fila("*", "", true);
        fila("a*b*c", "aXXbYYc", true);
        fila("a*b*c", "aXXbYY", false);
        // Letter case does not count, accents do.
        fila("CA*", "canción", true);
        fila("á*", "Árbol", true);
        fila("a*", "árbol", false);
        fila("ñ*", "Ñandú", true);
        fila("n*", "ñandú", false);
        // One character, digits, lists.
        fila("c?n", "can", true);
        fila("c?n", "cn", false);
        fila("c?n", "c😀n", true);        // a character outside the basic plane is one character
        fila("#*", "123", true);
        fila("#*", "a1", false);
        fila("[cp]asa", "pasa", true);
        fila("[cp]asa", "masa", false);
        fila("[!cp]asa", "masa", true);
        fila("[!cp]asa", "casa", false);
        fila("[a-c]*", "Bote", true);
        fila("[a-c]*", "dote", false);
        // Ranges take the word list's order: ñ between n and o, an accented
        // vowel as its base letter; a single listed character is exact.
        fila("[m-o]andú", "ñandú", true);
        fila("[m-n]andú", "ñandú", false);
        fila("[ñ-z]*", "nido", false);
        fila("[ñ-z]*", "Ñandú", true);
        fila("[!a-z]*", "ábaco", false);
        fila("[a-a]baco", "ÁBACO", true);
        fila("[a]baco", "ábaco", false);
        fila("[á-á]*", "abaco", true);
        fila("*[t-v]", "pingü", true);
        fila("[0-9]*", "7a", true);
        fila("[!a-z]*", "7a", true);
        fila("[a-z]*", "αβ", false);
        fila("*[*]*", "a*b", true);         // a bracketed star is a plain star
        fila("*[*]*", "ab", false);
        fila("*[?]", "qué?", true);
        fila("a[]b", "ab", true);          // an empty list matches nothing, without taking a character
        // Apostrophes and other characters are plain.
        fila("l'*", "l'amour", true);
        fila("o'h*", "O'Higgins", true);
        fila("*%", "cien%", true);
        fila("*%", "cien", false);
    }
    void coincidencias()
    {
        QFETCH(QString, patron);
        QFETCH(QString, texto);
        QFETCH(bool, coincide);
        const auto p = Patron::compilar(patron);
        QVERIFY(p);
        QCOMPARE(p->coincide(texto), coincide);
    }

    void patronesNoValidos()
    {
        QString error;
        QVERIFY(!Patron::compilar(u"ab[c", &error));
        QVERIFY(error.contains(QStringLiteral("corchete")));
        QVERIFY(!Patron::compilar(u"[z-a]", &error));
        QVERIFY(error.contains(QStringLiteral("al revés")));
        QVERIFY(!Patron::compilar(u"[o-ñ]", &error)); // reversed in the list's order, not by code
        QVERIFY(Patron::compilar(u"[á-a]"));         // one letter there
        QVERIFY(!Patron::compilar(u"[", &error));
    }

    void prefijoLiteral()
    {
        const auto p = Patron::compilar(u"CaN*");
        QVERIFY(p && p->esPrefijoSimple());
        QCOMPARE(p->prefijoLiteral(), std::u32string(U"can"));
        const auto q = Patron::compilar(u"ca?o*");
        QVERIFY(q && !q->esPrefijoSimple());
        QCOMPARE(q->prefijoLiteral(), std::u32string(U"ca"));
    }

    void entradasHostiles()
    {
        // Many stars against a long text that does not match: must end quickly.
        const auto p = Patron::compilar(QString(30, u'*') + QStringLiteral("a*b*c*d*e*f*z"));
        QVERIFY(p);
        QVERIFY(!p->coincide(QString(20000, u'a') + QStringLiteral("bcdef")));
        // Unpaired surrogates and NUL are characters like any other.
        const QString raro = QString(QChar(0xD800)) + QChar(0) + QStringLiteral("x");
        QVERIFY(Patron::compilar(QStringLiteral("??x"))->coincide(raro));
    }
};

QTEST_APPLESS_MAIN(PruebaPatron)
#include "prueba_patron.moc"
