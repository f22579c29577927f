#include "language/patron.h"

#include <QChar>

#include <unicode/ucol.h>

#include <algorithm>
#include <array>

namespace rimario {

char32_t plegar(char32_t c)
{
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z')
            return c + 32;
        return c;
    }
    return QChar::toCaseFolded(c);
}

void plegarTexto(const char16_t *s, qsizetype n, std::u32string &salida)
{
    salida.clear();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        salida.push_back(plegar(c));
    }
}

namespace {

// One per thread: a collator is not to be shared between threads.
class OrdenDeLetras {
public:
    OrdenDeLetras()
    {
        UErrorCode e = U_ZERO_ERROR;
        colador_ = ucol_open("es", &e);
        if (U_FAILURE(e)) {
            colador_ = nullptr;
            return;
        }
        ucol_setStrength(colador_, UCOL_PRIMARY);
    }
    ~OrdenDeLetras()
    {
        if (colador_)
            ucol_close(colador_);
    }
    OrdenDeLetras(const OrdenDeLetras &) = delete;
    OrdenDeLetras &operator=(const OrdenDeLetras &) = delete;

    const std::string &clave(char32_t c)
    {
        if (c < kTabla) {
            if (!hecha_[c]) {
                tabla_[c] = calcular(c);
                hecha_[c] = true;
            }
            return tabla_[c];
        }
        otra_ = calcular(c);
        return otra_;
    }

private:
    static constexpr char32_t kTabla = 0x250; // Latin letters: every Spanish word
    std::string calcular(char32_t c) const
    {
        if (!colador_) // code point order, big-endian
            return {char(c >> 24), char(c >> 16), char(c >> 8), char(c)};
        UChar u[2];
        int32_t n = 1;
        if (c > 0xFFFF && c <= 0x10FFFF) {
            u[0] = UChar(QChar::highSurrogate(c));
            u[1] = UChar(QChar::lowSurrogate(c));
            n = 2;
        } else {
            u[0] = UChar(c);
        }
        uint8_t k[64];
        int32_t largo = ucol_getSortKey(colador_, u, n, k, int32_t(sizeof k));
        std::string r;
        if (largo > int32_t(sizeof k)) {
            r.resize(size_t(largo));
            largo = ucol_getSortKey(colador_, u, n, reinterpret_cast<uint8_t *>(r.data()), largo);
        } else {
            r.assign(reinterpret_cast<const char *>(k), size_t(std::max(largo, 0)));
        }
        if (!r.empty())
            r.pop_back(); // the terminating zero byte
        return r;
    }
    UCollator *colador_ = nullptr;
    std::array<std::string, kTabla> tabla_;
    std::array<bool, kTabla> hecha_{};
    std::string otra_;
};

OrdenDeLetras &orden()
{
    thread_local OrdenDeLetras o;
    return o;
}

} // namespace

std::string claveDeOrden(char32_t c)
{
    return orden().clave(c);
}

static std::u32string puntos(QStringView v)
{
    std::u32string r;
    plegarTexto(reinterpret_cast<const char16_t *>(v.utf16()), v.size(), r);
    return r;
}

std::optional<Patron> Patron::compilar(QStringView patron, QString *error)
{
    Patron p;
    const std::u32string cps = puntos(patron);
    bool antesDelPrimerComodin = true;
    for (size_t i = 0; i < cps.size(); ++i) {
        const char32_t c = cps[i];
        Token t{Token::Car, false, 0, {}};
        if (c == U'*') {
            t.tipo = Token::Estrella;
            if (!p.tokens_.empty() && p.tokens_.back().tipo == Token::Estrella)
                continue; // "**" is "*"
        } else if (c == U'?') {
            t.tipo = Token::Cualquiera;
        } else if (c == U'#') {
            t.tipo = Token::Digito;
        } else if (c == U'[') {
            size_t j = i + 1;
            if (j < cps.size() && cps[j] == U'!') {
                t.negado = true;
                ++j;
            }
            const size_t inicio = j;
            // A "]" right after "[" or "[!" closes the list at once (an empty list).
            while (j < cps.size() && cps[j] != U']')
                ++j;
            if (j >= cps.size()) {
                if (error)
                    *error = QStringLiteral("falta el corchete de cierre «]» en el patrón");
                return std::nullopt;
            }
            if (j == inicio && !t.negado) {
                t.tipo = Token::Vacio;
            } else {
                t.tipo = Token::Conjunto;
                for (size_t k = inicio; k < j; ++k) {
                    char32_t a = cps[k];
                    if (k + 2 < j && cps[k + 1] == U'-') {
                        char32_t b = cps[k + 2];
                        std::string ka = claveDeOrden(a), kb = claveDeOrden(b);
                        if (kb < ka) {
                            if (error)
                                *error = QStringLiteral("el intervalo «%1-%2» del patrón está al revés")
                                             .arg(QString::fromUcs4(&a, 1), QString::fromUcs4(&b, 1));
                            return std::nullopt;
                        }
                        t.rangos.push_back({a, b, true, std::move(ka), std::move(kb)});
                        k += 2;
                    } else {
                        t.rangos.push_back({a, a, false, {}, {}});
                    }
                }
                // The Latin letters' answers at hand: a range asks the order otherwise.
                for (char32_t x = 0; x < char32_t(t.latinos.size()); ++x)
                    t.latinos[x] = enLista(t, x);
            }
            i = j;
        } else {
            t.c = c;
        }
        if (t.tipo != Token::Car) {
            antesDelPrimerComodin = false;
        } else if (antesDelPrimerComodin) {
            p.prefijo_.push_back(c);
        }
        p.tokens_.push_back(std::move(t));
    }
    // "abc*": a literal prefix followed by a single final star.
    p.prefijoSimple_ = !p.tokens_.empty() && p.tokens_.back().tipo == Token::Estrella
        && p.prefijo_.size() + 1 == p.tokens_.size();
    return p;
}

