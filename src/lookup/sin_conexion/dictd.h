#pragma once
// A reader of the dictionaries of the dictd format (Debian's FreeDict packages):
//   .index    one "headword<TAB>offset<TAB>length" a line, the numbers in
//             dictd's base 64 (A-Z a-z 0-9 + /, most significant first);
//             headwords "00databaseutf8" and the like describe the data;
//   .dict.dz  the text, gzip-compressed in the dictzip way: independent chunks
//             listed in the "RA" field of the gzip header, so that a definition
//             is read by inflating only its chunks. Without that list the
//             member is inflated from the start; a plain .dict is read as is.
// The index is read whole (and sorted, so any order is found) when the
// dictionary is opened; a lookup reads the data file. A damaged file gives a
// message or finds less, never a crash, and every read and loop is bounded.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace rimario {

struct EntradaDict {
    QString encabezado;    // the headword as the definition writes it
    QString pronunciacion; // "/kˈasa/" without the slashes; may be empty
    QStringList acepciones; // one a line, numbering ("1. ") removed
};

struct ConsultaDict {
    QString palabra;
    QList<EntradaDict> entradas; // empty: not found (or an error)
    QString error;               // a Spanish message when the data is damaged
    bool encontrada() const { return !entradas.isEmpty(); }
};

class Dictd {
public:
    static constexpr qint64 kMaxIndice = 64 * 1024 * 1024;
    static constexpr qint64 kMaxDefinicion = 1024 * 1024;          // bytes of one definition
    static constexpr qint64 kMaxInflado = qint64(512) * 1024 * 1024; // inflated from the start, at most
    static constexpr int kMaxEntradas = 16;                          // definitions of one word
    static constexpr int kMaxLineas = 500;                           // lines of one definition

    // Opens the pair of files; on failure returns null and says why in 'error'.
    static std::unique_ptr<Dictd> abrir(const QString &indice, const QString &datos, QString *error = nullptr);

    // Headwords are compared in lower case, spaces around the word aside.
    ConsultaDict buscar(const QString &palabra) const;

    // The bytes [desde, desde + largo) of the text, or an error message in
    // 'error' (which must not be null).
    QByteArray leerTexto(qint64 desde, qint64 largo, QString *error) const;

    qsizetype palabras() const { return qsizetype(entradas_.size()); }
    // Whether the data has a table of chunks (dictzip) or is read otherwise.
    bool porTrozos() const { return largoTrozo_ > 0; }

private:
    struct Entrada {
        QByteArray clave; // the headword in lower case, UTF-8
        qint64 desde = 0;
        qint64 largo = 0;
    };
    enum class Forma { Plana, Gzip };
    Dictd() = default;
    bool leerCabecera(QString *error);
    QByteArray leerTrozos(qint64 desde, qint64 largo, QString *error) const;
    QByteArray inflarDesdeElPrincipio(qint64 desde, qint64 largo, QString *error) const;

    QString datos_;
    bool utf8_ = false;
    Forma forma_ = Forma::Plana;
    qint64 inicioGzip_ = 0;       // where the deflate stream starts (after the header)
    qint64 largoTrozo_ = 0;       // 0: no usable table of chunks
    std::vector<qint64> trozos_;  // offset of each chunk in the file, and the end
    std::vector<Entrada> entradas_;
};

} // namespace rimario
