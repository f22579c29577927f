// The word list's ending indexes: the positions sorted by the reversed
// ending, by the reversed vowel key and by each rhyme key number, and the
// rows whose ending is checked in full. Made after a read of the rows, kept
// in the snapshot, and brought along by every change in one pass over each
// (the searches by them are the list view's).

#include "lista/lexico.h"

#include <algorithm>
#include <utility>

namespace rimario {

uint32_t Lexico::Traslado::destino(uint32_t x) const
{
    if (mapa)
        return x < mapa->size() ? (*mapa)[x] : kFuera;
    if (x == quitada)
        return kFuera;
    if (quitada != kFuera && x > quitada)
        --x;
    if (puesta != kFuera && x >= puesta)
        ++x;
    return x;
}

template <class K, class E>
std::vector<uint32_t> Lexico::rehacer(const uint32_t *viejo, size_t nViejo, size_t filasAntes, const Traslado &t,
                                      K clave, E entra)
{
    // The rows that stay, where they went: a change moves rows without
    // reordering them, so these keep their order by (key, position).
    std::vector<uint32_t> quedan;
    quedan.reserve(nViejo + t.nuevas.size());
    for (size_t i = 0; i < nViejo; ++i)
        if (viejo[i] < filasAntes)
            if (const uint32_t y = t.destino(viejo[i]); y != kFuera)
                quedan.push_back(y);
    std::vector<std::pair<decltype(clave(uint32_t(0))), uint32_t>> nuevas;
    nuevas.reserve(t.nuevas.size());
    for (const uint32_t p : t.nuevas)
        if (entra(p))
            nuevas.emplace_back(clave(p), p);
    if (nuevas.empty())
        return quedan;
    std::sort(nuevas.begin(), nuevas.end());
    if (quedan.empty()) {
        for (size_t i = 0; i < nuevas.size(); ++i)
            quedan.push_back(nuevas[i].second);
        return quedan;
    }
    // Each new row at its place among them.
    std::vector<uint32_t> r;
    r.reserve(quedan.size() + nuevas.size());
    auto desde = quedan.cbegin();
    for (const auto &e : nuevas) {
        const auto hasta = std::partition_point(desde, quedan.cend(), [&](uint32_t q) { return std::pair(clave(q), q) < e; });
        r.insert(r.end(), desde, hasta);
        r.push_back(e.second);
        desde = hasta;
    }
    r.insert(r.end(), desde, quedan.cend());
    return r;
}

void Lexico::rehacerIndices(size_t filasAntes, const Traslado &traslado)
{
    Traslado todas;
    const Traslado *t = &traslado;
    VistaLista::Indices viejos;
    if (indices_ && (indices_->porFin || filasAntes == 0)) {
        viejos = *indices_;
    } else {
        // No indexes to bring along: made from every row.
        todas.nuevas.resize(ids_.size());
        for (size_t i = 0; i < todas.nuevas.size(); ++i)
            todas.nuevas[i] = uint32_t(i);
        t = &todas;
        filasAntes = 0;
    }
    const size_t n = viejos.porFin ? filasAntes : 0;
    auto siempre = [](uint32_t) { return true; };
    IndicesPropios r;
    r.porFin = rehacer(viejos.porFin, n, filasAntes, *t,
                       [this](uint32_t i) { return VistaLista::claveFin(fin1_[i], fin2_[i]); }, siempre);
    r.porVocales = rehacer(viejos.porVocales, n, filasAntes, *t,
                           [this](uint32_t i) { return VistaLista::invertirVocales(claveVoc_[i] & kCamposVoc); }, siempre);
    r.porConsonante = rehacer(viejos.porConsonante, n, filasAntes, *t,
                              [this](uint32_t i) { return VistaLista::claveRima(TipoRima::Consonante, rima_[i]); }, siempre);
    r.porAsonante = rehacer(viejos.porAsonante, n, filasAntes, *t,
                            [this](uint32_t i) { return VistaLista::claveRima(TipoRima::Asonante, rima_[i]); }, siempre);
    r.raras = rehacer(viejos.raras, viejos.porFin ? viejos.nRaras : 0, filasAntes, *t, [](uint32_t) { return 0; },
                      [this](uint32_t i) { return (claveVoc_[i] & (kRara | kPalNula)) != 0; });
    indicesPropios_ = std::move(r);
    const IndicesPropios &p = indicesPropios_;
    indices_ = VistaLista::Indices{p.porFin.data(), p.porVocales.data(), p.porConsonante.data(),
                                   p.porAsonante.data(), p.raras.data(), p.raras.size()};
}

} // namespace rimario
