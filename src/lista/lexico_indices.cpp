// The word list's ending indexes: the positions sorted by the reversed
// ending, by the reversed vowel key and by each rhyme key number. They are
// made when the list is kept as a snapshot and read from it (the searches by
// them are the list view's).

#include "lista/lexico.h"

#include <algorithm>
#include <utility>

namespace rimario {

namespace {

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

} // namespace

Lexico::IndicesPropios Lexico::hacerIndices() const
{
    const size_t n = ids_.size();
    IndicesPropios r;
    r.porFin = ordenadas(n, [this](size_t i) { return VistaLista::claveFin(fin1_[i], fin2_[i]); });
    r.porVocales = ordenadas(n, [this](size_t i) { return VistaLista::invertirVocales(claveVoc_[i] & kCamposVoc); });
    r.porConsonante = ordenadas(n, [this](size_t i) { return VistaLista::claveRima(TipoRima::Consonante, rima_[i]); });
    r.porAsonante = ordenadas(n, [this](size_t i) { return VistaLista::claveRima(TipoRima::Asonante, rima_[i]); });
    for (size_t i = 0; i < n; ++i)
        if (claveVoc_[i] & (kRara | kPalNula))
            r.raras.push_back(uint32_t(i));
    return r;
}

void Lexico::indexar()
{
    IndicesPropios &r = indicesPropios_;
    r = hacerIndices();
    indices_ = VistaLista::Indices{r.porFin.data(), r.porVocales.data(), r.porConsonante.data(),
                                   r.porAsonante.data(), r.raras.data(), r.raras.size()};
}

} // namespace rimario
