#include "silabas.h"

#include <QTest>

using rimario::Acento;
using rimario::AnalisisSilabico;
using rimario::analizarPalabra;

namespace {

// Each case: the word split by "-", its stress type, consonant key and assonant key.

const char *const kDiptongos[] = {
    "ai-re llana aire ae", "pia-no llana ano ao", "hue-vo llana evo eo", "ciu-dad aguda ad a",
    "cui-da-do llana ado ao", "a-diós aguda os o", "náu-ti-co esdrújula autico ao", "cons-truí aguda i i",
    "con-ti-nuó aguda o o",
};

const char *const kHiatos[] = {
    "po-e-ta llana eta ea", "le-ón aguda on o", "zo-o llana oo oo", "pa-ís aguda is i", "ma-íz aguda iz i",
    "ba-úl aguda ul u", "rí-o llana io io", "cre-í-ais llana iais ia", "chi-i-ta llana ita ia",
    "du-un-vi-ro llana iro io",
    // h between vowels neither makes nor breaks a hiatus
    "bú-ho llana uo uo", "pro-hí-be llana ibe ie", "a-ho-ra llana ora oa", "al-co-hol aguda ol o",
    "prohi-bir aguda ir i", "ca-ca-hue-te llana ete ee",
};

const char *const kTriptongos[] = {
    "buey aguda ei e", "U-ru-guay aguda ai a", "a-ve-ri-guáis aguda ais a", "miau aguda au a",
    "des-pre-ciéis aguda eis e", "es-tu-dia-rí-ais llana iais ia",
};

const char *const kUMuda[] = {
    "que-so llana eso eo", "gui-ta-rra llana arra aa", "má-qui-na esdrújula aquina aa", "a-quí aguda i i",
    "al-guien llana alguien ae", "guion aguda on o", "guí-a llana ia ia", "quie-ro llana ero eo",
    // before a and o the u is heard
    "guan-te llana ante ae", "an-ti-guo llana iguo io",
};

const char *const kDieresis[] = {
    "pin-güi-no llana ino io", "ci-güe-ña llana eña ea", "ar-güir aguda ir i", "bi-lin-güe llana ingue ie",
};

const char *const kYGriega[] = {
    "rey aguda ei e", "hoy aguda oi o", "muy aguda i i", "vi-rrey aguda ei e", "y aguda i i",
    // a consonant before a vowel
    "re-yes llana eyes ee", "ye-gua llana egua ea", "a-yer aguda er e", "ahu-yen-tar aguda ar a",
};

const char *const kMente[] = {
    "rá-pi-da-men-te llana ente ee", "fá-cil-men-te llana ente ee", "cor-tés-men-te llana ente ee",
    "úl-ti-ma-men-te llana ente ee", "men-te llana ente ee", "de-men-te llana ente ee",
};

const char *const kEsdrujulas[] = {
    "pá-ja-ro esdrújula ajaro ao", "lá-gri-ma esdrújula agrima aa", "es-drú-ju-la esdrújula ujula ua",
    "miér-co-les esdrújula ercoles ee", "mur-cié-la-go esdrújula elago eo", "ré-gi-men esdrújula egimen ee",
    "có-me-te-lo sobresdrújula ometelo oo", "de-vuél-ve-me-lo sobresdrújula elvemelo eo",
};

const char *const kMonosilabos[] = {
    "sol aguda ol o", "fe aguda e e", "pie aguda e e", "fui aguda i i", "truhan aguda an a", "huir aguda ir i",
    "Sion aguda on o", "aun aguda aun a", "ya aguda a a",
};

const char *const kPrestamos[] = {
    "show aguda ow o", "i-ce-berg aguda erg e", "sánd-wich llana andwich ae", "ré-cord llana ecord eo",
    "ro-bots aguda ots o", "whis-ky llana iski ie", "rug-by llana ugbi ue", "jer-sey aguda ei e",
    "két-chup llana etchup eo", "vó-lei-bol esdrújula oleibol oo", "es-lo-gan llana ogan oa",
};

const char *const kConsonantes[] = {
    "a-bra-zo llana azo ao", "ha-blar aguda ar a", "a-tlas llana atlas aa", "obs-tá-cu-lo esdrújula aculo ao",
    "ins-truc-ción aguda on o", "ads-cri-bir aguda ir i", "sub-ra-yar aguda ar a", "su-bli-me llana ime ie",
    "de-sa-rro-llo llana ollo oo", "co-che llana oche oe", "é-xi-to esdrújula exito eo", "des-ha-cer aguda er e",
    "ñan-dú aguda u u", "hom-bre llana ombre oe", "su-frir aguda ir i", "hon-ra llana onra oa",
    "i-gle-sia llana esia ea", "re-fle-jo llana ejo eo",
};

const char *const kMayusculas[] = {
    "CAN-CIÓN aguda on o", "PIN-GÜI-NO llana ino io", "ReY aguda ei e", "Chu-RRo llana urro uo",
    "a-HÍn-co llana inco io",
};

template <size_t N>
void anadir(const char *grupo, const char *const (&casos)[N])
{
    for (const char *caso : casos) {
        const QStringList c = QString::fromUtf8(caso).split(u' ');
        const QString palabra = QString(c[0]).remove(u'-');
        QTest::addRow("%s: %s", grupo, qPrintable(palabra)) << palabra << c[0] << c[1] << c[2] << c[3];
    }
}

QString u8(const char *s) { return QString::fromUtf8(s); }

// What every analysis must satisfy, whatever the word.
void comprobarCoherencia(const QString &palabra, const AnalisisSilabico &a)
{
    if (!a.valido) {
        QVERIFY2(!a.motivo.isEmpty(), qPrintable(palabra));
        QVERIFY(a.silabas.isEmpty() && a.tonica == -1 && a.claveConsonante.isEmpty()
                && a.claveAsonante.isEmpty());
        return;
    }
    QVERIFY(a.motivo.isEmpty());
    QCOMPARE(a.silabas.join(QString()), palabra.normalized(QString::NormalizationForm_C));
    for (const QString &s : a.silabas)
        QVERIFY2(!s.isEmpty(), qPrintable(palabra));
    QVERIFY(a.tonica >= 0 && a.tonica < a.numSilabas());
    const int distancia = a.numSilabas() - 1 - a.tonica;
    QCOMPARE(int(a.acento), qMin(distancia, 3));
    QCOMPARE(a.claveAsonante.size(), a.acento == Acento::Aguda ? 1 : 2);
    for (const QChar c : a.claveAsonante)
        QVERIFY2(QStringLiteral("aeiou").contains(c), qPrintable(palabra));
    QVERIFY(a.claveConsonante.startsWith(a.claveAsonante.front()));
    for (qsizetype i = 0; i < a.claveConsonante.size(); ++i) {
        const QChar c = a.claveConsonante[i];
        QVERIFY2((c >= u'a' && c <= u'z') || c == u'ñ', qPrintable(palabra));
        QVERIFY2(c != u'h' || (i > 0 && a.claveConsonante[i - 1] == u'c'), qPrintable(palabra));
    }
}

} // namespace

