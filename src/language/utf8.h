#pragma once

#include "language/unidades.h"

#include <QStringView>

namespace rimario {

// Writes the text as UTF-8 at 'd' (a lone surrogate as U+FFFD, as Qt writes
// it), at most 3 bytes per UTF-16 unit; returns the end.
inline char *escribirUtf8(char *d, QStringView t)
{
    return escribirUtf8(d, reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size()));
}

} // namespace rimario
