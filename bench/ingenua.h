#pragma once
// The comparison store: one plain SQLite table
//   Palabras(Pal TEXT, Voc TEXT, Sig TEXT, A2..A7 INTEGER), indexed on Pal,
// used the obvious way: the word list read into memory with one query, every
// find and rhyme search a query, the vowel-mode marks rewritten row by row.
// Every statement autocommits with synchronous = FULL, as the program's store does.

#include <QString>

#include <vector>

struct sqlite3;

namespace rimario::medidas {

class Ingenua {
public:
    explicit Ingenua(const QString &ruta);
    ~Ingenua();
    Ingenua(const Ingenua &) = delete;
    Ingenua &operator=(const Ingenua &) = delete;

    // Writes a new store from a word list (UTF-8, one word a line; blank and
    // repeated lines skipped, as "rimario-cli crear" does). Returns the rows written.
    // 'competente' adds what a careful design would index for rhymes: the word
    // reversed and lower-cased (Inv), the skeleton reversed (InvVoc), and the
    // consonant and assonant keys with the number of syllables, each indexed.
    static qint64 crear(const QString &lista, const QString &ruta, bool competente = false);

    // select Pal from Palabras order by Pal, into memory.
    void leerLista();
    const std::vector<QString> &lista() const { return lista_; }

    // The first word, in Pal order, that matches "texto" + "*" ("?" and "*" as in the program).
    QString buscarPrefijo(const QString &texto) const;
    // Words ending in the last n characters of the word, the word itself left out.
    std::vector<QString> rimasCompletas(const QString &palabra, int n) const;
    // Clears the marks of length n, marks the rows whose skeleton ends in the
    // last n vowels of the word's, reads the marked words and the list again.
    std::vector<QString> rimasVocales(const QString &palabra, int n);

private:
    Ingenua() = default;
    void ejecutar(const QString &sql) const;
    sqlite3 *db_ = nullptr;
    std::vector<QString> lista_;
};

} // namespace rimario::medidas
