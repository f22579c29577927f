#include "lookup/navegador/panel_web_engine.h"

#include "lookup/navegador/esquema_interno.h"
#include "ubicacion/ubicacion.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPalette>
#include <QTimer>
#include <QVBoxLayout>
#include <QCoreApplication>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace rimario {

// ---------------------------------------------------------------- the page

PaginaWeb::PaginaWeb(QWebEngineProfile *perfil, QObject *parent) : QWebEnginePage(perfil, parent)
{
    QWebEngineSettings *s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    // Pages get no camera, microphone, location or notifications.
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origen, Feature f) {
                setFeaturePermission(origen, f, PermissionDeniedByUser);
            });
}

bool PaginaWeb::esquemaPermitido(const QUrl &direccion)
{
    const QString e = direccion.scheme().toLower();
    // "about" covers blank and inline frames.
    return e == QLatin1String("http") || e == QLatin1String("https") || e == QLatin1String("about")
        || esDireccionInterna(direccion);
}

bool PaginaWeb::acceptNavigationRequest(const QUrl &url, NavigationType, bool)
{
    return esquemaPermitido(url);
}

// ---------------------------------------------------------------- the pane

PanelWebEngine::PanelWebEngine(QWidget *parent) : PanelWeb(parent)
{
    auto *marco = new QVBoxLayout(this);
    marco->setContentsMargins(0, 0, 0, 0);
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::white));

    relojCopia_ = new QTimer(this);
    relojCopia_->setSingleShot(true);
    connect(relojCopia_, &QTimer::timeout, this, [this] { acabarCopia(false); });
}

void PanelWebEngine::crearNavegador()
{
    if (vista_)
        return;
    // A profile without a storage name keeps cookies and cache in memory only.
    perfil_ = new QWebEngineProfile(this);
    perfil_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    perfil_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    // Servers are asked for Spanish pages.
    perfil_->setHttpAcceptLanguage(QStringLiteral("es-ES,es;q=0.9"));
    // The offline synonym and English pages, from the dictionaries installed.
    instalarEsquemaInterno(perfil_, FuentesSinConexion::cargar(QString::fromStdString(ubicacion::carpetaDeConfiguracion())));
    connect(perfil_, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *descarga) { descarga->cancel(); });

    pagina_ = new PaginaWeb(perfil_, this);
    vista_ = new QWebEngineView(this);
    vista_->setPage(pagina_);
    // Only the harmless actions in the pane's menu.
    vista_->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Named in Spanish here: the engine's own names for them are English.
    const std::pair<QWebEnginePage::WebAction, const char *> acciones[] = {
        {QWebEnginePage::Back, "Atrás"}, {QWebEnginePage::Forward, "Adelante"},
        {QWebEnginePage::Reload, "Volver a cargar"}, {QWebEnginePage::Copy, "Copiar"},
        {QWebEnginePage::SelectAll, "Seleccionar todo"}};
    for (const auto &[a, nombre] : acciones) {
        QAction *accion = pagina_->action(a);
        accion->setText(QString::fromUtf8(nombre));
        vista_->addAction(accion);
    }

    layout()->addWidget(vista_);
    const bool conFoco = hasFocus();
    setFocusProxy(vista_);
    if (conFoco)
        vista_->setFocus(Qt::OtherFocusReason);

    // Every load that ends completes a document, the browser's own error page
    // included. A page made of frames completes once, when all its frames have.
    // Only a load that succeeded leaves a page worth keeping: an HTTP error
    // (a page the server sent with a status of 400 or more), the browser's
    // error page and a stopped load do not.
    connect(pagina_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            lograda_ = false;
            emit cargaEmpezada();
            return;
        }
        lograda_ = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage();
        emit documentoCompleto(vista_->url());
    });
}

PanelWebEngine::~PanelWebEngine()
{
    // The page must go before its profile.
    delete vista_;
    delete pagina_;
}

