// The in-memory word list against plain scans. The first line of the input
// is the word looked for; every other line is a word of the list ("word<TAB>
// skeleton" gives it a stored skeleton of its own, as a hostile file may).
// Finds by prefix, by equality, rhyme searches (by the ending indexes, as
// inserts, in-place edits and a deletion keep them) and the edits themselves
// must give what a scan of the whole list in list order gives.

#include "comun.h"

#include "language/caracteres.h"
#include "language/patron.h"
#include "language/vocales.h"
#include "rhyme/rima.h"
#include "store/colador.h"
#include "lista/lexico.h"

#include <map>
#include <vector>

using namespace rimario;

namespace {

const Colador &colador()
{
    static const Colador c;
    return c;
}

// Letter case aside, one UTF-16 unit against the other.
bool iguales(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (QChar::toCaseFolded(a[i].unicode()) != QChar::toCaseFolded(b[i].unicode()))
            return false;
    return true;
}

// Finding by prefix narrows the search to the span of the list that the
// collation gives the prefix; some characters beyond Latin sort apart from
// what they start with as code points (n + U+0303 sorts as ñ), and there the
// find keeps to the collation's span.
bool latina(QStringView s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x250; });
}

QByteArray lista(const Lexico &l)
{
    QByteArray r;
    for (qsizetype i = 0; i < l.tamano(); ++i)
        r += QByteArray::number(l.id(i)) + ":" + fuzz::mostrar(l.pal(i), 60) + "\n";
    return r;
}

// The ids a scan in list order gives for what 'vale' accepts.
template <typename F>
std::vector<qint64> barrido(const Lexico &l, F vale)
{
    std::vector<qint64> r;
    for (qsizetype i = 0; i < l.tamano(); ++i)
        if (vale(i))
            r.push_back(l.id(i));
    return r;
}
std::vector<qint64> ids(const ResultadoRima &r)
{
    std::vector<qint64> v;
    for (qsizetype i = 0; i < r.tamano(); ++i)
        v.push_back(r.id(i));
    return v;
}

