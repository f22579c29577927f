#include "store/lexico.h"

#include "language/caracteres.h"
#include "language/patron.h"
#include "language/silabas.h"
#include "store/almacen.h"
#include "store/instantanea.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <cstring>

namespace rimario {

namespace {

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

// The last (up to 7) vowels of a skeleton, last vowel in the lowest 3 bits;
// a character that is not a vowel ends the key.
uint32_t claveVocales(const char16_t *v, qsizetype n)
{
    uint32_t k = 0;
    for (int i = 0; i < 7 && i < n; ++i) {
        const char16_t c = v[n - 1 - i];
        const uint32_t cod = c < 0x80 ? codigoVocal(c) : 0;
        if (!cod)
            break;
        k |= cod << (3 * i);
    }
    return k;
}

uint16_t unidadPlegada(char16_t c)
{
    return uint16_t(plegar(c));
}

bool empiezaPlegado(QStringView texto, const std::u32string &prefijo)
{
    std::u32string t;
    plegarTexto(reinterpret_cast<const char16_t *>(texto.utf16()), texto.size(), t);
    return t.size() >= prefijo.size() && std::equal(prefijo.begin(), prefijo.end(), t.begin());
}

int compararPuntos(QStringView a, QStringView b)
{
    const QList<uint> x = a.toUcs4(), y = b.toUcs4();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end())
        ? -1
        : (x == y ? 0 : 1);
}

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

} // namespace

void Lexico::mascarasDe(const char16_t *pal, qsizetype npal, Claves &c)
{
    // The folded code points as plegarTexto gives them (an unpaired surrogate as itself).
    char32_t antes = 0;
    for (qsizetype i = 0; i < npal; ++i) {
        char32_t u = pal[i];
        if (u < 0x80) {
            if (u >= U'A' && u <= U'Z')
                u += 32;
        } else {
            if (QChar::isHighSurrogate(u) && i + 1 < npal && QChar::isLowSurrogate(pal[i + 1]))
                u = QChar::surrogateToUcs4(char16_t(u), pal[++i]);
            u = plegar(u);
        }
        c.caracteres |= uint64_t(1) << bitDeCaracter(u);
        if (i > 0)
            c.pares |= uint64_t(1) << bitDePar(antes, u);
        antes = u;
    }
}

Lexico::Claves Lexico::clavesDe(const char16_t *pal, qsizetype npal, bool nula, const char16_t *voc,
                                qsizetype nvoc)
{
    Claves c{0, 0, claveVocales(voc, nvoc)};
    bool rara = false;
    for (qsizetype i = 0; i < 8 && i < npal; ++i) {
        const char16_t u = pal[npal - 1 - i];
        if (u == 0 || QChar::isSurrogate(u))
            rara = true;
        const uint64_t f = unidadPlegada(u);
        if (i < 4)
            c.fin1 |= f << (16 * i);
        else
            c.fin2 |= f << (16 * (i - 4));
    }
    if (rara)
        c.voc |= kRara;
    if (nula)
        c.voc |= kPalNula;
    return c;
}

Lexico::~Lexico()
{
    esperarInstantanea();
}

void Lexico::esperarInstantanea()
{
    if (escritura_.valid())
        escritura_.get();
}

