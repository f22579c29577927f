// Scansion and a poem's analysis: the verses of versos.tsv with the pattern
// annotated for each, read as the poems they belong to, and the rhymes, metres
// and stanzas of a few poems.

#include "verso/poema.h"

#include <QFile>
#include <QTest>

using namespace rimario::verso;

namespace {

std::u16string u16(const QString &s) { return std::u16string(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size())); }

struct Poema {
    std::vector<std::u16string> lineas;
    std::vector<QString> esperados; // "" for a blank line
};

std::vector<Poema> leerVersos()
{
    QFile f(QStringLiteral(RIMARIO_FUENTES "/tests/verso/versos.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("versos.tsv");
    std::vector<Poema> poemas(1);
    for (const QString &l : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (l.startsWith(u'#'))
            continue;
        if (l == u"===") {
            poemas.emplace_back();
            continue;
        }
        const qsizetype tab = l.indexOf(u'\t');
        poemas.back().lineas.push_back(u16(tab < 0 ? QString() : l.mid(tab + 1)));
        poemas.back().esperados.push_back(tab < 0 ? QString() : l.left(tab));
    }
    return poemas;
}

PoemaAnalizado analizar(Analizador &a, const std::vector<std::u16string> &lineas)
{
    std::vector<std::u16string_view> v(lineas.begin(), lineas.end());
    return a.analizar(v);
}

PoemaAnalizado analizarTexto(const QString &texto)
{
    std::vector<std::u16string> l;
    for (const QString &s : texto.split(u'\n'))
        l.push_back(u16(s));
    Analizador a;
    return analizar(a, l);
}

} // namespace

class PruebaVerso : public QObject {
    Q_OBJECT
private slots:
    void patrones_data();
    void patrones();
    void poema_data();
    void poema();
    void entradaMala();
};

void PruebaVerso::patrones_data()
{
    QTest::addColumn<QString>("verso");
    QTest::addColumn<QString>("esperado");
    QTest::addColumn<QString>("obtenido");
    Analizador a;
    int total = 0, patrones = 0, cuentas = 0, sonetos = 0;
    for (const Poema &p : leerVersos()) {
        const PoemaAnalizado r = analizar(a, p.lineas);
        sonetos += r.poemas == std::vector<std::string>{"soneto"};
        for (size_t i = 0; i < p.lineas.size(); ++i) {
            if (p.esperados[i].isEmpty())
                continue;
            const QString verso = QString::fromStdU16String(p.lineas[i]);
            const QString obtenido = QString::fromStdString(r.versos[i].patron);
            ++total;
            patrones += obtenido == p.esperados[i];
            cuentas += obtenido.size() == p.esperados[i].size();
            QTest::newRow(qPrintable(verso)) << verso << p.esperados[i] << obtenido;
        }
    }
    QCOMPARE(sonetos, 2); // Garcilaso's and Quevedo's; Lope's is given unfinished
    qInfo("%d verses: pattern %.1f %%, count %.1f %%", total, 100.0 * patrones / total, 100.0 * cuentas / total);
}

void PruebaVerso::patrones()
{
    QFETCH(QString, esperado);
    QFETCH(QString, obtenido);
    QCOMPARE(obtenido, esperado);
}

void PruebaVerso::poema_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("rimas");    // the letters, a blank for a blank line
    QTest::addColumn<QString>("estrofas"); // names, "/" between them
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("fuera");    // "x" for a line marked out of metre
    QTest::addColumn<QString>("metro");    // of the first line
    QTest::addColumn<QString>("separada"); // of the first line
    QTest::newRow("redondilla")
        << u"Hombres necios que acusáis\na la mujer sin razón,\nsin ver que sois la ocasión\nde lo mismo que culpáis:"_qs
        << "ABBA" << "redondilla" << "" << "...." << "octosílabo" << u"Hom·bres ne·cios que_a·cu·sáis"_qs;
    QTest::newRow("serventesio, un verso largo")
        << u"Cerrar podrá mis ojos la postrera\nsombra que me llevare el blanco día,\nmas no de esotra parte en la ribera\ndejará la memoria del amor que en mí ardía"_qs
        << "ABAB" << "serventesio" << "" << "...x" << "endecasílabo heroico" << u"Ce·rrar po·drá mis o·jos la pos·tre·ra"_qs;
    QTest::newRow("un heptasílabo entre endecasílabos")
        << u"Corrientes aguas puras, cristalinas,\nárboles que os estáis mirando en ellas,\nverde prado de fresca sombra lleno,\ncon un manso ruïdo"_qs
        << "----" << "" << "" << "...." << "endecasílabo heroico" << u"Co·rrien·tes a·guas pu·ras cris·ta·li·nas"_qs;
    QTest::newRow("lira")
        << u"El aire el huerto orea\ny ofrece mil olores al sentido;\nlos árboles menea\ncon un manso ruïdo\nque del oro y del cetro pone olvido."_qs
        << "ABABB" << "lira" << "" << "....." << "heptasílabo" << u"El ai·re_el huer·to_o·re·a"_qs;
    QTest::newRow("romance asonante")
        << u"Que por mayo era, por mayo,\ncuando hace la calor,\ncuando los trigos encañan\ny están los campos en flor,\ncuando canta la calandria\ny responde el ruiseñor,\ncuando los enamorados\nvan a servir al amor"_qs
        << "aAbAbAaA" << "" << "romance" << "........" << "octosílabo" << u"Que por ma·yo_e·ra por ma·yo"_qs;
    QTest::newRow("asonancia, estrofas, dos poemas")
        << u"la luna llena\nsobre la arena\nmira la tierra\n\nsin rima aquí\n\n\nla luna llena"_qs
        << "AAa - -" << "//" << "/" << "........" << "pentasílabo" << u"la lu·na lle·na"_qs;
}