class PruebaSilabas : public QObject {
    Q_OBJECT
private slots:
    void palabras_data()
    {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("silabas");
        QTest::addColumn<QString>("acento");
        QTest::addColumn<QString>("consonante");
        QTest::addColumn<QString>("asonante");
        anadir("diptongo", kDiptongos);
        anadir("hiato", kHiatos);
        anadir("triptongo", kTriptongos);
        anadir("u muda", kUMuda);
        anadir("diéresis", kDieresis);
        anadir("y", kYGriega);
        anadir("-mente", kMente);
        anadir("esdrújula", kEsdrujulas);
        anadir("monosílabo", kMonosilabos);
        anadir("préstamo", kPrestamos);
        anadir("consonantes", kConsonantes);
        anadir("mayúsculas", kMayusculas);
    }
    void palabras()
    {
        QFETCH(QString, palabra);
        QFETCH(QString, silabas);
        QFETCH(QString, acento);
        QFETCH(QString, consonante);
        QFETCH(QString, asonante);
        const AnalisisSilabico a = analizarPalabra(palabra);
        QVERIFY2(a.valido, qPrintable(a.motivo));
        QCOMPARE(a.separada(), silabas);
        QCOMPARE(rimario::nombreAcento(a.acento), acento);
        QCOMPARE(a.claveConsonante, consonante);
        QCOMPARE(a.claveAsonante, asonante);
        comprobarCoherencia(palabra, a);
    }

