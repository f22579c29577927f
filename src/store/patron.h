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

#include <optional>
#include <string>
#include <vector>

namespace rimario {

// Simple case folding of one code point, as every comparison of the store uses it.
char32_t plegar(char32_t c);

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
    // True when the pattern holds no pattern character at all.
    bool esLiteral() const { return literal_; }
    // Same, and it ends in "*" with no other pattern character before it.
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
    };
    bool coincideTokens(const std::u32string &texto) const;
    bool uno(const Token &t, char32_t c) const;

    std::vector<Token> tokens_;
    std::u32string prefijo_;
    bool literal_ = true;
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
