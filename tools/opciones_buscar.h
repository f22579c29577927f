#pragma once
// The grammar of "rimario-cli buscar", one for the direct search (without Qt)
// and the whole program: its options, with their values and help, and the
// search's mode the options given make.

#include "lista/modo_rima.h"

#include <array>
#include <optional>

namespace rimario::cli {

enum class OpcionBuscar { Almacen, N, Vocales, IgualTamano, Consonante, Asonante, Silabas };

struct DescripcionOpcion {
    OpcionBuscar opcion;
    const char *nombre; // without its dashes: one for a single letter ("-n"), two otherwise
    const char *valor;  // the value's name; null for an option without one
    const char *ayuda;  // UTF-8
};

inline constexpr std::array<DescripcionOpcion, 7> kOpcionesBuscar{{
    {OpcionBuscar::Almacen, "almacen", "ALMACEN", "el almacén (si no se da: data.lop de la carpeta actual, o el de la ventana)"},
    {OpcionBuscar::N, "n", "N", "cuántas letras o vocales del final deben coincidir (2 a 7)"},
    {OpcionBuscar::Vocales, "vocales", nullptr, "compara solo las vocales"},
    {OpcionBuscar::IgualTamano, "igual-tamano", nullptr, "solo palabras con tantas letras como PALABRA"},
    {OpcionBuscar::Consonante, "consonante", nullptr, "rima consonante: todos los sonidos desde la vocal tónica"},
    {OpcionBuscar::Asonante, "asonante", nullptr, "rima asonante: las vocales desde la vocal tónica"},
    {OpcionBuscar::Silabas, "silabas", "N", "con --consonante o --asonante, solo palabras de N sílabas"},
}};

// Which options were given; 'n' (0: not given) and 'silabas' read already.
struct OpcionesDadas {
    std::array<bool, kOpcionesBuscar.size()> dadas{};
    int n = 0;
    std::optional<int> silabas;

    bool tiene(OpcionBuscar o) const { return dadas[size_t(o)]; }
};

// The mode of the search the options ask for; nullopt when they do not go
// together (both rhymes by key, a rhyme by key with an ending's options, an
// ending's search without -n or with --silabas).
inline std::optional<ModoRima> modoDeOpciones(const OpcionesDadas &o)
{
    const bool consonante = o.tiene(OpcionBuscar::Consonante), asonante = o.tiene(OpcionBuscar::Asonante);
    const bool vocales = o.tiene(OpcionBuscar::Vocales), igual = o.tiene(OpcionBuscar::IgualTamano);
    if (consonante || asonante) {
        if ((consonante && asonante) || vocales || igual || o.n)
            return std::nullopt;
    } else if (o.n == 0 || o.silabas) {
        return std::nullopt;
    }
    ModoRima m;
    m.tipo = consonante ? TipoRima::Consonante
             : asonante ? TipoRima::Asonante
             : vocales  ? TipoRima::Vocales
                        : TipoRima::Completa;
    m.letras = o.n;
    m.igualTamano = igual;
    m.silabas = o.silabas;
    return m;
}

} // namespace rimario::cli
