// The searches by the ending indexes: the positions sorted by the reversed
// ending, by the reversed vowel key and by each rhyme key number. A search
// finds its rows by two binary searches and reads those rows alone, instead
// of a pass over arrays of a million entries. And writing out a search's
// words, from the lines of a snapshot when they are many.

#include "lista/vista_lista.h"

#include "language/unidades.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace rimario {

namespace {

using ClaveFin = std::pair<uint64_t, uint64_t>;

// The four UTF-16 units of an ending word, the last character first.
uint64_t invertirUnidades(uint64_t f)
{
    return (f << 48) | ((f << 16) & 0xFFFF00000000ull) | ((f >> 16) & 0xFFFF0000ull) | (f >> 48);
}

// The first n units of a reversed ending.
ClaveFin prefijoFin(ClaveFin k, size_t n)
{
    if (n <= 4)
        return {k.first >> (16 * (4 - n)), 0};
    return {k.first, k.second >> (16 * (8 - n))};
}

uint32_t codigoVocal(char16_t c)
{
    switch (c | 0x20) { // ASCII letter case aside, as the store compares
    case u'a': return 1;
    case u'e': return 2;
    case u'i': return 3;
    case u'o': return 4;
    case u'u': return 5;
    default: return 0;
    }
}

// Asks the kernel for the pages of a large block about to be written, in one
// call rather than a fault for each (where the kernel knows how).
void poblar(void *p, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    const auto pagina = uintptr_t(4096);
    const uintptr_t a = (uintptr_t(p) + pagina - 1) & ~(pagina - 1), b = (uintptr_t(p) + bytes) & ~(pagina - 1);
    if (b > a + 64 * pagina)
        ::madvise(reinterpret_cast<void *>(a), b - a, MADV_POPULATE_WRITE);
#else
    (void)p;
    (void)bytes;
#endif
}

// The positions, each once, in list order: sorted when they are few, marked
// row by row when they are many (the marks are a bit a row, walked once).
// Entries of a damaged file that name no row are left out.
void enOrden(const uint32_t *a, const uint32_t *b, const uint32_t *mas, size_t nMas, size_t filas,
             std::vector<Posicion> &salida)
{
    salida.clear();
    const size_t cuantos = size_t(b - a) + nMas;
    salida.reserve(cuantos);
    if (cuantos < 64 || cuantos < filas / 128) {
        for (const uint32_t *p = a; p != b; ++p)
            if (*p < filas)
                salida.push_back(Posicion(*p));
        for (size_t i = 0; i < nMas; ++i)
            if (mas[i] < filas)
                salida.push_back(Posicion(mas[i]));
        std::sort(salida.begin(), salida.end());
        salida.erase(std::unique(salida.begin(), salida.end()), salida.end()); // a damaged file may repeat one
        return;
    }
    poblar(salida.data(), cuantos * sizeof(Posicion));
    std::vector<uint64_t> marcas((filas + 63) / 64);
    auto marcar = [&](uint32_t p) {
        if (p < filas)
            marcas[p >> 6] |= uint64_t(1) << (p & 63);
    };
    std::for_each(a, b, marcar);
    std::for_each(mas, mas + nMas, marcar);
    for (size_t w = 0; w < marcas.size(); ++w)
        for (uint64_t m = marcas[w]; m; m &= m - 1)
            salida.push_back(Posicion(w * 64 + size_t(std::countr_zero(m))));
}

// Moves a walk through ascending positions up to 'i'; true if 'i' is among them.
template <class T> bool alcanzar(const T *&p, const T *fin, Posicion i)
{
    while (p != fin && Posicion(*p) < i)
        ++p;
    return p != fin && Posicion(*p) == i;
}

// The rows of a sorted index whose key prefix is 'buscado', with the rows
// 'mas', in list order.
template <class P, class V>
void candidatos(const VistaLista &v, const uint32_t *indice, P prefijo, const V &buscado, const uint32_t *mas,
                size_t nMas, std::vector<Posicion> &salida)
{
    const size_t filas = v.filas;
    auto valor = [&](const uint32_t &p) {
        if (v.lecturas)
            v.lecturas->memoria(&p, sizeof p);
        return p < filas ? prefijo(p) : V{};
    };
    const uint32_t *a = std::partition_point(indice, indice + filas, [&](const uint32_t &p) { return valor(p) < buscado; });
    const uint32_t *b = std::partition_point(a, indice + filas, [&](const uint32_t &p) { return !(buscado < valor(p)); });
    if (v.lecturas) {
        v.lecturas->memoria(a, size_t(b - a) * sizeof *a);
        v.lecturas->memoria(mas, nMas * sizeof *mas);
    }
    enOrden(a, b, mas, nMas, filas, salida);
}

// Reads a part of the lines through a buffer of its own.
// Each read starts where the snapshot's blocks do, so that what it reads is
// checked from the buffer (VistaLista::Lecturas).
class LectorLineas {
public:
    LectorLineas(int fd, uint64_t desde, uint64_t bytes, VistaLista::Lecturas *lecturas)
        : fd_(fd), desde_(desde), bytes_(bytes), bufer_(kBufer + kMargen), lecturas_(lecturas)
    {
    }
    static constexpr size_t kBufer = size_t(1) << 16, kMargen = 4096;
    uint64_t bytes() const { return bytes_; }
    // The n bytes at 'donde' of the lines (n <= kBufer), or null.
    const char *leer(uint64_t donde, size_t n)
    {
        if (n > kBufer || donde > bytes_ || n > bytes_ - donde)
            return nullptr;
        if (donde < principio_ || donde + n > principio_ + lleno_) {
            // From the start of its block, when that is not far before.
            uint64_t a = lecturas_ ? lecturas_->alinear(desde_ + donde) : desde_ + donde;
            if (a > desde_ + donde || desde_ + donde - a > kMargen)
                a = desde_ + donde;
            const uint64_t fin = std::min<uint64_t>(desde_ + bytes_, a + kBufer + kMargen);
            const ssize_t r = ::pread(fd_, bufer_.data(), size_t(fin - a), off_t(a));
            if (r < 0 || uint64_t(r) < desde_ + donde + n - a)
                return nullptr;
            if (lecturas_)
                lecturas_->archivo(a, bufer_.data(), size_t(r));
            inicio_ = desde_ + donde - a;  // where 'donde' stands in the buffer
            principio_ = donde;
            lleno_ = size_t(r) - inicio_;
        }
        return bufer_.data() + inicio_ + (donde - principio_);
    }

private:
    int fd_;
    uint64_t desde_, bytes_;
    std::vector<char> bufer_;
    VistaLista::Lecturas *lecturas_;
    size_t inicio_ = 0;      // where the part of the lines read stands in the buffer
    uint64_t principio_ = 0; // and where it starts in the lines
    size_t lleno_ = 0;       // how long it is
};

// Hands 'poner' the lines of the rows at the positions (of 'filas' rows, in
// list order); returns how many it gave: it stops at a position out of order
// or out of the list, at a word longer than a read, and where the lines do
// not hold together.
template <class F>
size_t recorrerLineas(LectorLineas &lector, const std::vector<Posicion> &pos, Posicion filas, F &&poner)
{
    const uint64_t total = lector.bytes();
    uint64_t donde = 0;                      // where p stands in the lines
    const char *p = nullptr, *fin = nullptr; // what the reader holds from there on
    // At least n bytes at p (fewer only at the end of the lines).
    auto tener = [&](size_t n) {
        if (size_t(fin - p) >= n)
            return true;
        const size_t quiero = size_t(std::min<uint64_t>(LectorLineas::kBufer, total - donde));
        p = lector.leer(donde, quiero);
        fin = p ? p + quiero : nullptr;
        return p && quiero >= n;
    };
    Posicion fila = 0;
    for (size_t k = 0; k < pos.size(); ++k) {
        const Posicion buscada = pos[k];
        if (buscada < fila || buscada >= filas)
            return k;
        for (;;) {
            // The length: at most five bytes.
            if (donde == total || !tener(size_t(std::min<uint64_t>(5, total - donde))))
                return k;
            uint64_t largo = 0;
            size_t b = 0;
            for (;; ++b) {
                if (b == 5 || p + b == fin)
                    return k;
                largo |= uint64_t(static_cast<unsigned char>(p[b]) & 0x7F) << (7 * b);
                if (!(static_cast<unsigned char>(p[b]) & 0x80))
                    break;
            }
            p += b + 1;
            donde += b + 1;
            if (largo > total - donde)
                return k;
            if (fila++ == buscada) {
                if (!tener(size_t(largo))) // longer than a read
                    return k;
                poner(p, size_t(largo));
                p += largo;
                donde += largo;
                break;
            }
            if (largo <= uint64_t(fin - p))
                p += largo;
            else
                p = fin = nullptr; // read again where the next length is
            donde += largo;
        }
    }
    return pos.size();
}

} // namespace

