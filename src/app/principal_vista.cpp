// What the window shows besides its controls' own state: the definition view
// and the messages.

#include "app/principal.h"

#include "base/error.h"
#include "richtext/rtf.h"

#include <QMessageBox>
#include <QTextDocument>
#include <QTextEdit>

namespace rimario {

namespace {

// Puts the text into the view; a text with a run longer than kTramoSinCortes
// is wrapped at word boundaries only: the slow way of wrapping is never applied
// to such a run, old or new. The run is measured on the text shown (formatting
// codes between its letters make no break).
template <typename Poner>
void ponerConCortes(QTextEdit *vista, QStringView, Poner poner)
{
    vista->setWordWrapMode(QTextOption::WordWrap);
    poner();
    if (tramoMasLargo(vista->toPlainText()) <= kTramoSinCortes)
        vista->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

} // namespace

void Principal::mostrarSig(const std::optional<QString> &sig)
{
    // The definition shown, as it was read, is not laid out again (a search
    // that leaves the list on its word shows it at once, scrolled where it was).
    if (sigMostrada_ && *sigMostrada_ == sig && !RT->document()->isModified())
        return;
    const QStringView texto = sig ? QStringView(*sig) : QStringView();
    ponerConCortes(RT, texto, [&] { leerRtf(texto, RT->document()); });
    RT->document()->setModified(false);
    sigMostrada_ = sig;
}

void Principal::avisar(const QString &mensaje)
{
    avisarError(Error(mensaje));
}

void Principal::avisarError(const Error &e)
{
    QMessageBox caja(QMessageBox::Warning, windowTitle(), e.mensaje(), QMessageBox::Ok, this);
    // What the engine said, in its own words, only for whoever opens the details.
    caja.setDetailedText(e.detalle());
    caja.exec();
}

} // namespace rimario
