#pragma once
// RTF text of the definition view (the column Sig), read into and written from a
// QTextDocument. Replaces the TextRTF property of the old rich-text box.
//
// Reader (leerRtf):
// - Input that does not start with "{\rtf" (after leading white space) is taken as
//   plain text: CR LF, CR and LF end paragraphs, NUL characters are dropped. Empty
//   input gives an empty document (what the view shows for a Null Sig).
// - \par ends a paragraph; the \par that ends the last paragraph does not open a new,
//   empty one (RichEdit writes "...text\par }"), so the stored samples have no
//   trailing empty paragraph.
// - Character formatting read: \b \i \ul (and its variants) \ulnone \strike \striked
//   \fs \f (family from \fonttbl) \cf \cb \highlight (\colortbl) \super \sub
//   \nosupersub \plain. Every run gets its point size (\fs, RTF's default 24) and the
//   family of its font, so the stored values show as the old box showed them (8.5 pt
//   MS Sans Serif). Paragraph formatting is not kept; tables become tab-separated
//   paragraphs (\cell, \row).
// - Destinations whose text is not shown are skipped: {\* ...}, \stylesheet, \info,
//   \pict, \object, headers, footers, footnotes, \fldinst and the like (\fldrslt is
//   shown). \bin data is skipped. Unknown control words are ignored.
// - \'hh is decoded in the code page of the current font's \fcharset, else of
//   \ansicpg (default 1252); code pages other than 1252 are decoded by Qt/ICU when
//   available (single- and double-byte), else as 1252.
// - Control characters other than tab are dropped. Groups nested deeper than
//   kProfundidadMaxima are skipped. Text after the group that closes the document is
//   ignored; a missing closing brace is no trouble.
// - Never throws, never recurses, linear in the length of the input.
// - A text whose layout would keep the view busy is not read: the document gets,
//   instead, a message saying so. It is measured by the reader itself, making no
//   document: over kCaracteresMaximos characters of RTF, or over kLetrasMaximas
//   characters of text to show; more than kParrafosMaximos breaks the layout
//   honours (paragraphs, line separators, U+2029 and the rest); lines (breaks and
//   wrapping, weighted by the font's size) over kLineasMaximas lines of 12 points
//   in height; or more than kTramosMaximos runs of one formatting, or runs in
//   more than kFuentesMaximas fonts (family, size and style); or a paragraph
//   (which Qt lays out whole when it first shows it) of over kLetrasPorParrafo
//   characters or kTramosPorParrafo runs. At those limits the view takes a
//   definition and lays it out in well under a second.
//
// Writer (escribirRtf): the RichEdit style of the stored values, namely
//   {\rtf1\ansi\ansicpg1252\deff0\deflang3082{\fonttbl{\f0\fswiss\fcharset0 MS Sans Serif;}...}
//   [{\colortbl ;...}]
//   \viewkind4\uc1\pard\f0\fs17 first paragraph
//   \par second paragraph
//   \par
//   }
// (lines end in CR LF, as RichEdit's do).
// Every paragraph after the first is introduced by "\par " directly followed by its
// text (formatting changes for it are written before the "\par"); the last one is
// closed by "\par". Characters of code page 1252 above 127 are written as \'hh (lower
// case hex), others above 127 as \uN? (N signed 16-bit, two for non-BMP characters),
// tab as "\tab ", U+2028 as "\line "; other control characters are not written.
// The writer's output is a fixed point: escribirRtf(leerRtf(escribirRtf(d))) equals
// escribirRtf(d).

#include <QString>
#include <QStringView>

class QTextDocument;

namespace rimario {

// Replaces the document's content with the RTF text (see above). The document's undo
// stack is cleared. Never throws; malformed or truncated input shows what it can.
void leerRtf(QStringView rtf, QTextDocument *documento);

// The document as RTF, written as described above. A null document gives the RTF of an
// empty one.
QString escribirRtf(const QTextDocument *documento);

inline constexpr int kProfundidadMaxima = 512;
inline constexpr qsizetype kCaracteresMaximos = 8 * 1024 * 1024;
inline constexpr qsizetype kLetrasMaximas = 600000;
inline constexpr qsizetype kParrafosMaximos = 30000;
inline constexpr qsizetype kLineasMaximas = 30000;
inline constexpr qsizetype kTramosMaximos = 100000;
inline constexpr qsizetype kLetrasPorParrafo = 100000;
inline constexpr qsizetype kTramosPorParrafo = 20000;
inline constexpr qsizetype kFuentesMaximas = 200;

// Qt takes time that grows with the square of the length to wrap a run of text
// with no break in it; the view wraps a text with such a run this long at word
// boundaries only (the run then stays on one line).
inline constexpr qsizetype kTramoSinCortes = 10000;

// The longest run of the text with no white space in it.
qsizetype tramoMasLargo(QStringView texto);

// Why a text is too large to be shown (see above), as "600.000 párrafos y saltos
// de línea; el máximo es 200.000"; empty when it is not.
QString demasiadoGrande(QStringView texto);

} // namespace rimario
