#pragma once
// Counting and cutting text by characters (whole code points, a surrogate pair
// being one), as the store and its searches count them, and the characters
// that make an ending a pattern.

#include <QString>
#include <QStringView>

namespace rimario {

// Number of characters of a text.
qsizetype numeroDeCaracteres(QStringView texto);
// The longest word taken from the user or from a word list, in characters: a
// line of megabytes is no word (and would slow every start and every view of
// the list). Stores that hold longer words still open as they are.
inline constexpr qsizetype kMaxCaracteresPalabra = 200;
inline bool demasiadoLarga(QStringView palabra)
{
    return palabra.size() > kMaxCaracteresPalabra && numeroDeCaracteres(palabra) > kMaxCaracteresPalabra;
}
// The last n characters of a text.
QString ultimosCaracteres(QStringView texto, qsizetype n);
// Whether the character is one of a pattern's own: "*", "?", "#", "[".
constexpr bool esComodin(QChar c)
{
    return c == u'*' || c == u'?' || c == u'#' || c == u'[';
}
// Whether the text holds any of them (it is then searched as a pattern).
bool tieneComodines(QStringView texto);

} // namespace rimario
