#pragma once
// The snapshot file of the word list, without Qt: its header, where it is
// kept, and mapping it. The list (Lexico) writes and maps it; the command
// line's direct search maps it alone.
//
// Layout: a header, then the arrays one after the other (kPartes below: the
// writer, the size check and the mapping all read it), each aligned to its
// own element size by their order. The first of them is a table of sums, one
// for each block of what follows it (of kBytesBloque, the lines' of
// kBytesBloqueLineas), so that a search can check the blocks it reads
// (ComprobadorBloques) and a pass the whole file (datosIntactos).

#include "store/huella.h"
#include "lista/vista_lista.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rimario {

enum class Parte; // below

struct CabeceraLista {
    char magia[8];
    uint32_t version;
    uint32_t ordenBytes;
    uint64_t filas;
    uint64_t unidades;              // UTF-16 units of the words' text
    uint64_t claves, unidadesClaves; // rhyme keys (the empty one first) and their UTF-16 units
    uint64_t raras;                  // rows whose ending the keys cannot tell
    uint64_t bytesLineas;            // of the words in UTF-8
    uint64_t dispositivo, nodo, tamano;
    int64_t modificado;
    uint32_t cambios, paginas;
    uint32_t registro[6]; // the write-ahead log's state (zero without one)
    int32_t formato;
    uint32_t largoColacion;
    int64_t diario[3];         // the store's log of changes: identity, last entry, its tag
    uint32_t esquema, relleno; // the schema's version
    static constexpr int kMaxColacion = 60;
    char16_t colacion[kMaxColacion];
    struct Icu {
        char ruta[Huella::kLargoRutaIcu];
        uint64_t dispositivo, nodo, tamano;
        int64_t modificado;
    } icu[Huella::kArchivosIcu];
    uint64_t bloques; // of the data after the table of their sums
    uint64_t suma;    // of every byte above

    // The header of a snapshot of a store in the state 'h', with these sizes.
    static CabeceraLista de(const Huella &h, uint64_t filas, uint64_t unidades, uint64_t claves,
                            uint64_t unidadesClaves, uint64_t raras, uint64_t bytesLineas);
    // The state it was made of.
    Huella huella() const;
    // Where an array lies in the file, in bytes, by the counts above.
    struct Tramo {
        uint64_t desde, bytes;
    };
    Tramo tramo(Parte parte) const;
    // The whole file's size.
    uint64_t tamanoEsperado() const;
    // Where the words' lines start in the file.
    uint64_t desdeLineas() const;
    // Where the summed data (every array after the table of sums) starts.
    uint64_t desdeDatos() const;
    // A block of the summed data: its number, and where it lies from desdeDatos().
    struct Bloque {
        uint64_t numero, desde, bytes;
    };
    // The block that holds the byte at 'desde' of the summed data.
    Bloque bloqueDe(uint64_t desde) const { return bloqueEn(desdeLineas() - desdeDatos(), bytesLineas, desde); }
    // Same, with the bytes before the lines and those of the lines known.
    static Bloque bloqueEn(uint64_t antesDeLineas, uint64_t lineas, uint64_t desde);
};
static_assert(sizeof(CabeceraLista) % 8 == 0);

// The arrays after the header, in the file's order.
enum class Parte {
    Sumas, // of the blocks that follow (8 bytes each)
    Ids, Fin1, Fin2, Mascara, Pares, Rima, // 8 bytes an element
    Inicio, Largo, ClaveVoc, DesdeClave,    // 4 bytes; where each rhyme key starts in TextoClaves
    PorFin, PorVocales, PorConsonante, PorAsonante, Raras, // the ending indexes, the rows checked in full
    Texto, TextoClaves,                     // UTF-16: the words, the rhyme keys
    Lineas, // the words once more in UTF-8, each after its length (LEB128): what the command line writes out
};

struct DescripcionParte {
    Parte parte;
    uint32_t tamanoElemento;
    uint64_t CabeceraLista::*cuantos; // the header's count of its elements
    uint32_t mas;                     // elements beyond that count
};

inline constexpr DescripcionParte kPartes[] = {
    {Parte::Sumas, 8, &CabeceraLista::bloques, 0},
    {Parte::Ids, 8, &CabeceraLista::filas, 0},          {Parte::Fin1, 8, &CabeceraLista::filas, 0},
    {Parte::Fin2, 8, &CabeceraLista::filas, 0},         {Parte::Mascara, 8, &CabeceraLista::filas, 0},
    {Parte::Pares, 8, &CabeceraLista::filas, 0},        {Parte::Rima, 8, &CabeceraLista::filas, 0},
    {Parte::Inicio, 4, &CabeceraLista::filas, 0},       {Parte::Largo, 4, &CabeceraLista::filas, 0},
    {Parte::ClaveVoc, 4, &CabeceraLista::filas, 0},     {Parte::DesdeClave, 4, &CabeceraLista::claves, 1},
    {Parte::PorFin, 4, &CabeceraLista::filas, 0},       {Parte::PorVocales, 4, &CabeceraLista::filas, 0},
    {Parte::PorConsonante, 4, &CabeceraLista::filas, 0}, {Parte::PorAsonante, 4, &CabeceraLista::filas, 0},
    {Parte::Raras, 4, &CabeceraLista::raras, 0},        {Parte::Texto, 2, &CabeceraLista::unidades, 0},
    {Parte::TextoClaves, 2, &CabeceraLista::unidadesClaves, 0}, {Parte::Lineas, 1, &CabeceraLista::bytesLineas, 0},
};

