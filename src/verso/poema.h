#pragma once
// A poem's analysis, without Qt: lines with a blank line between stanzas (two
// or more blank lines part two poems). Each poem's prevailing metre is the
// count most of its lines reach; a line that can be read with that count at a
// small cost is read so (the synalepha undone, the synaeresis made that a
// scholar would choose), any other keeps its default reading.
//
// Rhyme letters, within a poem: lines sharing the consonant key of their last
// word get a capital (A, B, ... in order of first appearance), the rest sharing
// an assonant key a small letter, an unrhymed line "-". A line breaking the
// count most lines of its stanza keep is marked, unless it is the usual partner
// of that metre (a heptasílabo among endecasílabos, a pie quebrado...).

#include "verso/escansion.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rimario::verso {

struct VersoAnalizado {
    bool vacio = true;     // a blank line, or one without words
    int silabas = 0;
    std::string patron;
    std::string rima;      // "A", "b", "-"
    std::string metro;     // "endecasílabo heroico", "octosílabo"...
    std::u16string separada; // "cuan·do_en·tien·do"
    bool fueraDeMetro = false;
};

struct Estrofa {
    int primera = 0, ultima = 0; // lines
    std::string nombre;          // "cuarteto", "redondilla"... or ""
};

struct PoemaAnalizado {
    std::vector<VersoAnalizado> versos; // one per line given
    std::vector<Estrofa> estrofas;
    std::vector<std::string> poemas;    // per poem: "soneto", "romance"... or ""
};

// Keeps what it has read of each line, so that a poem analysed again after a
// keystroke reads only the line that changed.
class Analizador {
public:
    PoemaAnalizado analizar(const std::vector<std::u16string_view> &lineas);

private:
    // A line as read: once prepared, which counts near its own it reaches (at
    // what cost, a negative one for none) and its last reading.
    struct Hecho {
        VersoPreparado v;
        float alcance[7] = {};
        bool alejandrino = false; // reads as 7 + 7
        int metro = -1;
        Lectura lectura;
        std::u16string separada;
    };
    Hecho &hecho(std::u16string_view linea);
    std::unordered_map<std::u16string, Hecho> hechos_;
};

} // namespace rimario::verso