ClaveFin VistaLista::claveFin(uint64_t fin1, uint64_t fin2)
{
    return {invertirUnidades(fin1), invertirUnidades(fin2)};
}

uint32_t VistaLista::invertirVocales(uint32_t v)
{
    uint32_t r = 0;
    for (int i = 0; i < 7; ++i)
        r |= ((v >> (3 * i)) & 7u) << (3 * (6 - i));
    return r;
}

uint32_t VistaLista::claveVocales(const char16_t *v, size_t n)
{
    uint32_t k = 0;
    for (size_t i = 0; i < 7 && i < n; ++i) {
        const char16_t c = v[n - 1 - i];
        const uint32_t cod = c < 0x80 ? codigoVocal(c) : 0;
        if (!cod)
            break;
        k |= cod << (3 * i);
    }
    return k;
}

bool VistaLista::claveFinal(std::u16string_view t, uint64_t &e1, uint64_t &e2)
{
    const size_t n = t.size();
    bool bien = n > 0;
    e1 = e2 = 0;
    for (size_t i = 0; i < n && i < 8; ++i) {
        const char16_t u = t[n - 1 - i];
        if (u == 0 || esSustituta(u))
            bien = false;
        const uint64_t f = uint16_t(plegarPunto(u));
        if (i < 4)
            e1 |= f << (16 * i);
        else
            e2 |= f << (16 * (i - 4));
    }
    return bien;
}

