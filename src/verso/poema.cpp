#include "verso/poema.h"

#include <algorithm>
#include <map>

namespace rimario::verso {

namespace {

// The most a line is bent to the poem's metre: one diaeresis (ri·en·do), or a
// parted diphthong and a hiatus after a stress (hu·ir | el), but not two hiatuses
// of unstressed vowels (ho·ra | a su | a·fán).
constexpr float kCosteMaximo = 5.0f;

// Letters for the n-th rhyme: A..Z, then AA, AB...
std::string letra(int n, bool mayuscula)
{
    const char base = mayuscula ? 'A' : 'a';
    std::string r;
    if (n >= 26)
        r.push_back(char(base + n / 26 - 1));
    r.push_back(char(base + n % 26));
    return r;
}

// Metres that keep company with another one in a stanza.
bool companero(int mayoria, int otro)
{
    return (mayoria == 11 && (otro == 7 || otro == 5)) || (mayoria == 7 && otro == 11)
        || (mayoria == 8 && otro == 4) || (mayoria == 14 && otro == 7) || (mayoria == 10 && otro == 5);
}

// The stanza's rhyme scheme with its own letters: "ABBA", "-a-a".
std::string esquema(const std::vector<VersoAnalizado> &v, int a, int b)
{
    std::map<std::string, char> vistas;
    int mayus = 0, minus = 0;
    std::string r;
    for (int i = a; i <= b; ++i) {
        const std::string &x = v[i].rima;
        if (x == "-") {
            r.push_back('-');
            continue;
        }
        auto it = vistas.find(x);
        if (it == vistas.end()) {
            const bool m = x[0] >= 'A' && x[0] <= 'Z';
            it = vistas.emplace(x, m ? char('A' + mayus++) : char('a' + minus++)).first;
        }
        r.push_back(it->second);
    }
    return r;
}

std::string nombreEstrofa(const std::vector<VersoAnalizado> &v, int a, int b)
{
    const int n = b - a + 1;
    int mayor = 0, menor = 0;
    std::vector<int> metros;
    for (int i = a; i <= b; ++i) {
        (v[i].silabas >= 9 ? mayor : menor)++;
        metros.push_back(v[i].silabas);
    }
    const std::string e = esquema(v, a, b);
    const bool deMayor = mayor > menor;
    const auto todos = [&](int m) { return std::all_of(metros.begin(), metros.end(), [m](int x) { return x == m; }); };
    switch (n) {
    case 2:
        return e == "AA" || e == "aa" ? "pareado" : "";
    case 3:
        if (deMayor)
            return "terceto";
        return e == "A-A" || e == "ABA" ? "tercerilla" : "";
    case 4:
        if (deMayor)
            return e == "ABBA" ? "cuarteto" : e == "ABAB" ? "serventesio" : "";
        if (e == "ABBA")
            return "redondilla";
        if (e == "ABAB")
            return "cuarteta";
        return e == "-a-a" ? "copla" : "";
    case 5:
        if (metros == std::vector<int>{7, 11, 7, 7, 11} && e == "ABABB")
            return "lira";
        return e.find('-') == std::string::npos && e.find('C') == std::string::npos
            ? (deMayor ? "quinteto" : "quintilla") : "";
    case 6:
        return deMayor ? "sexteto" : "sextilla";
    case 8:
        if (todos(11) && e == "ABABABCC")
            return "octava real";
        return deMayor || std::any_of(e.begin(), e.end(), [](char c) { return c >= 'a' && c <= 'z'; }) ? "" : "octavilla";
    case 10:
        return todos(8) && e == "ABBAACCDDC" ? "décima" : "";
    default:
        return "";
    }
}

std::string nombrePoema(const std::vector<VersoAnalizado> &v, const std::vector<Estrofa> &estrofas)
{
    int versos = 0, once = 0, ocho = 0;
    std::vector<int> largos;
    for (const Estrofa &e : estrofas) {
        largos.push_back(e.ultima - e.primera + 1);
        for (int i = e.primera; i <= e.ultima; ++i) {
            ++versos;
            once += v[i].silabas == 11;
            ocho += v[i].silabas == 8;
        }
    }
    if (once * 2 > versos
        && (largos == std::vector<int>{4, 4, 3, 3} || largos == std::vector<int>{14}))
        return "soneto";
    if (estrofas.size() == 1 && versos >= 8 && ocho * 2 > versos) {
        const std::string e = esquema(v, estrofas[0].primera, estrofas[0].ultima);
        bool romance = true;
        for (size_t i = 0; i < e.size() && romance; ++i)
            romance = i % 2 ? (e[i] == 'a' || e[i] == 'A') : e[i] != e[1];
        if (romance)
            return "romance";
    }
    return "";
}

} // namespace

Analizador::Hecho &Analizador::hecho(std::u16string_view linea)
{
    auto it = hechos_.find(std::u16string(linea));
    if (it != hechos_.end())
        return it->second;
    Hecho h;
    h.v = preparar(linea);
    for (int d = -3; d <= 3; ++d) {
        float coste = -1;
        const int m = h.v.silabasPorDefecto + d;
        if (d == 0)
            coste = 0;
        else if (m <= 0 || !alcanza(h.v, m, 4.0f, &coste))
            coste = -1;
        h.alcance[d + 3] = coste;
    }
    h.alejandrino = leerEnHemistiquios(h.v, 7).silabas == 14;
    return hechos_.emplace(std::u16string(linea), std::move(h)).first->second;
}

PoemaAnalizado Analizador::analizar(const std::vector<std::u16string_view> &lineas)
{
    PoemaAnalizado r;
    const int n = int(lineas.size());
    if (hechos_.size() > std::max<size_t>(4096, 2 * lineas.size()))
        hechos_.clear(); // lines long gone
    r.versos.resize(n);
    std::vector<Hecho *> h(n);
    std::vector<const VersoPreparado *> p(n);
    for (int i = 0; i < n; ++i) {
        h[i] = &hecho(lineas[i]);
        p[i] = &h[i]->v;
    }

    for (int ini = 0; ini < n;) {
        // One poem: up to two blank lines in a row.
        int fin = ini;
        for (int blancos = 0; fin < n; ++fin) {
            const bool blanca = lineas[fin].find_first_not_of(u" \t\r\f\v") == std::u16string_view::npos;
            blancos = blanca ? blancos + 1 : 0;
            if (blancos == 2)
                break;
        }
        // The prevailing metre: the count most lines reach, those reaching it
        // without a change counting twice.
        std::map<int, float> votos;
        for (int i = ini; i < fin; ++i) {
            const VersoPreparado &v = *p[i];
            if (v.silabas.empty())
                continue;
            const int d = v.silabasPorDefecto;
            votos[d] += 1.0f;
            if (h[i]->alejandrino && d != 14)
                votos[14] += 1.0f;
            for (int k = 0; k < 7; ++k)
                if (k != 3 && h[i]->alcance[k] >= 0)
                    votos[d + k - 3] += 0.5f;
        }
        int metro = 0;
        float mejor = 0;
        for (const auto &[m, votosDe] : votos)
            if (votosDe > mejor || (votosDe == mejor && m == 11)) {
                mejor = votosDe;
                metro = m;
            }

        // Rhymes.
        std::map<std::u16string, std::vector<int>> consonantes, asonantes;
        for (int i = ini; i < fin; ++i)
            if (!p[i]->silabas.empty() && !p[i]->claveConsonante.empty())
                consonantes[p[i]->claveConsonante].push_back(i);
        std::vector<uint8_t> conRima(n, 0);
        for (const auto &[clave, versos] : consonantes)
            if (versos.size() > 1)
                for (int i : versos)
                    conRima[i] = 1;
        for (int i = ini; i < fin; ++i)
            if (!p[i]->silabas.empty() && !p[i]->claveAsonante.empty())
                asonantes[p[i]->claveAsonante].push_back(i);
        std::map<std::u16string, std::string> letrasC, letrasA;
        int nc = 0, na = 0;
        for (int i = ini; i < fin; ++i) {
            VersoAnalizado &a = r.versos[i];
            const VersoPreparado &v = *p[i];
            if (v.silabas.empty())
                continue;
            a.vacio = false;
            if (h[i]->metro != metro) {
                h[i]->metro = metro;
                h[i]->lectura = metro == 14 && h[i]->alejandrino ? leerEnHemistiquios(v, 7) : leer(v, metro, kCosteMaximo);
                // A line out of the metre's reach may be of its company (a quebrado).
                float mejor = 1e9f, coste;
                for (int otro = 2; otro < metro && h[i]->lectura.silabas != metro; ++otro)
                    if (companero(metro, otro) && alcanza(v, otro, kCosteMaximo, &coste) && coste < mejor) {
                        mejor = coste;
                        h[i]->lectura = leer(v, otro, kCosteMaximo);
                    }
                h[i]->separada = separar(lineas[i], v, h[i]->lectura);
            }
            const Lectura &l = h[i]->lectura;
            a.silabas = l.silabas;
            a.patron = l.patron;
            a.separada = h[i]->separada;
            a.metro = nombreMetro(a.silabas);
            if (const std::string tipo = tipoEndecasilabo(a.patron); !tipo.empty())
                a.metro += " " + tipo;
            if (conRima[i]) {
                auto it = letrasC.find(v.claveConsonante);
                if (it == letrasC.end())
                    it = letrasC.emplace(v.claveConsonante, letra(nc++, true)).first;
                a.rima = it->second;
            } else if (auto s = asonantes.find(v.claveAsonante); s != asonantes.end() && s->second.size() > 1) {
                auto it = letrasA.find(v.claveAsonante);
                if (it == letrasA.end())
                    it = letrasA.emplace(v.claveAsonante, letra(na++, false)).first;
                a.rima = it->second;
            } else {
                a.rima = "-";
            }
        }

        // Stanzas, and the lines that break their metre.
        std::vector<Estrofa> estrofas;
        for (int i = ini; i < fin;) {
            if (r.versos[i].vacio) {
                ++i;
                continue;
            }
            int j = i;
            while (j + 1 < fin && !r.versos[j + 1].vacio)
                ++j;
            Estrofa e{i, j, nombreEstrofa(r.versos, i, j)};
            std::map<int, int> cuentas;
            for (int k = i; k <= j; ++k)
                ++cuentas[r.versos[k].silabas];
            const auto mayoria = std::max_element(cuentas.begin(), cuentas.end(),
                                                  [](auto &a, auto &b) { return a.second < b.second; });
            if (mayoria->second * 2 > j - i + 1)
                for (int k = i; k <= j; ++k)
                    r.versos[k].fueraDeMetro = r.versos[k].silabas != mayoria->first
                        && !companero(mayoria->first, r.versos[k].silabas);
            estrofas.push_back(e);
            i = j + 1;
        }
        r.poemas.push_back(nombrePoema(r.versos, estrofas));
        r.estrofas.insert(r.estrofas.end(), estrofas.begin(), estrofas.end());
        ini = fin;
    }
    return r;
}

} // namespace rimario::verso
