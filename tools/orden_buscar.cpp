// rimario-cli buscar [--almacen ALMACEN] [--vocales] [--igual-tamano] -n N PALABRA
// Runs the window's rhyme search on a store, read-only: in vowel mode it gives
// the rows that the marks would select, without writing them.

#include "language/caracteres.h"
#include "language/silabas.h"
#include "language/utf8.h"
#include "ordenes.h"
#include "rhyme/rima.h"
#include "store/almacen.h"
#include "store/lexico.h"

#include <string>

namespace rimario::cli {

namespace {
const char *const kUso =
    "Uso: rimario-cli buscar [--almacen ALMACEN] [--vocales] [--igual-tamano] -n N PALABRA\n"
    "     rimario-cli buscar [--almacen ALMACEN] (--consonante | --asonante) [--silabas N] PALABRA";

// One word a line, through one buffer of a fixed size.
template <class F> void imprimir(qsizetype n, F palabra)
{
    std::string bufer(size_t(1) << 16, '\0');
    char *d = bufer.data();
    for (qsizetype i = 0; i < n; ++i) {
        const QStringView p = palabra(i);
        const size_t cabe = size_t(p.size()) * 3 + 1;
        if (size_t(bufer.data() + bufer.size() - d) < cabe) {
            std::fwrite(bufer.data(), 1, size_t(d - bufer.data()), stdout);
            if (cabe > bufer.size())
                bufer.resize(cabe);
            d = bufer.data();
        }
        d = escribirUtf8(d, p);
        *d++ = '\n';
    }
    std::fwrite(bufer.data(), 1, size_t(d - bufer.data()), stdout);
    std::fflush(stdout);
}

// Consonant or assonant rhymes by the stored keys: the word itself left out.
int buscarPorClave(const QString &ruta, bool consonante, std::optional<int> silabas, const QString &palabra)
{
    const AnalisisSilabico a = analizarPalabra(palabra);
    if (!a.valido) {
        error(QStringLiteral("«%1» no se puede dividir en sílabas: %2.").arg(palabra, a.motivo));
        return 1;
    }
    auto almacen = Almacen::abrir(ruta, true);
    Lexico lexico(almacen->colador());
    lexico.cargar(*almacen);
    std::vector<qsizetype> pos;
    lexico.riman(consonante, consonante ? a.claveConsonante : a.claveAsonante, silabas.value_or(-1), pos);
    std::erase_if(pos, [&](qsizetype p) { return lexico.pal(p).compare(palabra, Qt::CaseInsensitive) == 0; });
    imprimir(qsizetype(pos.size()), [&](qsizetype i) { return lexico.pal(pos[size_t(i)]); });
    return 0;
}
}

int ordenBuscar(const QStringList &args)
{
    QString ruta = QStringLiteral("data.lop");
    QString palabra;
    bool hayPalabra = false, vocales = false, igual = false, consonante = false, asonante = false;
    int n = 0;
    std::optional<int> silabas;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--almacen") && i + 1 < args.size()) {
            ruta = args[++i];
        } else if (a == QLatin1String("--vocales")) {
            vocales = true;
        } else if (a == QLatin1String("--igual-tamano")) {
            igual = true;
        } else if (a == QLatin1String("--consonante")) {
            consonante = true;
        } else if (a == QLatin1String("--asonante")) {
            asonante = true;
        } else if (a == QLatin1String("--silabas") && i + 1 < args.size()) {
            bool ok = false;
            silabas = args[++i].toInt(&ok);
            if (!ok || *silabas < 1) {
                error(QStringLiteral("El número de sílabas debe ser un número entero positivo.\n%1")
                          .arg(QLatin1String(kUso)));
                return 2;
            }
        } else if (a == QLatin1String("-n") && i + 1 < args.size()) {
            bool ok = false;
            n = args[++i].toInt(&ok);
            if (!ok || n < kLongitudMinima || n > kLongitudMaxima) {
                error(QStringLiteral("La longitud de la rima debe ser un número de %1 a %2.\n%3")
                          .arg(kLongitudMinima).arg(kLongitudMaxima).arg(QLatin1String(kUso)));
                return 2;
            }
        } else if (a == QLatin1String("--")) {
            if (i + 1 < args.size() && !hayPalabra) {
                palabra = args[++i];
                hayPalabra = true;
            }
        } else if (!a.startsWith(QLatin1String("--")) && !hayPalabra) {
            palabra = a;
            hayPalabra = true;
        } else {
            error(QStringLiteral("Argumento no válido: «%1».\n%2").arg(a, QLatin1String(kUso)));
            return 2;
        }
    }
    const bool porClave = consonante || asonante;
    if (!hayPalabra || palabra.isEmpty() || (consonante && asonante) || (porClave && (vocales || igual || n))
        || (!porClave && (n == 0 || silabas))) {
        error(QString::fromUtf8(kUso));
        return 2;
    }
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
        imprimir(qsizetype(pos.size()), [&](qsizetype i) { return lexico.pal(pos[size_t(i)]); });
    } catch (const Error &e) {
        error(e.mensaje());
        return 1;
    }
    return 0;
}

} // namespace rimario::cli
