// The window on the million-form store: a vowel-mode rhyme search from the
// click on its button to the results shown (grid, count and the definition of
// the word the list stands on), against the floor of the same search written
// into the grid's model alone.
// The data is bench/datos/formas-1m.lop (bench/preparar-datos.sh).

#include "app/principal.h"
#include "app/modelo_rimas.h"
#include "rhyme/rima.h"
#include "store/almacen.h"
#include "lista/lista_palabras.h"

#include "panel_web_vacio.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace rimario;

namespace {

struct Ventana {
    QTemporaryDir dir;
    std::unique_ptr<Principal> v;
    Ventana()
    {
        // A copy: the searches write their marks.
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QFile::copy(QStringLiteral(RIMARIO_DATOS_MEDIDAS "/formas-1m.lop"), ruta);
        {
            // The word the list stands on has a long archived definition, as a
            // poet's often has: what the window lays out when it shows it.
            auto a = Almacen::abrir(ruta);
            QString rtf = QStringLiteral("{\\rtf1\\ansi ");
            for (int i = 0; i < 400; ++i)
                rtf += QStringLiteral("\\b acepci\\'f3n %1.\\b0  Edificio para habitar, con sus partes y su uso.\\par\r\n").arg(i);
            ListaPalabras lista(*a);
            lista.releer();
            lista.cambiarSig(0, rtf + QLatin1Char('}'));
        }
        v = std::make_unique<Principal>(ruta, new PanelWebVacio);
        v->Form_Load();
        v->show();
        v->abrirLista();
        v->Voc->click(); // vowel mode; the search box empty, the list on its first word
        QCoreApplication::processEvents();
    }
};

std::unique_ptr<Ventana> abierta; // closed before the application ends

Ventana &ventana()
{
    if (!abierta)
        abierta = std::make_unique<Ventana>();
    return *abierta;
}

// The click on "Buscar rimas (vocales)" until the window has shown its results.
void clic(benchmark::State &st, const char *palabra, int pestana)
{
    Ventana &w = ventana();
    w.v->SS->setCurrentIndex(pestana);
    const QString p = QString::fromUtf8(palabra);
    for (auto _ : st) {
        w.v->Pal->setText(p); // the list's move puts its own word there
        w.v->Rima->click();
        QCoreApplication::processEvents();
    }
    st.counters["filas"] = double(w.v->DRim[pestana]->rowCount());
}

// The floor: the same search, its marks committed, its rows put in the grid's model.
void busqueda(benchmark::State &st, const char *palabra, int pestana)
{
    Ventana &w = ventana();
    const QString p = QString::fromUtf8(palabra);
    for (auto _ : st) {
        auto r = marcarRimasVocales(*w.v->almacen(), w.v->DPal->lexico(), p, pestana + 2, false);
        w.v->DRim[pestana]->poner(std::move(*r));
    }
    st.counters["filas"] = double(w.v->DRim[pestana]->rowCount());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QFile::exists(QStringLiteral(RIMARIO_DATOS_MEDIDAS "/formas-1m.lop"))) {
        std::fprintf(stderr, "Falta %s: ejecute bench/preparar-datos.sh.\n", RIMARIO_DATOS_MEDIDAS "/formas-1m.lop");
        return 1;
    }
    // "deseo" in tab 2: the commonest two-vowel ending, the most rows.
    for (const auto &[palabra, pestana] : {std::pair("deseo", 0), std::pair("murciélago", 3)}) {
        const std::string nombre = std::string("ventana/vocales/") + palabra + "/n" + std::to_string(pestana + 2);
        benchmark::RegisterBenchmark((nombre + "/clic").c_str(), clic, palabra, pestana)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
        benchmark::RegisterBenchmark((nombre + "/busqueda").c_str(), busqueda, palabra, pestana)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    abierta.reset();
    return 0;
}
