#include "lookup/navegador/esquema_interno.h"

#include "lookup/paginas_sin_conexion.h"

#include <QBuffer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace rimario {

void registrarEsquemaInterno()
{
    if (QWebEngineUrlScheme::schemeByName(kEsquemaInterno).name() == kEsquemaInterno)
        return; // already registered
    QWebEngineUrlScheme esquema(kEsquemaInterno);
    esquema.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local: pages from the network cannot load or link to it.
    esquema.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(esquema);
}

void instalarEsquemaInterno(QWebEngineProfile *perfil, const FuentesSinConexion &fuentes)
{
    // A handler installed before is replaced (and deleted if it is one of ours).
    if (const QWebEngineUrlSchemeHandler *viejo = perfil->urlSchemeHandler(kEsquemaInterno)) {
        perfil->removeUrlScheme(kEsquemaInterno);
        if (auto *nuestro = qobject_cast<const ManejadorEsquemaInterno *>(viejo); nuestro && nuestro->parent() == perfil)
            delete nuestro;
    }
    perfil->installUrlSchemeHandler(kEsquemaInterno, new ManejadorEsquemaInterno(fuentes, perfil));
}

bool esDireccionInterna(const QUrl &direccion)
{
    return direccion.scheme().compare(QLatin1String(kEsquemaInterno), Qt::CaseInsensitive) == 0;
}

ManejadorEsquemaInterno::ManejadorEsquemaInterno(const FuentesSinConexion &fuentes, QObject *parent)
    : QWebEngineUrlSchemeHandler(parent), consultas_(std::make_unique<ConsultasSinConexion>(fuentes))
{
}

ManejadorEsquemaInterno::~ManejadorEsquemaInterno() = default;

void ManejadorEsquemaInterno::requestStarted(QWebEngineUrlRequestJob *peticion)
{
    if (peticion->requestMethod() != "GET") {
        peticion->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    auto *cuerpo = new QBuffer(peticion);
    cuerpo->setData(consultas_->pagina(peticion->requestUrl()));
    cuerpo->open(QIODevice::ReadOnly);
    peticion->reply("text/html;charset=utf-8", cuerpo);
}

} // namespace rimario
