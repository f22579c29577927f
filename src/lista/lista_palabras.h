#pragma once
// The word list: every row of Palabras in list order, with a current record
// (the selected word). Finds, refreshes and writes move or keep the current
// record as the window expects; every write goes to the file at once and to the
// list held in memory.

#include "store/almacen.h"
#include "lista/lexico.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace rimario {

class Turno;

class ListaPalabras : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kNinguna = Lexico::kNinguna;

    explicit ListaPalabras(Almacen &almacen, QObject *parent = nullptr);
    ~ListaPalabras() override;

    Almacen &almacen() { return almacen_; }
    const Lexico &lexico() const { return lexico_; }
    // Keeps the list for the next start, if this program's writes were the
    // store's only changes since it was read (see Lexico::conservar).
    void conservar() { lexico_.conservar(almacen_); }
    qsizetype tamano() const { return lexico_.tamano(); }

    // ---- the current record
    qsizetype actual() const { return actual_; }
    bool hayActual() const { return actual_ >= 0 && actual_ < lexico_.tamano(); }
    QString palActual() const;                 // throws ErrorAlmacen without a current record
    std::optional<QString> sigActual() const;  // likewise; nullopt is Null
    qint64 idActual() const;

    // Reads the list again when the file has changed since it was read (by
    // another program), then makes the first record current.
    void refrescar();
    // Re-reads unconditionally. A list mapped from its kept copy has the copy
    // checked meanwhile, on a thread of its own; a damaged copy is removed and
    // the list read again from the rows, the current record kept.
    void releer();
    // The window is up: the list's own threads may start their work (see Turno).
    void empezar();
    // Makes current the first word matching "texto*". Returns false (NoMatch)
    // and leaves the current record where it was when none does.
    bool buscarPrefijo(QStringView texto);
    // Makes current the first word equal to the text, letter case aside.
    bool buscarIgual(QStringView palabra);
    // Makes a position current (the user's move in the grid, or a bookmark).
    void irA(qsizetype pos);

    // ---- writing (each committed to the file at once)
    // Adds a word; returns its position (not made current). When another
    // program has added the word meanwhile (letter case aside), that row gets
    // the definition instead: a word is never added twice.
    qsizetype anadir(const QString &pal, const QString &voc, const std::optional<QString> &sig);
    // Writes a row back as it was (a deleted word restored), beside any other
    // of the same letters; returns its position (not made current).
    qsizetype reponer(const QString &pal, const QString &voc, const std::optional<QString> &sig);
    // Rewrites the definition of the word at pos, the list first brought up to
    // date as every write does; returns the word's position then.
    qsizetype cambiarSig(qsizetype pos, const std::optional<QString> &sig);
    // Archives a definition of a word: the word's row (letter case aside) is
    // found, made current as buscarIgual makes it, and gets the definition;
    // a word not in the list is added with its vowel skeleton (see anadir),
    // unless it is too long (comprobarLargo).
    // The row written ends current; returns its position. When the write
    // fails (ErrorAlmacen), a row found stays current.
    qsizetype archivar(const QString &pal, const QString &sig);
    // Refuses (ErrorAlmacen) a word the user gives for a row, a new one or
    // the new text of one, that is too long (demasiadoLarga); what a store
    // already holds is read, and written back by an undo, as it is.
    static void comprobarLargo(QStringView pal);
    // In-place edit of the word at pos; returns its new position. A word that
    // would be empty or only blanks is refused (ErrorAlmacen) and the old one kept.
    qsizetype cambiarPal(qsizetype pos, const QString &pal);
    // Deletes the current record; afterwards there is none.
    void eliminarActual();
    // Runs 'escribir' (which writes to the store and relies on the list) with
    // the list as the file holds it: read again first when another program has
    // changed the file, and again, 'escribir' then rerun, when one changes it
    // before the write takes the lock.
    void alDia(const std::function<void()> &escribir);

signals:
    // Each change of the rows is announced before it is made and after, so
    // that a view can keep its rows (and what it marks) in step.
    void aPuntoDeReiniciar();
    void reiniciada();
    void aPuntoDeInsertar(qsizetype pos);
    void filaInsertada(qsizetype pos);
    void aPuntoDeEliminar(qsizetype pos);
    void filaEliminada(qsizetype pos);
    // An edit moves the row 'desde' before the row now at 'antesDe' (a
    // position counted with the row still in its old place); it ends at 'hasta'.
    void aPuntoDeMover(qsizetype desde, qsizetype antesDe);
    void filaMovida(qsizetype desde, qsizetype hasta);
    // The word at pos was edited (after any move).
    void palabraCambiada(qsizetype pos);
    // The row 'id' was renamed in the store from 'antes' to 'ahora'.
    void renombrada(qint64 id, const QString &antes, const QString &ahora);
    // The current record moved (or was set again) by the program.
    void actualMovido(qsizetype pos);
    // The list's kept copy was found damaged and the rows could not be read
    // again; why, for the user.
    void errorAlReleer(const QString &mensaje);

private:
    qsizetype insertada(qint64 id, const QString &pal, const QString &voc);
    void sincronizar();
    void comprobarInstantanea();
    void pararComprobacion();
    void instantaneaDanada(unsigned carga);
    Almacen &almacen_;
    Lexico lexico_;
    qsizetype actual_ = kNinguna;
    qint64 versionLeida_ = -1;
    unsigned carga_ = 0; // loads so far
    std::thread comprobador_;
    std::atomic<bool> pararComprobacion_{false};
    std::shared_ptr<Turno> turnoComprobacion_;
};

} // namespace rimario