Patron Patron::literal(QStringView texto)
{
    Patron p;
    p.prefijo_ = puntos(texto);
    for (char32_t c : p.prefijo_)
        p.tokens_.push_back(Token{Token::Car, false, c, {}});
    return p;
}

Requisitos Patron::requisitos() const
{
    Requisitos r;
    bool estrella = false;
    for (size_t i = 0; i < tokens_.size(); ++i) {
        const Token &t = tokens_[i];
        switch (t.tipo) {
        case Token::Estrella: estrella = true; continue;
        case Token::Vacio: continue;
        case Token::Car:
            r.caracteres |= uint64_t(1) << bitDeCaracter(t.c);
            if (i + 1 < tokens_.size() && tokens_[i + 1].tipo == Token::Car)
                r.pares |= uint64_t(1) << bitDePar(t.c, tokens_[i + 1].c);
            break;
        case Token::Digito: {
            uint64_t m = 0;
            for (char32_t d = U'0'; d <= U'9'; ++d)
                m |= uint64_t(1) << bitDeCaracter(d);
            r.algun.push_back(m);
            break;
        }
        case Token::Conjunto: {
            // A character with a bit of its own: the list (or, negated, what it
            // leaves out) tells which of those bits can stand for it. Any other
            // character may be behind any of the shared bits, unless the list
            // names single characters only, all of them known.
            const uint64_t compartidos = ~uint64_t(0) << kBitsPropios;
            uint64_t m = t.negado ? compartidos : 0;
            for (unsigned b = 0; b < kBitsPropios; ++b)
                if (t.latinos[kCaracteresPropios[b]] != t.negado)
                    m |= uint64_t(1) << b;
            for (const Rango &g : t.rangos)
                if (g.intervalo)
                    m |= compartidos;
                else if (!t.negado && bitDeCaracter(g.desde) >= kBitsPropios)
                    m |= uint64_t(1) << bitDeCaracter(g.desde);
            r.algun.push_back(m);
            break;
        }
        case Token::Cualquiera: break;
        }
        ++r.minimo;
    }
    if (!estrella)
        r.maximo = r.minimo;
    return r;
}

bool Patron::uno(const Token &t, char32_t c) const
{
    switch (t.tipo) {
    case Token::Car: return t.c == c;
    case Token::Cualquiera: return true;
    case Token::Digito: return c >= U'0' && c <= U'9';
    case Token::Conjunto: return (c < t.latinos.size() ? t.latinos[c] : enLista(t, c)) != t.negado;
    default: return false;
    }
}

bool Patron::enLista(const Token &t, char32_t c)
{
    const std::string *clave = nullptr;
    for (const Rango &r : t.rangos) {
        if (!r.intervalo) {
            if (c == r.desde)
                return true;
        } else {
            if (!clave)
                clave = &orden().clave(c);
            if (*clave >= r.claveDesde && *clave <= r.claveHasta)
                return true;
        }
    }
    return false;
}

bool Patron::coincideTokens(const std::u32string &s) const
{
    // Greedy match with one back-tracking point per star: linear in practice,
    // never worse than text length times pattern length.
    size_t ti = 0, si = 0;
    size_t estrellaT = SIZE_MAX, estrellaS = 0;
    const size_t nt = tokens_.size();
    while (si < s.size() || ti < nt) {
        if (ti < nt) {
            const Token &t = tokens_[ti];
            if (t.tipo == Token::Estrella) {
                estrellaT = ti++;
                estrellaS = si;
                continue;
            }
            if (t.tipo == Token::Vacio) {
                ++ti;
                continue;
            }
            if (si < s.size() && uno(t, s[si])) {
                ++ti;
                ++si;
                continue;
            }
        }
        if (estrellaT != SIZE_MAX && estrellaS < s.size()) {
            ti = estrellaT + 1;
            si = ++estrellaS;
            continue;
        }
        return false;
    }
    return true;
}

bool Patron::coincide(const char16_t *s, qsizetype n) const
{
    thread_local std::u32string buf;
    plegarTexto(s, n, buf);
    return coincideTokens(buf);
}

bool Patron::coincide(QStringView texto) const
{
    return coincide(reinterpret_cast<const char16_t *>(texto.utf16()), texto.size());
}

} // namespace rimario
