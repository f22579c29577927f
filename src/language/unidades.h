#pragma once
// UTF-16 text as the word list holds it, without Qt: what the command line's
// direct search needs. Folding and vowels give what plegar and vocalDe give:
// their tables are made from those very functions when the program is built.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rimario {

constexpr bool esAlta(char32_t c) { return (c & 0xFFFFFC00u) == 0xD800; }
constexpr bool esBaja(char32_t c) { return (c & 0xFFFFFC00u) == 0xDC00; }
constexpr bool esSustituta(char32_t c) { return (c & 0xFFFFF800u) == 0xD800; }
constexpr char32_t puntoDe(char16_t alta, char16_t baja)
{
    return (char32_t(alta) << 10) + baja - ((0xD800u << 10) + 0xDC00u - 0x10000u);
}

// Simple case folding of a code point (plegar).
char32_t plegarPunto(char32_t c);
// The folded code points of a text, an unpaired surrogate as itself (plegarTexto).
void plegarUnidades(const char16_t *s, size_t n, std::u32string &salida);
// The skeleton letter of a unit, or 0 (vocalDe).
char16_t vocalDeUnidad(char16_t c);

// Number of characters (a surrogate pair being one).
size_t contarCaracteres(std::u16string_view t);
// The last n characters.
std::u16string_view ultimosDe(std::u16string_view t, size_t n);

// Writes the text as UTF-8 at 'd' (a lone surrogate as U+FFFD, as Qt writes
// it), at most 3 bytes per UTF-16 unit; returns the end.
char *escribirUtf8(char *d, const char16_t *u, size_t n);
// Well-formed UTF-8 as UTF-16; false for anything else.
bool leerUtf8(std::string_view s, std::u16string &salida);

} // namespace rimario