void PanelWebEngine::navegar(const QString &direccion)
{
    const QUrl url(direccion, QUrl::TolerantMode);
    const QString e = url.scheme().toLower();
    if (!esDireccionInterna(url)
        && (!url.isValid() || url.host().isEmpty() || (e != QLatin1String("http") && e != QLatin1String("https"))))
        throw Error(QStringLiteral("No se puede abrir la dirección «%1»: el panel solo abre "
                                            "direcciones http o https con un servidor.")
                                 .arg(direccion));
    crearNavegador();
    pagina_->load(url);
}

void PanelWebEngine::detener()
{
    if (pagina_)
        pagina_->triggerAction(QWebEnginePage::Stop);
}

QUrl PanelWebEngine::direccion() const
{
    return vista_ ? vista_->url() : QUrl();
}

void PanelWebEngine::seleccionarTodoYCopiar(std::function<void(bool)> listo)
{
    acabarCopia(false); // a copy still waiting is given up
    listoCopia_ = std::move(listo);
    const int turno = ++turnoCopia_;
    if (!vista_) {
        // Nothing was ever shown: nothing to copy.
        QTimer::singleShot(0, this, [this, turno] {
            if (turno == turnoCopia_)
                acabarCopia(false);
        });
        return;
    }
    // The page's process makes the copy, and only in a page that has the focus
    // (the commands go to the focused frame): the pane takes the focus for it
    // and gives it back afterwards.
    focoAnterior_ = QApplication::focusWidget();
    vista_->setFocus(Qt::OtherFocusReason);
    // A page without any text copies nothing, and the clipboard would never
    // change: that is known at once. The answer also comes after the focus has
    // reached the page.
    pagina_->runJavaScript(QStringLiteral(R"(
        (function () {
            window.focus();
            if (!document.body) return false;
            const w = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
            for (let n = w.nextNode(); n; n = w.nextNode()) {
                const p = n.parentNode && n.parentNode.nodeName;
                if (p !== 'SCRIPT' && p !== 'STYLE' && p !== 'NOSCRIPT' && /\S/.test(n.data)) return true;
            }
            return false;
        })())"),
                           QWebEngineScript::ApplicationWorld, [this, turno](const QVariant &hayTexto) {
                               if (turno != turnoCopia_ || !listoCopia_)
                                   return;
                               if (!hayTexto.toBool()) {
                                   acabarCopia(false);
                                   return;
                               }
                               copiar(turno);
                           });
}

void PanelWebEngine::copiar(int turno)
{
    if (turno != turnoCopia_ || !listoCopia_)
        return;
    // The text reaches the clipboard later, the later the larger the page: the
    // clipboard's change says it has come. Only a change after the copy counts.
    conexionCopia_ = connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
                             [this] { acabarCopia(true); });
    relojCopia_->start(esperaCopia_);
    if (!vista_->hasFocus())
        vista_->setFocus(Qt::OtherFocusReason);
    pagina_->triggerAction(QWebEnginePage::SelectAll);
    pagina_->triggerAction(QWebEnginePage::Copy);
}

void PanelWebEngine::acabarCopia(bool ok)
{
    if (!listoCopia_)
        return;
    relojCopia_->stop();
    disconnect(conexionCopia_);
    ++turnoCopia_;
    if (focoAnterior_ && focoAnterior_->isVisible() && focoAnterior_->isEnabled())
        focoAnterior_->setFocus(Qt::OtherFocusReason);
    focoAnterior_.clear();
    std::exchange(listoCopia_, {})(ok);
}

void PanelWebEngine::limpiarSeleccion()
{
    if (pagina_)
        pagina_->triggerAction(QWebEnginePage::Unselect);
}

void PanelWebEngine::borrarSeleccion()
{
    // Deletes only where the page is editable; elsewhere nothing happens.
    if (pagina_)
        pagina_->runJavaScript(QStringLiteral("document.execCommand('delete')"),
                           QWebEngineScript::ApplicationWorld);
}

} // namespace rimario
