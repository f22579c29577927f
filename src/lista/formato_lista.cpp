#include "lista/formato_lista.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

// The library's own code, inlined, for the short blocks.
#define XXH_INLINE_ALL
#include <xxhash.h>

#if defined(__x86_64__) || defined(__i386__)
// The shared library's entry that picks the code for the machine's vector unit.
extern "C" XXH64_hash_t XXH3_64bits_dispatch(const void *input, size_t len);
#endif

#include <csignal>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace rimario {

namespace {

XXH64_hash_t sumaLarga(const void *datos, size_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    return XXH3_64bits_dispatch(datos, n);
#else
    return XXH3_64bits(datos, n);
#endif
}

constexpr char kMagia[8] = {'R', 'I', 'M', 'A', 'L', 'S', 'T', '1'};
// Changes whenever what the arrays hold (or how their keys are made) changes.
constexpr uint32_t kVersion = 13;
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

// A copy of the file's first 'largo' bytes in memory of its own (a memfd),
// with a read-only view of it in 'vista'; -1 when they cannot all be read.
int copiar(int fd, size_t largo, void *&vista)
{
    const int copia = ::memfd_create("rimario-lista", MFD_CLOEXEC);
    if (copia < 0)
        return -1;
    void *v = ::ftruncate(copia, off_t(largo)) == 0
        ? ::mmap(nullptr, largo, PROT_READ | PROT_WRITE, MAP_SHARED, copia, 0) : MAP_FAILED;
    bool bien = v != MAP_FAILED;
    for (size_t hecho = 0; bien && hecho < largo;) {
        const ssize_t n = ::pread(fd, static_cast<char *>(v) + hecho, largo - hecho, off_t(hecho));
        if (n < 0 && errno == EINTR)
            continue;
        bien = n > 0;
        hecho += bien ? size_t(n) : 0;
    }
    if (!bien) {
        if (v != MAP_FAILED)
            ::munmap(v, largo);
        ::close(copia);
        return -1;
    }
    ::mprotect(v, largo, PROT_READ);
    vista = v;
    return copia;
}

// Unmaps and closes the file when the last array stops borrowing from it.
struct Mapa {
    void *base = MAP_FAILED;
    size_t largo = 0;
    int fd = -1;
    bool vigilado = false;  // leased and given to the Guardia once
    bool arrendado = false; // still watched by it (under its lock)
    ~Mapa();
};

// The thread that answers the breaks of the leases on mapped snapshots: it
// waits for their signal (sent to it alone), and puts a copy in the place of
// each mapping whose lease is being broken before it lets the lease go.
class Guardia {
public:
    // The one of the process, started at its first use; it lives as long as
    // the process (its thread is never joined).
    static Guardia &la()
    {
        static Guardia *g = new Guardia;
        return *g;
    }
    // Takes a lease on m.fd, checks that the file is still 'tamano' bytes
    // long and maps it into 'm', watched from then on; false when any step fails.
    bool mapear(Mapa &m, size_t tamano);
    void soltar(Mapa &m);

private:
    Guardia();
    void vigilar();
    static void reenviar(int);

