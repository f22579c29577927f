#include "busqueda_directa.h"
#include "opciones_buscar.h"

#include "language/silabeo.h"
#include "language/unidades.h"
#include "lista/formato_lista.h"
#include "ubicacion/ubicacion.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rimario::cli {

namespace {

struct Pedido {
    std::string almacen;
    ModoRima modo;
    std::u16string palabra;
};

// A count written plainly: 1 to 999, no sign, no leading zero.
int numeroLlano(const std::string &s)
{
    if (s.empty() || s.size() > 3 || s[0] < '1' || s[0] > '9')
        return -1;
    int n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The option an argument names in its plain form ("-n", "--vocales"), if any.
const DescripcionOpcion *opcionDe(const std::string &a)
{
    for (const DescripcionOpcion &d : kOpcionesBuscar)
        if (a == (std::strlen(d.nombre) == 1 ? "-" : "--") + std::string(d.nombre))
            return &d;
    return nullptr;
}

// An option's value in its plain form: a store's path; N from 2 to 7 in one
// digit; a number of syllables written plainly.
bool leerValor(const DescripcionOpcion &d, const std::string &v, Pedido &p, OpcionesDadas &o)
{
    switch (d.opcion) {
    case OpcionBuscar::Almacen:
        p.almacen = v;
        return true;
    case OpcionBuscar::N:
        if (v.size() != 1 || v[0] < '2' || v[0] > '7')
            return false;
        o.n = v[0] - '0';
        return true;
    case OpcionBuscar::Silabas:
        if (numeroLlano(v) <= 0)
            return false;
        o.silabas = numeroLlano(v);
        return true;
    default:
        return false;
    }
}

// Only the plain forms; the whole program reads every other one, and
// explains the combinations it refuses.
std::optional<Pedido> leerPedido(const std::vector<std::string> &args)
{
    Pedido p;
    OpcionesDadas o;
    bool palabra = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const bool hayValor = i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-';
        if (const DescripcionOpcion *d = opcionDe(a); d && !o.tiene(d->opcion)) {
            if (d->valor && !(hayValor && leerValor(*d, args[++i], p, o)))
                return std::nullopt;
            o.dadas[size_t(d->opcion)] = true;
        } else if (((!a.empty() && a[0] != '-') || (a == "--" && i + 2 == args.size())) && !palabra) {
            // After "--" the last argument is the word, whatever it starts with.
            if (!leerUtf8(a == "--" ? args[++i] : a, p.palabra) || p.palabra.empty())
                return std::nullopt;
            palabra = true;
        } else {
            return std::nullopt;
        }
    }
    const auto modo = modoDeOpciones(o);
    if (!modo || !palabra)
        return std::nullopt;
    if (!o.tiene(OpcionBuscar::Almacen))
        p.almacen = ubicacion::almacenPorOmision();
    p.modo = *modo;
    return p;
}

uint32_t grande(const unsigned char *b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

// SQLite's locks on a database file (its Unix files' scheme): a reader holds
// a read lock on the shared range, taken while holding one on the pending
// byte; a writer about to write the file holds a write lock on the range.
constexpr off_t kBytePendiente = 0x40000000;
constexpr off_t kDesdeCompartido = kBytePendiente + 2, kLargoCompartido = 510;

bool bloquear(int fd, short tipo, off_t desde, off_t largo)
{
    struct flock l = {};
    l.l_type = tipo;
    l.l_whence = SEEK_SET;
    l.l_start = desde;
    l.l_len = largo;
    return ::fcntl(fd, F_SETLK, &l) == 0;
}

bool hayArchivo(const std::string &ruta, bool vacioCuenta)
{
    struct stat st;
    return ::stat(ruta.c_str(), &st) == 0 && (vacioCuenta || st.st_size > 0);
}

// The store's state as the list's load reads it: under a shared lock, from
// the file's header, with nothing left by a writer (a journal with pages, a
// write-ahead log) that a reader would have to read or roll back.
std::optional<Huella> leerEstado(const std::string &ruta, Huella h)
{
    const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<Huella> r;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && bloquear(fd, F_RDLCK, kBytePendiente, 1)) {
        const bool compartido = bloquear(fd, F_RDLCK, kDesdeCompartido, kLargoCompartido);
        bloquear(fd, F_UNLCK, kBytePendiente, 1);
        unsigned char c[100];
        if (compartido && !hayArchivo(ruta + "-journal", false) && !hayArchivo(ruta + "-wal", true)
            && ::pread(fd, c, sizeof c, 0) == ssize_t(sizeof c) && std::memcmp(c, "SQLite format 3", 16) == 0
            && c[18] == 1 && c[19] == 1 && grande(c + 92) == grande(c + 24) && grande(c + 28) != 0
            && ::fstat(fd, &st) == 0) {
            h.archivo = identidadDe(st);
            h.cambios = grande(c + 24);
            h.paginas = grande(c + 28);
            h.registro = {}; // a store without a write-ahead log (the versions above)
            h.formato = int32_t(grande(c + 60));
            r = h;
        }
    }
    ::close(fd); // drops the locks
    return r;
}

// The collation the snapshot was made with is the one of now when the very
// ICU files that made it are in place.
bool mismaColacion(Huella &h)
{
    if (std::getenv("ICU_DATA"))
        return false; // data may come from elsewhere
    for (Huella::ArchivoIcu &a : h.icu) {
        struct stat st;
        if (a.ruta.empty() || ::stat(a.ruta.c_str(), &st) != 0)
            return false;
        a.identidad = identidadDe(st);
    }
    return true;
}

} // namespace

