// The in-memory word list against plain scans. The first line of the input
// is the word looked for; every other line is a word of the list ("word<TAB>
// skeleton" gives it a stored skeleton of its own, as a hostile file may).
// Finds by prefix, by equality, rhyme scans and in-place edits must give what
// a scan of the whole list in list order gives.

#include "comun.h"
#include "colador.h"
#include "lexico.h"
#include "patron.h"
#include "rima.h"
#include "vocales.h"

#include <QChar>

#include <vector>

using namespace rimario;

namespace {

const Colador &colador()
{
    static const Colador c;
    return c;
}

// Equal letter case aside, one UTF-16 unit against the other.
bool igualesPorUnidades(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (QChar::toCaseFolded(a[i].unicode()) != QChar::toCaseFolded(b[i].unicode()))
            return false;
    return true;
}

// Latin letters and the like. Finding by prefix narrows the search to the span
// of the list that the collation gives the prefix; some characters sort apart
// from what they start with as code points (n + U+0303 sorts as ñ, after every
// n; U+FFFF after everything; Thai vowels before their consonant), and there
// the find keeps to the collation's span: "n" does not find a decomposed ñ.
bool latina(QStringView s)
{
    for (const QChar c : s)
        if (c.unicode() >= 0x250)
            return false;
    return true;
}

struct Palabra {
    qint64 id;
    QString pal;
    QString voc;
};

QByteArray lista(const Lexico &l)
{
    QByteArray r;
    for (qsizetype i = 0; i < l.tamano(); ++i)
        r += QByteArray::number(l.id(i)) + ":" + fuzz::mostrar(l.pal(i), 60) + "\n";
    return r;
}

void comprobarOrden(const Lexico &l, const std::vector<Palabra> &palabras)
{
    FUZZ_COMPROBAR(size_t(l.tamano()) == palabras.size(), lista(l));
    for (qsizetype i = 0; i < l.tamano(); ++i) {
        FUZZ_COMPROBAR(l.posicionDeId(l.id(i)) == i, lista(l));
        FUZZ_COMPROBAR(l.caracteres(i) == numeroDeCaracteres(l.pal(i)), fuzz::mostrar(l.pal(i)));
        if (i + 1 < l.tamano()) {
            const QStringView a = l.pal(i), b = l.pal(i + 1);
            FUZZ_COMPROBAR(colador().comparar(reinterpret_cast<const char16_t *>(a.utf16()), a.size(),
                                              reinterpret_cast<const char16_t *>(b.utf16()), b.size())
                               <= 0,
                           lista(l));
        }
    }
}

std::vector<qint64> ids(const ResultadoRima &r)
{
    std::vector<qint64> v;
    for (qsizetype i = 0; i < r.tamano(); ++i)
        v.push_back(r.id(i));
    return v;
}

void buscar(const Lexico &l, const std::vector<Palabra> &palabras, const QString &q, int n, bool igualTamano)
{
    auto vocDe = [&](qint64 id) -> const QString & {
        for (const Palabra &p : palabras)
            if (p.id == id)
                return p.voc;
        fuzz::fallo("Id desconocido");
    };
    const std::u32string pq = fuzz::plegado(q);

    // Prefix: the first word in list order that the pattern "q*" matches.
    const auto patron = Patron::compilar(q + QLatin1Char('*'));
    qsizetype esperado = Lexico::kNinguna;
    bool todasLatinas = latina(q);
    for (qsizetype i = 0; patron && i < l.tamano() && esperado < 0; ++i)
        if (patron->coincide(l.pal(i)))
            esperado = i;
    for (qsizetype i = 0; i < l.tamano(); ++i)
        todasLatinas = todasLatinas && latina(l.pal(i));
    const qsizetype hallado = l.buscarPrefijo(q);
    if (todasLatinas || hallado >= 0)
        FUZZ_COMPROBAR(hallado == esperado || (!todasLatinas && patron->coincide(l.pal(hallado))),
                       "prefijo " + fuzz::mostrar(q) + " -> " + QByteArray::number(hallado) + " en vez de "
                           + QByteArray::number(esperado) + "\n" + lista(l));

    // Equality, letter case aside.
    esperado = Lexico::kNinguna;
    for (qsizetype i = 0; i < l.tamano() && esperado < 0; ++i)
        if (igualesPorUnidades(l.pal(i), q))
            esperado = i;
    FUZZ_COMPROBAR(l.buscarIgual(q) == esperado,
                   "igual " + fuzz::mostrar(q) + " -> " + QByteArray::number(l.buscarIgual(q)) + " en vez de "
                       + QByteArray::number(esperado) + "\n" + lista(l));

    if (numeroDeCaracteres(q) < n)
        return;
    // Whole-word rhyme of the last n characters.
    const QString fin = ultimosCaracteres(q, n);
    const qsizetype caracteres = igualTamano ? numeroDeCaracteres(q) : -1;
    std::optional<Patron> comodines;
    if (fin.contains(u'*') || fin.contains(u'?') || fin.contains(u'#') || fin.contains(u'[')) {
        comodines = Patron::compilar(QLatin1Char('*') + fin);
        if (!comodines) {
            bool error = false;
            try {
                rimasCompletas(l, q, n, igualTamano);
            } catch (const ErrorRima &e) {
                error = !e.mensaje().isEmpty();
            }
            FUZZ_COMPROBAR(error, fuzz::mostrar(q));
            return;
        }
    }
    const std::u32string pfin = fuzz::plegado(fin);
    std::vector<qint64> completas;
    for (qsizetype i = 0; i < l.tamano(); ++i) {
        const std::u32string p = fuzz::plegado(l.pal(i));
        const bool termina = comodines ? comodines->coincide(l.pal(i))
                                       : p.size() >= pfin.size() && p.compare(p.size() - pfin.size(), pfin.size(), pfin) == 0;
        if (termina && (caracteres < 0 || numeroDeCaracteres(l.pal(i)) == caracteres) && !igualesPorUnidades(l.pal(i), q))
            completas.push_back(l.id(i));
    }
    FUZZ_COMPROBAR(ids(rimasCompletas(l, q, n, igualTamano)) == completas,
                   "rima de " + fuzz::mostrar(q) + " n=" + QByteArray::number(n) + "\n" + lista(l));

    // Vowel rhyme: the stored skeletons that end in the word's last n vowels
    // (ASCII letter case aside, as the store's lower() has it).
    const QString esqueleto = ExtraeVocales(q);
    if (esqueleto.size() < n)
        return;
    const QString vfin = esqueleto.right(n);
    std::vector<qint64> vocales;
    for (qsizetype i = 0; i < l.tamano(); ++i) {
        QString v = vocDe(l.id(i));
        for (QChar &c : v)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        if (v.endsWith(vfin) && (caracteres < 0 || numeroDeCaracteres(l.pal(i)) == caracteres))
            vocales.push_back(l.id(i));
    }
    const std::optional<qsizetype> limite = igualTamano ? std::optional<qsizetype>(caracteres) : std::nullopt;
    FUZZ_COMPROBAR(ids(rimasVocales(l, vfin, limite)) == vocales,
                   "vocales " + fuzz::mostrar(vfin) + " de " + fuzz::mostrar(q) + "\n" + lista(l));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    if (largo < 1)
        return 0;
    // First byte: rhyme length and same-size flag.
    const int n = 2 + datos[0] % 6;
    const bool igualTamano = datos[0] & 0x80;
    const QStringList l = fuzz::lineas(datos + 1, largo - 1);
    Lexico lex(colador());
    std::vector<Palabra> palabras;
    for (qsizetype i = 1; i < l.size() && i <= 32; ++i) {
        const qsizetype tab = l[i].indexOf(u'\t');
        Palabra p{i, tab < 0 ? l[i] : l[i].left(tab), QString()};
        p.voc = tab < 0 ? ExtraeVocales(p.pal) : l[i].mid(tab + 1);
        lex.insertar(p.id, p.pal, p.voc);
        palabras.push_back(p);
    }
    comprobarOrden(lex, palabras);
    buscar(lex, palabras, l[0], n, igualTamano);
    // Edit every other word in place into the word looked for, then delete one.
    for (size_t k = 0; k < palabras.size(); k += 2) {
        const qsizetype pos = lex.posicionDeId(palabras[k].id);
        palabras[k].pal = l[0] + palabras[k].pal.left(1);
        palabras[k].voc = ExtraeVocales(palabras[k].pal);
        const qsizetype nueva = lex.cambiar(pos, palabras[k].pal, palabras[k].voc);
        FUZZ_COMPROBAR(lex.id(nueva) == palabras[k].id && lex.pal(nueva) == palabras[k].pal, lista(lex));
    }
    if (!palabras.empty()) {
        lex.eliminar(lex.posicionDeId(palabras.back().id));
        palabras.pop_back();
    }
    comprobarOrden(lex, palabras);
    buscar(lex, palabras, l[0], n, igualTamano);
    return 0;
}
