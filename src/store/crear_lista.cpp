#include "store/crear_lista.h"

#include "language/caracteres.h"
#include "language/numeros.h"
#include "language/silabas.h"
#include "language/vocales.h"
#include "store/almacen.h"
#include "store/publicar.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <future>
#include <vector>

namespace rimario {

namespace {
[[noreturn]] void fallar(const QString &mensaje)
{
    throw ErrorAlmacen(ErrorAlmacen::Tipo::General, mensaje);
}
} // namespace

qint64 crearDesdeLista(const QString &lista, const QString &destino, const std::function<void(const QString &)> &avisar)
{
    // A link, even one to nothing, is not written through.
    if (QFileInfo::exists(destino) || QFileInfo(destino).isSymLink())
        fallar(QStringLiteral("«%1» ya existe: no se sobrescribe.").arg(destino));
    QFile entrada(lista);
    if (!entrada.open(QIODevice::ReadOnly))
        fallar(QStringLiteral("No se puede leer la lista «%1»: %2.").arg(lista, entrada.errorString()));
    const QByteArray bruto = entrada.readAll();
    if (entrada.error() != QFileDevice::NoError)
        fallar(QStringLiteral("No se puede leer la lista «%1»: %2.").arg(lista, entrada.errorString()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8.decode(bruto);
    if (utf8.hasError())
        fallar(QStringLiteral("La lista «%1» no está en UTF-8.").arg(lista));
    // CR LF, CR and LF all end a line.
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texto.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lineas = texto.split(QLatin1Char('\n'));
    // A word with a control character (NUL, tab, escape…) or too long is refused, with nothing written.
    for (qsizetype n = 0; n < lineas.size(); ++n) {
        const QString palabra = lineas[n].trimmed();
        for (const QChar c : palabra) {
            if (c.category() == QChar::Other_Control)
                fallar(QStringLiteral("La línea %1 de «%2» tiene un carácter de control (U+%3) en la palabra: "
                                      "no se ha creado el almacén.")
                           .arg(n + 1)
                           .arg(lista, QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        }
        if (demasiadoLarga(palabra))
            fallar(QStringLiteral("La línea %1 de «%2» tiene una palabra de %3 caracteres (el máximo es %4): "
                                  "no se ha creado el almacén.")
                       .arg(numeroEscrito(n + 1), lista, numeroEscrito(numeroDeCaracteres(palabra)))
                       .arg(kMaxCaracteresPalabra));
    }

    // Written under a temporary name beside the destination, moved into place when complete.
    // What an earlier run killed before the end left there goes first.
    quitarTemporalesHuerfanos(destino);
    const QString rutaTemporal = nombreTemporalJunto(destino);
    // Whatever stops the writing, the temporary store goes with every file SQLite made beside it.
    auto quitar = qScopeGuard([&rutaTemporal] { quitarConAnexos(rutaTemporal); });

    qint64 escritas = 0;
    {
        auto almacen = Almacen::crear(rutaTemporal);
        const bool largo = lineas.size() > 50000;
        // Each word once, with the line it came from.
        std::vector<std::pair<QString, qsizetype>> palabras;
        {
            QSet<QString> vistas;
            vistas.reserve(lineas.size());
            for (qsizetype n = 0; n < lineas.size(); ++n) {
                QString palabra = lineas[n].trimmed();
                if (palabra.isEmpty() || vistas.contains(palabra))
                    continue;
                vistas.insert(palabra);
                palabras.emplace_back(std::move(palabra), n + 1);
            }
        }
        // The words' skeletons and syllables are made a block ahead, on another
        // thread, while the block before is written.
        constexpr size_t kBloque = 20000;
        using Bloque = std::vector<std::pair<QString, AnalisisSilabico>>;
        auto preparar = [&palabras](size_t desde) {
            Bloque b;
            for (size_t i = desde; i < std::min(desde + kBloque, palabras.size()); ++i)
                b.emplace_back(ExtraeVocales(palabras[i].first), analizarPalabra(palabras[i].first));
            return b;
        };
        Almacen::Lote lote(*almacen);
        qsizetype avisadas = 0; // hundreds of thousands of lines told
        std::future<Bloque> siguiente = std::async(std::launch::async, preparar, 0);
        for (size_t desde = 0; desde < palabras.size(); desde += kBloque) {
            const Bloque bloque = siguiente.get();
            if (desde + kBloque < palabras.size())
                siguiente = std::async(std::launch::async, preparar, desde + kBloque);
            for (size_t i = 0; i < bloque.size(); ++i) {
                const auto &[palabra, linea] = palabras[desde + i];
                Fila f;
                f.pal = palabra;
                f.voc = bloque[i].first;
                lote.insertar(f, bloque[i].second);
                ++escritas;
                if (largo && linea / 100000 > avisadas) {
                    avisadas = linea / 100000;
                    avisar(QStringLiteral("… %1 de %2 líneas").arg(numeroEscrito(avisadas * 100000), numeroEscrito(lineas.size())));
                }
            }
        }
        lote.confirmar();
    }
    // Into place in one step, never over anything that took the name meanwhile.
    if (const int rc = publicar(rutaTemporal, destino); rc == EEXIST)
        fallar(QStringLiteral("«%1» se creó mientras se escribía el almacén: no se sobrescribe.").arg(destino));
    else if (rc != 0)
        fallar(QStringLiteral("No se pudo dejar el almacén en «%1» (%2).")
                   .arg(destino, QString::fromLocal8Bit(std::strerror(rc))));
    quitar.dismiss();
    return escritas;
}

} // namespace rimario
