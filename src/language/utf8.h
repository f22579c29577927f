#pragma once

#include <QChar>
#include <QStringView>

namespace rimario {

// Writes the text as UTF-8 at 'd' (a lone surrogate as U+FFFD, as Qt writes
// it), at most 3 bytes per UTF-16 unit; returns the end.
inline char *escribirUtf8(char *d, QStringView t)
{
    const qsizetype n = t.size();
    const char16_t *u = reinterpret_cast<const char16_t *>(t.utf16());
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = u[i];
        if (c < 0x80) {
            *d++ = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1]))
            c = QChar::surrogateToUcs4(char16_t(c), u[++i]);
        else if (QChar::isSurrogate(c))
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

} // namespace rimario
