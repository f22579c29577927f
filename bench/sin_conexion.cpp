// The offline synonym and English pages made from the dictionaries installed
// on the machine (mythes-es, dict-freedict-spa-eng): "frio" opens the files
// for each page, as the first lookup of a session does; "caliente" reuses the
// sources opened, as every later lookup does. Run with bench/ejecutar.sh.

#include "lookup/paginas_sin_conexion.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

using namespace rimario;

void pagina(benchmark::State &st, FuenteSinConexion f, const char *palabra, bool frio)
{
    const FuentesSinConexion fuentes = FuentesSinConexion::porDefecto();
    if (!fuentes.instalada(f)) {
        st.SkipWithError(qPrintable(mensajeFuenteAusente(f)));
        return;
    }
    const QUrl direccion(direccionSinConexion(f, QString::fromUtf8(palabra)));
    ConsultasSinConexion consultas(fuentes);
    consultas.pagina(direccion);
    qint64 bytes = 0;
    for (auto _ : st) {
        if (frio) {
            ConsultasSinConexion nuevas(fuentes);
            bytes = nuevas.pagina(direccion).size();
        } else {
            bytes = consultas.pagina(direccion).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    st.counters["bytes"] = double(bytes);
}

} // namespace

int main(int argc, char **argv)
{
    using benchmark::RegisterBenchmark;
    for (const bool frio : {true, false})
        for (const char *p : {"casa", "canción", "zzz"}) {
            const std::string n = std::string(frio ? "frio/" : "caliente/") + p;
            RegisterBenchmark(("sinonimos/" + n).c_str(), pagina, FuenteSinConexion::Sinonimos, p, frio)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
            RegisterBenchmark(("ingles/" + n).c_str(), pagina, FuenteSinConexion::Ingles, p, frio)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
