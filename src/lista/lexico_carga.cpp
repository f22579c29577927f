// Reading the word list: from the store's rows, put in list order, or from
// the snapshot kept of an earlier read, and keeping it as the next one.

#include "lista/lexico.h"

#include "language/silabas.h"
#include "store/almacen.h"
#include "lista/formato_lista.h"
#include "lista/instantanea.h"
#include "lista/turno.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include <sys/mman.h>

namespace rimario {

namespace {

// Appends UTF-8 text as UTF-16; plain ASCII, the bulk of any word list, is copied directly.
void anadirUtf8(std::vector<char16_t> &destino, const char *s, int n)
{
    int i = 0;
    while (i < n && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    destino.insert(destino.end(), s, s + i);
    if (i < n) {
        const QString resto = QString::fromUtf8(s + i, n - i);
        const auto *u = reinterpret_cast<const char16_t *>(resto.utf16());
        destino.insert(destino.end(), u, u + resto.size());
    }
}

// Asks the kernel for the pages of a large block about to be read or
// written, in one call rather than a fault for each (where it knows how).
void poblar(const void *p, size_t bytes, [[maybe_unused]] bool escribir)
{
#ifdef MADV_POPULATE_WRITE
    const auto pagina = uintptr_t(4096);
    const uintptr_t a = uintptr_t(p) & ~(pagina - 1), b = (uintptr_t(p) + bytes + pagina - 1) & ~(pagina - 1);
    if (b > a + 64 * pagina)
        ::madvise(reinterpret_cast<void *>(a), b - a, escribir ? MADV_POPULATE_WRITE : MADV_POPULATE_READ);
#endif
}
template <class V> void poblarParaEscribir(const V &v)
{
    poblar(v.data(), v.capacity() * sizeof(*v.data()), true);
}
template <class T> void poblarParaLeer(const T &t)
{
    poblar(t.data(), t.size() * sizeof(*t.data()), false);
}

} // namespace

Lexico::~Lexico()
{
    esperarHilos();
}

void Lexico::esperarHilos()
{
    if (fundiendo_.valid()) {
        turno_->dar();
        fundiendo_.wait();
    }
    esperarIndices();
    if (escritura_.valid())
        escritura_.get();
}

void Lexico::esperarInstantanea()
{
    soltarFusion();
    esperarHilos();
}

void Lexico::empezar()
{
    if (turno_)
        turno_->dar();
}

void Lexico::conservar(const Almacen &almacen)
{
    tomarFusion();
    if (!cambiada_)
        return;
    esperarInstantanea();
    asegurarClaves();
    const QString ruta = rutaInstantanea(almacen.ruta());
    try {
        const Huella ahora = almacen.huella();
        if (ruta.isEmpty() || !almacen.soloEscriturasPropias(cargada_, ahora))
            return;
        escribirInstantanea(ruta, ahora);
        cargada_ = ahora;
        cambiada_ = false;
    } catch (const ErrorAlmacen &) {
        // Busy or unreadable now: the next start reads the rows.
    }
}

Lexico::Origen Lexico::cargar(const Almacen &almacen)
{
    esperarInstantanea();
    const QString ruta = rutaInstantanea(almacen.ruta());
    cambiada_ = false;
    indices_.reset();
    indicesPropios_ = {};
    lineas_.reset();
    comprobacion_ = nullptr;
    cargada_ = almacen.huella();
    if (!ruta.isEmpty() && mapear(ruta, cargada_))
        return Origen::Instantanea;
    if (!ruta.isEmpty() && ponerAlDia(almacen, ruta))
        return Origen::AlDia;
    indices_.reset();
    lineas_.reset();
    comprobacion_ = nullptr;
    const Huella leida = almacen.leerFijo([&] { cargarFilas(almacen); });
    mapa_.reset();
    indexando_ = std::async(std::launch::async, [this] { rehacerIndices(0, {}); }).share();
    cargada_ = leida;
    if (!ruta.isEmpty() && leida.leida)
        escritura_ = std::async(std::launch::async, [this, ruta, leida] { escribirInstantanea(ruta, leida); });
    return Origen::Filas;
}

void Lexico::cargarFilas(const Almacen &almacen)
{
    std::vector<qint64> ids;
    std::vector<uint32_t> inicio, largo, claveVoc;
    std::vector<uint64_t> fin1, fin2, mascara, pares, rimas;
    std::vector<char16_t> arena;
    const qint64 total = almacen.contarFilas();
    rimas.reserve(size_t(total));
    // The rhyme keys as read, each numbered once.
    std::deque<std::string> claves{std::string()}; // the map points into it: it never moves them
    std::unordered_map<std::string_view, uint32_t> numeros;
    auto numero = [&](std::string_view k) -> uint32_t {
        if (k.empty())
            return 0;
        if (const auto it = numeros.find(k); it != numeros.end())
            return it->second;
        claves.emplace_back(k);
        const auto n = uint32_t(claves.size() - 1);
        numeros.emplace(std::string_view(claves.back()), n);
        return n;
    };
    for (auto *v : {&inicio, &largo, &claveVoc})
        v->reserve(size_t(total));
    ids.reserve(size_t(total));
    arena.reserve(size_t(total) * 12);
    std::vector<char16_t> voc;
    // The rows as the file holds them...
    almacen.recorrerFilas([&](const Almacen::FilaLeida &fila) {
        const qint64 id = fila.id;
        const bool nula = fila.palNula;
        const size_t inicioPal = arena.size();
        anadirUtf8(arena, fila.pal.data(), int(fila.pal.size()));
        voc.clear();
        anadirUtf8(voc, fila.voc.data(), int(fila.voc.size()));
        const char16_t *p = arena.data() + inicioPal;
        const qsizetype n = qsizetype(arena.size() - inicioPal);
        const Claves c = clavesDe(p, n, nula, voc.data(), qsizetype(voc.size()));
        ids.push_back(id);
        inicio.push_back(uint32_t(inicioPal));
        largo.push_back(uint32_t(n));
        claveVoc.push_back(c.voc);
        if (fila.conClaves) {
            rimas.push_back(rima(numero(fila.consonante), numero(fila.asonante), fila.silabas));
        } else {
            // Keys not made in the file (another program wrote the row): made here.
            const AnalisisSilabico a = analizarPalabra(QStringView(p, n));
            rimas.push_back(!nula && a.valido ? rima(numero(a.claveConsonante.toStdString()),
                                                     numero(a.claveAsonante.toStdString()), a.numSilabas())
                                              : 0);
        }
    });
    tablaMapeada_.reset();
    clavesRima_.clear();
    numerosClave_.clear();
    for (const std::string &k : claves)
        clavesRima_.push_back(QString::fromStdString(k));
    asegurarClaves();
    // ...put in list order: by sort key, then code points, then Id.
    const std::vector<uint32_t> orden = ordenar(ids, inicio, largo, arena);
    auto permutar = [&orden](auto &v) {
        std::remove_reference_t<decltype(v)> w(v.size());
        for (size_t i = 0; i < orden.size(); ++i)
            w[i] = v[orden[i]];
        v.swap(w);
    };
    permutar(ids);
    permutar(inicio);
    permutar(largo);
    permutar(claveVoc);
    permutar(rimas);
    // What is made from the word alone is made now, in list order (and not
    // held through the sort), on two threads.
    const size_t n = ids.size();
    fin1.resize(n);
    fin2.resize(n);
    mascara.resize(n);
    pares.resize(n);
    auto derivar = [&](size_t desde, size_t hasta) {
        for (size_t i = desde; i < hasta; ++i) {
            Claves c = clavesDe(arena.data() + inicio[i], qsizetype(largo[i]), false, nullptr, 0);
            mascarasDe(arena.data() + inicio[i], qsizetype(largo[i]), c);
            fin1[i] = c.fin1;
            fin2[i] = c.fin2;
            mascara[i] = c.caracteres;
            pares[i] = c.pares;
        }
    };
    {
        auto otra = std::async(std::launch::async, derivar, n / 2, n);
        derivar(0, n / 2);
        otra.get();
    }
    tomarColumnas(std::move(ids), std::move(inicio), std::move(largo), std::move(claveVoc), std::move(fin1),
                  std::move(fin2), std::move(arena), std::move(mascara), std::move(pares), std::move(rimas));
}

void Lexico::tomarColumnas(std::vector<qint64> &&ids, std::vector<uint32_t> &&inicio, std::vector<uint32_t> &&largo,
                           std::vector<uint32_t> &&claveVoc, std::vector<uint64_t> &&fin1, std::vector<uint64_t> &&fin2,
                           std::vector<char16_t> &&arena, std::vector<uint64_t> &&mascara,
                           std::vector<uint64_t> &&pares, std::vector<uint64_t> &&rimas)
{
    ids_.tomar(std::move(ids));
    inicio_.tomar(std::move(inicio));
    largo_.tomar(std::move(largo));
    claveVoc_.tomar(std::move(claveVoc));
    fin1_.tomar(std::move(fin1));
    fin2_.tomar(std::move(fin2));
    arena_.tomar(std::move(arena));
    mascara_.tomar(std::move(mascara));
    pares_.tomar(std::move(pares));
    rima_.tomar(std::move(rimas));
}

bool Lexico::ponerAlDia(const Almacen &almacen, const QString &ruta)
{
    // The snapshot of an earlier state of this very store and log, the same
    // schema and collation, and the rows the log names since then: the list
    // is shown from both at once, and their merged arrays made meanwhile.
    const auto cabecera = leerCabeceraLista(QFile::encodeName(ruta).toStdString());
    if (!cabecera)
        return false;
    const Huella antes = cabecera->huella();
    auto mismoLinaje = [&antes](const Huella &h) {
        return h.leida && h.diario.identidad != 0 && h.diario.identidad == antes.diario.identidad
            && h.diario.esquema == antes.diario.esquema && h.diario.sec >= antes.diario.sec
            && h.formato == antes.formato && h.colacion == antes.colacion
            && std::equal(std::begin(h.icu), std::end(h.icu), std::begin(antes.icu));
    };
    if (!mismoLinaje(cargada_) || !mapear(ruta, antes))
        return false;
    auto capa = std::make_shared<Capa>();
    std::vector<Capa::Nueva> &nuevas = capa->nuevas;
    std::vector<char16_t> &texto = capa->texto, voc;
    std::optional<std::vector<qint64>> cambiadas;
    const Huella leida = almacen.leerFijo([&] {
        cambiadas = almacen.cambiosDesde(antes.diario.sec, antes.diario.azar);
        if (!cambiadas)
            return;
        almacen.recorrerFilas(*cambiadas, [&](const Almacen::FilaLeida &fila) {
            const auto desde = uint32_t(texto.size());
            anadirUtf8(texto, fila.pal.data(), int(fila.pal.size()));
            voc.clear();
            anadirUtf8(voc, fila.voc.data(), int(fila.voc.size()));
            const auto n = qsizetype(texto.size() - desde);
            const Claves c = clavesDe(texto.data() + desde, n, fila.palNula, voc.data(), qsizetype(voc.size()));
            Capa::Nueva e{fila.id, desde, uint32_t(n), c.voc, {}, {}, 0};
            if (fila.conClaves) {
                e.consonante = QString::fromUtf8(fila.consonante.data(), qsizetype(fila.consonante.size()));
                e.asonante = QString::fromUtf8(fila.asonante.data(), qsizetype(fila.asonante.size()));
                e.silabas = fila.silabas;
            } else if (!fila.palNula) {
                // Keys not made in the file (another program wrote the row): made here.
                const AnalisisSilabico a = analizarPalabra(QStringView(texto.data() + desde, n));
                if (a.valido) {
                    e.consonante = a.claveConsonante;
                    e.asonante = a.claveAsonante;
                    e.silabas = a.numSilabas();
                }
            }
            nuevas.push_back(std::move(e));
        });
    });
    if (!cambiadas || !mismoLinaje(leida))
        return false; // the rows are read (which replaces all that was mapped)
    // The new rows in list order: by the text order, then code points, then Id.
    auto pal = [&texto](const Capa::Nueva &e) { return QStringView(texto.data() + e.inicio, qsizetype(e.largo)); };
    std::sort(nuevas.begin(), nuevas.end(), [&](const Capa::Nueva &a, const Capa::Nueva &b) {
        return compararFilas(pal(a), a.id, pal(b), b.id) < 0;
    });
    // Where each goes among the snapshot's rows (in that order already):
    // searched from where the one before went, in steps that double.
    const size_t n = ids_.size();
    auto antesDe = [&](size_t m, const Capa::Nueva &e) {
        const QStringView p(arena_.data() + inicio_[m], qsizetype(largo_[m]));
        return compararFilas(p, ids_[m], pal(e), e.id) < 0;
    };
    std::vector<size_t> lugar(nuevas.size());
    for (size_t j = 0; j < nuevas.size(); ++j) {
        size_t lo = j ? lugar[j - 1] : 0, paso = 1;
        while (lo + paso <= n && antesDe(lo + paso - 1, nuevas[j])) {
            lo += paso;
            paso *= 2;
        }
        size_t hi = std::min(n, lo + paso - 1);
        while (lo < hi) {
            const size_t m = lo + (hi - lo) / 2;
            if (antesDe(m, nuevas[j]))
                lo = m + 1;
            else
                hi = m;
        }
        lugar[j] = lo;
    }
    // The snapshot's rows the log names, where they stand: the Ids looked up
    // in a table of bits over their range (a binary search where that is wide).
    const std::vector<qint64> &fuera = *cambiadas;
    std::vector<size_t> quitar;
    if (!fuera.empty()) {
        const qint64 menor = fuera.front(), mayor = fuera.back();
        const auto ancho = uint64_t(mayor) - uint64_t(menor);
        std::vector<uint64_t> bits;
        if (ancho < (uint64_t(1) << 28))
            bits.resize(size_t(ancho / 64 + 1));
        for (const qint64 id : fuera)
            if (!bits.empty())
                bits[size_t(uint64_t(id - menor) / 64)] |= uint64_t(1) << (uint64_t(id - menor) % 64);
        poblarParaLeer(ids_);
        for (size_t i = 0; i < n; ++i) {
            const qint64 id = ids_[i];
            if (id < menor || id > mayor)
                continue;
            const auto x = uint64_t(id - menor);
            if (bits.empty() ? std::binary_search(fuera.begin(), fuera.end(), id) : (bits[x / 64] >> (x % 64)) & 1)
                quitar.push_back(i);
        }
    }
    // The list as runs: the snapshot's rows between those, the new rows at their places.
    std::vector<Capa::Trecho> &trechos = capa->trechos;
    size_t pos = 0, desde = 0, q = 0, j = 0; // desde: the first snapshot's row not yet placed
    for (;;) {
        const size_t e = std::min(q < quitar.size() ? quitar[q] : n, j < nuevas.size() ? lugar[j] : n);
        if (e > desde) {
            trechos.push_back({pos, uint32_t(desde), 0});
            pos += e - desde;
            desde = e;
        }
        for (; j < nuevas.size() && lugar[j] == e; ++j)
            trechos.push_back({pos++, kFuera, uint32_t(j)});
        if (q < quitar.size() && quitar[q] == e) {
            ++q;
            desde = e + 1;
        } else if (e == n) {
            break;
        }
    }
    capa->filas = pos;
    capa_ = capa;
    lineas_.reset();
    comprobacion_ = nullptr;
    cargada_ = leida;
    // The merge, on a list of its own that borrows the mapped arrays as these
    // do, then kept as the next snapshot.
    fusion_ = std::make_unique<Lexico>(colador_);
    Lexico &f = *fusion_;
    f.ids_ = ids_, f.inicio_ = inicio_, f.largo_ = largo_, f.fin1_ = fin1_, f.fin2_ = fin2_;
    f.claveVoc_ = claveVoc_, f.mascara_ = mascara_, f.pares_ = pares_, f.rima_ = rima_, f.arena_ = arena_;
    f.tablaMapeada_ = tablaMapeada_;
    f.indices_ = indices_;
    f.mapa_ = mapa_;
    std::promise<void> hecha;
    fundida_ = hecha.get_future();
    turno_ = std::make_shared<Turno>();
    fundiendo_ = std::async(std::launch::async, [&f, capa, ruta, leida, hecha = std::move(hecha),
                                                 turno = turno_]() mutable {
        turno->esperar();
        try {
            f.fundir(*capa);
        } catch (...) {
            hecha.set_exception(std::current_exception());
            return;
        }
        hecha.set_value();
        f.escribirInstantanea(ruta, leida);
    });
    return true;
}

void Lexico::fundir(const Capa &capa)
{
    asegurarClaves(); // the mapped table, read while the mapping is held
    // One pass: the runs of the snapshot's rows copied whole, the new rows at
    // their places (and where each old row went, for the indexes). The old
    // text stays where it is; the new rows' text follows it.
    const size_t n = ids_.size(), total = capa.filas;
    Traslado traslado;
    std::vector<uint32_t> destino(n, kFuera);
    traslado.mapa = &destino;
    traslado.nuevas.reserve(capa.nuevas.size());
    std::vector<qint64> ids;
    std::vector<uint32_t> inicio, largo, claveVoc;
    std::vector<uint64_t> fin1, fin2, mascara, pares, rimas;
    std::vector<char16_t> arena;
    for (auto *v : {&inicio, &largo, &claveVoc})
        v->reserve(total);
    for (auto *v : {&fin1, &fin2, &mascara, &pares, &rimas})
        v->reserve(total);
    ids.reserve(total);
    arena.reserve(arena_.size() + capa.texto.size());
    // The old arrays are read from the mapped file, and the new ones written,
    // each whole: their pages asked for at once.
    poblarParaLeer(ids_), poblarParaLeer(inicio_), poblarParaLeer(largo_), poblarParaLeer(claveVoc_);
    poblarParaLeer(fin1_), poblarParaLeer(fin2_), poblarParaLeer(mascara_), poblarParaLeer(pares_);
    poblarParaLeer(rima_), poblarParaLeer(arena_);
    poblarParaEscribir(ids), poblarParaEscribir(inicio), poblarParaEscribir(largo), poblarParaEscribir(claveVoc);
    poblarParaEscribir(fin1), poblarParaEscribir(fin2), poblarParaEscribir(mascara), poblarParaEscribir(pares);
    poblarParaEscribir(rimas), poblarParaEscribir(arena);
    arena.assign(arena_.begin(), arena_.end());
    for (size_t t = 0; t < capa.trechos.size(); ++t) {
        const Capa::Trecho &tr = capa.trechos[t];
        if (tr.base != kFuera) {
            const size_t desde = tr.base;
            const size_t hasta = desde + ((t + 1 < capa.trechos.size() ? capa.trechos[t + 1].desde : total) - tr.desde);
            for (size_t i = desde; i < hasta; ++i)
                destino[i] = uint32_t(tr.desde + (i - desde));
            auto copiar = [&](auto &a, const auto &v) { a.insert(a.end(), v.begin() + desde, v.begin() + hasta); };
            copiar(ids, ids_);
            copiar(inicio, inicio_);
            copiar(largo, largo_);
            copiar(claveVoc, claveVoc_);
            copiar(fin1, fin1_);
            copiar(fin2, fin2_);
            copiar(mascara, mascara_);
            copiar(pares, pares_);
            copiar(rimas, rima_);
            continue;
        }
        const Capa::Nueva &r = capa.nuevas[tr.nueva];
        const char16_t *p = capa.texto.data() + r.inicio;
        Claves c = clavesDe(p, qsizetype(r.largo), false, nullptr, 0);
        mascarasDe(p, qsizetype(r.largo), c);
        traslado.nuevas.push_back(uint32_t(ids.size()));
        ids.push_back(r.id);
        inicio.push_back(uint32_t(arena.size()));
        largo.push_back(r.largo);
        arena.insert(arena.end(), p, p + r.largo);
        claveVoc.push_back(r.claveVoc);
        fin1.push_back(c.fin1);
        fin2.push_back(c.fin2);
        mascara.push_back(c.caracteres);
        pares.push_back(c.pares);
        rimas.push_back(rima(numeroDeClave(r.consonante), numeroDeClave(r.asonante), r.silabas));
    }
    tomarColumnas(std::move(ids), std::move(inicio), std::move(largo), std::move(claveVoc), std::move(fin1),
                  std::move(fin2), std::move(arena), std::move(mascara), std::move(pares), std::move(rimas));
    rehacerIndices(n, traslado); // from the mapped ones
    mapa_.reset();
}

void Lexico::tomarFusion() const
{
    if (!capa_)
        return;
    // The rows and their positions are those the layer showed: only where
    // they are read from changes. The merged arrays are read where they were
    // made, while they are written out.
    auto &yo = const_cast<Lexico &>(*this);
    turno_->dar();
    yo.fundida_.get();
    const Lexico &f = *fusion_;
    yo.ids_.prestar(f.ids_.data(), f.ids_.size());
    yo.inicio_.prestar(f.inicio_.data(), f.inicio_.size());
    yo.largo_.prestar(f.largo_.data(), f.largo_.size());
    yo.fin1_.prestar(f.fin1_.data(), f.fin1_.size());
    yo.fin2_.prestar(f.fin2_.data(), f.fin2_.size());
    yo.claveVoc_.prestar(f.claveVoc_.data(), f.claveVoc_.size());
    yo.mascara_.prestar(f.mascara_.data(), f.mascara_.size());
    yo.pares_.prestar(f.pares_.data(), f.pares_.size());
    yo.rima_.prestar(f.rima_.data(), f.rima_.size());
    yo.arena_.prestar(f.arena_.data(), f.arena_.size());
    yo.clavesRima_ = f.clavesRima_;
    yo.numerosClave_ = f.numerosClave_;
    yo.tablaMapeada_.reset();
    yo.indices_ = f.indices_;
    yo.indicesPropios_ = {};
    yo.capa_.reset();
    // The mapping stays until the next load: a word read from it may still be held.
}

void Lexico::soltarFusion()
{
    if (!fusion_)
        return;
    tomarFusion();
    turno_->dar();
    fundiendo_.wait(); // written out
    Lexico &f = *fusion_;
    // The very arrays the list reads, now its own.
    ids_ = std::move(f.ids_), inicio_ = std::move(f.inicio_), largo_ = std::move(f.largo_);
    fin1_ = std::move(f.fin1_), fin2_ = std::move(f.fin2_), claveVoc_ = std::move(f.claveVoc_);
    mascara_ = std::move(f.mascara_), pares_ = std::move(f.pares_), rima_ = std::move(f.rima_);
    arena_ = std::move(f.arena_);
    indicesPropios_ = std::move(f.indicesPropios_);
    fusion_.reset();
}

std::vector<uint32_t> Lexico::ordenar(const std::vector<qint64> &ids, const std::vector<uint32_t> &inicio,
                                      const std::vector<uint32_t> &largo, const std::vector<char16_t> &arena) const
{
    const size_t n = ids.size();
    // The sort keys of all the words, made on two threads (a collator each).
    std::vector<QByteArray> trozos(2);
    std::vector<std::vector<uint32_t>> finTrozo(2);
    const size_t mitad = n / 2;
    auto claves = [&](int t, size_t a, size_t b, const Colador &c) {
        QByteArray &k = trozos[size_t(t)];
        k.reserve(qsizetype(b - a) * 24);
        std::vector<uint32_t> &fines = finTrozo[size_t(t)];
        fines.reserve(b - a);
        for (size_t i = a; i < b; ++i) {
            k += c.clave(QStringView(arena.data() + inicio[i], qsizetype(largo[i])));
            fines.push_back(uint32_t(k.size()));
        }
    };
    {
        auto otro = std::async(std::launch::async, [&] {
            const Colador propio;
            claves(1, mitad, n, propio);
        });
        claves(0, 0, mitad, colador_);
        otro.get();
    }
    // Each row's key where its thread left it (no copy of them all).
    std::vector<uint32_t> &fin0 = finTrozo[0], &fin1 = finTrozo[1];
    auto clave = [&](uint32_t i, uint32_t &largo) {
        const bool segundo = i >= mitad;
        const std::vector<uint32_t> &fines = segundo ? fin1 : fin0;
        const size_t j = segundo ? i - mitad : i;
        const uint32_t desde = j ? fines[j - 1] : 0;
        largo = fines[j] - desde;
        return reinterpret_cast<const unsigned char *>(trozos[segundo].constData()) + desde;
    };
    // First by the first 16 bytes of each key, then whole where those tie.
    struct Entrada {
        uint64_t prefijo[2];
        uint32_t fila;
    };
    std::vector<Entrada> e(n);
    for (size_t i = 0; i < n; ++i) {
        uint32_t l;
        const unsigned char *k = clave(uint32_t(i), l);
        uint64_t p[2] = {0, 0};
        for (uint32_t j = 0; j < 16; ++j)
            p[j / 8] = (p[j / 8] << 8) | (j < l ? k[j] : 0);
        e[i] = {{p[0], p[1]}, uint32_t(i)};
    }
    auto antes = [&](uint32_t a, uint32_t b) {
        uint32_t la, lb;
        const unsigned char *ka = clave(a, la), *kb = clave(b, lb);
        if (const int c = std::memcmp(ka, kb, std::min(la, lb)))
            return c < 0;
        if (la != lb)
            return la < lb;
        const QStringView pa(arena.data() + inicio[a], qsizetype(largo[a]));
        const QStringView pb(arena.data() + inicio[b], qsizetype(largo[b]));
        if (const int c = compararPuntos(pa, pb))
            return c < 0;
        return ids[a] < ids[b];
    };
    auto menor = [&](const Entrada &x, const Entrada &y) {
        if (x.prefijo[0] != y.prefijo[0])
            return x.prefijo[0] < y.prefijo[0];
        if (x.prefijo[1] != y.prefijo[1])
            return x.prefijo[1] < y.prefijo[1];
        return antes(x.fila, y.fila);
    };
    // Each half on a thread of its own, then merged.
    const auto medio = e.begin() + std::ptrdiff_t(n / 2);
    {
        auto otra = std::async(std::launch::async, [&] { std::sort(medio, e.end(), menor); });
        std::sort(e.begin(), medio, menor);
        otra.get();
    }
    std::inplace_merge(e.begin(), medio, e.end(), menor);
    std::vector<uint32_t> orden(n);
    for (size_t i = 0; i < n; ++i)
        orden[i] = e[i].fila;
    return orden;
}

} // namespace rimario