size_t VistaLista::caracteres(size_t pos) const
{
    const std::u16string_view p = pal(pos);
    if (!(leer(claveVoc, pos) & kRara) && largo[pos] <= 8)
        return p.size();
    return contarCaracteres(p);
}

bool VistaLista::igualPlegado(size_t pos, std::u16string_view otra) const
{
    // Simple folding keeps the number of UTF-16 units.
    if (leer(largo, pos) != otra.size())
        return false;
    const std::u16string_view p = pal(pos);
    if (p.size() != otra.size())
        return false;
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] != otra[i] && plegarPunto(p[i]) != plegarPunto(otra[i]))
            return false;
    return !palNula(pos);
}

bool VistaLista::terminaEnRara(size_t pos, std::u16string_view fin) const
{
    if (palNula(pos))
        return false;
    // Exact check in code points.
    std::u32string a, b;
    const std::u16string_view p = pal(pos);
    plegarUnidades(p.data(), p.size(), a);
    plegarUnidades(fin.data(), fin.size(), b);
    return a.size() >= b.size() && std::equal(b.begin(), b.end(), a.end() - std::ptrdiff_t(b.size()));
}

bool VistaLista::terminadas(uint64_t e1, uint64_t e2, size_t n, std::u16string_view fin,
                            std::u16string_view excluida, std::ptrdiff_t caracteres,
                            std::vector<Posicion> &salida) const
{
    if (!indices.porFin)
        return false;
    // The rows whose ending the keys cannot tell are checked in full.
    const uint32_t *raras = indices.raras, *finRaras = raras + indices.nRaras;
    auto clave = [&](uint32_t p) { return claveFin(leer(fin1, p), leer(fin2, p)); };
    candidatos(*this, indices.porFin, [&](uint32_t p) { return prefijoFin(clave(p), n); },
               prefijoFin(claveFin(e1, e2), n), raras, indices.nRaras, salida);
    // The rows equal to the word left out, letter case aside, have the keys
    // of its last eight units (or are rare): only those are compared with it.
    std::vector<Posicion> iguales;
    uint64_t x1 = 0, x2 = 0;
    const bool porClave = claveFinal(excluida, x1, x2);
    if (porClave)
        candidatos(*this, indices.porFin, clave, claveFin(x1, x2), nullptr, 0, iguales);
    const Posicion *igual = iguales.data(), *finIguales = igual + iguales.size();
    // Filtered in place: all in list order, the rare rows and the rows like
    // the word left out are met as the walk passes them.
    size_t quedan = 0;
    for (const Posicion i : salida) {
        const bool rara = alcanzar(raras, finRaras, i);
        if (rara && !terminaEnRara(size_t(i), fin))
            continue;
        const bool comparar = !porClave || rara || alcanzar(igual, finIguales, i);
        if (!cumpleLongitud(size_t(i), caracteres) || (comparar && igualPlegado(size_t(i), excluida)))
            continue;
        salida[quedan++] = i;
    }
    salida.resize(quedan);
    return true;
}

