#pragma once
// The syllable analysis of silabas.h over UTF-16 units, without Qt: the split,
// the stress and the rhyme keys, in fixed arrays. silabas.h gives it Qt texts,
// composes decomposed accents first and words its reasons; the command line's
// direct search runs it alone on a composed word.

#include <cstdint>
#include <string_view>

namespace rimario {

enum class Acento { Aguda, Llana, Esdrujula, Sobresdrujula };

// Longest word analysed, in letters.
inline constexpr int kMaxLetras = 64;

struct Silabeo {
    // Why a word cannot be split, or Ninguno.
    enum class Fallo { Ninguno, Vacia, Larga, Caracter, SinVocales, Tildes };
    Fallo fallo = Fallo::Vacia;
    int caracter = -1; // with Caracter: the unit that is no letter of Spanish

    int silabas = 0;
    int inicios[kMaxLetras + 1] = {}; // where each syllable begins; inicios[silabas] is the length
    int tonica = -1;                  // the stressed syllable
    Acento acento = Acento::Llana;
    char16_t consonante[kMaxLetras] = {};
    int largoConsonante = 0;
    char16_t asonante[2] = {};
    int largoAsonante = 0;

    bool valido() const { return fallo == Fallo::Ninguno; }
    std::u16string_view claveConsonante() const { return {consonante, size_t(largoConsonante)}; }
    std::u16string_view claveAsonante() const { return {asonante, size_t(largoAsonante)}; }
};

// Total: any text gives a result. The word as it stands: a decomposed accent
// is not a letter here.
Silabeo silabear(std::u16string_view palabra);

} // namespace rimario
