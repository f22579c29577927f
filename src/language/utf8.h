#pragma once

#include "language/unidades.h"

#include <QStringView>

namespace rimario {

// The units of a Qt text, for the functions without Qt.
inline std::u16string_view unidades(QStringView t)
{
    return {reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size())};
}

// Writes the text as UTF-8 at 'd' (a lone surrogate as U+FFFD, as Qt writes
// it), at most 3 bytes per UTF-16 unit; returns the end.
inline char *escribirUtf8(char *d, QStringView t)
{
    const std::u16string_view u = unidades(t);
    return escribirUtf8(d, u.data(), u.size());
}

} // namespace rimario
