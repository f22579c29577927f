#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rimario {

// A file by its identity: device and node, size and time of change.
struct IdentidadArchivo {
    uint64_t dispositivo = 0;
    uint64_t nodo = 0;
    uint64_t tamano = 0;
    int64_t modificado = 0; // nanoseconds
    bool operator==(const IdentidadArchivo &) const = default;
};

template <class Stat> IdentidadArchivo identidadDe(const Stat &st)
{
    return {uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size),
            int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// What tells one state of a store's file from every other: the file, and
// SQLite's own count of commits with the number of pages, all read under one
// lock; with the collation the list order depends on, by its version and by
// the files of ICU that made it (where they are known).
//
// A store in write-ahead-log mode takes its commits into the log, not the file
// (whose count of commits then stays as it was): there the state of the log
// as readers take it tells them apart.
struct Huella {
    IdentidadArchivo archivo;
    uint32_t cambios = 0;
    uint32_t paginas = 0;
    // The log's state: the last frame committed, the pages the store then has,
    // the running sum of the frames up to it and the log's two salts (which a
    // log begun anew changes). All zero when the store keeps no log.
    std::array<uint32_t, 6> registro{};
    int32_t formato = 0;
    // The log of changed rows (format 4): its identity, its last entry's
    // number and tag (all zero without one), and the schema's version.
    struct Diario {
        int64_t identidad = 0, sec = 0, azar = 0;
        uint32_t esquema = 0;
        bool operator==(const Diario &) const = default;
    } diario;
    std::u16string colacion;
    // The collation's code and data: the files of the ICU libraries, by
    // path and identity; empty paths when they are not known.
    static constexpr int kArchivosIcu = 3;
    static constexpr size_t kLargoRutaIcu = 120;
    struct ArchivoIcu {
        std::string ruta;
        IdentidadArchivo identidad;
        bool operator==(const ArchivoIcu &) const = default;
    } icu[kArchivosIcu];
    bool leida = false; // false: the file could not be examined
    bool operator==(const Huella &) const = default;
};

} // namespace rimario
