// The like matcher against a plain reference: the first line of the input is
// the pattern, the others are texts. The reference parses the pattern on its
// own and matches by dynamic programming over (pattern element, text
// position), so the matcher's greedy backtracking is checked, not restated.
// Its ranges compare single characters with ICU's Spanish collation at the
// first level (the word list's order), not through sort keys.

#include "comun.h"
#include "patron.h"

#include <QChar>

#include <unicode/ucol.h>

#include <optional>
#include <string>
#include <vector>

using namespace rimario;

namespace {

// <0, 0, >0: the places of two characters in the list's order.
int comparar(char32_t a, char32_t b)
{
    static UCollator *const col = [] {
        UErrorCode e = U_ZERO_ERROR;
        UCollator *c = ucol_open("es", &e);
        ucol_setStrength(c, UCOL_PRIMARY);
        return c;
    }();
    const QString x = QString::fromUcs4(&a, 1), y = QString::fromUcs4(&b, 1);
    return ucol_strcoll(col, reinterpret_cast<const UChar *>(x.utf16()), int32_t(x.size()),
                        reinterpret_cast<const UChar *>(y.utf16()), int32_t(y.size()));
}

struct Elemento {
    enum Tipo { Car, Uno, Digito, Lista, Estrella, Nada } tipo = Car;
    char32_t c = 0;
    bool niega = false;
    std::vector<std::pair<char32_t, char32_t>> intervalos; // a single character as (c, c), exact
    std::vector<bool> esIntervalo;

    bool acepta(char32_t x) const
    {
        switch (tipo) {
        case Car: return x == c;
        case Uno: return true;
        case Digito: return x >= U'0' && x <= U'9';
        case Lista: {
            bool en = false;
            for (size_t i = 0; i < intervalos.size(); ++i) {
                const auto [a, b] = intervalos[i];
                en = en || (esIntervalo[i] ? comparar(a, x) <= 0 && comparar(x, b) <= 0 : x == a);
            }
            return en != niega;
        }
        default: return false;
        }
    }
};

// nullopt for an unclosed list or a reversed range.
std::optional<std::vector<Elemento>> analizar(const std::u32string &p)
{
    std::vector<Elemento> r;
    for (size_t i = 0; i < p.size(); ++i) {
        Elemento e;
        switch (p[i]) {
        case U'*': e.tipo = Elemento::Estrella; break;
        case U'?': e.tipo = Elemento::Uno; break;
        case U'#': e.tipo = Elemento::Digito; break;
        case U'[': {
            size_t desde = i + 1;
            if (desde < p.size() && p[desde] == U'!') {
                e.niega = true;
                ++desde;
            }
            const size_t cierre = p.find(U']', desde);
            if (cierre == std::u32string::npos)
                return std::nullopt;
            e.tipo = cierre == desde && !e.niega ? Elemento::Nada : Elemento::Lista;
            for (size_t k = desde; k < cierre; ++k) {
                if (k + 2 < cierre && p[k + 1] == U'-') {
                    if (comparar(p[k + 2], p[k]) < 0)
                        return std::nullopt;
                    e.intervalos.emplace_back(p[k], p[k + 2]);
                    e.esIntervalo.push_back(true);
                    k += 2;
                } else {
                    e.intervalos.emplace_back(p[k], p[k]);
                    e.esIntervalo.push_back(false);
                }
            }
            i = cierre;
            break;
        }
        default: e.c = p[i];
        }
        r.push_back(std::move(e));
    }
    return r;
}

bool coincideReferencia(const std::vector<Elemento> &patron, const std::u32string &t)
{
    // posible[j]: the elements so far can take exactly the first j characters.
    std::vector<char> posible(t.size() + 1, 0), siguiente(t.size() + 1);
    posible[0] = 1;
    for (const Elemento &e : patron) {
        std::fill(siguiente.begin(), siguiente.end(), 0);
        if (e.tipo == Elemento::Estrella) {
            char alguno = 0;
            for (size_t j = 0; j <= t.size(); ++j)
                siguiente[j] = alguno = char(alguno | posible[j]);
        } else if (e.tipo == Elemento::Nada) {
            siguiente = posible;
        } else {
            for (size_t j = 0; j < t.size(); ++j)
                siguiente[j + 1] = char(posible[j] && e.acepta(t[j]));
        }
        posible.swap(siguiente);
    }
    return posible[t.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const QStringList l = fuzz::lineas(datos, largo);
    const QString &patron = l.first();
    QString error;
    const std::optional<Patron> p = Patron::compilar(patron, &error);
    const std::u32string pp = fuzz::plegado(patron);
    const auto ref = analizar(pp);
    FUZZ_COMPROBAR(p.has_value() == ref.has_value(), fuzz::mostrar(patron));
    if (!p) {
        FUZZ_COMPROBAR(!error.isEmpty(), fuzz::mostrar(patron));
        return 0;
    }
    QStringList textos = l.mid(1, 8);
    textos << patron; // a pattern read as text
    for (const QString &texto : std::as_const(textos)) {
        const std::u32string t = fuzz::plegado(texto);
        const bool si = p->coincide(texto);
        FUZZ_COMPROBAR(si == p->coincide(reinterpret_cast<const char16_t *>(texto.utf16()), texto.size()),
                       fuzz::mostrar(texto));
        if (ref->size() * (t.size() + 1) <= 4000000)
            FUZZ_COMPROBAR(si == coincideReferencia(*ref, t),
                           "patrón " + fuzz::mostrar(patron) + "\ntexto " + fuzz::mostrar(texto));
        // What the word list's finds rely on: a match starts with the literal
        // prefix; a literal pattern is plain equality, "abc*" a plain prefix.
        const std::u32string &pref = p->prefijoLiteral();
        const bool empieza = t.compare(0, pref.size(), pref) == 0;
        if (si)
            FUZZ_COMPROBAR(empieza, fuzz::mostrar(patron) + " / " + fuzz::mostrar(texto));
        if (p->esLiteral())
            FUZZ_COMPROBAR(si == (t == pp), fuzz::mostrar(patron) + " / " + fuzz::mostrar(texto));
        if (p->esPrefijoSimple())
            FUZZ_COMPROBAR(si == empieza, fuzz::mostrar(patron) + " / " + fuzz::mostrar(texto));
        // A text taken literally matches itself, whatever it holds.
        FUZZ_COMPROBAR(Patron::literal(texto).coincide(texto), fuzz::mostrar(texto));
        FUZZ_COMPROBAR(Patron::literal(texto).coincide(patron) == (t == pp),
                       fuzz::mostrar(patron) + " / " + fuzz::mostrar(texto));
    }
    return 0;
}