    void rimas_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("consonante");
        QTest::addColumn<bool>("asonante");
        const struct {
            const char *a, *b;
            bool consonante, asonante;
        } pares[] = {
            {"canción", "razón", true, true},   {"cantar", "amar", true, true},      {"rey", "ley", true, true},
            {"queso", "beso", true, true},      {"pingüino", "camino", true, true},  {"hoy", "convoy", true, true},
            {"muy", "fui", true, true},         {"prohíbe", "escribe", true, true},  {"ocho", "bizcocho", true, true},
            {"rápidamente", "diente", true, true}, {"Canción", "RAZÓN", true, true},
            // vowels alike, consonants not
            {"pájaro", "canto", false, true},   {"gracia", "casa", false, true},     {"Venus", "cielo", false, true},
            {"lápiz", "madre", false, true},    {"tribu", "lirio", false, true},     {"viuda", "duna", false, true},
            {"sexy", "leche", false, true},     {"país", "maíz", false, true},       {"rápidamente", "verde", false, true},
            // the stress decides
            {"pájaro", "pajar", false, false},  {"canto", "cantó", false, false},    {"sabía", "sabia", false, false},
            {"continuo", "continúo", false, false}, {"término", "termino", false, false},
            {"árbol", "arbusto", false, false},
            // words that cannot be analysed rhyme with nothing, not even themselves
            {"123", "123", false, false},       {"psst", "psst", false, false},      {"", "", false, false},
        };
        for (const auto &p : pares)
            QTest::addRow("%s / %s", p.a, p.b) << u8(p.a) << u8(p.b) << p.consonante << p.asonante;
    }
    void rimas()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, consonante);
        QFETCH(bool, asonante);
        QCOMPARE(rimario::rimanConsonante(a, b), consonante);
        QCOMPARE(rimario::rimanAsonante(a, b), asonante);
        QCOMPARE(rimario::rimanConsonante(b, a), consonante);
    }

    void invalidas_data()
    {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("motivo");
        const QString vacia = u8("la palabra está vacía"), cifras = u8("la palabra contiene cifras"),
                      sinVocales = u8("la palabra no tiene vocales"),
                      espacios = u8("la palabra contiene espacios; escriba una sola palabra"),
                      guion = u8("la palabra contiene un guion; analice cada parte por separado"),
                      tildes = u8("la palabra lleva más de una tilde"),
                      signo = u8("la palabra contiene un carácter que no es una letra: «%1»"),
                      codigo = u8("la palabra contiene un carácter que no es una letra (%1)"),
                      ajena = u8("la palabra contiene una letra ajena al español: «%1»");
        QTest::newRow("vacía") << QString() << vacia;
        QTest::newRow("cifras") << u8("123") << cifras;
        QTest::newRow("superíndice") << u8("m²") << cifras;
        QTest::newRow("psst") << u8("psst") << sinVocales;
        QTest::newRow("h") << u8("h") << sinVocales;
        QTest::newRow("expresión") << u8("rock and roll") << espacios;
        QTest::newRow("tabulador") << u8("sol\t") << espacios;
        QTest::newRow("guion") << u8("franco-alemán") << guion;
        QTest::newRow("raya") << u8("sol—luna") << guion;
        QTest::newRow("apóstrofo") << u8("l'amour") << signo.arg(u8("'"));
        QTest::newRow("arroba") << u8("c@sa") << signo.arg(u8("@"));
        QTest::newRow("emoji") << u8("sol😀") << signo.arg(u8("😀"));
        QTest::newRow("cedilla") << u8("façade") << ajena.arg(u8("ç"));
        QTest::newRow("eszett") << u8("Straße") << ajena.arg(u8("ß"));
        QTest::newRow("cirílico") << u8("кот") << ajena.arg(u8("к"));
        QTest::newRow("control") << (u8("a") + QChar(1) + u8("b")) << codigo.arg(u8("U+0001"));
        QTest::newRow("suplente suelto") << (u8("so") + QChar(0xD800) + u8("l")) << codigo.arg(u8("U+D800"));
        QTest::newRow("suplente bajo") << (QChar(0xDC00) + u8("sol")) << codigo.arg(u8("U+DC00"));
        QTest::newRow("uso privado") << (u8("sol") + QChar(0xE000)) << codigo.arg(u8("U+E000"));
        QTest::newRow("acento suelto") << (QChar(0x301) + u8("sol")) << codigo.arg(u8("U+0301"));
        QTest::newRow("dos tildes") << u8("rápidaménte") << tildes;
    }
    void invalidas()
    {
        QFETCH(QString, palabra);
        QFETCH(QString, motivo);
        const AnalisisSilabico a = analizarPalabra(palabra);
        QVERIFY(!a.valido);
        QCOMPARE(a.motivo, motivo);
        comprobarCoherencia(palabra, a);
    }

    void longitud()
    {
        const QString demasiado = u8("la palabra es demasiado larga (más de 64 letras)");
        const QString justa = QString(rimario::kMaxLetras / 2, QChar(u'b')) + QString(rimario::kMaxLetras / 2, QChar(u'a'));
        const AnalisisSilabico a = analizarPalabra(justa);
        QVERIFY(a.valido);
        QCOMPARE(a.numSilabas(), rimario::kMaxLetras / 2);
        QCOMPARE(analizarPalabra(justa + u8("a")).motivo, demasiado);
        QCOMPARE(analizarPalabra(QString(40000, QChar(u'a'))).motivo, demasiado);
        QCOMPARE(analizarPalabra(QString(40000, QChar(0xD800))).motivo, demasiado);
    }

    void acentosDescompuestos()
    {
        // "canción" and "pingüino" typed with combining marks
        const AnalisisSilabico a = analizarPalabra(u8("cancio") + QChar(0x301) + u8("n"));
        QVERIFY(a.valido);
        QCOMPARE(a.separada(u"·"), u8("can·ción"));
        QCOMPARE(a.claveConsonante, u8("on"));
        const AnalisisSilabico b = analizarPalabra(u8("pingu") + QChar(0x308) + u8("ino"));
        QCOMPARE(b.separada(), u8("pin-güi-no"));
        QCOMPARE(analizarPalabra(u8("c") + QChar(0x327) + u8("a")).motivo,
                 u8("la palabra contiene una letra ajena al español: «ç»"));
    }

};

QTEST_APPLESS_MAIN(PruebaSilabas)
#include "prueba_silabas.moc"
