#pragma once
// The verse workshop: a window of its own beside the main one, where the poet
// writes. The poem is kept between starts: every change is written, a moment
// later, to a file in the user's data folder (RIMARIO_TALLER names another), by
// an atomic replace, so a crash or a kill leaves the last copy whole. Ctrl+O
// opens a plain UTF-8 .txt in its place, Ctrl+S saves it to one.

#include "lista/modo_rima.h"

#include <QTimer>
#include <QWidget>

class QLabel;

namespace rimario {

class EditorVersos;

class TallerVersos : public QWidget {
    Q_OBJECT
public:
    explicit TallerVersos(QWidget *padre = nullptr);
    ~TallerVersos() override;

    EditorVersos *editor() const { return editor_; }
    // The file the poem is kept in between starts.
    static QString archivoGuardado();

    // Shows the workshop beside its parent window, the cursor in the editor.
    void mostrar();
    // Puts a .txt in the editor; false (and 'error' in Spanish) when it cannot
    // be read as text, the poem left as it was.
    bool abrir(const QString &ruta, QString *error);
    // Writes the poem to a .txt as a whole or not at all.
    bool guardar(const QString &ruta, QString *error);

signals:
    void rimasPedidas(const QString &palabra, TipoRima tipo);

protected:
    void closeEvent(QCloseEvent *evento) override;

private:
    void abrirConDialogo();
    void guardarConDialogo();
    void guardarCopia();
    void ponerEstado();

    EditorVersos *editor_;
    QLabel *estado_;
    QTimer copia_;
    QString archivo_; // the .txt opened or saved last
    QString errorCopia_;
};

} // namespace rimario
