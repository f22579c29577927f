#pragma once
// The program's own pages for the offline lookups: the synonyms of a word
// from the thesaurus and its English translations from the dictionary, a page
// when nothing is found and one when the source is missing or damaged. All
// text of the files is escaped; the pages carry no script and load nothing.

#include "lookup/sin_conexion/dictd.h"
#include "lookup/sin_conexion/fuentes.h"
#include "lookup/sin_conexion/tesauro.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>

namespace rimario {

QString paginaSinonimos(const ConsultaTesauro &c);
QString paginaIngles(const ConsultaDict &c);
// A page that only says 'mensaje' (a source missing, a damaged file...).
QString paginaAviso(const QString &titulo, const QString &mensaje);

// The offline sources, opened on first use and kept open; makes the page of
// an internal address. A source that is missing or fails to open is tried
// again on the next request, so installing it needs no restart.
class ConsultasSinConexion {
public:
    explicit ConsultasSinConexion(FuentesSinConexion fuentes = FuentesSinConexion::porDefecto());
    ~ConsultasSinConexion();

    // The page (UTF-8 HTML) of an address "rimario:sinonimos/..." or
    // "rimario:ingles/..."; a notice page for any other.
    QByteArray pagina(const QUrl &direccion);
    QString paginaDe(FuenteSinConexion f, const QString &palabra);

    const FuentesSinConexion &fuentes() const { return fuentes_; }

private:
    FuentesSinConexion fuentes_;
    std::unique_ptr<Tesauro> tesauro_;
    std::unique_ptr<Dictd> ingles_;
};

} // namespace rimario
