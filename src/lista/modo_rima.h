#pragma once
// A rhyme search's mode, as the window's controls and the command line's
// options give it, down to the list's searches.

#include <optional>

namespace rimario {

// What a word is compared by: its last letters, its skeleton's last vowels,
// its consonant rhyme key (every sound from the stressed vowel on) or its
// assonant one (the stressed and the last vowel).
enum class TipoRima { Completa, Vocales, Consonante, Asonante };

struct ModoRima {
    TipoRima tipo = TipoRima::Completa;
    int letras = 0;             // Completa, Vocales: how many of the last letters or vowels (2 to 7)
    bool igualTamano = false;   // Completa, Vocales: only words of as many characters as the word
    std::optional<int> silabas; // Consonante, Asonante: only words of this many syllables

    bool porClave() const { return tipo == TipoRima::Consonante || tipo == TipoRima::Asonante; }
};

} // namespace rimario
