#include "language/silabeo.h"

#include <cstring>

namespace rimario {

namespace {

// One letter of the word, lower case with its accent taken apart.
struct Letra {
    char16_t base = 0;     // 'a'..'z' or u'ñ'; á gives 'a', ü gives 'u'
    bool tilde = false;    // á é í ó ú
    bool dieresis = false; // ü
    bool vocal = false;    // a syllable nucleus may hold it
    bool muda = false;     // the silent u of que, qui, gue, gui
};

// Reads a UTF-16 unit as a letter of Spanish; false for anything else.
bool leerLetra(char16_t c, Letra &l)
{
    if (c >= u'a' && c <= u'z') {
        l.base = c;
        return true;
    }
    if (c >= u'A' && c <= u'Z') {
        l.base = char16_t(c + (u'a' - u'A'));
        return true;
    }
    switch (c) {
    case u'\u00e1': case u'\u00c1': l.base = u'a'; l.tilde = true; return true;
    case u'\u00e9': case u'\u00c9': l.base = u'e'; l.tilde = true; return true;
    case u'\u00ed': case u'\u00cd': l.base = u'i'; l.tilde = true; return true;
    case u'\u00f3': case u'\u00d3': l.base = u'o'; l.tilde = true; return true;
    case u'\u00fa': case u'\u00da': l.base = u'u'; l.tilde = true; return true;
    case u'\u00fc': case u'\u00dc': l.base = u'u'; l.dieresis = true; return true;
    case u'\u00f1': case u'\u00d1': l.base = u'\u00f1'; return true;
    default: return false;
    }
}

bool esVocalEscrita(char16_t b)
{
    return b == u'a' || b == u'e' || b == u'i' || b == u'o' || b == u'u';
}

bool esAbierta(const Letra &l) { return l.base == u'a' || l.base == u'e' || l.base == u'o'; }

// i and y are one closed vowel, u and ü the other.
char16_t cerradaDe(const Letra &l) { return l.base == u'y' ? u'i' : l.base; }

// Two vowels side by side that belong to different syllables.
bool hiato(const Letra &a, const Letra &b)
{
    const bool aa = esAbierta(a), ab = esAbierta(b);
    if (aa && ab)
        return true;
    if (aa != ab)
        return aa ? b.tilde : a.tilde; // país, búho
    return cerradaDe(a) == cerradaDe(b); // chiita, duunviro
}

// A syllable nucleus: one to three vowels, with a silent h perhaps among them.
struct Nucleo {
    int vocales[3];
    int nv = 0;
    int ini() const { return vocales[0]; }
    int fin() const { return vocales[nv - 1]; }
};

class Analizador {
public:
    Analizador(std::u16string_view p) : p_(p), n_(int(p.size())) {}

    void analizar(Silabeo &r);

private:
    int leer();
    void marcarVocales();
    void agruparNucleos();
    int inicioDeSilaba(int k) const;
    bool grupoInseparable(int a) const;
    int tonica() const;
    int vocalTonica(const Nucleo &nu) const;
    int vocalPrincipal(const Nucleo &nu) const;

