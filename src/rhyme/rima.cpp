#include "rhyme/rima.h"

#include "language/caracteres.h"
#include "language/patron.h"
#include "language/silabas.h"
#include "language/vocales.h"
#include "store/almacen.h"
#include "lista/lexico.h"

#include <algorithm>
#include <cstring>

namespace rimario {

void ResultadoRima::cambiarPal(qsizetype i, const QString &pal)
{
    inicio_[size_t(i)] = uint32_t(textos_.size());
    largo_[size_t(i)] = uint32_t(pal.size());
    textos_ += pal;
}

ResultadoRima ResultadoRima::desde(const Lexico &lexico, const std::vector<qsizetype> &posiciones)
{
    // One allocation for all the words: results run to hundreds of thousands of rows.
    ResultadoRima r;
    const size_t n = posiciones.size();
    r.ids_.resize(n);
    r.inicio_.resize(n);
    r.largo_.resize(n);
    qsizetype total = 0;
    for (size_t i = 0; i < n; ++i) {
        const qsizetype l = lexico.pal(posiciones[i]).size();
        r.inicio_[i] = uint32_t(total);
        r.largo_[i] = uint32_t(l);
        total += l;
    }
    r.textos_.resize(total);
    QChar *destino = r.textos_.data();
    for (size_t i = 0; i < n; ++i) {
        const QStringView t = lexico.pal(posiciones[i]);
        r.ids_[i] = lexico.id(posiciones[i]);
        if (!t.isEmpty()) // an empty word may have no storage at all (null data)
            std::memcpy(destino + r.inicio_[i], t.data(), size_t(t.size()) * sizeof(QChar));
    }
    return r;
}

std::vector<qsizetype> posicionesCompletas(const Lexico &lexico, QStringView palabra, int n, bool igualTamano)
{
    const QString fin = ultimosCaracteres(palabra, n);
    const qsizetype caracteres = igualTamano ? numeroDeCaracteres(palabra) : -1;
    std::vector<qsizetype> pos;
    if (tieneComodines(fin)) {
        QString error;
        const auto patron = Patron::compilar(QStringLiteral("*") + fin, &error);
        if (!patron)
            throw Error(QStringLiteral("La terminación «%1» no se puede buscar: %2.").arg(fin, error));
        lexico.queCoinciden(*patron, palabra, caracteres, pos);
    } else {
        lexico.terminadasEn(fin, palabra, caracteres, pos);
    }
    return pos;
}

ResultadoRima rimasCompletas(const Lexico &lexico, QStringView palabra, int n, bool igualTamano)
{
    return ResultadoRima::desde(lexico, posicionesCompletas(lexico, palabra, n, igualTamano));
}

ResultadoRima rimasVocales(const Lexico &lexico, QStringView fin, std::optional<qsizetype> caracteres)
{
    std::vector<qsizetype> pos;
    lexico.vocalesTerminadasEn(fin, caracteres.value_or(-1), pos);
    return ResultadoRima::desde(lexico, pos);
}

namespace {
struct ReglaVocales {
    QString fin;
    std::optional<qsizetype> caracteres;
};
std::optional<ReglaVocales> reglaVocales(QStringView palabra, int n, bool igualTamano)
{
    const QString esqueleto = ExtraeVocales(palabra);
    if (esqueleto.size() < n)
        return std::nullopt;
    ReglaVocales r{esqueleto.right(n), std::nullopt};
    if (igualTamano)
        r.caracteres = numeroDeCaracteres(palabra);
    return r;
}
} // namespace

std::optional<std::vector<qsizetype>> posicionesVocalesDe(const Lexico &lexico, QStringView palabra, int n,
                                                          bool igualTamano)
{
    const auto r = reglaVocales(palabra, n, igualTamano);
    if (!r)
        return std::nullopt;
    std::vector<qsizetype> pos;
    lexico.vocalesTerminadasEn(r->fin, r->caracteres.value_or(-1), pos);
    return pos;
}

std::optional<ResultadoRima> rimasVocalesDe(const Lexico &lexico, QStringView palabra, int n, bool igualTamano)
{
    const auto pos = posicionesVocalesDe(lexico, palabra, n, igualTamano);
    if (!pos)
        return std::nullopt;
    return ResultadoRima::desde(lexico, *pos);
}

std::optional<ResultadoRima> marcarRimasVocales(Almacen &almacen, const Lexico &lexico,
                                                QStringView palabra, int n, bool igualTamano)
{
    const auto r = reglaVocales(palabra, n, igualTamano);
    if (!r)
        return std::nullopt;
    almacen.marcarVocales(n, r->fin, r->caracteres);
    return rimasVocales(lexico, r->fin, r->caracteres);
}

std::vector<qsizetype> posicionesPorClave(const Lexico &lexico, QStringView palabra, TipoRima tipo,
                                          std::optional<int> silabas)
{
    const AnalisisSilabico a = analizarPalabra(palabra);
    if (!a.valido)
        throw Error(QStringLiteral("«%1» no se puede dividir en sílabas (%2): no tiene rimas %3.")
                        .arg(palabra, a.motivo,
                             tipo == TipoRima::Consonante ? QStringLiteral("consonantes") : QStringLiteral("asonantes")));
    std::vector<qsizetype> posiciones;
    lexico.riman(tipo, tipo == TipoRima::Consonante ? a.claveConsonante : a.claveAsonante, silabas.value_or(-1),
                 posiciones);
    std::erase_if(posiciones, [&](qsizetype p) { return lexico.pal(p).compare(palabra, Qt::CaseInsensitive) == 0; });
    return posiciones;
}

ResultadoRima rimasPorClave(const Lexico &lexico, QStringView palabra, TipoRima tipo, bool mismasSilabas)
{
    std::optional<int> silabas;
    if (mismasSilabas)
        if (const AnalisisSilabico a = analizarPalabra(palabra); a.valido)
            silabas = a.numSilabas();
    return ResultadoRima::desde(lexico, posicionesPorClave(lexico, palabra, tipo, silabas));
}

std::optional<std::vector<qsizetype>> posicionesDe(const Lexico &lexico, QStringView palabra, const ModoRima &modo)
{
    switch (modo.tipo) {
    case TipoRima::Consonante:
    case TipoRima::Asonante:
        return posicionesPorClave(lexico, palabra, modo.tipo, modo.silabas);
    case TipoRima::Vocales:
        return posicionesVocalesDe(lexico, palabra, modo.letras, modo.igualTamano);
    case TipoRima::Completa:
        break;
    }
    if (numeroDeCaracteres(palabra) < modo.letras)
        return std::nullopt;
    return posicionesCompletas(lexico, palabra, modo.letras, modo.igualTamano);
}

} // namespace rimario
