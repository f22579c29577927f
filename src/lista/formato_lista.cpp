#include "lista/formato_lista.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rimario {

namespace {

constexpr char kMagia[8] = {'R', 'I', 'M', 'A', 'L', 'S', 'T', '1'};
// Changes whenever what the arrays hold (or how their keys are made) changes.
constexpr uint32_t kVersion = 9;
constexpr uint32_t kOrdenBytes = 0x01020304;

uint64_t sumar(const void *datos, size_t n)
{
    // FNV-1a, over a few hundred bytes.
    uint64_t h = 14695981039346656037ull;
    const auto *b = static_cast<const unsigned char *>(datos);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ b[i]) * 1099511628211ull;
    return h;
}

// SHA-1 of a text, in hexadecimal: the snapshot's name.
std::string sha1Hex(const std::string &texto)
{
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string m = texto;
    const uint64_t bits = uint64_t(texto.size()) * 8;
    m += char(0x80);
    while (m.size() % 64 != 56)
        m += char(0);
    for (int i = 7; i >= 0; --i)
        m += char((bits >> (8 * i)) & 0xFF);
    auto rotar = [](uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
    for (size_t bloque = 0; bloque < m.size(); bloque += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto *b = reinterpret_cast<const unsigned char *>(m.data() + bloque + 4 * i);
            w[i] = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        }
        for (int i = 16; i < 80; ++i)
            w[i] = rotar(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const uint32_t t = rotar(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotar(b, 30);
            b = a;
            a = t;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string r;
    for (const uint32_t x : h)
        for (int i = 28; i >= 0; i -= 4)
            r += kHex[(x >> i) & 0xF];
    return r;
}

// Unmaps and closes the file when the last array stops borrowing from it.
struct Mapa {
    void *base = MAP_FAILED;
    size_t largo = 0;
    int fd = -1;
    ~Mapa()
    {
        if (base != MAP_FAILED)
            ::munmap(base, largo);
        if (fd >= 0)
            ::close(fd);
    }
};

bool leerCabecera(int fd, CabeceraLista &c, struct stat &st)
{
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, &c, sizeof c, 0) == ssize_t(sizeof c)
        && std::memcmp(c.magia, kMagia, sizeof kMagia) == 0 && c.version == kVersion
        && c.ordenBytes == kOrdenBytes && c.suma == sumar(&c, offsetof(CabeceraLista, suma));
}

} // namespace

CabeceraLista CabeceraLista::de(const Huella &h, uint64_t filas, uint64_t unidades, uint64_t claves,
                                uint64_t unidadesClaves, uint64_t raras, uint64_t bytesLineas, uint64_t sumaDatos)
{
    CabeceraLista c;
    std::memset(&c, 0, sizeof c);
    std::memcpy(c.magia, kMagia, sizeof kMagia);
    c.version = kVersion;
    c.ordenBytes = kOrdenBytes;
    c.filas = filas;
    c.unidades = unidades;
    c.claves = claves;
    c.unidadesClaves = unidadesClaves;
    c.raras = raras;
    c.bytesLineas = bytesLineas;
    c.dispositivo = h.archivo.dispositivo;
    c.nodo = h.archivo.nodo;
    c.tamano = h.archivo.tamano;
    c.modificado = h.archivo.modificado;
    c.cambios = h.cambios;
    c.paginas = h.paginas;
    c.formato = h.formato;
    c.largoColacion = uint32_t(std::min<size_t>(h.colacion.size(), kMaxColacion));
    std::memcpy(c.colacion, h.colacion.data(), c.largoColacion * sizeof(char16_t));
    for (int i = 0; i < Huella::kArchivosIcu; ++i) {
        const Huella::ArchivoIcu &a = h.icu[i];
        if (a.ruta.size() >= sizeof c.icu[i].ruta)
            continue; // not known
        std::memcpy(c.icu[i].ruta, a.ruta.data(), a.ruta.size());
        c.icu[i].dispositivo = a.identidad.dispositivo;
        c.icu[i].nodo = a.identidad.nodo;
        c.icu[i].tamano = a.identidad.tamano;
        c.icu[i].modificado = a.identidad.modificado;
    }
    c.sumaDatos = sumaDatos;
    c.suma = sumar(&c, offsetof(CabeceraLista, suma));
    return c;
}

Huella CabeceraLista::huella() const
{
    Huella h;
    h.archivo = {dispositivo, nodo, tamano, modificado};
    h.cambios = cambios;
    h.paginas = paginas;
    h.formato = formato;
    h.colacion.assign(colacion, std::min<size_t>(largoColacion, kMaxColacion));
    for (int i = 0; i < Huella::kArchivosIcu; ++i) {
        h.icu[i].ruta.assign(icu[i].ruta, strnlen(icu[i].ruta, sizeof icu[i].ruta));
        h.icu[i].identidad = {icu[i].dispositivo, icu[i].nodo, icu[i].tamano, icu[i].modificado};
    }
    h.leida = true;
    return h;
}

CabeceraLista::Tramo CabeceraLista::tramo(Parte parte) const
{
    uint64_t desde = sizeof(CabeceraLista);
    for (const DescripcionParte &d : kPartes) {
        const uint64_t bytes = (this->*d.cuantos + d.mas) * d.tamanoElemento;
        if (d.parte == parte)
            return {desde, bytes};
        desde += bytes;
    }
    return {desde, 0};
}

uint64_t CabeceraLista::tamanoEsperado() const
{
    const Tramo t = tramo(Parte::Lineas);
    return t.desde + t.bytes;
}

uint64_t CabeceraLista::desdeLineas() const
{
    return tramo(Parte::Lineas).desde;
}

std::string rutaInstantaneaDe(const std::string &almacen)
{
    std::string carpeta;
    if (const char *c = std::getenv("RIMARIO_CACHE")) {
        carpeta = c; // empty: no snapshots
    } else {
        // The user's cache folder, as the XDG rules name it.
        const char *xdg = std::getenv("XDG_CACHE_HOME");
        const char *casa = std::getenv("HOME");
        if (xdg && xdg[0] == '/')
            carpeta = std::string(xdg) + "/rimario";
        else if (casa && casa[0])
            carpeta = std::string(casa) + "/.cache/rimario";
    }
    if (carpeta.empty())
        return {};
    return carpeta + '/' + sha1Hex(almacen).substr(0, 24) + ".lista";
}

std::optional<CabeceraLista> leerCabeceraLista(const std::string &ruta)
{
    const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    CabeceraLista c;
    struct stat st;
    const bool bien = leerCabecera(fd, c, st);
    ::close(fd);
    return bien ? std::optional(c) : std::nullopt;
}

std::optional<ListaMapeada> mapearLista(const std::string &ruta, const Huella &huella)
{
    if (!huella.leida)
        return std::nullopt;
    const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    auto mapa = std::make_shared<Mapa>();
    mapa->fd = fd; // kept open for the lines
    struct stat st;
    CabeceraLista c;
    if (!leerCabecera(fd, c, st))
        return std::nullopt;
    // Only a snapshot of this very state of the store, whole, is taken.
    const CabeceraLista esperada =
        CabeceraLista::de(huella, c.filas, c.unidades, c.claves, c.unidadesClaves, c.raras, c.bytesLineas, c.sumaDatos);
    if (std::memcmp(&c, &esperada, sizeof c) != 0 || c.filas > (uint64_t(1) << 32)
        || c.unidades > (uint64_t(1) << 32) || c.raras > c.filas || c.bytesLineas > c.unidades * 3 + c.filas * 5
        || c.claves < 1 || c.claves > (uint64_t(1) << 24) || c.unidadesClaves > (uint64_t(1) << 32)
        || uint64_t(st.st_size) != c.tamanoEsperado())
        return std::nullopt;
    mapa->largo = size_t(st.st_size);
    mapa->base = ::mmap(nullptr, mapa->largo, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapa->base == MAP_FAILED)
        return std::nullopt;
    const size_t k = size_t(c.claves);
    auto en = [&](Parte parte) { return static_cast<const char *>(mapa->base) + c.tramo(parte).desde; };
    auto u64 = [&](Parte parte) { return reinterpret_cast<const uint64_t *>(en(parte)); };
    auto u32 = [&](Parte parte) { return reinterpret_cast<const uint32_t *>(en(parte)); };
    ListaMapeada m;
    VistaLista &v = m.vista;
    v.filas = size_t(c.filas);
    v.ids = reinterpret_cast<const int64_t *>(en(Parte::Ids));
    v.fin1 = u64(Parte::Fin1);
    v.fin2 = u64(Parte::Fin2);
    m.mascara = u64(Parte::Mascara);
    m.pares = u64(Parte::Pares);
    v.rima = u64(Parte::Rima);
    v.inicio = u32(Parte::Inicio);
    v.largo = u32(Parte::Largo);
    v.claveVoc = u32(Parte::ClaveVoc);
    m.desdeClave = u32(Parte::DesdeClave);
    v.arena = reinterpret_cast<const char16_t *>(en(Parte::Texto));
    v.unidades = size_t(c.unidades);
    m.textoClaves = reinterpret_cast<const char16_t *>(en(Parte::TextoClaves));
    m.claves = k;
    // The rhyme keys' table must hold together. The rows' arrays are not read
    // here (a pass over them would cost more than most searches): a word that
    // lies outside the text reads as empty, and key numbers are only compared.
    if (m.desdeClave[0] != 0)
        return std::nullopt;
    for (size_t i = 0; i < k; ++i)
        if (m.desdeClave[i] > m.desdeClave[i + 1] || m.desdeClave[i + 1] > c.unidadesClaves)
            return std::nullopt;
    v.indices = {u32(Parte::PorFin), u32(Parte::PorVocales), u32(Parte::PorConsonante), u32(Parte::PorAsonante),
                 u32(Parte::Raras), size_t(c.raras)};
    v.lineas = {fd, c.desdeLineas(), c.bytesLineas};
    m.cabecera = c;
    m.mapa = std::move(mapa);
    return m;
}

namespace {
constexpr uint64_t kPrimo1 = 0x9E3779B185EBCA87ull, kPrimo2 = 0xC2B2AE3D27D4EB4Full;

uint64_t rotar(uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

uint64_t palabra64(const unsigned char *b)
{
    uint64_t w;
    std::memcpy(&w, b, 8);
    return w;
}
} // namespace

void SumaDatos::bloque(const unsigned char *b)
{
    for (int i = 0; i < 4; ++i)
        carriles_[i] = rotar(carriles_[i] + palabra64(b + 8 * i) * kPrimo2, 31) * kPrimo1;
}

void SumaDatos::anadir(const void *datos, size_t n)
{
    if (n == 0)
        return; // an empty array may have no storage at all (null data)
    const auto *b = static_cast<const unsigned char *>(datos);
    total_ += n;
    if (enResto_) {
        const size_t toma = std::min(n, sizeof resto_ - enResto_);
        std::memcpy(resto_ + enResto_, b, toma);
        enResto_ += toma;
        b += toma;
        n -= toma;
        if (enResto_ < sizeof resto_)
            return;
        bloque(resto_);
        enResto_ = 0;
    }
    for (; n >= 32; b += 32, n -= 32)
        bloque(b);
    std::memcpy(resto_, b, n);
    enResto_ = n;
}

uint64_t SumaDatos::valor() const
{
    uint64_t h = total_ * kPrimo1;
    for (int i = 0; i < 4; ++i)
        h = rotar(h ^ carriles_[i], 27) * kPrimo1 + kPrimo2;
    for (size_t i = 0; i < enResto_; ++i)
        h = rotar(h ^ (uint64_t(resto_[i]) * kPrimo2), 11) * kPrimo1;
    h ^= h >> 33;
    h *= kPrimo2;
    return h ^ (h >> 29);
}

uint32_t numeroEnTabla(const uint32_t *desde, const char16_t *texto, size_t claves, std::u16string_view clave)
{
    if (clave.empty())
        return 0;
    for (size_t i = 1; i < claves; ++i)
        if (std::u16string_view(texto + desde[i], desde[i + 1] - desde[i]) == clave)
            return uint32_t(i);
    return 0;
}

bool datosIntactos(int fd, const CabeceraLista &c, const std::atomic<bool> &parar)
{
    SumaDatos suma;
    std::vector<unsigned char> bufer(size_t(1) << 20);
    for (uint64_t desde = sizeof c, hasta = c.tamanoEsperado(); desde < hasta;) {
        if (parar.load(std::memory_order_relaxed))
            return false;
        const ssize_t leidos = ::pread(fd, bufer.data(), size_t(std::min<uint64_t>(bufer.size(), hasta - desde)),
                                       off_t(desde));
        if (leidos < 0 && errno == EINTR)
            continue;
        if (leidos <= 0)
            return false;
        suma.anadir(bufer.data(), size_t(leidos));
        desde += uint64_t(leidos);
    }
    return suma.valor() == c.sumaDatos;
}

} // namespace rimario
