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
#include <QStringView>

#include <array>
#include <optional>

namespace rimario {

enum class Servicio { Definiciones, Sinonimos, Ingles };

// What tells one lookup service from another: where its address is set, what
// it is by default, what stands in for it offline, what its button says.
struct DescripcionServicio {
    Servicio servicio;
    const char *clave;    // its key in [servicios] of rimario.ini
    const char *variable; // its environment variable
    const char *anfitrion; // the built-in host
    const char *ruta;      // the fixed path and query the word follows, after a host
    std::optional<FuenteSinConexion> sinConexion; // the installed dictionary that can answer instead
    QStringView caption;   // its button's caption and tip
    QStringView tip;
};

inline constexpr std::array<DescripcionServicio, 3> kServicios{{
    {Servicio::Definiciones, "definiciones", "RIMARIO_DEFINICIONES", "http://buscon.rae.es",
     "/draeI/SrvltGUIBusUsual?TIPO_HTML=2&LEMA=", std::nullopt, u"<-- Buscar palabra",
     u"Buscar definición en Internet"},
    {Servicio::Sinonimos, "sinonimos", "RIMARIO_SINONIMOS", "http://tesauro.es", "/cgi-bin/tesauro.exe?T1=",
     FuenteSinConexion::Sinonimos, u"<-- Sinónimos", u"Buscar sinónimos en Internet"},
    {Servicio::Ingles, "ingles", "RIMARIO_INGLES", "http://idrisidic.com",
     "/idrisidic_2.asp?Site=1&Src_L=eng_eng1&DestLang=Ar&lpcWord=", FuenteSinConexion::Ingles,
     u"<-- Buscar palabra", u"Buscar definición en Internet"},
}};

inline const DescripcionServicio &descripcion(Servicio s)
{
    return kServicios[size_t(s)];
}

struct Servicios {
    QString definiciones;
    QString sinonimos;
    QString ingles;

    // The value that chooses the offline source.
    static constexpr char kSinConexion[] = "sin-conexion";

    static Servicios porDefecto();
    // Defaults, then the ini file in 'carpeta' (if any), then the environment.
    static Servicios cargar(const QString &carpeta);

    QString &valor(Servicio s);
    const QString &valor(Servicio s) const { return const_cast<Servicios *>(this)->valor(s); }

    // The address of the service for the word, the offline page when the user
    // chose it.
    QString direccion(Servicio s, const QString &palabra) const;
    // Whether the user chose the offline source (a service that has one).
    bool sinConexion(Servicio s) const;

    // A value expanded for the word: a template, or a host with 'ruta' after it.
    static QString expandir(const QString &valor, const char *ruta, const QString &palabra);
};

} // namespace rimario