    std::mutex mutex_;
    std::vector<Mapa *> mapas_;
    sigset_t senales_;
    bool lista_ = false;
    static inline std::atomic<pid_t> hilo_{0};
    static inline int senal_ = 0;
};

Guardia::Guardia()
{
    // A real-time signal nobody else in the process handles.
    senal_ = SIGRTMIN + 5;
    struct sigaction actual;
    if (senal_ > SIGRTMAX || ::sigaction(senal_, nullptr, &actual) != 0 || actual.sa_handler != SIG_DFL
        || (actual.sa_flags & SA_SIGINFO))
        return;
    sigemptyset(&senales_);
    sigaddset(&senales_, senal_);
    // The thread starts with the signal blocked, so that it only takes it by waiting.
    sigset_t antes;
    ::pthread_sigmask(SIG_BLOCK, &senales_, &antes);
    try {
        std::thread([this] { vigilar(); }).detach();
    } catch (const std::system_error &) {
        ::pthread_sigmask(SIG_SETMASK, &antes, nullptr);
        return;
    }
    ::pthread_sigmask(SIG_SETMASK, &antes, nullptr);
    while (hilo_.load() == 0)
        std::this_thread::yield();
    // Taking a lease sends its breaks to the whole process until it is
    // pointed at the thread: one that comes meanwhile is passed on.
    struct sigaction a = {};
    a.sa_handler = reenviar;
    a.sa_flags = SA_RESTART;
    sigemptyset(&a.sa_mask);
    lista_ = ::sigaction(senal_, &a, nullptr) == 0;
}

void Guardia::reenviar(int)
{
    ::syscall(SYS_tgkill, ::getpid(), hilo_.load(), senal_);
}

void Guardia::vigilar()
{
    hilo_ = pid_t(::syscall(SYS_gettid));
    for (;;) {
        siginfo_t info;
        if (::sigwaitinfo(&senales_, &info) < 0)
            continue;
        const std::lock_guard<std::mutex> cerrojo(mutex_);
        std::erase_if(mapas_, [](Mapa *m) {
            if (::fcntl(m->fd, F_GETLEASE) == F_RDLCK)
                return false; // not this one
            // Readers meanwhile see the file's pages or the copy's, the same
            // bytes: the move replaces the whole range in one step. The fd
            // then names the copy too (for the lines and the check); the
            // lease is let go through the file's own description (a child
            // process may share it).
            void *vista = nullptr;
            const int archivo = ::fcntl(m->fd, F_DUPFD_CLOEXEC, 0);
            if (const int copia = copiar(m->fd, m->largo, vista); copia >= 0) {
                if (::mremap(vista, m->largo, m->largo, MREMAP_MAYMOVE | MREMAP_FIXED, m->base) == MAP_FAILED)
                    ::munmap(vista, m->largo);
                else if (archivo >= 0)
                    ::dup3(copia, m->fd, O_CLOEXEC);
                ::close(copia);
            }
            ::fcntl(archivo >= 0 ? archivo : m->fd, F_SETLEASE, F_UNLCK);
            if (archivo >= 0)
                ::close(archivo);
            m->arrendado = false;
            return true;
        });
    }
}

bool Guardia::mapear(Mapa &m, size_t tamano)
{
    if (!lista_)
        return false;
    const std::lock_guard<std::mutex> cerrojo(mutex_);
    struct stat st;
    const f_owner_ex dueno = {F_OWNER_TID, hilo_.load()};
    if (::fcntl(m.fd, F_SETSIG, senal_) != 0 || ::fcntl(m.fd, F_SETLEASE, F_RDLCK) != 0)
        return false;
    // From here on the file can shrink only once this thread has copied it.
    if (::fcntl(m.fd, F_SETOWN_EX, &dueno) != 0 || ::fstat(m.fd, &st) != 0 || uint64_t(st.st_size) != tamano
        || (m.base = ::mmap(nullptr, tamano, PROT_READ, MAP_PRIVATE, m.fd, 0)) == MAP_FAILED) {
        ::fcntl(m.fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    m.largo = tamano;
    m.vigilado = m.arrendado = true;
    mapas_.push_back(&m);
    return true;
}

void Guardia::soltar(Mapa &m)
{
    const std::lock_guard<std::mutex> cerrojo(mutex_);
    if (m.arrendado)
        std::erase(mapas_, &m);
    m.arrendado = false;
}

Mapa::~Mapa()
{
    if (vigilado)
        Guardia::la().soltar(*this);
    if (base != MAP_FAILED)
        ::munmap(base, largo);
    if (fd >= 0)
        ::close(fd); // lets the lease go
}

bool leerCabecera(int fd, CabeceraLista &c, struct stat &st)
{
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, &c, sizeof c, 0) == ssize_t(sizeof c)
        && std::memcmp(c.magia, kMagia, sizeof kMagia) == 0 && c.version == kVersion
        && c.ordenBytes == kOrdenBytes && c.suma == sumar(&c, offsetof(CabeceraLista, suma));
}

} // namespace

CabeceraLista CabeceraLista::de(const Huella &h, uint64_t filas, uint64_t unidades, uint64_t claves,
                                uint64_t unidadesClaves, uint64_t raras, uint64_t bytesLineas)
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
    std::copy(h.registro.begin(), h.registro.end(), c.registro);
    c.formato = h.formato;
    c.diario[0] = h.diario.identidad;
    c.diario[1] = h.diario.sec;
    c.diario[2] = h.diario.azar;
    c.esquema = h.diario.esquema;
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
    c.bloques = 0; // the table's own size does not count
    const uint64_t datos = c.tamanoEsperado() - c.desdeDatos();
    c.bloques = datos ? c.bloqueDe(datos - 1).numero + 1 : 0;
    c.suma = sumar(&c, offsetof(CabeceraLista, suma));
    return c;
}

