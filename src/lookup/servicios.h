#pragma once
// Addresses of the three lookup services. Each is configuration: built-in
// defaults, overridden by the file "rimario.ini" beside the program (section
// [servicios], keys definiciones, sinonimos, ingles) and, above that, by the
// environment variables RIMARIO_DEFINICIONES, RIMARIO_SINONIMOS and
// RIMARIO_INGLES. A value is one of:
//   - a whole address with the placeholder {palabra}, which is replaced by the
//     word, percent-encoded as UTF-8 ("https://example.org/buscar?q={palabra}");
//   - a host ("http://tesauro.es", or "tesauro.es" for HTTP), followed by the
//     service's fixed path and query and the word as typed (the old setting);
//   - for sinonimos and ingles, "sin-conexion": the dictionary installed on the
//     machine, shown as a page of the program's own (see fuentes.h).

#include "lookup/sin_conexion/fuentes.h"

#include <QString>

namespace rimario {

struct Servicios {
    QString definiciones;
    QString sinonimos;
    QString ingles;

    // The value that chooses the offline source.
    static constexpr char kSinConexion[] = "sin-conexion";

    static Servicios porDefecto();
    // Defaults, then the ini file in 'carpeta' (if any), then the environment.
    static Servicios cargar(const QString &carpeta);

    QString direccionDefinicion(const QString &palabra) const;
    // The address of the service chosen, the offline page included.
    QString direccionSinonimos(const QString &palabra) const;
    QString direccionIngles(const QString &palabra) const;

    // Whether the user chose the offline source.
    bool sinonimosSinConexion() const;
    bool inglesSinConexion() const;

    // The offline page of the word, whatever was chosen (for when the service
    // cannot be reached).
    static QString direccionSinonimosSinConexion(const QString &palabra)
    {
        return direccionSinConexion(FuenteSinConexion::Sinonimos, palabra);
    }
    static QString direccionInglesSinConexion(const QString &palabra)
    {
        return direccionSinConexion(FuenteSinConexion::Ingles, palabra);
    }

    // A value expanded for the word: a template, or a host with 'ruta' after it.
    static QString expandir(const QString &valor, const char *ruta, const QString &palabra);
};

} // namespace rimario
