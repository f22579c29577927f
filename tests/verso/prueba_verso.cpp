// Scansion and a poem's analysis: the verses of versos.tsv with the pattern
// annotated for each, read as the poems they belong to, and the rhymes, metres
// and stanzas of a few poems.

#include "verso/poema.h"

#include "../comun/tabla.h"

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
    COLUMNAS(QString, verso, QString, esperado, QString, obtenido);
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
    DATOS(QString, esperado, QString, obtenido);
    QCOMPARE(obtenido, esperado);
}

void PruebaVerso::poema_data() { rimario::prueba::datosDeArchivo("verso/poemas.tsv"); }

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

// A long run of letters that is no verse has no syllables (that any text gets
// a sound answer, blanks doubled or not, is the fuzz target's invariant); aguda
// and esdrújula endings.
void PruebaVerso::entradaMala()
{
    QCOMPARE(preparar(u16(QString(100000, u'a'))).silabas.size(), size_t(0));
    QCOMPARE(leer(preparar(u"en tu balcón sus nidos a colgar")).silabas, 11);
    QCOMPARE(leer(preparar(u"y en la rama cantaba el pájaro")).patron, std::string("--+--+-+-"));
    QCOMPARE(leer(preparar(u"cantaba el pájaro")).silabas, 5);
}

QTEST_APPLESS_MAIN(PruebaVerso)
#include "prueba_verso.moc"
