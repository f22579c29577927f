// A definition shown in the view, from the RTF read to the layout done, for the
// worst kinds the reader accepts, each the largest it accepts; beside each, the
// same text set as plain text in the same view (the layout alone, as Qt does it).

#include "app/definicion_en_vista.h"
#include "richtext/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

using Generador = std::function<QString(int)>;

QString rtf(const QString &cuerpo) { return QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 MS Sans Serif;}}\\fs17 ") + cuerpo + u'}'; }

QString tabla(const QString &cabecera, const QString &cada, int n)
{
    QString r;
    for (int i = 0; i < n; ++i)
        r += cada.arg(i % 1000);
    return rtf(cabecera + r);
}

// The largest n whose text the reader still accepts.
int mayorAceptado(const Generador &g)
{
    int bajo = 1, alto = 1;
    while (rimario::demasiadoGrande(g(alto)).isEmpty())
        bajo = alto, alto *= 2;
    while (alto - bajo > 1) {
        const int medio = bajo + (alto - bajo) / 2;
        (rimario::demasiadoGrande(g(medio)).isEmpty() ? bajo : alto) = medio;
    }
    return bajo;
}

QString fuentesYColores()
{
    QString f = QStringLiteral("{\\fonttbl"), c = QStringLiteral("{\\colortbl ;");
    for (int i = 0; i < 1000; ++i) {
        f += QStringLiteral("{\\f%1\\fnil Fuente %1;}").arg(i);
        c += QStringLiteral("\\red%1\\green%2\\blue7;").arg(i % 256).arg(i / 4);
    }
    return f + u'}' + c + u'}';
}

QString hex(int n) { return QStringLiteral("0123456789abcdef").repeated(n / 16 + 1).left(n); }

const std::pair<const char *, Generador> kTipos[] = {
    {"separadores_de_linea", [](int n) { return rtf(QStringLiteral("\\u8232 x").repeated(n)); }},
    {"separadores_de_parrafo", [](int n) { return rtf(QStringLiteral("\\u8233 x").repeated(n)); }},
    {"parrafos", [](int n) { return rtf(QStringLiteral("x\\par ").repeated(n)); }},
    {"celdas", [](int n) { return rtf(QStringLiteral("\\trowd\\cellx900\\cellx1800\\intbl a\\cell b\\cell\\row ").repeated(n)); }},
    {"grupos_anidados", [](int n) { return rtf((QString(600, u'{') + QStringLiteral("\\b x") + QString(600, u'}') + u' ').repeated(n)); }},
    {"fuentes_y_colores", [](int n) { return tabla(fuentesYColores(), QStringLiteral("\\f%1\\cf%1\\fs%1 x "), n); }},
    {"formato_por_letra", [](int n) { return rtf(QStringLiteral("\\b a\\b0 b").repeated(n)); }},
    {"formato_por_letra_en_palabras", [](int n) { return rtf((QStringLiteral("\\b a\\b0 b").repeated(2000) + u' ').repeated(n)); }},
    {"acepciones", [](int n) { return rtf(QStringLiteral("\\b acepci\\'f3n %1.\\b0  Composici\\'f3n en verso \\u955? {\\i que} se canta.\\par\r\n").repeated(n)); }},
    {"texto_corrido", [](int n) { return rtf(QStringLiteral("palabra ").repeated(n)); }},
    {"letra_enorme", [](int n) { return rtf(QStringLiteral("\\fs3276 ") + QStringLiteral("x\\line ").repeated(n)); }},
    {"bin", [](int n) { return rtf(QStringLiteral("x {\\pict\\bin%1 %2}").arg(n).arg(QString(n, u'z'))); }},
    {"imagen", [](int n) { return rtf(QStringLiteral("x {\\pict\\pngblip %1}").arg(hex(n))); }},
    {"objeto", [](int n) { return rtf(QStringLiteral("x {\\object{\\*\\objdata %1}{\\result y}}").arg(hex(n))); }},
};

// The view as the window has it: its size, font and wrapping.
struct Vista {
    QTextEdit e;
    Vista()
    {
        e.resize(449, 465);
        e.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        e.setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
        e.show();
        QCoreApplication::processEvents();
    }
    // The view's wrapping, as the window sets it.
    void terminar()
    {
        if (rimario::tramoMasLargo(e.toPlainText()) <= rimario::kTramoSinCortes)
            e.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        benchmark::DoNotOptimize(e.document()->documentLayout()->documentSize());
        QCoreApplication::processEvents();
    }
};

void mostrar(benchmark::State &estado, const Generador &g, bool plano)
{
    const QString texto = g(mayorAceptado(g));
    Vista v;
    rimario::leerRtf(texto, v.e.document());
    const QString soloTexto = v.e.toPlainText();
    if (soloTexto.startsWith(QStringLiteral("Esta definición es demasiado grande")))
        estado.SkipWithError("rechazada");
    for (auto _ : estado) {
        v.e.clear();
        v.e.setWordWrapMode(QTextOption::WordWrap);
        QCoreApplication::processEvents();
        if (plano)
            v.e.setPlainText(soloTexto);
        else
            rimario::leerRtf(texto, v.e.document());
        v.terminar();
    }
    estado.counters["caracteres"] = double(texto.size());
    estado.counters["bloques"] = v.e.document()->blockCount();
    estado.counters["alto_px"] = v.e.document()->documentLayout()->documentSize().height();
}

// As the window shows it (DefinicionEnVista: a long text read on another
// thread): the time the view takes to take the text (the event loop held),
// then the read, the view's taking of the document read and Qt's own layout
// of the rest, a step at a time from the event loop, until the last
// paragraph is laid out: how long in all, and the longest the event loop
// waits meanwhile.
void enLaVista(benchmark::State &estado, const Generador &g)
{
    const QString texto = g(mayorAceptado(g));
    Vista v;
    rimario::DefinicionEnVista definicion(&v.e);
    double tomar = 0, total = 0, espera = 0;
    for (auto _ : estado) {
        definicion.poner(QStringView());
        QCoreApplication::processEvents();
        QElapsedTimer reloj;
        reloj.start();
        definicion.poner(texto);
        tomar = std::max(tomar, reloj.nsecsElapsed() / 1e6);
        qint64 antes = reloj.nsecsElapsed();
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const qint64 ahora = reloj.nsecsElapsed();
            espera = std::max(espera, (ahora - antes) / 1e6);
            antes = ahora;
            const QTextLayout *l = v.e.document()->lastBlock().layout();
            if ((!definicion.leyendo() && l && l->lineCount() > 0) || ahora > qint64(60e9))
                break;
        }
        total = std::max(total, reloj.nsecsElapsed() / 1e6);
    }
    estado.counters["tomar_ms"] = tomar;
    estado.counters["total_ms"] = total;
    estado.counters["espera_max_ms"] = espera;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    for (const auto &[nombre, g] : kTipos) {
        benchmark::RegisterBenchmark((std::string("BM_Definicion/") + nombre).c_str(), [g = g](benchmark::State &e) { mostrar(e, g, false); })
            ->Unit(benchmark::kMillisecond)->Iterations(2);
        benchmark::RegisterBenchmark((std::string("BM_Definicion/") + nombre + "_texto_plano").c_str(), [g = g](benchmark::State &e) { mostrar(e, g, true); })
            ->Unit(benchmark::kMillisecond)->Iterations(2);
        benchmark::RegisterBenchmark((std::string("BM_Definicion/") + nombre + "_en_la_vista").c_str(), [g = g](benchmark::State &e) { enLaVista(e, g); })
            ->Unit(benchmark::kMillisecond)->Iterations(1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