    std::u16string_view p_;
    int n_;
    Letra l_[kMaxLetras];
    Nucleo nu_[kMaxLetras];
    int nn_ = 0;
    int tildes_ = 0;
    int conTilde_ = -1;
};

// The first unit that is no letter of Spanish, or -1.
int Analizador::leer()
{
    for (int i = 0; i < n_; ++i) {
        if (!leerLetra(p_[i], l_[i]))
            return i;
        if (l_[i].tilde) {
            ++tildes_;
            conTilde_ = i;
        }
    }
    return -1;
}

void Analizador::marcarVocales()
{
    for (int i = 0; i < n_; ++i) {
        Letra &l = l_[i];
        l.vocal = esVocalEscrita(l.base);
        if (l.base == u'u' && !l.tilde && !l.dieresis && i > 0 && i + 1 < n_
            && (l_[i - 1].base == u'q' || l_[i - 1].base == u'g')
            && (l_[i + 1].base == u'e' || l_[i + 1].base == u'i')) {
            l.vocal = false;
            l.muda = true;
        }
    }
    // y is a vowel unless a vowel follows it: rey, hoy, y; but ya, reyes.
    for (int i = n_ - 1; i >= 0; --i) {
        if (l_[i].base == u'y')
            l_[i].vocal = !(i + 1 < n_ && l_[i + 1].vocal);
    }
}

void Analizador::agruparNucleos()
{
    for (int i = 0; i < n_;) {
        if (!l_[i].vocal) {
            ++i;
            continue;
        }
        Nucleo cur;
        cur.vocales[cur.nv++] = i;
        int j = i; // last vowel looked at
        for (;;) {
            int k = j + 1;
            if (k + 1 < n_ && l_[k].base == u'h' && l_[k + 1].vocal)
                ++k; // a silent h between vowels is passed over
            if (k >= n_ || !l_[k].vocal)
                break;
            const Letra &a = l_[cur.fin()], &b = l_[k];
            const bool junta = !hiato(a, b)
                && (cur.nv == 1
                    || (cur.nv == 2 && !esAbierta(b) && esAbierta(a) && !esAbierta(l_[cur.ini()])));
            if (junta) {
                cur.vocales[cur.nv++] = k;
            } else if (esAbierta(b) && !esAbierta(a) && cur.nv >= 2 && !hiato(a, b)) {
                // A closed vowel between two others leans on the one that follows.
                const int movida = cur.fin();
                --cur.nv;
                nu_[nn_++] = cur;
                cur = Nucleo{};
                cur.vocales[cur.nv++] = movida;
                cur.vocales[cur.nv++] = k;
            } else {
                nu_[nn_++] = cur;
                cur = Nucleo{};
                cur.vocales[cur.nv++] = k;
            }
            j = k;
        }
        nu_[nn_++] = cur;
        i = j + 1;
    }
}

// Two single consonants that begin a syllable together (a-bra-zo, a-tlas).
bool Analizador::grupoInseparable(int a) const
{
    const char16_t x = l_[a].base, y = l_[a + 1].base;
    if (y == u'r') {
        if (x == u'b' && a == 2 && l_[0].base == u's' && l_[1].base == u'u')
            return false; // sub-ra-yar, sub-ro-gar
        return x == u'p' || x == u'b' || x == u'c' || x == u'g' || x == u'f' || x == u'k'
            || x == u't' || x == u'd';
    }
    if (y == u'l')
        return x == u'p' || x == u'b' || x == u'c' || x == u'g' || x == u'f' || x == u'k'
            || x == u't';
    return false;
}

// Where syllable k (k >= 1) begins: before the consonants that open it.
int Analizador::inicioDeSilaba(int k) const
{
    const int desde = nu_[k - 1].fin() + 1, hasta = nu_[k].ini();
    int unidades[2] = {-1, -1}; // starts of the last two consonants, ch, ll, rr, qu, gu
    int largoUltima = 0;
    for (int x = desde; x < hasta;) {
        const char16_t b = l_[x].base;
        int largo = 1;
        if (x + 1 < hasta) {
            const char16_t s = l_[x + 1].base;
            if ((b == u'c' && s == u'h') || (b == u'l' && s == u'l') || (b == u'r' && s == u'r')
                || l_[x + 1].muda)
                largo = 2;
        }
        unidades[0] = unidades[1];
        unidades[1] = x;
        largoUltima = largo;
        x += largo;
    }
    if (unidades[1] < 0)
        return hasta; // hiatus with nothing between: le-ón
    if (unidades[0] >= 0 && largoUltima == 1 && unidades[1] == unidades[0] + 1
        && grupoInseparable(unidades[0]))
        return unidades[0];
    return unidades[1];
}

int Analizador::tonica() const
{
    const auto termina = [this](const char *fin) {
        const int m = int(std::strlen(fin));
        if (m > n_)
            return false;
        for (int i = 0; i < m; ++i) {
            const Letra &l = l_[n_ - m + i];
            if (l.tilde || l.base != char16_t(fin[i]))
                return false;
        }
        return true;
    };
    if (nn_ >= 3 && termina("mente"))
        return nn_ - 2; // rá-pi-da-MEN-te
    if (conTilde_ >= 0) {
        for (int k = 0; k < nn_; ++k)
            if (nu_[k].ini() <= conTilde_ && conTilde_ <= nu_[k].fin())
                return k;
    }
    if (nn_ == 1)
        return 0;
    const Letra &ultima = l_[n_ - 1];
    bool llana;
    if (ultima.vocal)
        llana = !(ultima.base == u'y' && n_ >= 2 && l_[n_ - 2].vocal); // vi-rrey
    else if (ultima.base == u'n' || ultima.base == u's')
        llana = n_ >= 2 && l_[n_ - 2].vocal && l_[n_ - 2].base != u'y'; // ro-bots
    else
        llana = false;
    return llana ? nn_ - 2 : nn_ - 1;
}

// The vowel that bears the stress: the accented one, else the open one, else
// the second of two closed ones (cui-da-do, ciu-dad).
int Analizador::vocalTonica(const Nucleo &nu) const
{
    for (int v = 0; v < nu.nv; ++v)
        if (l_[nu.vocales[v]].tilde)
            return nu.vocales[v];
    return vocalPrincipal(nu);
}

// The vowel a syllable is heard on, glides left aside.
int Analizador::vocalPrincipal(const Nucleo &nu) const
{
    for (int v = 0; v < nu.nv; ++v)
        if (esAbierta(l_[nu.vocales[v]]))
            return nu.vocales[v];
    return nu.fin();
}

void Analizador::analizar(Silabeo &r)
{
    if (const int malo = leer(); malo >= 0) {
        r.fallo = Silabeo::Fallo::Caracter;
        r.caracter = malo;
        return;
    }
    marcarVocales();
    agruparNucleos();
    if (nn_ == 0) {
        r.fallo = Silabeo::Fallo::SinVocales;
        return;
    }
    if (tildes_ > 1) {
        r.fallo = Silabeo::Fallo::Tildes;
        return;
    }

    r.fallo = Silabeo::Fallo::Ninguno;
    r.silabas = nn_;
    r.inicios[0] = 0;
    for (int k = 1; k < nn_; ++k)
        r.inicios[k] = inicioDeSilaba(k);
    r.inicios[nn_] = n_;
    r.tonica = tonica();
    static constexpr Acento kPorDistancia[] = {Acento::Aguda, Acento::Llana, Acento::Esdrujula};
    const int distancia = nn_ - 1 - r.tonica;
    r.acento = distancia < 3 ? kPorDistancia[distancia] : Acento::Sobresdrujula;

    const int tonicaEn = vocalTonica(nu_[r.tonica]);
    for (int i = tonicaEn; i < n_; ++i) {
        const Letra &l = l_[i];
        if (l.base == u'h' && !(i > 0 && l_[i - 1].base == u'c'))
            continue;
        r.consonante[r.largoConsonante++] = l.base == u'y' && l.vocal ? u'i' : l.base;
    }
    const auto vocalDe = [this](int i) { return l_[i].base == u'y' ? u'i' : l_[i].base; };
    r.asonante[r.largoAsonante++] = vocalDe(tonicaEn);
    if (r.tonica < nn_ - 1) {
        char16_t v = vocalDe(vocalPrincipal(nu_[nn_ - 1]));
        if (v == u'i')
            v = u'e'; // lápiz ~ madre
        else if (v == u'u')
            v = u'o'; // Venus ~ cielo
        r.asonante[r.largoAsonante++] = v;
    }
}

} // namespace

Silabeo silabear(std::u16string_view palabra)
{
    Silabeo r;
    if (palabra.empty())
        return r;
    if (palabra.size() > size_t(kMaxLetras)) {
        r.fallo = Silabeo::Fallo::Larga;
        return r;
    }
    Analizador(palabra).analizar(r);
    return r;
}

} // namespace rimario
