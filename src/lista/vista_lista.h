#pragma once
// The word list's arrays as its searches read them, without Qt: a list in
// memory lends them (Lexico), and so does a snapshot mapped by the command
// line's direct search, which then answers as the list would.

#include "lista/modo_rima.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace rimario {

// A row's place in the list (the type of Qt's sizes, which the list uses).
using Posicion = long long;

struct VistaLista {
    static constexpr uint32_t kPalNula = 1u << 30;
    static constexpr uint32_t kRara = 1u << 31; // surrogates or NUL near the end
    static constexpr uint32_t kCamposVoc = (1u << 21) - 1;

    size_t filas = 0;
    const int64_t *ids = nullptr;
    const uint32_t *inicio = nullptr, *largo = nullptr;
    const uint64_t *fin1 = nullptr, *fin2 = nullptr; // last 4 and previous 4 folded UTF-16 units
    const uint32_t *claveVoc = nullptr;             // last 7 vowels of Voc, 3 bits each, + flags
    const uint64_t *rima = nullptr;                 // see Lexico::rima()
    const char16_t *arena = nullptr;
    size_t unidades = 0;
    // Positions sorted by a key of their endings (null when there are none)
    // and the rows whose ending is checked in full (kRara, kPalNula).
    struct Indices {
        const uint32_t *porFin = nullptr, *porVocales = nullptr;
        const uint32_t *porConsonante = nullptr, *porAsonante = nullptr;
        const uint32_t *raras = nullptr;
        size_t nRaras = 0;
    } indices;
    // The words in UTF-8, in list order, each after its length (LEB128), in
    // an open file; fd -1 when there is none.
    struct Lineas {
        int fd = -1;
        uint64_t desde = 0, bytes = 0;
    } lineas;
    // Told what a search reads of these arrays and of the lines, as it reads
    // it (a snapshot's blocks are checked so); null when nobody asks.
    struct Lecturas {
        virtual void memoria(const void *p, size_t bytes) = 0;
        // Bytes of the file at 'desde', as read into 'datos'.
        virtual void archivo(uint64_t desde, const char *datos, size_t bytes) = 0;
        // Where a read of the file that starts at 'desde' had best start.
        virtual uint64_t alinear(uint64_t desde) const = 0;

    protected:
        ~Lecturas() = default;
    };
    Lecturas *lecturas = nullptr;
    template <class T> const T &leer(const T *arreglo, size_t pos) const
    {
        if (lecturas)
            lecturas->memoria(arreglo + pos, sizeof(T));
        return arreglo[pos];
    }

    std::u16string_view pal(size_t pos) const
    {
        // A word of a damaged snapshot that lies outside the text reads as empty.
        const size_t desde = leer(inicio, pos), n = leer(largo, pos);
        if (desde > unidades || n > unidades - desde)
            return {};
        if (lecturas)
            lecturas->memoria(arena + desde, n * sizeof(char16_t));
        return {arena + desde, n};
    }
    bool palNula(size_t pos) const { return (leer(claveVoc, pos) & kPalNula) != 0; }
    // Number of characters (code points) of the word at pos.
    size_t caracteres(size_t pos) const;
    bool cumpleLongitud(size_t pos, std::ptrdiff_t n) const { return n < 0 || caracteres(pos) == size_t(n); }
    // Equal to the text, letter case aside (a null word equals nothing).
    bool igualPlegado(size_t pos, std::u16string_view otra) const;
    // Ends in the text, letter case aside, by whole code points.
    bool terminaEnRara(size_t pos, std::u16string_view fin) const;

    // The keys of a text's last eight (or fewer) UTF-16 units, as fin1 and
    // fin2 hold them; false when they cannot tell its ending (an empty text,
    // surrogates or NUL among those units).
    static bool claveFinal(std::u16string_view t, uint64_t &e1, uint64_t &e2);
    // The last (up to 7) vowels of a skeleton, last vowel in the lowest 3
    // bits; a character that is not a vowel ends the key.
    static uint32_t claveVocales(const char16_t *v, size_t n);

    // The keys each index is sorted by: the reversed ending (the last unit
    // first), the reversed vowel key, a rhyme key's number then the syllables.
    static std::pair<uint64_t, uint64_t> claveFin(uint64_t fin1, uint64_t fin2);
    static uint32_t invertirVocales(uint32_t v);
    static uint64_t claveRima(TipoRima tipo, uint64_t r)
    {
        return (tipo == TipoRima::Consonante ? r & 0xFFFFFFFFull : (r >> 32) & 0xFFFFFFull) << 8 | r >> 56;
    }

    // ---- the searches by the indexes, in list order; false when there are none
    // Words ending in 'fin' (n units, its keys e1 and e2), leaving out words
    // equal to 'excluida'; with caracteres >= 0 only words of that many characters.
    bool terminadas(uint64_t e1, uint64_t e2, size_t n, std::u16string_view fin, std::u16string_view excluida,
                    std::ptrdiff_t caracteres, std::vector<Posicion> &salida) const;
    // Words whose skeleton key ends in the n vowels of key t.
    bool vocales(uint32_t t, size_t n, std::ptrdiff_t caracteres, std::vector<Posicion> &salida) const;
    // Words of a consonant or assonant key's number (and of a number of
    // syllables, unless -1).
    bool riman(TipoRima tipo, uint32_t numero, int silabas, std::vector<Posicion> &salida) const;

    // The words at the positions, each in UTF-8 and followed by a line
    // break, handed to 'escribir' in blocks of some kilobytes; many words are
    // read from the lines, in one pass through the file. Returns how many
    // came from there.
    size_t lineasUtf8(const std::vector<Posicion> &pos,
                      const std::function<void(const char *, size_t)> &escribir) const;
};

} // namespace rimario
