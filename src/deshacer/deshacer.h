#pragma once
// Undoing this session's changes of the store: a word renamed in a grid, a
// word deleted, a definition archived. Each is undone through the same writes
// of the word list as the change itself (so other programs, and another
// window on the file, see it as any change), latest first.

#include "lista/lista_palabras.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace rimario {

class Deshacer : public QObject {
    Q_OBJECT
public:
    // As many changes as a session keeps to undo.
    static constexpr size_t kMaximo = 100;

    // Follows the list's renames by itself.
    explicit Deshacer(ListaPalabras &lista, QObject *parent = nullptr);

    // The changes, made through the list and kept to undo. Throw ErrorAlmacen
    // as the list's writes do (nothing is kept then).
    void eliminarActual();
    qsizetype archivar(const QString &pal, const QString &sig);

    bool hay() const { return !cambios_.empty(); }
    // What undoing does, for a menu: "Deshacer «zz» → «abad»".
    QString descripcion() const;
    // Undoes the latest change; the word it touched ends current. A change
    // that cannot be undone now (ErrorAlmacen) is kept to try again, unless
    // its word is no longer in the store.
    void deshacer();

private:
    enum class Tipo { Renombrada, Eliminada, Archivada, Anadida };
    struct Cambio {
        Tipo tipo;
        qint64 id = 0;                // the row changed (none for a deleted one)
        QString pal;                  // the word as the change left it
        QString antes;                // renamed: the word before
        QString voc;                  // deleted: its vowels
        std::optional<QString> sig;   // deleted: its definition; archived: the one it replaced
    };
    void guardar(Cambio c);
    qsizetype posicionDe(const Cambio &c);

    ListaPalabras &lista_;
    std::vector<Cambio> cambios_;
    bool deshaciendo_ = false;
};

} // namespace rimario
