// The word list's keys and searches: what each row's entries hold, finding
// words, the rhyme scans, and keeping step with the store's writes.

#include "store/lexico.h"

#include "language/caracteres.h"
#include "language/patron.h"
#include "language/silabas.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <string>

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
    indices_.reset();
    indicesPropios_ = {};
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
        for (size_t i = 1; i < t.claves; ++i)
            if (QStringView(t.texto + t.desde[i], qsizetype(t.desde[i + 1] - t.desde[i])) == clave)
                return uint32_t(i);
        return 0;
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
    // Simple folding keeps the number of UTF-16 units.
    if (qsizetype(largo_[size_t(pos)]) != otra.size())
        return false;
    const QStringView p = pal(pos);
    if (p.size() != otra.size())
        return false;
    for (qsizetype i = 0; i < p.size(); ++i)
        if (p[i] != otra[i] && plegar(p[i].unicode()) != plegar(otra[i].unicode()))
            return false;
    return !palNula(pos);
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

bool Lexico::claveFinal(QStringView t, uint64_t &e1, uint64_t &e2)
{
    const qsizetype n = t.size();
    bool bien = n > 0;
    e1 = e2 = 0;
    for (qsizetype i = 0; i < n && i < 8; ++i) {
        const char16_t u = t[n - 1 - i].unicode();
        if (u == 0 || QChar::isSurrogate(u))
            bien = false;
        const uint64_t f = unidadPlegada(u);
        if (i < 4)
            e1 |= f << (16 * i);
        else
            e2 |= f << (16 * (i - 4));
    }
    return bien;
}

void Lexico::terminadasEn(QStringView fin, QStringView excluida, qsizetype caracteres,
                          std::vector<qsizetype> &salida) const
{
    salida.clear();
    const qsizetype n = fin.size();
    uint64_t e1 = 0, e2 = 0;
    if (n > 8 || !claveFinal(fin, e1, e2)) {
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
    if (terminadasPorIndice(e1, e2, n, fin, excluida, caracteres, salida))
        return;
    salida.reserve(ids_.size() / 8);
    const uint64_t m1 = n >= 4 ? ~uint64_t(0) : ((uint64_t(1) << (16 * n)) - 1);
    const uint64_t m2 = n <= 4 ? 0 : (n >= 8 ? ~uint64_t(0) : ((uint64_t(1) << (16 * (n - 4))) - 1));
    const size_t total = ids_.size();
    const uint64_t *f1 = fin1_.data();
    const uint64_t *f2 = fin2_.data();
    const uint32_t *cv = claveVoc_.data();
    for (size_t i = 0; i < total; ++i) {
        const bool rar = cv[i] & (kRara | kPalNula);
        // The previous four units are read only when the ending reaches them.
        if ((f1[i] & m1) != e1 || (m2 && (f2[i] & m2) != e2)) {
            if (!rar)
                continue;
        }
        if (rar && !terminaEnRara(qsizetype(i), fin))
            continue;
        if (!cumpleLongitud(qsizetype(i), caracteres) || igualPlegado(qsizetype(i), excluida))
            continue;
        salida.push_back(qsizetype(i));
    }
}

bool Lexico::terminaEnRara(qsizetype pos, QStringView fin) const
{
    if (palNula(pos))
        return false;
    // Exact check in code points.
    std::u32string a, b;
    const QStringView p = pal(pos);
    plegarTexto(reinterpret_cast<const char16_t *>(p.utf16()), p.size(), a);
    plegarTexto(reinterpret_cast<const char16_t *>(fin.utf16()), fin.size(), b);
    return a.size() >= b.size() && std::equal(b.begin(), b.end(), a.end() - qsizetype(b.size()));
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
    const uint32_t numero = numeroExistente(clave);
    if (numero == 0)
        return;
    if (rimanPorIndice(consonante, numero, silabas, salida))
        return;
    const uint64_t buscado = consonante ? uint64_t(numero) : uint64_t(numero) << 32;
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
    if (vocalesPorIndice(t, n, caracteres, salida))
        return;
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
        + claveVoc_.memoria() + arena_.memoria() + mascara_.memoria() + pares_.memoria() + rima_.memoria()
        + (indicesPropios_.porFin.capacity() * 4 + indicesPropios_.raras.capacity()) * 4;
}

} // namespace rimario
