#pragma once
// The dictionaries installed on the machine that stand in for the online
// synonym and English services, where they are, and the internal addresses
// of their pages ("rimario:sinonimos/casa", "rimario:ingles/casa").
//
// Where they are: Debian's places by default; the file "rimario.ini" may say
// otherwise (section [sin-conexion], keys tesauro and ingles), and above that
// the environment variables RIMARIO_TESAURO and RIMARIO_DICCIONARIO_INGLES.
// Each value is the path of the files without their endings: the thesaurus is
// VALUE.idx and VALUE.dat, the dictionary VALUE.index and VALUE.dict.dz (or
// VALUE.dict).

#include <QString>
#include <QUrl>

#include <optional>

namespace rimario {

enum class FuenteSinConexion { Sinonimos, Ingles };

struct FuentesSinConexion {
    QString tesauro; // e.g. /usr/share/mythes/th_es_ES_v2
    QString ingles;  // e.g. /usr/share/dictd/freedict-spa-eng

    static FuentesSinConexion porDefecto();
    // Defaults, then the ini file in 'carpeta' (if any), then the environment.
    static FuentesSinConexion cargar(const QString &carpeta);

    QString tesauroIndice() const { return tesauro + QStringLiteral(".idx"); }
    QString tesauroDatos() const { return tesauro + QStringLiteral(".dat"); }
    QString inglesIndice() const { return ingles + QStringLiteral(".index"); }
    // VALUE.dict.dz, or VALUE.dict when only that one exists.
    QString inglesDatos() const;

    // Whether both files of the source can be read.
    bool instalada(FuenteSinConexion f) const;
};

// What the user is told when a source is not installed.
QString mensajeFuenteAusente(FuenteSinConexion f);

// The scheme of the program's own pages.
inline constexpr char kEsquemaInterno[] = "rimario";

// The internal address of the page of a word, and back (nothing for an
// address that is not one of those pages).
QString direccionSinConexion(FuenteSinConexion f, const QString &palabra);
struct PaginaPedida {
    FuenteSinConexion fuente;
    QString palabra;
};
std::optional<PaginaPedida> leerDireccionSinConexion(const QUrl &direccion);

} // namespace rimario
