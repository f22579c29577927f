#pragma once
// What is kept of a dictionary page when it is archived as a word's
// definition: the page's text as copied from the browser pane, less the page's
// header and the dictionary service's rights notice.

#include <QString>
#include <QStringView>

namespace rimario {

// The page's header: this many characters of its start go (a paragraph break
// counts as one; a character of two UTF-16 units that starts among them goes
// whole).
inline constexpr qsizetype kCabeceraDePagina = 22;
// The rights notice with which the service ends its pages, in a paragraph of its own.
inline constexpr QStringView kAvisoDeDerechos = u"Real Academia Española © Todos los derechos reservados";

// The definition kept of a page's text, its paragraphs separated by '\n':
// - the paragraphs as the definition view takes plain text: CR LF, CR, LF,
//   U+2029 and QTextDocument's frame markers (U+FDD0, U+FDD1) each end one;
// - the header cut off (see kCabeceraDePagina); a text no longer than it
//   leaves nothing;
// - control characters other than tab dropped (the view's RTF keeps none);
// - every paragraph but the first that begins with the rights notice: its
//   break and the notice become one space, and what follows the notice joins
//   the paragraph before. The notice is compared exactly, letter case
//   included; one that does not begin a paragraph, or begins the first, stays.
// What is stored is the RTF of a definition view holding this plain text.
QString definicionArchivada(QStringView textoDePagina);

} // namespace rimario