// The data is summed in blocks of this many bytes: a search that reads a
// word or a key of a row checks the block it lies in, two cache lines, which
// XXH3 sums by its short path (a block of a page took some 2 ms more for a
// search of two thousand rows at a million words; this one, 0.3 ms).
inline constexpr uint64_t kBytesBloque = 128;
// The lines are read only in runs of many (a search of many words writes most
// of them out), so they are summed in pages, at the hash's full speed.
inline constexpr uint64_t kBytesBloqueLineas = 4096;

// The sums of the blocks of a run of bytes fed in pieces of any size (XXH3,
// with the block's number): blocks of kBytesBloque up to 'antesDeLineas'
// bytes (the last of them maybe shorter), of kBytesBloqueLineas after. They
// find damage, not tampering.
class SumasBloques {
public:
    explicit SumasBloques(uint64_t antesDeLineas) : antesDeLineas_(antesDeLineas) {}
    void anadir(const void *datos, size_t n);
    std::vector<uint64_t> terminar();

private:
    size_t largoBloque() const;
    uint64_t antesDeLineas_, hecho_ = 0; // bytes in the blocks summed
    std::vector<uint64_t> sumas_;
    std::vector<unsigned char> resto_;
};
uint64_t sumaBloque(const void *datos, size_t n, uint64_t numero);

// The snapshot of a store whose canonical path is 'almacen', in the folder
// named by RIMARIO_CACHE when it is set (set and empty: no snapshots),
// otherwise in the user's cache folder; empty when there is none.
std::string rutaInstantaneaDe(const std::string &almacen);

// The header of a snapshot file, if it is one of this program's format.
std::optional<CabeceraLista> leerCabeceraLista(const std::string &ruta);

// A snapshot mapped: the list's arrays (which borrow from the mapping while
// 'mapa' lives; the lines' file stays open as long) and the rhyme keys' table.
struct ListaMapeada {
    std::shared_ptr<const void> mapa;
    VistaLista vista;
    const uint32_t *desdeClave = nullptr; // claves + 1 places in textoClaves
    const char16_t *textoClaves = nullptr;
    size_t claves = 0;
    const uint64_t *mascara = nullptr, *pares = nullptr;
    const char *base = nullptr; // the file's first byte
    CabeceraLista cabecera;
};
// How a mapping is kept from the file shrinking or changing under it (a read
// of a page cut off would end the program). The process holds a read lease
// on the file: a program that opens it to write or truncates it is held back
// by the kernel (for the lease-break time, 45 s by default) while a thread of
// this module puts a private copy in the mapping's place, at the same
// address; then the lease is let go. Where no lease can be had (a file system
// without them, a file of another user), the mapping is either not made or
// replaced by a copy at once; 'Copia' always copies.
enum class Resguardo { Arriendo, ArriendoOCopia, Copia };

// Maps the snapshot at 'ruta' if it is one of the store in state 'h' and
// whole; nothing otherwise (or when 'resguardo' cannot be had).
std::optional<ListaMapeada> mapearLista(const std::string &ruta, const Huella &h,
                                        Resguardo resguardo = Resguardo::ArriendoOCopia);

// The number of a rhyme key in a snapshot's table of them ('desde': claves + 1
// places in 'texto'; number 0 is the empty key), or 0 when it is not there.
uint32_t numeroEnTabla(const uint32_t *desde, const char16_t *texto, size_t claves, std::u16string_view clave);

// Checks the blocks of a mapped snapshot that a search reads, each once, by
// their sums; intacto() is false once one of them is not as written. A read
// outside the summed data (not of this mapping) is not checked.
class ComprobadorBloques final : public VistaLista::Lecturas {
public:
    explicit ComprobadorBloques(const ListaMapeada &m);
    void memoria(const void *p, size_t bytes) override;
    void archivo(uint64_t desde, const char *datos, size_t bytes) override;
    uint64_t alinear(uint64_t desde) const override;
    bool intacto() const { return intacto_; }

private:
    void comprobar(const CabeceraLista::Bloque &bloque, const char *datos);
    CabeceraLista::Bloque bloqueDe(uint64_t desde) const
    {
        return CabeceraLista::bloqueEn(antesDeLineas_, bytes_ - antesDeLineas_, desde);
    }
    const char *datos_;
    uint64_t desde_, bytes_, antesDeLineas_;
    const uint64_t *sumas_;
    std::vector<bool> hechos_;
    bool intacto_ = true;
};

// Whether the bytes after the header of the snapshot open as fd are those it
// was written with, read through the file (not the mapping: a pass over it
// would bring all of it into the process's memory). Stops, false, when
// 'parar' is set.
bool datosIntactos(int fd, const CabeceraLista &c, const std::atomic<bool> &parar);

} // namespace rimario
