// What the window shows besides its controls' own state: the definition view
// and the messages.

#include "app/principal.h"

#include "app/definicion_en_vista.h"
#include "base/error.h"

#include <QMessageBox>
#include <QTextDocument>
#include <QTextEdit>

namespace rimario {

void Principal::mostrarSig(const std::optional<QString> &sig)
{
    // The definition shown, as it was read, is not laid out again (a search
    // that leaves the list on its word shows it at once, scrolled where it was).
    if (sigMostrada_ && *sigMostrada_ == sig && !RT->document()->isModified())
        return;
    definicion_->poner(sig ? QStringView(*sig) : QStringView());
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
