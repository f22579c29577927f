// The like matcher against a plain reference: the first line of the input is
// the pattern, the others are texts. The reference parses the pattern on its
// own and matches by dynamic programming over (pattern element, text
// position), so the matcher's greedy backtracking is checked, not restated.
// Its ranges compare single characters with ICU's Spanish collation at the
// first level (the word list's order), not through sort keys.

#include "comun.h"

#include "language/patron.h"

#include <unicode/ucol.h>

#include <optional>
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
    return ucol_strcoll(col, reinterpret_cast<const UChar *>(x.utf16()), int32_t(x.size()), reinterpret_cast<const UChar *>(y.utf16()), int32_t(y.size()));
}

// One element of a pattern: a character, '?', '#', '*', or a list of
// characters and ranges ([] matches nothing and takes no character).
constexpr char32_t kListaVacia = 0x110000, kSolo = 0x110001; // beyond any character
struct Elemento {
    char32_t tipo = 0; // the character itself, or '?', '#', '*', '[' (a list), kListaVacia
    bool niega = false;
    std::vector<std::pair<char32_t, char32_t>> intervalos; // a single character as (c, kSolo): exact
    bool acepta(char32_t x) const
    {
        if (tipo == U'?' || (tipo == U'#' && x >= U'0' && x <= U'9'))
            return true;
        if (tipo != U'[')
            return tipo == x && tipo != U'#';
        bool en = false;
        for (const auto &[a, b] : intervalos)
            en = en || (b == kSolo ? x == a : comparar(a, x) <= 0 && comparar(x, b) <= 0);
        return en != niega;
    }
};

// nullopt for an unclosed list or a reversed range.
std::optional<std::vector<Elemento>> analizar(const std::u32string &p)
{
    std::vector<Elemento> r;
    for (size_t i = 0; i < p.size(); ++i) {
        Elemento e;
        e.tipo = p[i];
        if (p[i] == U'[') {
            size_t desde = i + 1;
            e.niega = desde < p.size() && p[desde] == U'!';
            desde += e.niega;
            const size_t cierre = p.find(U']', desde);
            if (cierre == std::u32string::npos)
                return std::nullopt;
            if (cierre == desde && !e.niega)
                e.tipo = kListaVacia;
            for (size_t k = desde; k < cierre; ++k) {
                const bool intervalo = k + 2 < cierre && p[k + 1] == U'-';
                if (intervalo && comparar(p[k + 2], p[k]) < 0)
                    return std::nullopt;
                e.intervalos.emplace_back(p[k], intervalo ? p[k + 2] : kSolo);
                k += intervalo ? 2 : 0;
            }
            i = cierre;
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
        for (size_t j = 0; j <= t.size(); ++j)
            if (e.tipo == U'*')
                siguiente[j] = char(posible[j] || (j > 0 && siguiente[j - 1]));
            else if (e.tipo == kListaVacia)
                siguiente[j] = posible[j];
            else if (j < t.size())
                siguiente[j + 1] = char(posible[j] && e.acepta(t[j]));
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
    FUZZ_COMPROBAR(p.has_value() == ref.has_value() && p.has_value() == error.isEmpty(), fuzz::mostrar(patron));
    if (!p)
        return 0;
    QStringList textos = l.mid(1, 8);
    textos << patron; // a pattern read as text too
    for (const QString &texto : std::as_const(textos)) {
        const std::u32string t = fuzz::plegado(texto);
        const bool si = p->coincide(texto);
        const QByteArray caso = "patrón " + fuzz::mostrar(patron) + "\ntexto " + fuzz::mostrar(texto);
        FUZZ_COMPROBAR(si == p->coincide(reinterpret_cast<const char16_t *>(texto.utf16()), texto.size()), caso);
        if (ref->size() * (t.size() + 1) <= 4000000)
            FUZZ_COMPROBAR(si == coincideReferencia(*ref, t), caso);
        // What the word list's finds rely on: a match starts with the literal
        // prefix; "abc*" is a plain prefix.
        const bool empieza = t.compare(0, p->prefijoLiteral().size(), p->prefijoLiteral()) == 0;
        FUZZ_COMPROBAR((!si || empieza) && (!p->esPrefijoSimple() || si == empieza), caso);
        // A text taken literally matches itself, whatever it holds.
        FUZZ_COMPROBAR(Patron::literal(texto).coincide(texto) && Patron::literal(texto).coincide(patron) == (t == pp), caso);
    }
    return 0;
}
