#pragma once
// The RTF control words the reader acts on, and the code pages of font charsets.

#include <QStringView>

#include <string_view>

namespace rimario::rtf {

// The control words the reader acts on. Any other word is ignored.
enum class Cw : quint8 {
    Caracter, Par, B, I, Ul, UlNone, Strike, Fs, F, Cf, Cb, Plain, Super, Sub, NoSuperSub,
    Deff, Ansicpg, Ansi, Mac, Pc, Pca, Fcharset, Red, Green, Blue, U, Uc, Bin,
    Fonttbl, Colortbl, Saltar,
};

struct Entrada {
    std::string_view nombre;
    Cw cw;
    char16_t caracter = 0;
};

// The entry of a control word; null for a word the reader ignores.
const Entrada *buscarPalabra(QStringView nombre);

// The code page of a font's \fcharset; 0 for "the document's code page".
int codigoDeCharset(int charset);

} // namespace rimario::rtf
