// Benchmarks of the scansion: a sonnet read again after a keystroke (with the
// lines already read kept, beside reading every line anew), and many verses
// read at once as the command line reads them (beside a plain count of vowel
// groups and synalephas, the least a scansion does).

#include "verso/poema.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace rimario::verso;

const std::u16string kSoneto[] = {
    u"En tanto que de rosa y azucena", u"se muestra la color en vuestro gesto,",
    u"y que vuestro mirar ardiente, honesto,", u"con clara luz la tempestad serena;", u"",
    u"y en tanto que el cabello, que en la vena", u"del oro se escogió, con vuelo presto,",
    u"por el hermoso cuello blanco, enhiesto,", u"el viento mueve, esparce y desordena:", u"",
    u"coged de vuestra alegre primavera", u"el dulce fruto antes que el tiempo airado",
    u"cubra de nieve la hermosa cumbre.", u"", u"Marchitará la rosa el viento helado,",
    u"todo lo mudará la edad ligera", u"por no hacer mudanza en su costumbre."};

// The sonnet with its eighth line as typed so far.
std::vector<std::u16string> sonetoTecleado(int teclas)
{
    std::vector<std::u16string> l(std::begin(kSoneto), std::end(kSoneto));
    const std::u16string &v = kSoneto[7];
    l[7] = v.substr(0, size_t(teclas) % (v.size() + 1));
    return l;
}

void analizarSoneto(benchmark::State &estado, bool guardando)
{
    Analizador guardado;
    int teclas = 0;
    for (auto _ : estado) {
        const std::vector<std::u16string> l = sonetoTecleado(++teclas);
        const std::vector<std::u16string_view> v(l.begin(), l.end());
        Analizador nuevo;
        benchmark::DoNotOptimize((guardando ? guardado : nuevo).analizar(v));
    }
}
// A 200-line poem (the sonnet over and over) after a keystroke in its 100th line.
void BM_Poema200TrasTecla(benchmark::State &estado)
{
    std::vector<std::u16string> l;
    for (int i = 0; l.size() < 200; ++i)
        l.push_back(kSoneto[size_t(i) % std::size(kSoneto)] + (kSoneto[size_t(i) % std::size(kSoneto)].empty() ? u"" : u" y") + std::u16string(size_t(i % 3), u'a'));
    const std::u16string original = l[100];
    Analizador a;
    int teclas = 0;
    for (auto _ : estado) {
        l[100] = original.substr(0, original.size() - size_t(++teclas % 4));
        const std::vector<std::u16string_view> v(l.begin(), l.end());
        benchmark::DoNotOptimize(a.analizar(v));
    }
}
BENCHMARK(BM_Poema200TrasTecla)->Unit(benchmark::kMicrosecond);

void BM_SonetoTrasTecla(benchmark::State &e) { analizarSoneto(e, true); }
void BM_SonetoTrasTecla_todoDeNuevo(benchmark::State &e) { analizarSoneto(e, false); }
BENCHMARK(BM_SonetoTrasTecla)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SonetoTrasTecla_todoDeNuevo)->Unit(benchmark::kMicrosecond);

// 20,000 different verses: the sonnet's lines with a word of the others put in.
std::vector<std::u16string> muchosVersos()
{
    std::vector<std::u16string> r;
    for (int i = 0; r.size() < 20000; ++i) {
        const std::u16string &a = kSoneto[size_t(i) % std::size(kSoneto)];
        const std::u16string &b = kSoneto[size_t(i / 17 + 3) % std::size(kSoneto)];
        if (a.empty()) {
            r.emplace_back();
            continue;
        }
        const size_t corte = b.find(u' ', size_t(i) % (b.size() + 1));
        r.push_back(b.substr(0, corte == std::u16string::npos ? 0 : corte) + u" " + a);
    }
    return r;
}

void BM_VersosSeguidos(benchmark::State &estado)
{
    const std::vector<std::u16string> l = muchosVersos();
    const std::vector<std::u16string_view> v(l.begin(), l.end());
    for (auto _ : estado) {
        Analizador a;
        benchmark::DoNotOptimize(a.analizar(v));
    }
    estado.SetItemsProcessed(int64_t(estado.iterations()) * int64_t(v.size()));
}
BENCHMARK(BM_VersosSeguidos)->Unit(benchmark::kMillisecond);

bool vocal(char16_t c) { return std::u16string_view(u"aeiouáéíóúüAEIOUÁÉÍÓÚy").find(c) != std::u16string_view::npos; }

// Vowel groups, one fewer for each vowel that meets a vowel across a blank.
int contarIngenuo(std::u16string_view s)
{
    int n = 0;
    bool antes = false, blanco = false;
    for (char16_t c : s) {
        const bool v = vocal(c);
        if (v && !antes)
            n += blanco ? 0 : 1;
        blanco = c == u' ' ? antes || blanco : false;
        if (c != u' ')
            antes = v;
    }
    return n;
}

void BM_VersosSeguidos_cuentaIngenua(benchmark::State &estado)
{
    const std::vector<std::u16string> l = muchosVersos();
    for (auto _ : estado)
        for (const std::u16string &s : l)
            benchmark::DoNotOptimize(contarIngenuo(s));
    estado.SetItemsProcessed(int64_t(estado.iterations()) * int64_t(l.size()));
}
BENCHMARK(BM_VersosSeguidos_cuentaIngenua)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
