// Writes the tables of unidades.cpp: every code point that plegar changes and
// every UTF-16 unit that vocalDe gives a letter for, from the functions
// themselves, so that the text functions without Qt answer as they do.

#include "language/patron.h"
#include "language/vocales.h"

#include <cstdio>

int main()
{
    std::printf("// Made by generar_tablas when the program is built.\nconst Par kPlegados[] = {\n");
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c)
        if (const char32_t p = rimario::plegar(c); p != c)
            std::printf("    {0x%X, 0x%X},\n", unsigned(c), unsigned(p));
    std::printf("};\nconst Par kVocales[] = {\n");
    for (unsigned c = 0; c <= 0xFFFF; ++c)
        if (const char16_t v = rimario::vocalDe(char16_t(c)))
            std::printf("    {0x%X, 0x%X},\n", c, unsigned(v));
    std::printf("};\n");
    return std::ferror(stdout) ? 1 : 0;
}
