// rimario-cli buscar [--almacen ALMACEN] [--vocales] [--igual-tamano] -n N PALABRA
// Runs the window's rhyme search on a store, read-only: in vowel mode it gives
// the rows that the marks would select, without writing them.

#include "argumentos.h"
#include "language/caracteres.h"
#include "ordenes.h"
#include "rhyme/rima.h"
#include "store/almacen.h"
#include "store/lexico.h"
#include "ubicacion/ubicacion.h"

#include <cstdio>
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

// Consonant or assonant rhymes by the list's keys: the word itself left out.
int buscarPorClave(const QString &ruta, bool consonante, std::optional<int> silabas, const QString &palabra)
{
    auto almacen = Almacen::abrir(ruta, true);
    Lexico lexico(almacen->colador());
    lexico.cargar(*almacen);
    const std::vector<qsizetype> pos = posicionesPorClave(lexico, palabra, consonante, silabas);
    imprimir(lexico, pos);
    return 0;
}
} // namespace

int ordenBuscar(const QStringList &args)
{
    Argumentos a(QStringLiteral("buscar"), QString::fromUtf8(kUso),
                 QStringLiteral("Busca en un almacén, sin cambiarlo, las palabras que riman con PALABRA: por sus últimas\n"
                                "N letras o, con --vocales, por sus últimas N vocales; o, con --consonante o --asonante,\n"
                                "desde la vocal tónica. Escribe una palabra por línea, en el orden del almacén."));
    a.argumento(QStringLiteral("PALABRA"), QStringLiteral("la palabra (o la terminación con comodines * ? # [ ])"));
    a.opcion({QStringLiteral("almacen")}, QStringLiteral("el almacén (si no se da: data.lop de la carpeta actual, o el de la ventana)"),
             QStringLiteral("ALMACEN"));
    a.opcion({QStringLiteral("n")}, QStringLiteral("cuántas letras o vocales del final deben coincidir (2 a 7)"),
             QStringLiteral("N"));
    a.opcion({QStringLiteral("vocales")}, QStringLiteral("compara solo las vocales"));
    a.opcion({QStringLiteral("igual-tamano")}, QStringLiteral("solo palabras con tantas letras como PALABRA"));
    a.opcion({QStringLiteral("consonante")}, QStringLiteral("rima consonante: todos los sonidos desde la vocal tónica"));
    a.opcion({QStringLiteral("asonante")}, QStringLiteral("rima asonante: las vocales desde la vocal tónica"));
    a.opcion({QStringLiteral("silabas")}, QStringLiteral("con --consonante o --asonante, solo palabras de N sílabas"),
             QStringLiteral("N"));
    if (const auto fin = a.leer(args))
        return *fin;
    const QString ruta = a.tiene(QStringLiteral("almacen")) ? a.valor(QStringLiteral("almacen")) :
        QString::fromStdString(ubicacion::almacenPorOmision());
    const bool vocales = a.tiene(QStringLiteral("vocales")), igual = a.tiene(QStringLiteral("igual-tamano"));
    const bool consonante = a.tiene(QStringLiteral("consonante")), asonante = a.tiene(QStringLiteral("asonante"));
    std::optional<int> silabas;
    if (a.tiene(QStringLiteral("silabas"))) {
        bool ok = false;
        silabas = a.valor(QStringLiteral("silabas")).toInt(&ok);
        if (!ok || *silabas < 1)
            return a.errorDeUso(QStringLiteral("El número de sílabas debe ser un número entero positivo."));
    }
    int n = 0;
    if (a.tiene(QStringLiteral("n"))) {
        bool ok = false;
        n = a.valor(QStringLiteral("n")).toInt(&ok);
        if (!ok || n < kLongitudMinima || n > kLongitudMaxima)
            return a.errorDeUso(QStringLiteral("La longitud de la rima debe ser un número de %1 a %2.")
                                    .arg(kLongitudMinima)
                                    .arg(kLongitudMaxima));
    }
    const QStringList palabras = a.posicionales();
    if (palabras.size() > 1)
        return a.errorDeUso(QStringLiteral("Argumento no válido: «%1».").arg(palabras[1]));
    const QString palabra = palabras.value(0);
    const bool porClave = consonante || asonante;
    if (palabra.isEmpty() || (consonante && asonante) || (porClave && (vocales || igual || n))
        || (!porClave && (n == 0 || silabas)))
        return a.errorDeUso();
    try {
        if (porClave)
            return buscarPorClave(ruta, consonante, silabas, palabra);
        auto almacen = Almacen::abrir(ruta, true);
        Lexico lexico(almacen->colador());
        lexico.cargar(*almacen);
        std::vector<qsizetype> pos;
        if (!vocales) {
            if (numeroDeCaracteres(palabra) < n)
                return 0;
            pos = posicionesCompletas(lexico, palabra, n, igual);
        } else {
            auto marcadas = posicionesVocalesDe(lexico, palabra, n, igual);
            if (!marcadas)
                return 0;
            pos = std::move(*marcadas);
        }
        imprimir(lexico, pos);
    } catch (const Error &e) {
        error(e.mensaje());
        return 1;
    }
    return 0;
}

} // namespace rimario::cli
