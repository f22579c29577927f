#pragma once
// The browser pane of the window: navigates to an address, stops, and tells
// when a document (or a frame's document) has finished loading, and whether
// the page shown loaded as it should. Archiving asks it to select the whole
// page and copy it to the system clipboard.

#include "base/error.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <stdexcept>

namespace rimario {

class PanelWeb : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Starts loading the address and returns at once. May throw Error (an address
    // it will not open).
    virtual void navegar(const QString &direccion) = 0;
    // Cancels the loading in progress.
    virtual void detener() = 0;
    // Selects the whole document and copies it to the system clipboard, with
    // the keyboard focus wherever it is; calls 'listo' once the copy has reached
    // the clipboard (true: the clipboard holds the page's text) or has failed
    // (false: a page without text, or a copy that never came). An earlier
    // copy still waiting is given up (its 'listo' gets false).
    virtual void seleccionarTodoYCopiar(std::function<void(bool)> listo) = 0;
    // Clears the selection of the document.
    virtual void limpiarSeleccion() = 0;
    // Deletes the selection (a page that is not editable keeps it).
    virtual void borrarSeleccion() = 0;
    // The address of the document shown.
    virtual QUrl direccion() const = 0;
    // Whether the page shown is the one its latest load asked for, loaded to
    // its end: false while a load runs, and after one that failed (an HTTP
    // error, the browser's own error page, an unreachable server) or was
    // stopped (the page shown is then the earlier one, or part of the new).
    virtual bool paginaLograda() const = 0;

signals:
    // A load of the pane's page has started (a lookup, a link followed...).
    void cargaEmpezada();
    // A document, or a frame's document, has finished loading.
    void documentoCompleto(const QUrl &direccion);
};

} // namespace rimario
