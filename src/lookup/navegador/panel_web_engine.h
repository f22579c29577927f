#pragma once
// The window's real browser pane: a Qt WebEngine view with a profile of its own
// that keeps nothing on disk. The pane shows what the program asks for and the
// pages the user reaches from there; it opens no other windows, no local files,
// no downloads, no file choosers and no script dialogs.

#include "lookup/panel_web.h"

#include <QPointer>
#include <QWebEnginePage>

class QTimer;
class QWebEngineProfile;
class QWebEngineView;

namespace rimario {

// The page of the pane: refuses what a page may try on its own.
class PaginaWeb : public QWebEnginePage {
    Q_OBJECT
public:
    explicit PaginaWeb(QWebEngineProfile *perfil, QObject *parent = nullptr);

    // Addresses a document of the pane (or a frame of it) may be loaded from.
    static bool esquemaPermitido(const QUrl &direccion);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType tipo, bool marcoPrincipal) override;
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override
    {
        return {};
    }
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &) override { return false; }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override
    {
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
};

class PanelWebEngine : public PanelWeb {
    Q_OBJECT
public:
    explicit PanelWebEngine(QWidget *parent = nullptr);
    ~PanelWebEngine() override;

    // Throws Error for an address that is not http or https.
    void navegar(const QString &direccion) override;
    void detener() override;
    void seleccionarTodoYCopiar(std::function<void(bool)> listo) override;
    void limpiarSeleccion() override;
    void borrarSeleccion() override;
    QUrl direccion() const override;
    bool paginaLograda() const override { return lograda_; }

    // How long a copy of a page with text may take at most to reach the
    // clipboard (a minute by default); a large page takes seconds.
    void ponerEsperaCopia(int milisegundos) { esperaCopia_ = milisegundos; }

    // The browser is made when the pane first needs it (the first address it
    // opens): until then the pane is blank, and starting the program costs
    // nothing of it. Null until then.
    QWebEngineView *vista() const { return vista_; }
    PaginaWeb *pagina() const { return pagina_; }

private:
    void crearNavegador();
    void copiar(int turno);
    void acabarCopia(bool ok);

    QWebEngineProfile *perfil_ = nullptr;
    PaginaWeb *pagina_ = nullptr;
    QWebEngineView *vista_ = nullptr;
    QTimer *relojCopia_ = nullptr;
    QMetaObject::Connection conexionCopia_;
    std::function<void(bool)> listoCopia_;
    QPointer<QWidget> focoAnterior_;
    int turnoCopia_ = 0;
    int esperaCopia_ = 60000;
    bool lograda_ = false;
};

} // namespace rimario
