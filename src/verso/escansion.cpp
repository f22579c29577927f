#include "verso/escansion.h"

#include "language/silabeo.h"

#include <algorithm>
#include <array>

namespace rimario::verso {

namespace {

// Words without a stress of their own, lower case as written.
constexpr std::u16string_view kAtonas[] = {
    u"a", u"al", u"ante", u"aun", u"aunque", u"ca", u"como", u"con", u"conque", u"contra", u"cual",
    u"cuales", u"cuan", u"cuando", u"cuanta", u"cuantas", u"cuanto", u"cuantos", u"cuya", u"cuyas",
    u"cuyo", u"cuyos", u"de", u"del", u"desde", u"do", u"don", u"donde", u"doña", u"fray", u"e", u"el", u"en", u"entre",
    u"hacia", u"hasta", u"la", u"las", u"le", u"les", u"lo", u"los", u"mas", u"me", u"mi",
    u"mientras", u"mis", u"muy", u"ni", u"nos", u"nuestra", u"nuestras", u"nuestro", u"nuestros",
    u"o", u"os", u"para", u"pero", u"por", u"porque", u"pues", u"que", u"quien", u"quienes", u"san", u"se",
    u"si", u"sin", u"sino", u"so", u"sobre", u"sor", u"su", u"sus", u"tan", u"te", u"tras", u"tu", u"tus",
    u"u", u"un", u"una", u"unas", u"unos", u"vuestra", u"vuestras", u"vuestro", u"vuestros", u"y",
};

// Words whose diphthong verse often parts.
constexpr std::u16string_view kDieresisFrecuente[] = {
    u"cruel", u"crueles", u"fiel", u"fieles", u"ruido", u"ruidos", u"ruina", u"ruinas", u"ruin",
    u"suave", u"suaves", u"viuda", u"viudo", u"juicio", u"triunfo", u"triunfos", u"piadoso",
    u"piadosa", u"glorioso", u"gloriosa", u"cliente", u"diana", u"dieta",
};

bool contiene(const std::u16string_view *ini, const std::u16string_view *fin, std::u16string_view w)
{
    return std::find(ini, fin, w) != fin;
}

char16_t minuscula(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return char16_t(c + 32);
    switch (c) {
    case u'Á': return u'á';
    case u'É': return u'é';
    case u'Í': return u'í';
    case u'Ó': return u'ó';
    case u'Ú': return u'ú';
    case u'Ü': return u'ü';
    case u'Ñ': return u'ñ';
    default: return c;
    }
}

// A letter of a verse as silabeo reads it (0 for no letter); ï marks a
// diaeresis, grave and circumflex accents and the like are passed over.
char16_t letraDe(char16_t c, bool &dieresis)
{
    dieresis = false;
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
        return c;
    switch (c) {
    case u'á': case u'é': case u'í': case u'ó': case u'ú': case u'ü': case u'ñ':
    case u'Á': case u'É': case u'Í': case u'Ó': case u'Ú': case u'Ü': case u'Ñ':
        return c;
    case u'ï': dieresis = true; return u'i';
    case u'Ï': dieresis = true; return u'I';
    case u'à': case u'â': case u'ä': return u'a';
    case u'è': case u'ê': case u'ë': return u'e';
    case u'ì': case u'î': return u'i';
    case u'ò': case u'ô': case u'ö': return u'o';
    case u'ù': case u'û': return u'u';
    case u'À': case u'Â': case u'Ä': return u'A';
    case u'È': case u'Ê': case u'Ë': return u'E';
    case u'Ì': case u'Î': return u'I';
    case u'Ò': case u'Ô': case u'Ö': return u'O';
    case u'Ù': case u'Û': return u'U';
    case u'ç': return u'z';
    case u'Ç': return u'Z';
    default: return 0;
    }
}

bool esApostrofo(char16_t c) { return c == u'\'' || c == u'\u2019'; }

bool esVocal(char16_t c)
{
    switch (c) {
    case u'a': case u'e': case u'i': case u'o': case u'u':
    case u'á': case u'é': case u'í': case u'ó': case u'ú': case u'ü':
        return true;
    default:
        return false;
    }
}
bool conTilde(char16_t c) { return c == u'á' || c == u'é' || c == u'í' || c == u'ó' || c == u'ú'; }
bool esAbierta(char16_t c) { return c == u'a' || c == u'e' || c == u'o' || c == u'á' || c == u'é' || c == u'ó'; }
char16_t sinTilde(char16_t c)
{
    switch (c) {
    case u'á': return u'a';
    case u'é': return u'e';
    case u'í': return u'i';
    case u'ó': return u'o';
    case u'ú': case u'ü': return u'u';
    default: return c;
    }
}

// Punctuation that makes a pause between two words: 1 a comma, 2 a stronger one.
int pausaEntre(std::u16string_view t)
{
    int p = 0;
    for (char16_t c : t) {
        if (c == u',')
            p = std::max(p, 1);
        else if (c == u'.' || c == u';' || c == u':' || c == u'!' || c == u'?' || c == u'\u2026'
                 || c == u'(' || c == u')' || c == u'\u2014' || c == u'\u00ab' || c == u'\u00bb'
                 || c == u'"')
            return 2;
    }
    return p;
}

// Kinds of juncture between two syllables.
enum Tipo : uint8_t { Consonante, Hiato, Diptongo, Marcada, EntrePalabras };

// A piece of a word: a syllable, or half of one whose diphthong may be parted.
struct Trozo {
    int ini, fin; // in the word's letters
    bool acentuada;
};

struct Palabra {
    int ini = 0, fin = 0; // units of the line
    std::u16string w;     // letters as silabeo reads them
    std::u16string min;   // lower case
    std::vector<int> pos; // unit of the line of each letter
    std::vector<uint8_t> marcada; // ï or a ü after no g or q
    std::vector<Trozo> trozos;
    std::vector<uint8_t> tipos; // between trozos
    std::vector<float> costes;  // of changing each of those junctures
    Silabeo s;
};

// The vowel of a syllable that bears its stress: the accented one, else the
// open one, else the last.
int vocalTonica(const std::u16string &w, int ini, int fin)
{
    int abierta = -1, ultima = -1;
    for (int i = ini; i < fin; ++i) {
        if (!esVocal(w[i]))
            continue;
        if (conTilde(w[i]))
            return i;
        if (abierta < 0 && esAbierta(w[i]))
            abierta = i;
        ultima = i;
    }
    return abierta >= 0 ? abierta : ultima;
}

bool esMuda(const std::u16string &m, int i)
{
    return m[i] == u'u' && i > 0 && i + 1 < int(m.size()) && (m[i - 1] == u'q' || m[i - 1] == u'g')
        && (m[i + 1] == u'e' || m[i + 1] == u'i' || m[i + 1] == u'é' || m[i + 1] == u'í');
}

// Syllables of a word in pieces, with the changes each juncture admits.
bool trocear(Palabra &p, bool acentuada)
{
    p.s = silabear(p.w);
    if (p.s.fallo == Silabeo::Fallo::Tildes) {
        // More than one written accent: read by the spelling rules alone.
        for (char16_t &c : p.w)
            if (conTilde(minuscula(c)))
                c = sinTilde(minuscula(c));
        for (char16_t &c : p.min)
            c = sinTilde(c);
        p.s = silabear(p.w);
    }
    if (!p.s.valido())
        return false;
    const std::u16string &m = p.min;
    const int n = int(m.size());
    for (int i = 0; i < n; ++i)
        if (m[i] == u'ü' && !(i > 0 && (m[i - 1] == u'g' || m[i - 1] == u'q')))
            p.marcada[i] = 1;

    // The word's stress; an adverb in -mente has only the one its spelling gives.
    const int tonica = acentuada ? p.s.tonica : -1;
    const bool frecuente = contiene(std::begin(kDieresisFrecuente), std::end(kDieresisFrecuente), m);
    for (int k = 0; k < p.s.silabas; ++k) {
        const int ini = p.s.inicios[k], fin = p.s.inicios[k + 1];
        if (k > 0) {
            const int a = ini - 1; // last letter of the syllable before
            const bool h = m[ini] == u'h' && ini + 1 < fin && esVocal(m[ini + 1]);
            if (esVocal(m[a]) && !esMuda(m, a) && (esVocal(m[ini]) || h)) {
                const char16_t x = m[a], y = h ? m[ini + 1] : m[ini];
                float coste = 2.0f;
                if (m == u"aún")
                    coste = 1.0f;
                else if (conTilde(x) && !esAbierta(x))
                    coste = 3.0f; // ha·bí·a read ha·bía before ve·í read vei
                else if (conTilde(y) && !esAbierta(y))
                    coste = 3.5f;
                else if (sinTilde(x) == sinTilde(y))
                    coste = 1.5f;
                if (h)
                    coste += 0.5f;
                p.tipos.push_back(p.marcada[a] || p.marcada[ini] ? Marcada : Hiato);
                p.costes.push_back(coste);
            } else {
                p.tipos.push_back(Consonante);
                p.costes.push_back(0);
            }
        }
        // A syllable with two vowels side by side may be parted there.
        int corte = -1, vocales = 0;
        for (int i = ini; i < fin; ++i)
            if (esVocal(m[i]) && !esMuda(m, i)) {
                ++vocales;
                if (i > ini && esVocal(m[i - 1]) && !esMuda(m, i - 1))
                    corte = i;
            }
        const bool glide = corte > 0 && m[corte - 1] == u'ü' && !p.marcada[corte - 1]; // pingüino
        const bool acento = k == tonica;
        if (corte < 0 || vocales != 2 || glide) {
            p.trozos.push_back({ini, fin, acento});
            continue;
        }
        const int v = vocalTonica(m, ini, fin);
        p.trozos.push_back({ini, corte, acento && v < corte});
        p.trozos.push_back({corte, fin, acento && v >= corte});
        const bool marcada = p.marcada[corte - 1] || p.marcada[corte];
        // ui, iu with the accent on one of them are heard in hiatus: flu-í-a.
        const bool hiato = !esAbierta(m[corte - 1]) && !esAbierta(m[corte])
            && (conTilde(m[corte - 1]) || conTilde(m[corte]));
        p.tipos.push_back(marcada ? Marcada : hiato ? Hiato : Diptongo);
        float coste = 4.5f;
        if (hiato)
            coste = 2.0f;
        else if (frecuente)
            coste = 1.5f;
        else if (k == p.s.silabas - 1 && n >= 3 && m.compare(n - 3, 3, u"uir") == 0)
            coste = 2.0f; // hu·ir, des·tru·ir
        else if (k == p.s.silabas - 1 && k == tonica && p.s.silabas > 1 && esAbierta(m[corte]))
            coste = 3.0f;
        p.costes.push_back(coste);
    }
    return true;
}

// How a word begins: 1 a vowel (or the word y), 2 h and a vowel, 3 h and a
// glide (hielo, huevo), 0 a consonant.
int comienzo(const std::u16string &y)
{
    if (y == u"y" || esVocal(y[0]))
        return 1;
    if (y[0] == u'h' && y.size() > 1 && esVocal(y[1]))
        return (y[1] == u'i' || y[1] == u'u') && y.size() > 2 && esVocal(y[2]) ? 3 : 2;
    return 0;
}

} // namespace

VersoPreparado preparar(std::u16string_view linea)
{
    VersoPreparado v;
    std::vector<Palabra> palabras;
    const int n = int(linea.size());
    for (int i = 0; i < n;) {
        bool d;
        if (!letraDe(linea[i], d)) {
            ++i;
            continue;
        }
        Palabra p;
        p.ini = i;
        for (; i < n; ++i) {
            char16_t c = letraDe(linea[i], d);
            if (!c) {
                if (esApostrofo(linea[i]) && i + 1 < n && letraDe(linea[i + 1], d))
                    continue;
                break;
            }
            if (p.w.size() <= size_t(kMaxLetras)) {
                p.w.push_back(c);
                p.min.push_back(minuscula(c));
                p.pos.push_back(i);
                p.marcada.push_back(d);
            }
        }
        p.fin = i;
        if (p.w.size() <= size_t(kMaxLetras))
            palabras.push_back(std::move(p));
    }

    // Which words carry a stress: the last one always.
    int ultima = -1;
    std::vector<Palabra> validas;
    validas.reserve(palabras.size());
    for (size_t k = 0; k < palabras.size(); ++k) {
        Palabra &p = palabras[k];
        // pues before a pause (Espera, pues, y escucha) is the adverb, stressed.
        const int siguiente = k + 1 < palabras.size() ? palabras[k + 1].ini : n;
        const bool atona = contiene(std::begin(kAtonas), std::end(kAtonas), p.min)
            && !(p.min == u"pues" && pausaEntre(linea.substr(p.fin, siguiente - p.fin)) > 0);
        if (trocear(p, !atona))
            validas.push_back(std::move(p));
    }
    if (validas.empty())
        return v;
    ultima = int(validas.size()) - 1;
    if (const bool atona = contiene(std::begin(kAtonas), std::end(kAtonas), validas[ultima].min); atona) {
        Palabra &p = validas[ultima];
        p.trozos.clear();
        p.tipos.clear();
        p.costes.clear();
        trocear(p, true);
    }

    std::vector<uint8_t> tipos;
    for (size_t k = 0; k < validas.size(); ++k) {
        const Palabra &p = validas[k];
        if (k > 0) {
            const Palabra &a = validas[k - 1];
            const std::u16string &x = a.min, &y = p.min;
            const bool terminaVocal = x == u"y" || esVocal(x.back())
                || (x.back() == u'h' && x.size() >= 2 && esVocal(x[x.size() - 2]));
            const int empieza = comienzo(y);
            const int j = int(v.silabas.size()) - 1;
            const bool une = terminaVocal && (empieza == 1 || empieza == 2);
            // A y between vowels joins the one after it (ro·sa ya·zu·ce·na); the
            // three make one syllable where the metre asks for it.
            const bool yEntreVocales = une && y == u"y" && k + 1 < validas.size()
                && (comienzo(validas[k + 1].min) == 1 || comienzo(validas[k + 1].min) == 2);
            v.unidas.push_back(une && !yEntreVocales);
            tipos.push_back(EntrePalabras);
            v.entrePalabras.push_back(1);
            if (yEntreVocales) {
                v.cambios.push_back({j, true, 0.8f});
            } else if (une && x == u"y" && empieza == 1 && !p.trozos.front().acentuada
                       && (k < 2 || !esVocal(validas[k - 2].min.back()))) {
                // y before an unstressed vowel and after no vowel is the consonant
                // of its syllable: y_en, not y | en.
            } else if (une) {
                float coste = empieza == 2 ? 1.5f : 3.0f;
                if (p.trozos.front().acentuada)
                    coste -= 1.5f;
                if (a.trozos.back().acentuada)
                    coste -= 0.5f;
                coste -= 0.5f * float(pausaEntre(linea.substr(a.fin, p.ini - a.fin)));
                v.cambios.push_back({j, false, std::max(coste, 0.3f)});
            } else if (terminaVocal && empieza == 3) {
                v.cambios.push_back({j, true, 2.5f});
            }
        }
        for (size_t t = 0; t < p.trozos.size(); ++t) {
            if (t > 0) {
                const Tipo tipo = Tipo(p.tipos[t - 1]);
                const int j = int(v.silabas.size()) - 1;
                v.unidas.push_back(tipo == Diptongo);
                tipos.push_back(tipo);
                v.entrePalabras.push_back(0);
                if (tipo == Diptongo)
                    v.cambios.push_back({j, false, p.costes[t - 1]});
                else if (tipo == Hiato)
                    v.cambios.push_back({j, true, p.costes[t - 1]});
            }
            const Trozo &tr = p.trozos[t];
            const int ini = p.pos[tr.ini], fin = p.pos[tr.fin - 1] + 1;
            v.silabas.push_back({int(k), ini, fin, tr.acentuada});
            if (tr.acentuada)
                v.ultimaAcentuada = int(v.silabas.size()) - 1;
        }
    }
    // Diphthongs kept whole print as one syllable.
    for (size_t j = 0; j < tipos.size(); ++j)
        if (tipos[j] == Diptongo)
            v.entrePalabras[j] = 2;
    const Palabra &fin = validas[ultima];
    v.claveConsonante.assign(fin.s.claveConsonante());
    v.claveAsonante.assign(fin.s.claveAsonante());
    v.silabasPorDefecto = leer(v).silabas;
    return v;
}

namespace {

Lectura evaluar(const VersoPreparado &v, std::vector<uint8_t> unidas, float coste)
{
    Lectura l;
    l.coste = coste;
    if (v.ultimaAcentuada < 0)
        return l;
    int g = 0;
    for (int s = 0; s <= v.ultimaAcentuada; ++s) {
        if (s > 0 && !unidas[s - 1]) {
            ++g;
            l.patron.push_back('-');
        } else if (s == 0) {
            l.patron.push_back('-');
        }
        if (v.silabas[s].acentuada)
            l.patron.back() = '+';
    }
    l.patron.push_back('-');
    l.silabas = int(l.patron.size());
    l.unidas = std::move(unidas);
    return l;
}

// What the metre asks of the pattern besides its count.
float castigo(const std::string &p)
{
    if (p.size() == 11) {
        if (p[5] == '+' || (p[3] == '+' && (p[7] == '+' || p[6] == '+')))
            return 0;
        return 1.5f;
    }
    if (p.size() == 14)
        return p[5] == '+' ? 0 : 1.0f;
    return 0;
}

// The cheapest reading of 'metro' syllables; silabas 0 when none is in reach.
Lectura buscar(const VersoPreparado &v, int metro, float costeMaximo)
{
    const int d = v.silabasPorDefecto - metro;
    if (d == 0 || v.ultimaAcentuada < 0) {
        Lectura l = evaluar(v, v.unidas, 0);
        if (d != 0)
            l.silabas = 0;
        return l;
    }
    const int k = d > 0 ? d : -d;
    if (k > 3)
        return {};
    std::vector<Cambio> posibles;
    for (const Cambio &c : v.cambios)
        if (c.unir == (d > 0) && c.juntura < v.ultimaAcentuada && c.coste <= costeMaximo)
            posibles.push_back(c);
    if (int(posibles.size()) < k)
        return {};
    std::stable_sort(posibles.begin(), posibles.end(),
                     [](const Cambio &a, const Cambio &b) { return a.coste < b.coste; });
    if (posibles.size() > 14)
        posibles.resize(14);
    const int m = int(posibles.size());
    Lectura mejor;
    float mejorTotal = 1e9f;
    std::array<int, 3> idx{0, 1, 2};
    std::vector<uint8_t> unidas;
    const auto probar = [&]() {
        float coste = 0;
        for (int i = 0; i < k; ++i)
            coste += posibles[idx[i]].coste;
        if (coste > costeMaximo || coste >= mejorTotal)
            return;
        unidas = v.unidas;
        for (int i = 0; i < k; ++i)
            unidas[posibles[idx[i]].juntura] = d > 0;
        Lectura l = evaluar(v, unidas, coste);
        const float total = coste + castigo(l.patron);
        if (total < mejorTotal) {
            mejorTotal = total;
            mejor = std::move(l);
        }
    };
    for (idx[0] = 0; idx[0] < m; ++idx[0]) {
        if (k == 1) {
            probar();
            continue;
        }
        for (idx[1] = idx[0] + 1; idx[1] < m; ++idx[1]) {
            if (k == 2) {
                probar();
                continue;
            }
            for (idx[2] = idx[1] + 1; idx[2] < m; ++idx[2])
                probar();
        }
    }
    return mejor;
}

} // namespace

Lectura leer(const VersoPreparado &v, int metro, float costeMaximo)
{
    if (metro > 0) {
        Lectura l = buscar(v, metro, costeMaximo);
        if (l.silabas == metro)
            return l;
    }
    return evaluar(v, v.unidas, 0);
}

Lectura leerEnHemistiquios(const VersoPreparado &v, int mitad)
{
    if (v.ultimaAcentuada < 0 || mitad < 2)
        return {};
    for (size_t j = 0; j + 1 < v.silabas.size() && int(j) < v.ultimaAcentuada; ++j) {
        if (v.entrePalabras[j] != 1)
            continue;
        // The word before the caesura bears the first hemistich's last stress.
        const int palabra = v.silabas[j].palabra;
        int primera = int(j), ultima = -1;
        for (; primera >= 0 && v.silabas[primera].palabra == palabra; --primera)
            if (ultima < 0 && v.silabas[primera].acentuada)
                ultima = primera;
        ++primera;
        if (ultima < 0)
            ultima = std::max(primera, int(j) - 1);
        std::vector<uint8_t> unidas = v.unidas;
        unidas[j] = 0;
        int g = 0, g1 = 0, gInicio = 0;
        for (int s = 1; s <= v.ultimaAcentuada; ++s) {
            g += !unidas[s - 1];
            if (s == int(j) + 1)
                gInicio = g;
            if (s == ultima)
                g1 = g;
        }
        if (g1 + 2 != mitad || g - gInicio + 2 != mitad)
            continue;
        const Lectura todo = evaluar(v, unidas, 0);
        Lectura l;
        l.patron = todo.patron.substr(0, size_t(g1) + 1) + '-' + todo.patron.substr(size_t(gInicio));
        l.patron[size_t(g1)] = '+';
        l.silabas = int(l.patron.size());
        l.unidas = std::move(unidas);
        return l;
    }
    return {};
}

bool alcanza(const VersoPreparado &v, int metro, float costeMaximo, float *coste)
{
    const Lectura l = buscar(v, metro, costeMaximo);
    if (l.silabas != metro || metro == 0)
        return false;
    if (coste)
        *coste = l.coste + castigo(l.patron);
    return true;
}

std::u16string separar(std::u16string_view linea, const VersoPreparado &v, const Lectura &l)
{
    std::u16string r;
    const std::vector<uint8_t> &unidas = l.unidas.empty() ? v.unidas : l.unidas;
    for (size_t s = 0; s < v.silabas.size(); ++s) {
        if (s > 0) {
            const bool unida = unidas[s - 1];
            const uint8_t entre = v.entrePalabras[s - 1];
            if (!(unida && entre == 2))
                r += unida ? u"_" : entre == 1 ? u" " : u"\u00b7";
        }
        r += linea.substr(v.silabas[s].ini, v.silabas[s].fin - v.silabas[s].ini);
    }
    return r;
}

std::string nombreMetro(int silabas)
{
    static const char *const kNombres[] = {
        "", "monosílabo", "bisílabo", "trisílabo", "tetrasílabo", "pentasílabo", "hexasílabo",
        "heptasílabo", "octosílabo", "eneasílabo", "decasílabo", "endecasílabo", "dodecasílabo",
        "tridecasílabo", "alejandrino", "pentadecasílabo", "hexadecasílabo", "heptadecasílabo",
        "octodecasílabo", "eneadecasílabo"};
    if (silabas <= 0)
        return "";
    if (silabas < int(std::size(kNombres)))
        return kNombres[silabas];
    return std::to_string(silabas) + " sílabas";
}

std::string tipoEndecasilabo(const std::string &p)
{
    if (p.size() != 11)
        return "";
    const auto en = [&p](int k) { return p[k - 1] == '+'; };
    const int primera = int(p.find('+')) + 1;
    if (en(4) && primera == 4 && (en(8) || en(6)))
        return "sáfico";
    if (en(6)) {
        if (primera == 1)
            return "enfático";
        if (primera == 2)
            return "heroico";
        if (primera == 3)
            return "melódico";
        return "";
    }
    if (en(4) && en(8))
        return "sáfico";
    if (en(4) && en(7))
        return "de gaita gallega";
    return "";
}

} // namespace rimario::verso
