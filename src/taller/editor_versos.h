#pragma once
// The workshop's editor: plain text, a verse a line, a blank line between
// stanzas. A margin beside each line shows its count, rhyme letter and metre,
// read again at every change (only the lines that changed are scanned anew);
// a line that breaks the metre of its stanza shows in red with a mark. The
// pointer resting on a line shows its syllables, synalephas joined, and its
// stresses; F7 and F8 ask for the consonant and assonant rhymes of the last word
// of the cursor's line.

#include "lista/modo_rima.h"
#include "verso/poema.h"

#include <QPlainTextEdit>

namespace rimario {

class EditorVersos : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit EditorVersos(QWidget *padre = nullptr);

    // What the margin shows beside a line: "11 A endecasílabo heroico", "" for
    // a blank line; out of metre it starts with "≠ ".
    QString textoDelMargen(int linea) const;
    // The line's syllables and stresses: "cuan·do_en·tien·do ... — -+---+---+- (11)".
    QString detalle(int linea) const;
    // The last word of a line, or "".
    QString ultimaPalabra(int linea) const;
    const verso::PoemaAnalizado &analisis() const { return poema_; }

signals:
    void rimasPedidas(const QString &palabra, TipoRima tipo);

protected:
    void resizeEvent(QResizeEvent *evento) override;
    bool viewportEvent(QEvent *evento) override;
    void keyPressEvent(QKeyEvent *evento) override;

private:
    friend class MargenVersos;
    void analizar();
    void pintarMargen(QPaintEvent *evento);
    int lineaEn(int y) const;

    QWidget *margen_;
    verso::Analizador analizador_;
    verso::PoemaAnalizado poema_;
};

} // namespace rimario
