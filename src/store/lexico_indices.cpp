// The word list's ending indexes: the positions sorted by the reversed
// ending, by the reversed vowel key and by each rhyme key number. They are
// made when the list is kept as a snapshot and read from it; a search finds
// its rows by two binary searches and reads those rows alone, instead of a
// pass over arrays of a million entries.

#include "store/lexico.h"

#include <algorithm>
#include <bit>
#include <utility>

#include <sys/mman.h>

namespace rimario {

namespace {

// The four UTF-16 units of an ending word, the last character first.
uint64_t invertirUnidades(uint64_t f)
{
    return (f << 48) | ((f << 16) & 0xFFFF00000000ull) | ((f >> 16) & 0xFFFF0000ull) | (f >> 48);
}

// The seven 3-bit vowel codes of a key, the last vowel first.
uint32_t invertirVocales(uint32_t v)
{
    uint32_t r = 0;
    for (int i = 0; i < 7; ++i)
        r |= ((v >> (3 * i)) & 7u) << (3 * (6 - i));
    return r;
}

using ClaveFin = std::pair<uint64_t, uint64_t>;

// The keys each index is sorted by.
ClaveFin claveFin(uint64_t fin1, uint64_t fin2)
{
    return {invertirUnidades(fin1), invertirUnidades(fin2)};
}
// The rhyme key's number, then the syllables.
uint64_t claveRima(bool consonante, uint64_t r)
{
    return (consonante ? r & 0xFFFFFFFFull : (r >> 32) & 0xFFFFFFull) << 8 | r >> 56;
}

// The first n units of a reversed ending.
ClaveFin prefijoFin(ClaveFin k, qsizetype n)
{
    if (n <= 4)
        return {k.first >> (16 * (4 - n)), 0};
    return {k.first, k.second >> (16 * (8 - n))};
}

template <class K> std::vector<uint32_t> ordenadas(size_t n, K clave)
{
    std::vector<std::pair<decltype(clave(size_t(0))), uint32_t>> e(n);
    for (size_t i = 0; i < n; ++i)
        e[i] = {clave(i), uint32_t(i)};
    std::sort(e.begin(), e.end());
    std::vector<uint32_t> r(n);
    for (size_t i = 0; i < n; ++i)
        r[i] = e[i].second;
    return r;
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
             std::vector<qsizetype> &salida)
{
    salida.clear();
    const size_t cuantos = size_t(b - a) + nMas;
    salida.reserve(cuantos);
    if (cuantos < 64 || cuantos < filas / 128) {
        for (const uint32_t *p = a; p != b; ++p)
            if (*p < filas)
                salida.push_back(qsizetype(*p));
        for (size_t i = 0; i < nMas; ++i)
            if (mas[i] < filas)
                salida.push_back(qsizetype(mas[i]));
        std::sort(salida.begin(), salida.end());
        salida.erase(std::unique(salida.begin(), salida.end()), salida.end()); // a damaged file may repeat one
        return;
    }
    poblar(salida.data(), cuantos * sizeof(qsizetype));
    std::vector<uint64_t> marcas((filas + 63) / 64);
    auto marcar = [&](uint32_t p) {
        if (p < filas)
            marcas[p >> 6] |= uint64_t(1) << (p & 63);
    };
    std::for_each(a, b, marcar);
    std::for_each(mas, mas + nMas, marcar);
    for (size_t w = 0; w < marcas.size(); ++w)
        for (uint64_t m = marcas[w]; m; m &= m - 1)
            salida.push_back(qsizetype(w * 64 + size_t(std::countr_zero(m))));
}

// Moves a walk through ascending positions up to 'i'; true if 'i' is among them.
template <class T> bool alcanzar(const T *&p, const T *fin, qsizetype i)
{
    while (p != fin && qsizetype(*p) < i)
        ++p;
    return p != fin && qsizetype(*p) == i;
}

// The rows of a sorted index whose key prefix is 'buscado', with the rows
// 'mas', in list order.
template <class P, class V>
void candidatos(const uint32_t *indice, size_t filas, P prefijo, const V &buscado, const uint32_t *mas,
                size_t nMas, std::vector<qsizetype> &salida)
{
    auto valor = [&](uint32_t p) { return p < filas ? prefijo(p) : V{}; };
    const uint32_t *a = std::partition_point(indice, indice + filas, [&](uint32_t p) { return valor(p) < buscado; });
    const uint32_t *b = std::partition_point(a, indice + filas, [&](uint32_t p) { return !(buscado < valor(p)); });
    enOrden(a, b, mas, nMas, filas, salida);
}

} // namespace

Lexico::IndicesPropios Lexico::hacerIndices() const
{
    const size_t n = ids_.size();
    IndicesPropios r;
    r.porFin = ordenadas(n, [this](size_t i) { return claveFin(fin1_[i], fin2_[i]); });
    r.porVocales = ordenadas(n, [this](size_t i) { return invertirVocales(claveVoc_[i] & kCamposVoc); });
    r.porConsonante = ordenadas(n, [this](size_t i) { return claveRima(true, rima_[i]); });
    r.porAsonante = ordenadas(n, [this](size_t i) { return claveRima(false, rima_[i]); });
    for (size_t i = 0; i < n; ++i)
        if (claveVoc_[i] & (kRara | kPalNula))
            r.raras.push_back(uint32_t(i));
    return r;
}

void Lexico::indexar()
{
    IndicesPropios &r = indicesPropios_;
    r = hacerIndices();
    indices_ = Indices{r.porFin.data(), r.porVocales.data(), r.porConsonante.data(), r.porAsonante.data(),
                       r.raras.data(), r.raras.size()};
}

bool Lexico::terminadasPorIndice(uint64_t e1, uint64_t e2, qsizetype n, QStringView fin, QStringView excluida,
                                 qsizetype caracteres, std::vector<qsizetype> &salida) const
{
    if (!indices_)
        return false;
    const size_t filas = ids_.size();
    // The rows whose ending the keys cannot tell are checked in full.
    const uint32_t *raras = indices_->raras, *finRaras = raras + indices_->nRaras;
    auto clave = [&](uint32_t p) { return claveFin(fin1_[p], fin2_[p]); };
    candidatos(indices_->porFin, filas, [&](uint32_t p) { return prefijoFin(clave(p), n); },
               prefijoFin(claveFin(e1, e2), n), raras, indices_->nRaras, salida);
    // The rows equal to the word left out, letter case aside, have the keys
    // of its last eight units (or are rare): only those are compared with it.
    std::vector<qsizetype> iguales;
    uint64_t x1 = 0, x2 = 0;
    const bool porClave = claveFinal(excluida, x1, x2);
    if (porClave)
        candidatos(indices_->porFin, filas, clave, claveFin(x1, x2), nullptr, 0, iguales);
    const qsizetype *igual = iguales.data(), *finIguales = igual + iguales.size();
    // Filtered in place: all in list order, the rare rows and the rows like
    // the word left out are met as the walk passes them.
    size_t quedan = 0;
    for (const qsizetype i : salida) {
        const bool rara = alcanzar(raras, finRaras, i);
        if (rara && !terminaEnRara(i, fin))
            continue;
        const bool comparar = !porClave || rara || alcanzar(igual, finIguales, i);
        if (!cumpleLongitud(i, caracteres) || (comparar && igualPlegado(i, excluida)))
            continue;
        salida[quedan++] = i;
    }
    salida.resize(quedan);
    return true;
}

bool Lexico::vocalesPorIndice(uint32_t t, qsizetype n, qsizetype caracteres, std::vector<qsizetype> &salida) const
{
    if (!indices_)
        return false;
    const int corte = int(3 * (7 - n));
    candidatos(indices_->porVocales, ids_.size(),
               [&](uint32_t p) { return invertirVocales(claveVoc_[p] & kCamposVoc) >> corte; },
               invertirVocales(t) >> corte, nullptr, 0, salida);
    if (caracteres >= 0)
        salida.erase(std::remove_if(salida.begin(), salida.end(),
                                    [&](qsizetype i) { return palNula(i) || !cumpleLongitud(i, caracteres); }),
                     salida.end());
    return true;
}

bool Lexico::rimanPorIndice(bool consonante, uint32_t numero, int silabas, std::vector<qsizetype> &salida) const
{
    if (!indices_)
        return false;
    const int corte = silabas >= 0 ? 0 : 8;
    auto clave = [&](uint32_t p) { return claveRima(consonante, rima_[p]) >> corte; };
    const uint64_t buscado = (uint64_t(numero) << 8 | uint64_t(std::clamp(silabas, 0, 255))) >> corte;
    candidatos(consonante ? indices_->porConsonante : indices_->porAsonante, ids_.size(), clave, buscado, nullptr,
               0, salida);
    return true;
}

} // namespace rimario
