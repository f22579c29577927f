#pragma once
// The program's own pages in the browser pane, served under the scheme
// "rimario:" (see fuentes.h for the addresses). Two steps:
//   registrarEsquemaInterno()  once, before the QApplication is made;
//   instalarEsquemaInterno(p)  on each profile that is to show the pages.
// The pages come from memory; nothing of the disk is reachable through them.

#include "lookup/sin_conexion/fuentes.h"

#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include <memory>

class QWebEngineProfile;

namespace rimario {

class ConsultasSinConexion;

void registrarEsquemaInterno();

// Installs a handler, owned by the profile, that reads the given sources.
void instalarEsquemaInterno(QWebEngineProfile *perfil,
                            const FuentesSinConexion &fuentes = FuentesSinConexion::porDefecto());

// Whether the address is one of the program's own pages.
bool esDireccionInterna(const QUrl &direccion);

class ManejadorEsquemaInterno : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    explicit ManejadorEsquemaInterno(const FuentesSinConexion &fuentes, QObject *parent = nullptr);
    ~ManejadorEsquemaInterno() override;
    void requestStarted(QWebEngineUrlRequestJob *peticion) override;

private:
    std::unique_ptr<ConsultasSinConexion> consultas_;
};

} // namespace rimario