bool VistaLista::vocales(uint32_t t, size_t n, std::ptrdiff_t caracteres, std::vector<Posicion> &salida) const
{
    if (!indices.porVocales)
        return false;
    const int corte = int(3 * (7 - n));
    candidatos(*this, indices.porVocales, [&](uint32_t p) { return invertirVocales(leer(claveVoc, p) & kCamposVoc) >> corte; },
               invertirVocales(t) >> corte, nullptr, 0, salida);
    if (caracteres >= 0)
        salida.erase(std::remove_if(salida.begin(), salida.end(),
                                    [&](Posicion i) {
                                        return palNula(size_t(i)) || !cumpleLongitud(size_t(i), caracteres);
                                    }),
                     salida.end());
    return true;
}

bool VistaLista::riman(TipoRima tipo, uint32_t numero, int silabas, std::vector<Posicion> &salida) const
{
    const uint32_t *indice = tipo == TipoRima::Consonante ? indices.porConsonante : indices.porAsonante;
    if (!indice)
        return false;
    const int corte = silabas >= 0 ? 0 : 8;
    auto clave = [&](uint32_t p) { return claveRima(tipo, leer(rima, p)) >> corte; };
    const uint64_t buscado = (uint64_t(numero) << 8 | uint64_t(std::clamp(silabas, 0, 255))) >> corte;
    candidatos(*this, indice, clave, buscado, nullptr, 0, salida);
    return true;
}

size_t VistaLista::lineasUtf8(const std::vector<Posicion> &pos,
                              const std::function<void(const char *, size_t)> &escribir) const
{
    std::string bufer(size_t(1) << 16, '\0');
    size_t lleno = 0;
    // Room for n bytes and a line break.
    auto sitio = [&](size_t n) {
        if (bufer.size() - lleno < n + 1) {
            if (lleno)
                escribir(bufer.data(), lleno);
            lleno = 0;
            if (bufer.size() < n + 1)
                bufer.resize(n + 1);
        }
        return bufer.data() + lleno;
    };
    auto poner = [&](const char *p, size_t n) {
        std::memcpy(sitio(n), p, n);
        lleno += n;
        bufer[lleno++] = '\n';
    };
    // From the file when the words are many (a sixty-fourth of the list and
    // more): reading all the lines costs less than touching most pages of the
    // mapped text, as so many words spread over the list do.
    size_t hechas = 0;
    if (lineas.fd >= 0 && pos.size() >= filas / 64) {
        LectorLineas lector(lineas.fd, lineas.desde, lineas.bytes, lecturas);
        hechas = recorrerLineas(lector, pos, Posicion(filas), poner);
    }
    for (size_t k = hechas; k < pos.size(); ++k) {
        const std::u16string_view p = pal(size_t(pos[k]));
        char *d = sitio(p.size() * 3);
        lleno += size_t(escribirUtf8(d, p.data(), p.size()) - d);
        bufer[lleno++] = '\n';
    }
    if (lleno)
        escribir(bufer.data(), lleno);
    return hechas;
}

} // namespace rimario
