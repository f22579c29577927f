// The word list's keys and searches: what each row's entries hold, finding
// words, the rhyme scans, and keeping step with the store's writes.

#include "lista/lexico.h"

#include "language/caracteres.h"
#include "language/patron.h"
#include "language/silabas.h"
#include "language/unidades.h"
#include "language/utf8.h"
#include "lista/formato_lista.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <string>

namespace rimario {

namespace {

bool empiezaPlegado(QStringView texto, const std::u32string &prefijo)
{
    std::u32string t;
    plegarTexto(reinterpret_cast<const char16_t *>(texto.utf16()), texto.size(), t);
    return t.size() >= prefijo.size() && std::equal(prefijo.begin(), prefijo.end(), t.begin());
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
    Claves c{0, 0, VistaLista::claveVocales(voc, size_t(nvoc))};
    const bool rara = !VistaLista::claveFinal({pal, size_t(npal)}, c.fin1, c.fin2) && npal > 0;
    if (rara)
        c.voc |= kRara;
    if (nula)
        c.voc |= kPalNula;
    return c;
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
    lineas_.reset();
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

uint32_t Lexico::numeroExistente(QStringView clave) const
{
    if (clave.isEmpty())
        return 0;
    if (tablaMapeada_) {
        // Not read into the index yet: one pass over the mapped table.
        const TablaMapeada &t = *tablaMapeada_;
        return numeroEnTabla(t.desde, t.texto, t.claves, unidades(clave));
    }
    asegurarClaves();
    return numerosClave_.value(clave.toString(), 0);
}

uint64_t Lexico::rimaDe(QStringView pal)
{
    const AnalisisSilabico a = analizarPalabra(pal);
    if (!a.valido)
        return 0;
    return rima(numeroDeClave(a.claveConsonante), numeroDeClave(a.claveAsonante), a.numSilabas());
}

int Lexico::compararPuntos(QStringView a, QStringView b)
{
    const QList<uint> x = a.toUcs4(), y = b.toUcs4();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end())
        ? -1
        : (x == y ? 0 : 1);
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
    if (const Capa::Nueva *n = capa_ ? capa_->donde(pos) : nullptr)
        return qsizetype(contarCaracteres({capa_->texto.data() + n->inicio, n->largo}));
    return qsizetype(vista().caracteres(size_t(pos)));
}

VistaLista Lexico::vista() const
{
    VistaLista v;
    v.filas = ids_.size();
    v.ids = reinterpret_cast<const int64_t *>(ids_.data());
    v.inicio = inicio_.data();
    v.largo = largo_.data();
    v.fin1 = fin1_.data();
    v.fin2 = fin2_.data();
    v.claveVoc = claveVoc_.data();
    v.rima = rima_.data();
    v.arena = arena_.data();
    v.unidades = arena_.size();
    if (indicesHechos() && indices_)
        v.indices = *indices_;
    if (lineas_)
        v.lineas = *lineas_;
    return v;
}

qsizetype Lexico::posicionDeId(qint64 id) const
{
    tomarFusion();
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

qsizetype Lexico::buscarPrefijo(QStringView texto) const
{
    const auto patron = Patron::compilar(texto.toString() + QLatin1Char('*'));
    if (!patron)
        return kNinguna;
    return buscarPatron(*patron);
}

qsizetype Lexico::buscarPatron(const Patron &patron) const
{
    tomarFusion();
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
    tomarFusion();
    const auto *t = reinterpret_cast<const char16_t *>(palabra.utf16());
    const VistaLista v = vista();
    for (qsizetype i = limiteInferiorBase(t, palabra.size()); i < tamano(); ++i) {
        const QStringView p = pal(i);
        if (colador_.compararBase(reinterpret_cast<const char16_t *>(p.utf16()), p.size(), t,
                                  palabra.size()) != 0)
            break;
        if (v.igualPlegado(size_t(i), unidades(palabra)))
            return i;
    }
    return kNinguna;
}

int Lexico::compararFilas(QStringView a, qint64 idA, QStringView b, qint64 idB) const
{
    int c = colador_.comparar(reinterpret_cast<const char16_t *>(a.utf16()), a.size(),
                              reinterpret_cast<const char16_t *>(b.utf16()), b.size());
    if (!c)
        c = compararPuntos(a, b);
    return c ? c : (idA < idB ? -1 : (idA > idB ? 1 : 0));
}

qsizetype Lexico::posicionDeInsercion(QStringView palabra, qint64 id) const
{
    tomarFusion();
    qsizetype lo = 0, hi = tamano();
    while (lo < hi) {
        const qsizetype m = lo + (hi - lo) / 2;
        if (compararFilas(pal(m), ids_[size_t(m)], palabra, id) < 0)
            lo = m + 1;
        else
            hi = m;
    }
    return lo;
}

qsizetype Lexico::poner(qint64 id, QStringView palabra, QStringView voc, uint32_t quitada)
{
    tomarFusion();
    const size_t antes = ids_.size();
    qsizetype pos = posicionDeInsercion(palabra, id); // among the rows held now, 'quitada' too
    if (quitada == kFuera) {
        cambiarTodos([pos](auto &v) { v.insert(v.begin() + pos, 0); });
    } else {
        // The row goes from where it was to its new place: only the rows between move.
        if (pos > qsizetype(quitada))
            --pos;
        const auto q = std::ptrdiff_t(quitada), p = std::ptrdiff_t(pos);
        cambiarTodos([q, p](auto &v) {
            if (p > q)
                std::rotate(v.begin() + q, v.begin() + q + 1, v.begin() + p + 1);
            else
                std::rotate(v.begin() + p, v.begin() + q, v.begin() + q + 1);
        });
    }
    ponerEn(size_t(pos), id, reinterpret_cast<const char16_t *>(palabra.utf16()), palabra.size(), false,
            reinterpret_cast<const char16_t *>(voc.utf16()), voc.size(), rimaDe(palabra));
    Traslado t;
    t.quitada = quitada;
    t.puesta = uint32_t(pos);
    t.nuevas = {uint32_t(pos)};
    rehacerIndices(antes, t);
    return pos;
}

qsizetype Lexico::insertar(qint64 id, QStringView palabra, QStringView voc)
{
    return poner(id, palabra, voc, kFuera);
}

void Lexico::eliminar(qsizetype pos)
{
    tomarFusion();
    if (pos < 0 || pos >= tamano())
        return;
    const size_t antes = ids_.size();
    cambiarTodos([pos](auto &v) { v.erase(v.begin() + pos); });
    Traslado t;
    t.quitada = uint32_t(pos);
    rehacerIndices(antes, t);
}

qsizetype Lexico::cambiar(qsizetype pos, QStringView palabra, QStringView voc)
{
    tomarFusion();
    return poner(ids_[size_t(pos)], palabra, voc, uint32_t(pos));
}

void Lexico::terminadasEn(QStringView fin, QStringView excluida, qsizetype caracteres,
                          std::vector<qsizetype> &salida) const
{
    salida.clear();
    tomarFusion();
    esperarIndices();
    const qsizetype n = fin.size();
    uint64_t e1 = 0, e2 = 0;
    if (n > 8 || !VistaLista::claveFinal(unidades(fin), e1, e2)) {
        // An ending the keys cannot tell (longer than eight units, surrogates,
        // NUL): the general matcher decides.
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
    vista().terminadas(e1, e2, size_t(n), unidades(fin), unidades(excluida), caracteres, salida);
}

void Lexico::queCoinciden(const Patron &patron, QStringView excluida, qsizetype caracteres,
                          std::vector<qsizetype> &salida) const
{
    salida.clear();
    tomarFusion();
    const Requisitos req = patron.requisitos();
    const VistaLista v = vista();
    for (qsizetype i = 0; i < tamano(); ++i) {
        if (palNula(i) || !puedeCoincidir(i, req) || !patron.coincide(pal(i)))
            continue;
        if (!v.cumpleLongitud(size_t(i), caracteres) || v.igualPlegado(size_t(i), unidades(excluida)))
            continue;
        salida.push_back(i);
    }
}

void Lexico::riman(TipoRima tipo, QStringView clave, int silabas, std::vector<qsizetype> &salida) const
{
    salida.clear();
    tomarFusion();
    esperarIndices();
    const uint32_t numero = numeroExistente(clave);
    if (numero == 0)
        return;
    vista().riman(tipo, numero, silabas, salida);
}

void Lexico::vocalesTerminadasEn(QStringView fin, qsizetype caracteres,
                                 std::vector<qsizetype> &salida) const
{
    salida.clear();
    tomarFusion();
    esperarIndices();
    const qsizetype n = fin.size();
    if (n < 1 || n > 7)
        return;
    const uint32_t t = VistaLista::claveVocales(reinterpret_cast<const char16_t *>(fin.utf16()), size_t(n));
    if (t == 0 || (t >> (3 * (n - 1))) == 0)
        return; // not all vowels: nothing can match
    vista().vocales(t, size_t(n), caracteres, salida);
}

size_t Lexico::memoria() const
{
    tomarFusion();
    esperarIndices();
    return ids_.memoria() + inicio_.memoria() + largo_.memoria() + fin1_.memoria() + fin2_.memoria()
        + claveVoc_.memoria() + arena_.memoria() + mascara_.memoria() + pares_.memoria() + rima_.memoria()
        + (indicesPropios_.porFin.capacity() * 4 + indicesPropios_.raras.capacity()) * 4
        + (fusion_ ? fusion_->memoria() : 0);
}

} // namespace rimario
