// The word list's ending indexes: the positions sorted by the reversed
// ending, by the reversed vowel key and by each rhyme key number, and the
// rows whose ending is checked in full. Made after a read of the rows, kept
// in the snapshot, and brought along by every change in one pass over each
// (the searches by them are the list view's).

#include "lista/lexico.h"

#include <algorithm>
#include <utility>

namespace rimario {

inline uint32_t Lexico::Traslado::destino(uint32_t x) const
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
std::vector<uint32_t> Lexico::rehacer(std::vector<uint32_t> &&propio, const uint32_t *viejo, size_t nViejo,
                                      size_t filasAntes, const Traslado &t, K clave, E entra)
{
    // The rows that stay, where they went: a change moves rows without
    // reordering them, so these keep their order by (key, position). An index
    // of our own is brought along where it stands.
    std::vector<uint32_t> quedan;
    if (viejo == propio.data() && nViejo == propio.size())
        quedan = std::move(propio);
    else
        quedan.assign(viejo, viejo + nViejo);
    size_t n = 0;
    for (const uint32_t x : quedan)
        if (x < filasAntes)
            if (const uint32_t y = t.destino(x); y != kFuera)
                quedan[n++] = y;
    quedan.resize(n);
    std::vector<std::pair<decltype(clave(uint32_t(0))), uint32_t>> nuevas;
    nuevas.reserve(t.nuevas.size());
    for (const uint32_t p : t.nuevas)
        if (entra(p))
            nuevas.emplace_back(clave(p), p);
    std::sort(nuevas.begin(), nuevas.end());
    auto lugar = [&](auto desde, const auto &e) {
        return std::partition_point(desde, quedan.end(), [&](uint32_t q) { return std::pair(clave(q), q) < e; });
    };
    if (nuevas.size() <= 16) {
        // A few (an edit's): each put in its place.
        for (const auto &e : nuevas)
            quedan.insert(lugar(quedan.begin(), e), e.second);
        return quedan;
    }
    // Many: merged in one pass.
    std::vector<uint32_t> r;
    r.reserve(quedan.size() + nuevas.size());
    auto desde = quedan.begin();
    for (const auto &e : nuevas) {
        const auto hasta = lugar(desde, e);
        r.insert(r.end(), desde, hasta);
        r.push_back(e.second);
        desde = hasta;
    }
    r.insert(r.end(), desde, quedan.end());
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
    IndicesPropios &r = indicesPropios_;
    r.porFin = rehacer(std::move(r.porFin), viejos.porFin, n, filasAntes, *t,
                       [this](uint32_t i) { return VistaLista::claveFin(fin1_[i], fin2_[i]); }, siempre);
    r.porVocales = rehacer(std::move(r.porVocales), viejos.porVocales, n, filasAntes, *t,
                           [this](uint32_t i) { return VistaLista::invertirVocales(claveVoc_[i] & kCamposVoc); }, siempre);
    r.porConsonante = rehacer(std::move(r.porConsonante), viejos.porConsonante, n, filasAntes, *t,
                              [this](uint32_t i) { return VistaLista::claveRima(TipoRima::Consonante, rima_[i]); }, siempre);
    r.porAsonante = rehacer(std::move(r.porAsonante), viejos.porAsonante, n, filasAntes, *t,
                            [this](uint32_t i) { return VistaLista::claveRima(TipoRima::Asonante, rima_[i]); }, siempre);
    r.raras = rehacer(std::move(r.raras), viejos.raras, viejos.porFin ? viejos.nRaras : 0, filasAntes, *t,
                      [](uint32_t) { return 0; }, [this](uint32_t i) { return (claveVoc_[i] & (kRara | kPalNula)) != 0; });
    const size_t filas = ids_.size();
    if (t != &todas
        && (r.porFin.size() != filas || r.porVocales.size() != filas || r.porConsonante.size() != filas
            || r.porAsonante.size() != filas)) {
        // Those of a damaged snapshot, which did not name every row once (a
        // search reads an entry for each row): made anew.
        indices_.reset();
        rehacerIndices(0, {});
        return;
    }
    const IndicesPropios &p = indicesPropios_;
    indices_ = VistaLista::Indices{p.porFin.data(), p.porVocales.data(), p.porConsonante.data(),
                                   p.porAsonante.data(), p.raras.data(), p.raras.size()};
}

} // namespace rimario
