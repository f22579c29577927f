// rimario-cli crear --lista PALABRAS.txt ALMACEN

#include "argumentos.h"
#include "language/numeros.h"
#include "language/silabas.h"
#include "language/vocales.h"
#include "ordenes.h"
#include "store/almacen.h"
#include "store/publicar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <future>
#include <vector>

#include <cstdio>

namespace rimario::cli {

int ordenCrear(const QStringList &args)
{
    Argumentos a(QStringLiteral("crear"), QStringLiteral("Uso: rimario-cli crear --lista PALABRAS.txt ALMACEN"),
                 QStringLiteral("Crea un almacén nuevo con las palabras de una lista en UTF-8, una por línea (las líneas\n"
                                "en blanco y las repetidas se saltan). No sobrescribe nada: ALMACEN no debe existir."));
    a.argumento(QStringLiteral("ALMACEN"), QStringLiteral("el almacén que se crea"));
    a.opcion({QStringLiteral("lista")}, QStringLiteral("la lista de palabras"), QStringLiteral("PALABRAS.txt"));
    if (const auto fin = a.leer(args))
        return *fin;
    const QString lista = a.valor(QStringLiteral("lista"));
    const QStringList posicionales = a.posicionales();
    if (posicionales.size() > 1)
        return a.errorDeUso(QStringLiteral("Argumento no válido: «%1».").arg(posicionales[1]));
    const QString destino = posicionales.value(0);
    if (lista.isEmpty() || destino.isEmpty())
        return a.errorDeUso();
    // A link, even one to nothing, is not written through.
    if (QFileInfo::exists(destino) || QFileInfo(destino).isSymLink()) {
        error(QStringLiteral("«%1» ya existe: no se sobrescribe.").arg(destino));
        return 1;
    }
    QFile entrada(lista);
    if (!entrada.open(QIODevice::ReadOnly)) {
        error(QStringLiteral("No se puede leer la lista «%1»: %2.").arg(lista, entrada.errorString()));
        return 1;
    }
    const QByteArray bruto = entrada.readAll();
    if (entrada.error() != QFileDevice::NoError) {
        error(QStringLiteral("No se puede leer la lista «%1»: %2.").arg(lista, entrada.errorString()));
        return 1;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8.decode(bruto);
    if (utf8.hasError()) {
        error(QStringLiteral("La lista «%1» no está en UTF-8.").arg(lista));
        return 1;
    }
    // CR LF, CR and LF all end a line.
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texto.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lineas = texto.split(QLatin1Char('\n'));
    // A word with a control character (NUL, tab, escape…) is refused, with nothing written.
    for (qsizetype n = 0; n < lineas.size(); ++n) {
        const QString palabra = lineas[n].trimmed();
        for (const QChar c : palabra) {
            if (c.category() == QChar::Other_Control) {
                error(QStringLiteral("La línea %1 de «%2» tiene un carácter de control (U+%3) en la palabra: "
                                     "no se ha creado el almacén.")
                          .arg(n + 1)
                          .arg(lista, QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
                return 1;
            }
        }
    }

    // Written under a temporary name beside the destination, moved into place when complete.
    // What an earlier run killed before the end left there goes first.
    quitarTemporalesHuerfanos(destino);
    QString rutaTemporal;
    try {
        rutaTemporal = nombreTemporalJunto(destino);
    } catch (const ErrorAlmacen &e) {
        error(e.mensaje());
        return 1;
    }

    qint64 escritas = 0;
    try {
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
                    error(QStringLiteral("… %1 de %2 líneas").arg(numeroEscrito(avisadas * 100000), numeroEscrito(lineas.size())));
                }
            }
        }
        lote.confirmar();
    } catch (const ErrorAlmacen &e) {
        QFile::remove(rutaTemporal);
        QFile::remove(rutaTemporal + QStringLiteral("-journal"));
        error(e.mensaje());
        return 1;
    }
    // Into place in one step, never over anything that took the name meanwhile.
    if (publicar(rutaTemporal, destino) != 0) {
        QFile::remove(rutaTemporal);
        error(QStringLiteral("No se pudo dejar el almacén en «%1».").arg(destino));
        return 1;
    }
    error(QStringLiteral("Almacén «%1» creado con %2 palabras.").arg(destino, numeroEscrito(escritas)));
    return 0;
}

} // namespace rimario::cli
