#include "language/unidades.h"

#include <algorithm>

namespace rimario {

namespace {
// The code points that plegar and vocalDe change, from the build's tables.
struct Par {
    uint32_t de, a;
};
#include <tablas_unidades.inc>

template <size_t N> uint32_t buscarEn(const Par (&tabla)[N], uint32_t c, uint32_t otro)
{
    const Par *p = std::lower_bound(tabla, tabla + N, c, [](const Par &x, uint32_t v) { return x.de < v; });
    return p != tabla + N && p->de == c ? p->a : otro;
}
} // namespace

char32_t plegarPunto(char32_t c)
{
    if (c < 0x80)
        return c >= U'A' && c <= U'Z' ? c + 32 : c;
    return buscarEn(kPlegados, c, c);
}

void plegarUnidades(const char16_t *s, size_t n, std::u32string &salida)
{
    salida.clear();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (esAlta(c) && i + 1 < n && esBaja(s[i + 1])) {
            c = puntoDe(s[i], s[i + 1]);
            ++i;
        }
        salida.push_back(plegarPunto(c));
    }
}

char16_t vocalDeUnidad(char16_t c)
{
    return char16_t(buscarEn(kVocales, c, 0));
}

size_t contarCaracteres(std::u16string_view t)
{
    size_t n = t.size();
    for (size_t i = 1; i < t.size(); ++i)
        if (esBaja(t[i]) && esAlta(t[i - 1]))
            --n;
    return n;
}

std::u16string_view ultimosDe(std::u16string_view t, size_t n)
{
    size_t i = t.size();
    while (n > 0 && i > 0) {
        --i;
        if (esBaja(t[i]) && i > 0 && esAlta(t[i - 1]))
            --i;
        --n;
    }
    return t.substr(i);
}

char *escribirUtf8(char *d, const char16_t *u, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        char32_t c = u[i];
        if (c < 0x80) {
            *d++ = char(c);
            continue;
        }
        if (esAlta(c) && i + 1 < n && esBaja(u[i + 1]))
            c = puntoDe(char16_t(c), u[++i]);
        else if (esSustituta(c))
            c = 0xFFFD;
        if (c < 0x800) {
            *d++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *d++ = char(0xE0 | (c >> 12));
            *d++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *d++ = char(0xF0 | (c >> 18));
            *d++ = char(0x80 | ((c >> 12) & 0x3F));
            *d++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *d++ = char(0x80 | (c & 0x3F));
    }
    return d;
}

bool leerUtf8(std::string_view s, std::u16string &salida)
{
    salida.clear();
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            salida.push_back(char16_t(b));
            ++i;
            continue;
        }
        const size_t largo = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
        if (largo == 0 || b > 0xF4 || i + largo > s.size())
            return false;
        char32_t c = b & (0x7F >> largo);
        for (size_t k = 1; k < largo; ++k) {
            const auto x = static_cast<unsigned char>(s[i + k]);
            if ((x & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (x & 0x3F);
        }
        // No overlong forms, surrogates or code points past U+10FFFF.
        if ((largo == 3 && c < 0x800) || (largo == 4 && (c < 0x10000 || c > 0x10FFFF)) || esSustituta(c))
            return false;
        if (c >= 0x10000) {
            salida.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            salida.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            salida.push_back(char16_t(c));
        }
        i += largo;
    }
    return true;
}

} // namespace rimario