std::optional<int> buscarDirecto(const std::vector<std::string> &args, std::FILE *salida, bool comprobar)
{
    const auto p = leerPedido(args);
    if (!p)
        return std::nullopt;
    char canonica[PATH_MAX];
    if (!::realpath(p->almacen.c_str(), canonica))
        return std::nullopt;
    const std::string ruta = rutaInstantaneaDe(canonica);
    if (ruta.empty())
        return std::nullopt;
    const auto cabecera = leerCabeceraLista(ruta);
    if (!cabecera)
        return std::nullopt;
    Huella h = cabecera->huella();
    if (!mismaColacion(h))
        return std::nullopt;
    const auto estado = leerEstado(canonica, h);
    if (!estado)
        return std::nullopt;
    // Mapped under a lease only: a copy would cost more than the search.
    auto lista = mapearLista(ruta, *estado, Resguardo::Arriendo);
    if (!lista)
        return std::nullopt;
    // What the search reads is checked block by block; a snapshot damaged
    // there is the whole program's, which finds the damage too.
    ComprobadorBloques comprobador(*lista);
    VistaLista &v = lista->vista;
    v.lecturas = comprobar ? &comprobador : nullptr;
    if (comprobar) {
        comprobador.memoria(lista->desdeClave, (lista->claves + 1) * sizeof(uint32_t));
        comprobador.memoria(lista->textoClaves, lista->cabecera.unidadesClaves * sizeof(char16_t));
    }

    const std::u16string_view palabra = p->palabra;
    const ModoRima &modo = p->modo;
    const int n = modo.letras;
    const std::ptrdiff_t caracteres = modo.igualTamano ? std::ptrdiff_t(contarCaracteres(palabra)) : -1;
    std::vector<Posicion> pos;
    if (modo.porClave()) {
        // A word that cannot be analysed as it stands (one with decomposed
        // accents among them) is the whole program's: it explains or composes.
        const Silabeo s = silabear(palabra);
        if (!s.valido())
            return std::nullopt;
        const std::u16string_view clave = modo.tipo == TipoRima::Consonante ? s.claveConsonante() : s.claveAsonante();
        if (const uint32_t numero = numeroEnTabla(lista->desdeClave, lista->textoClaves, lista->claves, clave)) {
            if (!v.riman(modo.tipo, numero, modo.silabas.value_or(-1), pos))
                return std::nullopt;
            std::erase_if(pos, [&](Posicion i) { return v.igualPlegado(size_t(i), palabra); });
        }
    } else if (modo.tipo == TipoRima::Completa) {
        if (contarCaracteres(palabra) < size_t(n))
            return 0;
        const std::u16string_view fin = ultimosDe(palabra, size_t(n));
        uint64_t e1 = 0, e2 = 0;
        if (fin.find_first_of(u"*?#[") != fin.npos || fin.size() > 8 || !VistaLista::claveFinal(fin, e1, e2))
            return std::nullopt; // a pattern
        if (!v.terminadas(e1, e2, fin.size(), fin, palabra, caracteres, pos))
            return std::nullopt;
    } else {
        std::u16string esqueleto;
        for (const char16_t c : palabra)
            if (const char16_t x = vocalDeUnidad(c))
                esqueleto += x;
        if (esqueleto.size() < size_t(n))
            return 0;
        const char16_t *fin = esqueleto.data() + esqueleto.size() - n;
        const uint32_t t = VistaLista::claveVocales(fin, size_t(n));
        if (t == 0 || (t >> (3 * (n - 1))) == 0)
            return 0;
        if (!v.vocales(t, size_t(n), caracteres, pos))
            return std::nullopt;
    }
    std::string texto;
    texto.reserve(pos.size() * 16);
    v.lineasUtf8(pos, [&texto](const char *b, size_t n) { texto.append(b, n); });
    if (!comprobador.intacto())
        return std::nullopt;
    std::fwrite(texto.data(), 1, texto.size(), salida);
    std::fflush(salida);
    return 0;
}

} // namespace rimario::cli
