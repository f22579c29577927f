#pragma once
// A reader of the thesaurus files of the MyThes format (Debian's mythes-es):
//   .idx  first line the character set ("ISO8859-1", "UTF-8"...), second line
//         the number of words, then one "word|offset" a line, sorted bytewise;
//   .dat  the character set, then at each offset "word|n" followed by n lines
//         "(category)|synonym|synonym..." ("-" for no category).
// The index is read whole when the thesaurus is opened; a lookup seeks into
// the data file. Any file is taken as it comes: a damaged one gives a message
// or finds less, never a crash, and every read and loop is bounded.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace rimario {

struct AcepcionTesauro {
    QString categoria; // as the file has it, "(m.)"; empty for "-"
    QStringList sinonimos;
};

struct ConsultaTesauro {
    QString palabra;                   // the headword found, as the file writes it
    QList<AcepcionTesauro> acepciones; // empty: not found (or an error)
    QString error;                     // a Spanish message when the data is damaged
    bool encontrada() const { return !acepciones.isEmpty(); }
};

class Tesauro {
public:
    // Bounds of what is read.
    static constexpr qint64 kMaxIndice = 64 * 1024 * 1024;
    static constexpr qint64 kMaxEntrada = 256 * 1024; // bytes of data read for one word
    static constexpr int kMaxAcepciones = 200;
    static constexpr int kMaxSinonimos = 200; // per meaning

    // Opens the pair of files; on failure returns null and says why in 'error'.
    static std::unique_ptr<Tesauro> abrir(const QString &indice, const QString &datos, QString *error = nullptr);

    // The word as typed (spaces around it aside), else in lower case, else
    // with a capital initial.
    ConsultaTesauro buscar(const QString &palabra) const;

    qsizetype palabras() const { return qsizetype(entradas_.size()); }
    QString juegoDeCaracteres() const { return juego_; }

private:
    struct Entrada {
        qsizetype inicio = 0; // of the word in indice_
        qsizetype largo = 0;
        qint64 desplazamiento = 0;
    };
    Tesauro() = default;
    QByteArrayView clave(const Entrada &e) const { return QByteArrayView(indice_).sliced(e.inicio, e.largo); }
    ConsultaTesauro leer(const Entrada &e) const;

    QString datos_;
    QString juego_;
    int juegoCodigo_ = 0; // a sinconexion::Juego
    QByteArray indice_;
    std::vector<Entrada> entradas_;
};

} // namespace rimario