void comprobar(const Lexico &l, const std::map<qint64, QString> &voc, const QString &q, int n, bool igualTamano)
{
    bool latinas = latina(q);
    FUZZ_COMPROBAR(size_t(l.tamano()) == voc.size(), lista(l));
    for (qsizetype i = 0; i < l.tamano(); ++i) {
        FUZZ_COMPROBAR(l.posicionDeId(l.id(i)) == i && l.caracteres(i) == numeroDeCaracteres(l.pal(i)), lista(l));
        const QStringView a = l.pal(i), b = l.pal(std::min(i + 1, l.tamano() - 1));
        FUZZ_COMPROBAR(colador().comparar(reinterpret_cast<const char16_t *>(a.utf16()), a.size(), reinterpret_cast<const char16_t *>(b.utf16()), b.size()) <= 0, lista(l));
        latinas = latinas && latina(l.pal(i));
    }
    // Prefix: the first word in list order that "q*" matches; equality, letter case aside.
    const auto patron = Patron::compilar(q + u'*');
    const auto prefijo = barrido(l, [&](qsizetype i) { return patron && patron->coincide(l.pal(i)); });
    const qsizetype hallado = l.buscarPrefijo(q);
    if (latinas || hallado >= 0)
        FUZZ_COMPROBAR(prefijo.empty() ? hallado < 0 : (l.id(hallado) == prefijo.front() || (!latinas && patron->coincide(l.pal(hallado)))),
                       "prefijo " + fuzz::mostrar(q) + " -> " + QByteArray::number(hallado) + "\n" + lista(l));
    // The word looked for as a whole pattern: the first word it matches.
    if (const auto entero = Patron::compilar(q)) {
        const auto todas = barrido(l, [&](qsizetype i) { return entero->coincide(l.pal(i)); });
        if (latinas || entero->prefijoLiteral().empty()) {
            const qsizetype h = l.buscarPatron(*entero);
            FUZZ_COMPROBAR(todas.empty() ? h < 0 : l.id(h) == todas.front(), "patrón " + fuzz::mostrar(q) + "\n" + lista(l));
        }
    }
    const auto igual = barrido(l, [&](qsizetype i) { return iguales(l.pal(i), q); });
    FUZZ_COMPROBAR(igual.empty() ? l.buscarIgual(q) < 0 : l.id(l.buscarIgual(q)) == igual.front(), "igual " + fuzz::mostrar(q) + "\n" + lista(l));
    if (numeroDeCaracteres(q) < n)
        return;
    // Whole-word rhyme of the last n characters (a pattern there keeps its meaning).
    const QString fin = ultimosCaracteres(q, n);
    const qsizetype caracteres = igualTamano ? numeroDeCaracteres(q) : -1;
    const bool conComodines = std::any_of(fin.begin(), fin.end(), [](QChar c) { return QStringView(u"*?#[").contains(c); });
    const auto comodines = Patron::compilar(u'*' + fin);
    if (conComodines && !comodines) {
        bool error = false;
        try {
            rimasCompletas(l, q, n, igualTamano);
        } catch (const Error &e) {
            error = !e.mensaje().isEmpty();
        }
        FUZZ_COMPROBAR(error, fuzz::mostrar(q));
        return;
    }
    const std::u32string pfin = fuzz::plegado(fin);
    const auto tamano = [&](qsizetype i) { return caracteres < 0 || numeroDeCaracteres(l.pal(i)) == caracteres; };
    const auto completas = barrido(l, [&](qsizetype i) {
        const std::u32string p = fuzz::plegado(l.pal(i));
        const bool termina = conComodines ? comodines->coincide(l.pal(i)) : p.size() >= pfin.size() && p.compare(p.size() - pfin.size(), pfin.size(), pfin) == 0;
        return termina && tamano(i) && !iguales(l.pal(i), q);
    });
    FUZZ_COMPROBAR(ids(rimasCompletas(l, q, n, igualTamano)) == completas, "rima de " + fuzz::mostrar(q) + " n=" + QByteArray::number(n) + "\n" + lista(l));
    // Vowel rhyme: the stored skeletons that end in the word's last n vowels
    // (ASCII letter case aside, as the store's lower() has it).
    const QString esqueleto = ExtraeVocales(q);
    if (esqueleto.size() < n)
        return;
    const QString vfin = esqueleto.right(n);
    const auto vocales = barrido(l, [&](qsizetype i) {
        QString v = voc.at(l.id(i));
        for (QChar &c : v)
            c = c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
        return v.endsWith(vfin) && tamano(i);
    });
    FUZZ_COMPROBAR(ids(rimasVocales(l, vfin, igualTamano ? std::optional<qsizetype>(caracteres) : std::nullopt)) == vocales,
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
    std::map<qint64, QString> voc;
    for (qsizetype i = 1; i < l.size() && i <= 32; ++i) {
        const qsizetype tab = l[i].indexOf(u'\t');
        const QString pal = tab < 0 ? l[i] : l[i].left(tab);
        voc[i] = tab < 0 ? ExtraeVocales(pal) : l[i].mid(tab + 1);
        lex.insertar(i, pal, voc[i]);
    }
    // The indexes as the inserts left them, then as the edits leave them.
    comprobar(lex, voc, l[0], n, igualTamano);
    // Edit every other word in place into the word looked for, then delete one.
    for (qint64 id = 1; id <= qint64(voc.size()); id += 2) {
        const QString nueva = l[0] + lex.pal(lex.posicionDeId(id)).left(1).toString();
        voc[id] = ExtraeVocales(nueva);
        const qsizetype p = lex.cambiar(lex.posicionDeId(id), nueva, voc[id]);
        FUZZ_COMPROBAR(lex.id(p) == id && lex.pal(p) == nueva, lista(lex));
    }
    if (!voc.empty()) {
        lex.eliminar(lex.posicionDeId(voc.rbegin()->first));
        voc.erase(std::prev(voc.end()));
    }
    comprobar(lex, voc, l[0], n, igualTamano);
    return 0;
}
