#pragma once
// Rhyme search for one ending length n (2..7).
//  - Whole-word rhyme: stored words whose last n characters equal the last n
//    characters of the word (letter case aside; "*", "?", "#" and "[" in them
//    keep their pattern meaning), the word itself left out.
//  - Vowel rhyme: stored words whose skeleton (Voc) ends with the last n vowels
//    of the word's skeleton.
// Either may be limited to words with as many characters as the word.

#include "base/error.h"
#include "lista/modo_rima.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

namespace rimario {

class Lexico;
class Almacen;

// The rows of one result, in list order: their Ids and their words as they
// stood when the search ran.
class ResultadoRima {
public:
    qsizetype tamano() const { return qsizetype(ids_.size()); }
    bool vacio() const { return ids_.empty(); }
    qint64 id(qsizetype i) const { return ids_[size_t(i)]; }
    QStringView pal(qsizetype i) const
    {
        return QStringView(textos_).mid(inicio_[size_t(i)], largo_[size_t(i)]);
    }
    // An edit of a row's word (written to the store elsewhere).
    void cambiarPal(qsizetype i, const QString &pal);

    static ResultadoRima desde(const Lexico &lexico, const std::vector<qsizetype> &posiciones);

private:
    std::vector<qint64> ids_;
    std::vector<uint32_t> inicio_;
    std::vector<uint32_t> largo_;
    QString textos_;
};

// Whole-word rhymes; the word must have at least n characters. Throws Error
// when the ending is not a valid pattern.
ResultadoRima rimasCompletas(const Lexico &lexico, QStringView palabra, int n, bool igualTamano);
// The same as positions in the list.
std::vector<qsizetype> posicionesCompletas(const Lexico &lexico, QStringView palabra, int n, bool igualTamano);

// Vowel rhymes: the words whose skeleton ends in "fin" (n vowels), limited to
// words of "caracteres" characters when given. These are the rows that the
// marks of a vowel-mode search select.
ResultadoRima rimasVocales(const Lexico &lexico, QStringView fin, std::optional<qsizetype> caracteres);

// The rows a vowel-mode search for the word would mark, without marking them
// (a store that cannot be written); nullopt as below.
std::optional<ResultadoRima> rimasVocalesDe(const Lexico &lexico, QStringView palabra, int n, bool igualTamano);
std::optional<std::vector<qsizetype>> posicionesVocalesDe(const Lexico &lexico, QStringView palabra, int n,
                                                          bool igualTamano);

// A vowel-mode search as the window runs it: records the marks in the store
// (one atomic commit), then gives the marked rows. Nothing is written when the
// word's skeleton has fewer than n vowels (the result is then nullopt).
std::optional<ResultadoRima> marcarRimasVocales(Almacen &almacen, const Lexico &lexico,
                                                QStringView palabra, int n, bool igualTamano);

// Consonant (every sound from the stressed vowel on) or assonant (its vowels
// only) rhymes of the word, by the list's rhyme keys, as rows of the list in
// its order, the word itself left out; optionally only words of as many
// syllables. Throws Error when the word cannot be split into syllables.
ResultadoRima rimasPorClave(const Lexico &lexico, QStringView palabra, TipoRima tipo, bool mismasSilabas);
// The same as positions in the list; with 'silabas', only words of that many.
std::vector<qsizetype> posicionesPorClave(const Lexico &lexico, QStringView palabra, TipoRima tipo,
                                          std::optional<int> silabas);

// The positions a search of the word in a mode finds, as the command line
// prints them: nullopt when a whole-word or vowel search has no ending to look
// for (a word shorter than the ending, a skeleton with fewer vowels).
std::optional<std::vector<qsizetype>> posicionesDe(const Lexico &lexico, QStringView palabra, const ModoRima &modo);

} // namespace rimario
