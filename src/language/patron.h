#pragma once
// Pattern matching of the store's "like": "*" any run of characters (also none),
// "?" one character, "#" one digit, "[abc]" / "[a-z]" one character of a list,
// "[!abc]" one character not in the list. Letter case is not significant,
// accents are. Characters are whole code points. A range "[x-y]" takes the
// letters as the word list orders them (Spanish order, the first level of its
// comparison): "ñ" lies between "n" and "o", an accented vowel is its base
// letter there, so "[a-a]" takes "á" while the single "[a]" does not.

#include <QString>
#include <QStringView>

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rimario {

// Simple case folding of one code point, as every comparison of the store uses it.
char32_t plegar(char32_t c);

// A quick first test of a text against a pattern: each folded character and
// each pair of adjacent ones sets one bit of 64 in a text's two masks. A text
// a pattern matches has every bit the pattern's literal characters and pairs
// set, and one bit at least of each of its lists of characters.
// The characters with a bit of their own (the letters of Spanish words and the
// digits); every other character shares one of the remaining bits.
inline constexpr char32_t kCaracteresPropios[] = U"abcdefghijklmnopqrstuvwxyz0123456789ñáéíóúü";
inline constexpr unsigned kBitsPropios = 43;
inline unsigned bitDeCaracter(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return unsigned(c - U'a');
    if (c >= U'0' && c <= U'9')
        return 26 + unsigned(c - U'0');
    switch (c) {
    case U'ñ': return 36;
    case U'á': return 37;
    case U'é': return 38;
    case U'í': return 39;
    case U'ó': return 40;
    case U'ú': return 41;
    case U'ü': return 42;
    default: return kBitsPropios + unsigned(c % (64 - kBitsPropios));
    }
}
inline unsigned bitDePar(char32_t a, char32_t b)
{
    return unsigned((uint32_t(a * 31u + b) * 2654435761u) >> 26);
}
struct Requisitos {
    uint64_t caracteres = 0;     // every one of these bits
    uint64_t pares = 0;          // every one of these bits
    std::vector<uint64_t> algun; // one bit at least of each
    qsizetype minimo = 0;        // characters, at least
    qsizetype maximo = -1;       // and at most (-1: no limit)
};

class Patron {
public:
    // Compiles a pattern; an unclosed "[" or a reversed range gives nullopt and,
    // if asked, a Spanish description of the fault.
    static std::optional<Patron> compilar(QStringView patron, QString *error = nullptr);
    // A pattern that matches exactly the given text (no pattern characters).
    static Patron literal(QStringView texto);

    bool coincide(QStringView texto) const;
    bool coincide(const char16_t *s, qsizetype n) const;

    // The folded literal characters before the first pattern character.
    const std::u32string &prefijoLiteral() const { return prefijo_; }
    // What any text the pattern matches has (see Requisitos).
    Requisitos requisitos() const;
    // True when the pattern ends in "*" with no other pattern character before it.
    bool esPrefijoSimple() const { return prefijoSimple_; }

private:
    struct Rango {
        char32_t desde, hasta;
        bool intervalo = false;        // "x-y"; else the one character desde
        std::string claveDesde, claveHasta; // their places in the list's order
    };
    struct Token {
        enum Tipo : unsigned char { Car, Cualquiera, Digito, Conjunto, Estrella, Vacio } tipo;
        bool negado = false;
        char32_t c = 0;
        std::vector<Rango> rangos;
        std::bitset<0x250> latinos; // of a list: which characters up to U+024F are in it
    };
    bool coincideTokens(const std::u32string &texto) const;
    bool uno(const Token &t, char32_t c) const;
    static bool enLista(const Token &t, char32_t c);

    std::vector<Token> tokens_;
    std::u32string prefijo_;
    bool prefijoSimple_ = false;
};

// The place of one character in the word list's order, at the first level of
// the Spanish comparison (case and accents aside, "ñ" a letter of its own):
// byte order of these keys is that order. Empty for a character the order
// ignores.
std::string claveDeOrden(char32_t c);

// Decodes UTF-16 into folded code points (unpaired surrogates pass as themselves).
void plegarTexto(const char16_t *s, qsizetype n, std::u32string &salida);

} // namespace rimario