Huella CabeceraLista::huella() const
{
    Huella h;
    h.archivo = {dispositivo, nodo, tamano, modificado};
    h.cambios = cambios;
    h.paginas = paginas;
    std::copy(std::begin(registro), std::end(registro), h.registro.begin());
    h.formato = formato;
    h.diario = {diario[0], diario[1], diario[2], esquema};
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

uint64_t CabeceraLista::desdeDatos() const
{
    const Tramo t = tramo(Parte::Sumas);
    return t.desde + t.bytes;
}

CabeceraLista::Bloque CabeceraLista::bloqueEn(uint64_t antes, uint64_t bytesLineas, uint64_t desde)
{
    if (desde < antes) {
        const uint64_t k = desde / kBytesBloque;
        return {k, k * kBytesBloque, std::min(kBytesBloque, antes - k * kBytesBloque)};
    }
    const uint64_t k = (desde - antes) / kBytesBloqueLineas;
    return {(antes + kBytesBloque - 1) / kBytesBloque + k, antes + k * kBytesBloqueLineas,
            std::min(kBytesBloqueLineas, bytesLineas - k * kBytesBloqueLineas)};
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

std::optional<ListaMapeada> mapearLista(const std::string &ruta, const Huella &huella, Resguardo resguardo)
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
        CabeceraLista::de(huella, c.filas, c.unidades, c.claves, c.unidadesClaves, c.raras, c.bytesLineas);
    if (std::memcmp(&c, &esperada, sizeof c) != 0 || c.filas > (uint64_t(1) << 32)
        || c.unidades > (uint64_t(1) << 32) || c.raras > c.filas || c.bytesLineas > c.unidades * 3 + c.filas * 5
        || c.claves < 1 || c.claves > (uint64_t(1) << 24) || c.unidadesClaves > (uint64_t(1) << 32)
        || uint64_t(st.st_size) != c.tamanoEsperado())
        return std::nullopt;
    const size_t tamano = size_t(st.st_size);
    if (resguardo == Resguardo::Copia || !Guardia::la().mapear(*mapa, tamano)) {
        if (resguardo == Resguardo::Arriendo)
            return std::nullopt;
        // The copy stands for the file from here on, its lines included.
        void *vista = nullptr;
        const int copia = copiar(fd, tamano, vista);
        if (copia < 0)
            return std::nullopt;
        ::close(fd);
        mapa->fd = copia;
        mapa->base = vista;
        mapa->largo = tamano;
        // What was read is what the header said (the file may have changed since it was read).
        if (std::memcmp(vista, &c, sizeof c) != 0)
            return std::nullopt;
    }
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
    v.lineas = {mapa->fd, c.desdeLineas(), c.bytesLineas};
    m.base = static_cast<const char *>(mapa->base);
    m.cabecera = c;
    m.mapa = std::move(mapa);
    return m;
}

uint64_t sumaBloque(const void *datos, size_t n, uint64_t numero)
{
    // The number mixed in after: a seed would make XXH3 derive a key of its
    // own at each call, which costs more than the hash of a block. A long
    // block goes to the shared library, which picks the widest vector unit
    // the machine has (the same hash, faster).
    const XXH64_hash_t h = n > 240 ? sumaLarga(datos, n) : XXH3_64bits(datos, n);
    return h ^ (numero * 0x9E3779B185EBCA87ull);
}

size_t SumasBloques::largoBloque() const
{
    return size_t(hecho_ < antesDeLineas_ ? std::min(kBytesBloque, antesDeLineas_ - hecho_) : kBytesBloqueLineas);
}

void SumasBloques::anadir(const void *datos, size_t n)
{
    const auto *b = static_cast<const unsigned char *>(datos);
    while (n) {
        const size_t largo = largoBloque();
        if (resto_.empty() && n >= largo) {
            sumas_.push_back(sumaBloque(b, largo, sumas_.size()));
            hecho_ += largo;
            b += largo;
            n -= largo;
            continue;
        }
        const size_t toma = std::min<size_t>(n, largo - resto_.size());
        resto_.insert(resto_.end(), b, b + toma);
        b += toma;
        n -= toma;
        if (resto_.size() == largo) {
            sumas_.push_back(sumaBloque(resto_.data(), resto_.size(), sumas_.size()));
            hecho_ += largo;
            resto_.clear();
        }
    }
}

std::vector<uint64_t> SumasBloques::terminar()
{
    if (!resto_.empty())
        sumas_.push_back(sumaBloque(resto_.data(), resto_.size(), sumas_.size()));
    resto_.clear();
    return std::move(sumas_);
}

ComprobadorBloques::ComprobadorBloques(const ListaMapeada &m)
    : datos_(m.base + m.cabecera.desdeDatos()), desde_(m.cabecera.desdeDatos()),
      bytes_(m.cabecera.tamanoEsperado() - m.cabecera.desdeDatos()),
      antesDeLineas_(m.cabecera.desdeLineas() - m.cabecera.desdeDatos()),
      sumas_(reinterpret_cast<const uint64_t *>(m.base + m.cabecera.tramo(Parte::Sumas).desde)),
      hechos_(size_t(m.cabecera.bloques))
{
}

void ComprobadorBloques::comprobar(const CabeceraLista::Bloque &bloque, const char *datos)
{
    if (hechos_[size_t(bloque.numero)])
        return;
    hechos_[size_t(bloque.numero)] = true;
    if (sumaBloque(datos, size_t(bloque.bytes), bloque.numero) != sumas_[bloque.numero])
        intacto_ = false;
}

void ComprobadorBloques::memoria(const void *p, size_t bytes)
{
    const auto *b = static_cast<const char *>(p);
    if (bytes == 0 || b < datos_ || b >= datos_ + bytes_)
        return;
    const uint64_t hasta = std::min<uint64_t>(bytes_, uint64_t(b - datos_) + bytes);
    for (CabeceraLista::Bloque k = bloqueDe(uint64_t(b - datos_));; k = bloqueDe(k.desde + k.bytes)) {
        comprobar(k, datos_ + k.desde);
        if (k.desde + k.bytes >= hasta)
            break;
    }
}

void ComprobadorBloques::archivo(uint64_t desde, const char *datos, size_t bytes)
{
    // The blocks wholly read are checked from what was read, the others
    // (partly read) from the mapping.
    if (bytes == 0 || desde + bytes <= desde_ || desde >= desde_ + bytes_)
        return;
    const uint64_t hasta = std::min(bytes_, desde + bytes - desde_);
    for (CabeceraLista::Bloque k = bloqueDe(std::max(desde, desde_) - desde_);;
         k = bloqueDe(k.desde + k.bytes)) {
        const uint64_t a = desde_ + k.desde, b = a + k.bytes;
        comprobar(k, a >= desde && b <= desde + bytes ? datos + (a - desde) : datos_ + k.desde);
        if (k.desde + k.bytes >= hasta)
            break;
    }
}

uint64_t ComprobadorBloques::alinear(uint64_t desde) const
{
    return desde < desde_ || desde >= desde_ + bytes_ ? desde : desde_ + bloqueDe(desde - desde_).desde;
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
    // Read in runs of whole blocks, each checked against the table read first.
    const CabeceraLista::Tramo tabla = c.tramo(Parte::Sumas);
    std::vector<uint64_t> sumas(size_t(c.bloques));
    std::vector<char> bufer(size_t(1) << 20);
    auto leer = [&](char *destino, uint64_t desde, size_t n) {
        while (n) {
            if (parar.load(std::memory_order_relaxed))
                return false;
            const ssize_t leidos = ::pread(fd, destino, n, off_t(desde));
            if (leidos < 0 && errno == EINTR)
                continue;
            if (leidos <= 0)
                return false;
            destino += leidos;
            desde += uint64_t(leidos);
            n -= size_t(leidos);
        }
        return true;
    };
    if (!leer(reinterpret_cast<char *>(sumas.data()), tabla.desde, size_t(tabla.bytes)))
        return false;
    const uint64_t desde = c.desdeDatos(), bytes = c.tamanoEsperado() - desde, antes = c.desdeLineas() - desde;
    for (uint64_t hecho = 0; hecho < bytes;) {
        const size_t n = size_t(std::min<uint64_t>(bufer.size(), bytes - hecho));
        if (!leer(bufer.data(), desde + hecho, n))
            return false;
        // Runs of whole blocks: a block cut by the buffer's end is read again with the next run.
        size_t i = 0;
        for (CabeceraLista::Bloque k = CabeceraLista::bloqueEn(antes, c.bytesLineas, hecho); k.desde + k.bytes <= hecho + n;
             k = CabeceraLista::bloqueEn(antes, c.bytesLineas, k.desde + k.bytes)) {
            if (k.numero >= sumas.size()
                || sumaBloque(bufer.data() + (k.desde - hecho), size_t(k.bytes), k.numero) != sumas[size_t(k.numero)])
                return false;
            i = size_t(k.desde + k.bytes - hecho);
            if (k.desde + k.bytes == bytes)
                break;
        }
        if (i == 0)
            return false;
        hecho += i;
    }
    return true;
}

} // namespace rimario