void PruebaVerso::poema()
{
    QFETCH(QString, texto);
    const PoemaAnalizado r = analizarTexto(texto);
    QString rimas, fuera, estrofas, nombres;
    for (const VersoAnalizado &v : r.versos) {
        rimas += v.vacio ? u" "_qs : QString::fromStdString(v.rima);
        fuera += v.fueraDeMetro ? u'x' : u'.';
        QCOMPARE(v.silabas, int(v.patron.size()));
    }
    for (size_t i = 0; i < r.estrofas.size(); ++i)
        estrofas += (i ? u"/"_qs : u""_qs) + QString::fromStdString(r.estrofas[i].nombre);
    for (size_t i = 0; i < r.poemas.size(); ++i)
        nombres += (i ? u"/"_qs : u""_qs) + QString::fromStdString(r.poemas[i]);
    rimas.replace(u"  "_qs, u" "_qs);
    QTEST(rimas, "rimas");
    QTEST(estrofas, "estrofas");
    QTEST(nombres, "nombre");
    QTEST(fuera, "fuera");
    QTEST(QString::fromStdString(r.versos[0].metro), "metro");
    QTEST(QString::fromStdU16String(r.versos[0].separada), "separada");
}

// Text that is no verse: no syllables, no crash; repeated blanks change nothing.
void PruebaVerso::entradaMala()
{
    const QString largo(100000, u'a');
    const char16_t raros[] = {0, 0xD800, u'x', 0xFFFF};
    for (const QString &t : {u"¡¿...?!, ;"_qs, u"1234 5678"_qs, largo, QString::fromUtf16(raros, 4), u"ésté ÿ ﬁn"_qs}) {
        const VersoPreparado v = preparar(u16(t));
        const Lectura l = leer(v, 11);
        QCOMPARE(l.silabas, int(l.patron.size()));
        QVERIFY(l.patron.find_first_not_of("+-") == std::string::npos);
    }
    QCOMPARE(preparar(u16(largo)).silabas.size(), size_t(0));
    const std::u16string uno = u16(u"Y en tanto que el cabello, que en la vena"_qs);
    const std::u16string otro = u16(u"  Y  en   tanto que el   cabello,  que en la vena  "_qs);
    QCOMPARE(leer(preparar(uno)).patron, leer(preparar(otro)).patron);
    // Aguda and esdrújula endings.
    QCOMPARE(leer(preparar(u"en tu balcón sus nidos a colgar")).silabas, 11);
    QCOMPARE(leer(preparar(u"y en la rama cantaba el pájaro")).patron, std::string("--+--+-+-"));
    QCOMPARE(leer(preparar(u"cantaba el pájaro")).silabas, 5);
}

QTEST_APPLESS_MAIN(PruebaVerso)
#include "prueba_verso.moc"
