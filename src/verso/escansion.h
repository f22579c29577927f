#pragma once
// Scansion of a line of Spanish verse, without Qt.
//
// A line is split into words (runs of letters; an apostrophe inside a word is
// passed over, d'aquel reads daquel) and each word into syllables by silabeo.
// Between words a vowel at the end of one and a vowel, or h and a vowel, at the
// start of the next make one syllable (synalepha), the conjunction y and a
// final vowel y counting as vowels; hie-, hue-, ya-... begin with a consonant.
// Inside a word a ü that follows no g or q, and ï, mark a diaeresis.
// The count runs to the last stressed syllable and adds one (aguda +1,
// esdrújula -1); the pattern marks with + every metrical syllable holding the
// stressed syllable of a stressed word (content words; articles, unstressed
// pronouns and possessives, prepositions, conjunctions and relatives are not)
// and ends with one -. An adverb in -mente has one stress, on -men-.
//
// That default reading may change where the metre asks for it: a synalepha
// undone (first where the h was once aspirated or the second vowel is
// stressed), two vowels of a word in hiatus joined (synaeresis) or a diphthong
// parted (diaeresis of cruel, ruido, suave...). Each change has a cost; a line
// read for a given count takes the cheapest changes that reach it, stressing the
// 6th (or 4th and 8th) syllable of an endecasílabo where it can.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rimario::verso {

// A syllable of the line as its words give it.
struct Silaba {
    int palabra = 0;  // which word
    int ini = 0, fin = 0; // units of the line it spans
    bool acentuada = false; // the stress of a stressed word
};

// A change of the default reading at one juncture (between syllables j, j+1).
struct Cambio {
    int juntura = 0;
    bool unir = false; // joins (synaeresis, synalepha) or parts (hiatus, diaeresis)
    float coste = 0;
};

// A line analysed once; every reading of it comes from here.
struct VersoPreparado {
    std::vector<Silaba> silabas;
    std::vector<uint8_t> unidas; // per juncture: 1 when the default reading joins it
    std::vector<uint8_t> entrePalabras; // per juncture: 1 when it lies between words
    std::vector<Cambio> cambios;
    int ultimaAcentuada = -1; // the last stressed syllable, -1 for no syllable at all
    int silabasPorDefecto = 0;
    std::u16string claveConsonante, claveAsonante; // of the last word
};

// One reading of a line.
struct Lectura {
    int silabas = 0;
    std::string patron;    // '+' and '-', one per metrical syllable
    float coste = 0;       // of the changes made to the default reading
    std::vector<uint8_t> unidas;
};

// Total: any text gives a result (no syllables for a line without words).
VersoPreparado preparar(std::u16string_view linea);

// The reading of 'metro' syllables at the lowest cost within 'costeMaximo', or
// the default reading when none reaches it (metro 0: the default reading).
Lectura leer(const VersoPreparado &v, int metro = 0, float costeMaximo = 6.0f);

// Whether 'metro' can be reached within 'costeMaximo', and at what cost.
bool alcanza(const VersoPreparado &v, int metro, float costeMaximo, float *coste = nullptr);

// A line of 2 × 'mitad' syllables read as two hemistichs (an alejandrino as
// 7 + 7): each counted by the final-stress rule, no synalepha across the
// caesura, which falls between two words, after a pause where it can. Silabas
// 0 when no caesura gives that count.
Lectura leerEnHemistiquios(const VersoPreparado &v, int mitad);

// The syllables as a reader is shown them: "cuan·do_en·tien·do" (· within a
// word, _ for a synalepha or synaeresis, a blank between words).
std::u16string separar(std::u16string_view linea, const VersoPreparado &v, const Lectura &l);

// The name of a metre by its count: "endecasílabo", "alejandrino", "9 sílabas"...
// and the kind of an endecasílabo by its pattern ("heroico"... or "").
std::string nombreMetro(int silabas);
std::string tipoEndecasilabo(const std::string &patron);

} // namespace rimario::verso
