// rimario-cli buscar [--almacen ALMACEN] [--vocales] [--igual-tamano] -n N PALABRA
// Runs the window's rhyme search on a store, read-only: in vowel mode it gives
// the rows that the marks would select, without writing them.

#include "argumentos.h"
#include "language/caracteres.h"
#include "opciones_buscar.h"
#include "ordenes.h"
#include "rhyme/rima.h"
#include "store/almacen.h"
#include "lista/instantanea.h"
#include "lista/lexico.h"
#include "ubicacion/ubicacion.h"

#include <QFile>

#include <atomic>
#include <cstdio>
#include <future>
#include <optional>
#include <vector>

namespace rimario::cli {

namespace {
const char *const kUso =
    "Uso: rimario-cli buscar [--almacen ALMACEN] [--vocales] [--igual-tamano] -n N PALABRA\n"
    "     rimario-cli buscar [--almacen ALMACEN] (--consonante | --asonante) [--silabas N] PALABRA";

// One word a line.
void imprimir(const Lexico &lexico, const std::vector<qsizetype> &pos)
{
    lexico.lineasUtf8(pos, [](const char *p, size_t n) { std::fwrite(p, 1, n, stdout); });
    std::fflush(stdout);
}

} // namespace

int ordenBuscar(const QStringList &args)
{
    Argumentos a(QStringLiteral("buscar"), QString::fromUtf8(kUso),
                 QStringLiteral("Busca en un almacén, sin cambiarlo, las palabras que riman con PALABRA: por sus últimas\n"
                                "N letras o, con --vocales, por sus últimas N vocales; o, con --consonante o --asonante,\n"
                                "desde la vocal tónica. Escribe una palabra por línea, en el orden del almacén."));
    a.argumento(QStringLiteral("PALABRA"), QStringLiteral("la palabra (o la terminación con comodines * ? # [ ])"));
    for (const DescripcionOpcion &d : kOpcionesBuscar)
        a.opcion({QLatin1String(d.nombre)}, QString::fromUtf8(d.ayuda), d.valor ? QLatin1String(d.valor) : QString());
    if (const auto fin = a.leer(args))
        return *fin;
    const QString ruta = a.tiene(QStringLiteral("almacen")) ? a.valor(QStringLiteral("almacen")) :
        QString::fromStdString(ubicacion::almacenPorOmision());
    OpcionesDadas dadas;
    for (const DescripcionOpcion &d : kOpcionesBuscar)
        dadas.dadas[size_t(d.opcion)] = a.tiene(QLatin1String(d.nombre));
    if (a.tiene(QStringLiteral("silabas"))) {
        bool ok = false;
        dadas.silabas = a.valor(QStringLiteral("silabas")).toInt(&ok);
        if (!ok || *dadas.silabas < 1)
            return a.errorDeUso(QStringLiteral("El número de sílabas debe ser un número entero positivo."));
    }
    if (a.tiene(QStringLiteral("n"))) {
        bool ok = false;
        dadas.n = a.valor(QStringLiteral("n")).toInt(&ok);
        if (!ok || dadas.n < kLongitudMinima || dadas.n > kLongitudMaxima)
            return a.errorDeUso(QStringLiteral("La longitud de la rima debe ser un número de %1 a %2.")
                                    .arg(kLongitudMinima)
                                    .arg(kLongitudMaxima));
    }
    const QStringList palabras = a.posicionales();
    if (palabras.size() > 1)
        return a.errorDeUso(QStringLiteral("Argumento no válido: «%1».").arg(palabras[1]));
    const QString palabra = palabras.value(0);
    const std::optional<ModoRima> modo = modoDeOpciones(dadas);
    if (palabra.isEmpty() || !modo)
        return a.errorDeUso();
    try {
        auto almacen = Almacen::abrir(ruta, true);
        Lexico lexico(almacen->colador());
        lexico.cargar(*almacen);
        // A snapshot is checked whole while the search runs; a damaged one is
        // removed and the rows read instead (not kept when it cannot be removed).
        std::atomic<bool> parar = false;
        std::future<bool> intacta;
        if (auto comprobar = lexico.comprobacionDeInstantanea())
            intacta = std::async(std::launch::async, [&parar, comprobar] { return comprobar(parar); });
        auto pos = posicionesDe(lexico, palabra, *modo);
        if (intacta.valid() && !intacta.get()) {
            if (!QFile::remove(rutaInstantanea(almacen->ruta())))
                qputenv("RIMARIO_CACHE", QByteArray());
            lexico.cargar(*almacen);
            pos = posicionesDe(lexico, palabra, *modo);
        }
        if (pos)
            imprimir(lexico, *pos);
    } catch (const Error &e) {
        error(e.mensaje());
        return 1;
    }
    return 0;
}

} // namespace rimario::cli