void Lexico::conservar(const Almacen &almacen)
{
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

void Lexico::ponerEn(size_t pos, qint64 id, const char16_t *pal, qsizetype npal, bool nula,
                     const char16_t *voc, qsizetype nvoc, uint64_t rima)
{
    Claves c = clavesDe(pal, npal, nula, voc, nvoc);
    mascarasDe(pal, npal, c);
    const auto inicio = uint32_t(arena_.size());
    ids_.cambiar([&](auto &v) { v[pos] = id; });
    inicio_.cambiar([&](auto &v) { v[pos] = inicio; });
    largo_.cambiar([&](auto &v) { v[pos] = uint32_t(npal); });
    arena_.cambiar([&](auto &v) { v.insert(v.end(), pal, pal + npal); });
    cambiada_ = true;
    fin1_.cambiar([&](auto &v) { v[pos] = c.fin1; });
    fin2_.cambiar([&](auto &v) { v[pos] = c.fin2; });
    claveVoc_.cambiar([&](auto &v) { v[pos] = c.voc; });
    mascara_.cambiar([&](auto &v) { v[pos] = c.caracteres; });
    pares_.cambiar([&](auto &v) { v[pos] = c.pares; });
    rima_.cambiar([&](auto &v) { v[pos] = rima; });
}

// Applies the same change to every array that has one entry per row.
template <class F> void Lexico::cambiarTodos(F &&f)
{
    esperarInstantanea(); // the arrays are being written out
    cambiada_ = true;
    ids_.cambiar(f);
    inicio_.cambiar(f);
    largo_.cambiar(f);
    fin1_.cambiar(f);
    fin2_.cambiar(f);
    claveVoc_.cambiar(f);
    mascara_.cambiar(f);
    pares_.cambiar(f);
    rima_.cambiar(f);
}

uint32_t Lexico::numeroDeClave(const QString &clave)
{
    if (clave.isEmpty())
        return 0;
    asegurarClaves();
    const auto it = numerosClave_.constFind(clave);
    if (it != numerosClave_.constEnd())
        return *it;
    clavesRima_.push_back(clave);
    return numerosClave_[clave] = uint32_t(clavesRima_.size() - 1);
}

void Lexico::asegurarClaves() const
{
    if (tablaMapeada_) {
        const TablaMapeada t = *std::exchange(tablaMapeada_, std::nullopt);
        clavesRima_.clear();
        clavesRima_.reserve(t.claves);
        for (size_t i = 0; i < t.claves; ++i)
            clavesRima_.push_back(QString(reinterpret_cast<const QChar *>(t.texto + t.desde[i]),
                                          qsizetype(t.desde[i + 1] - t.desde[i])));
    } else if (!numerosClave_.isEmpty() || clavesRima_.size() <= 1) {
        return;
    }
    numerosClave_.clear();
    numerosClave_.reserve(qsizetype(clavesRima_.size()));
    for (size_t i = 1; i < clavesRima_.size(); ++i)
        numerosClave_.insert(clavesRima_[i], uint32_t(i));
}

uint64_t Lexico::rimaDe(QStringView pal)
{
    const AnalisisSilabico a = analizarPalabra(pal);
    if (!a.valido)
        return 0;
    return rima(numeroDeClave(a.claveConsonante), numeroDeClave(a.claveAsonante), a.numSilabas());
}

void Lexico::cargar(const Almacen &almacen)
{
    esperarInstantanea();
    const QString ruta = rutaInstantanea(almacen.ruta());
    cambiada_ = false;
    cargada_ = almacen.huella();
    if (!ruta.isEmpty() && mapear(ruta, cargada_))
        return;
    const Huella leida = almacen.leerFijo([&] { cargarFilas(almacen); });
    mapa_.reset();
    cargada_ = leida;
    if (!ruta.isEmpty() && leida.leida)
        escritura_ = std::async(std::launch::async, [this, ruta, leida] { escribirInstantanea(ruta, leida); });
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

bool Lexico::puedeCoincidir(qsizetype pos, const Requisitos &r) const
{
    const size_t i = size_t(pos);
    if ((mascara_[i] & r.caracteres) != r.caracteres || (pares_[i] & r.pares) != r.pares)
        return false;
    for (const uint64_t m : r.algun)
        if (!(mascara_[i] & m))
            return false;
    // A character takes one or two UTF-16 units.
    const qsizetype unidades = qsizetype(largo_[i]);
    if (unidades < r.minimo || (r.maximo >= 0 && (unidades + 1) / 2 > r.maximo))
        return false;
    if (r.minimo * 2 <= unidades && (r.maximo < 0 || unidades <= r.maximo))
        return true;
    const qsizetype n = caracteres(pos);
    return n >= r.minimo && (r.maximo < 0 || n <= r.maximo);
}

qsizetype Lexico::caracteres(qsizetype pos) const
{
    const QStringView p = pal(pos);
    if (!(claveVoc_[size_t(pos)] & kRara) && largo_[size_t(pos)] <= 8)
        return p.size();
    return numeroDeCaracteres(p);
}

qsizetype Lexico::posicionDeId(qint64 id) const
{
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return it == ids_.end() ? kNinguna : qsizetype(it - ids_.begin());
}

qsizetype Lexico::limiteInferiorBase(const char16_t *t, qsizetype n) const
{
    qsizetype lo = 0, hi = tamano();
    while (lo < hi) {
        const qsizetype m = lo + (hi - lo) / 2;
        const QStringView p = pal(m);
        if (colador_.compararBase(reinterpret_cast<const char16_t *>(p.utf16()), p.size(), t, n) < 0)
            lo = m + 1;
        else
            hi = m;
    }
    return lo;
}

bool Lexico::igualPlegado(qsizetype pos, QStringView otra) const
{
    if (palNula(pos))
        return false;
    const QStringView p = pal(pos);
    if (p.size() != otra.size())
        return false; // simple folding keeps the number of UTF-16 units
    for (qsizetype i = 0; i < p.size(); ++i)
        if (p[i] != otra[i] && plegar(p[i].unicode()) != plegar(otra[i].unicode()))
            return false;
    return true;
}

qsizetype Lexico::buscarPrefijo(QStringView texto) const
{
    const auto patron = Patron::compilar(texto.toString() + QLatin1Char('*'));
    if (!patron)
        return kNinguna;
    return buscarPatron(*patron);
}

qsizetype Lexico::buscarPatron(const Patron &patron) const
{
    const std::u32string &pref = patron.prefijoLiteral();
    qsizetype desde = 0, hasta = tamano();
    if (!pref.empty()) {
        // Every word that starts with the prefix lies, in list order, between the
        // prefix and the prefix followed by U+FFFF, which ICU sorts after every
        // other character.
        QString t = QString::fromUcs4(pref.data(), qsizetype(pref.size()));
        desde = limiteInferiorBase(reinterpret_cast<const char16_t *>(t.utf16()), t.size());
        t.append(QChar(0xFFFF));
        hasta = limiteInferiorBase(reinterpret_cast<const char16_t *>(t.utf16()), t.size());
        if (hasta < desde)
            hasta = desde;
    }
    const bool simple = patron.esPrefijoSimple();
    const Requisitos req = patron.requisitos();
    for (qsizetype i = desde; i < hasta; ++i) {
        if (palNula(i))
            continue;
        if (simple ? empiezaPlegado(pal(i), pref) : (puedeCoincidir(i, req) && patron.coincide(pal(i))))
            return i;
    }
    return kNinguna;
}

qsizetype Lexico::buscarIgual(QStringView palabra) const
{
    const auto *t = reinterpret_cast<const char16_t *>(palabra.utf16());
    for (qsizetype i = limiteInferiorBase(t, palabra.size()); i < tamano(); ++i) {
        const QStringView p = pal(i);
        if (colador_.compararBase(reinterpret_cast<const char16_t *>(p.utf16()), p.size(), t,
                                  palabra.size()) != 0)
            break;
        if (igualPlegado(i, palabra))
            return i;
    }
    return kNinguna;
}

qsizetype Lexico::posicionDeInsercion(QStringView palabra, qint64 id) const
{
    const auto *t = reinterpret_cast<const char16_t *>(palabra.utf16());
    qsizetype lo = 0, hi = tamano();
    while (lo < hi) {
        const qsizetype m = lo + (hi - lo) / 2;
        const QStringView p = pal(m);
        int c = colador_.comparar(reinterpret_cast<const char16_t *>(p.utf16()), p.size(), t,
                                  palabra.size());
        if (c == 0) {
            // Same place in the text order: by code points, then by Id, as the file orders them.
            c = compararPuntos(p, palabra);
            if (c == 0)
                c = ids_[size_t(m)] < id ? -1 : (ids_[size_t(m)] > id ? 1 : 0);
        }
        if (c < 0)
            lo = m + 1;
        else
            hi = m;
    }
    return lo;
}

qsizetype Lexico::insertar(qint64 id, QStringView palabra, QStringView voc)
{
    const qsizetype pos = posicionDeInsercion(palabra, id);
    const size_t p = size_t(pos);
    cambiarTodos([pos](auto &v) { v.insert(v.begin() + pos, 0); });
    ponerEn(p, id, reinterpret_cast<const char16_t *>(palabra.utf16()), palabra.size(), false,
            reinterpret_cast<const char16_t *>(voc.utf16()), voc.size(), rimaDe(palabra));
    return pos;
}

void Lexico::eliminar(qsizetype pos)
{
    if (pos < 0 || pos >= tamano())
        return;
    cambiarTodos([pos](auto &v) { v.erase(v.begin() + pos); });
}

qsizetype Lexico::cambiar(qsizetype pos, QStringView palabra, QStringView voc)
{
    const qint64 id = ids_[size_t(pos)];
    eliminar(pos);
    return insertar(id, palabra, voc);
}

void Lexico::terminadasEn(QStringView fin, QStringView excluida, qsizetype caracteres,
                          std::vector<qsizetype> &salida) const
{
    salida.clear();
    const qsizetype n = fin.size();
    bool rara = n == 0 || n > 8;
    uint64_t e1 = 0, e2 = 0;
    for (qsizetype i = 0; i < n && i < 8; ++i) {
        const char16_t u = fin[n - 1 - i].unicode();
        if (u == 0 || QChar::isSurrogate(u))
            rara = true;
        const uint64_t f = unidadPlegada(u);
        if (i < 4)
            e1 |= f << (16 * i);
        else
            e2 |= f << (16 * (i - 4));
    }
    if (rara) {
        // Characters outside the basic plane: the general matcher decides.
        QString p = QStringLiteral("*");
        for (const QChar c : fin) {
            if (esComodin(c))
                p += QLatin1Char('[') + c + QLatin1Char(']');
            else
                p += c;
        }
        queCoinciden(*Patron::compilar(p), excluida, caracteres, salida);
        return;
    }
    salida.reserve(ids_.size() / 8);
    const uint64_t m1 = n >= 4 ? ~uint64_t(0) : ((uint64_t(1) << (16 * n)) - 1);
    const uint64_t m2 = n <= 4 ? 0 : (n >= 8 ? ~uint64_t(0) : ((uint64_t(1) << (16 * (n - 4))) - 1));
    const size_t total = ids_.size();
    const uint64_t *f1 = fin1_.data();
    const uint64_t *f2 = fin2_.data();
    const uint32_t *cv = claveVoc_.data();
    for (size_t i = 0; i < total; ++i) {
        const bool rar = cv[i] & (kRara | kPalNula);
        if ((f1[i] & m1) != e1 || (f2[i] & m2) != e2) {
            if (!rar)
                continue;
        }
        if (rar) {
            if (palNula(qsizetype(i)))
                continue;
            // Exact check in code points.
            std::u32string a, b;
            const QStringView p = pal(qsizetype(i));
            plegarTexto(reinterpret_cast<const char16_t *>(p.utf16()), p.size(), a);
            plegarTexto(reinterpret_cast<const char16_t *>(fin.utf16()), fin.size(), b);
            if (a.size() < b.size() || !std::equal(b.begin(), b.end(), a.end() - qsizetype(b.size())))
                continue;
        }
        if (!cumpleLongitud(qsizetype(i), caracteres) || igualPlegado(qsizetype(i), excluida))
            continue;
        salida.push_back(qsizetype(i));
    }
}

void Lexico::queCoinciden(const Patron &patron, QStringView excluida, qsizetype caracteres,
                          std::vector<qsizetype> &salida) const
{
    salida.clear();
    const Requisitos req = patron.requisitos();
    for (qsizetype i = 0; i < tamano(); ++i) {
        if (palNula(i) || !puedeCoincidir(i, req) || !patron.coincide(pal(i)))
            continue;
        if (!cumpleLongitud(i, caracteres) || igualPlegado(i, excluida))
            continue;
        salida.push_back(i);
    }
}

void Lexico::riman(bool consonante, QStringView clave, int silabas, std::vector<qsizetype> &salida) const
{
    salida.clear();
    asegurarClaves();
    const auto it = numerosClave_.constFind(clave.toString());
    if (clave.isEmpty() || it == numerosClave_.constEnd())
        return;
    const uint64_t buscado = consonante ? uint64_t(*it) : uint64_t(*it) << 32;
    const uint64_t mascara = (consonante ? uint64_t(0xFFFFFFFF) : uint64_t(0xFFFFFF) << 32)
        | (silabas >= 0 ? uint64_t(0xFF) << 56 : 0);
    const uint64_t valor = buscado | (silabas >= 0 ? uint64_t(std::clamp(silabas, 0, 255)) << 56 : 0);
    const uint64_t *r = rima_.data();
    const size_t total = rima_.size();
    for (size_t i = 0; i < total; ++i)
        if ((r[i] & mascara) == valor)
            salida.push_back(qsizetype(i));
}

void Lexico::vocalesTerminadasEn(QStringView fin, qsizetype caracteres,
                                 std::vector<qsizetype> &salida) const
{
    salida.clear();
    const qsizetype n = fin.size();
    if (n < 1 || n > 7)
        return;
    const uint32_t t = claveVocales(reinterpret_cast<const char16_t *>(fin.utf16()), n);
    if (t == 0 || (t >> (3 * (n - 1))) == 0)
        return; // not all vowels: nothing can match
    const uint32_t m = (1u << (3 * n)) - 1;
    const size_t total = claveVoc_.size();
    const uint32_t *cv = claveVoc_.data();
    for (size_t i = 0; i < total; ++i) {
        if ((cv[i] & m) != t)
            continue;
        if (caracteres >= 0 && (palNula(qsizetype(i)) || !cumpleLongitud(qsizetype(i), caracteres)))
            continue;
        salida.push_back(qsizetype(i));
    }
}

size_t Lexico::memoria() const
{
    return ids_.memoria() + inicio_.memoria() + largo_.memoria() + fin1_.memoria() + fin2_.memoria()
        + claveVoc_.memoria() + arena_.memoria() + mascara_.memoria() + pares_.memoria() + rima_.memoria();
}

} // namespace rimario
