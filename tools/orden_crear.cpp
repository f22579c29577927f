// rimario-cli crear --lista PALABRAS.txt ALMACEN

#include "almacen.h"
#include "ordenes.h"
#include "vocales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryFile>

namespace rimario::cli {

int ordenCrear(const QStringList &args)
{
    QString lista, destino;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--lista") && i + 1 < args.size())
            lista = args[++i];
        else if (destino.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            destino = args[i];
        else {
            error(QStringLiteral("Argumento no válido: «%1».\nUso: rimario-cli crear --lista PALABRAS.txt ALMACEN").arg(args[i]));
            return 2;
        }
    }
    if (lista.isEmpty() || destino.isEmpty()) {
        error(QStringLiteral("Uso: rimario-cli crear --lista PALABRAS.txt ALMACEN"));
        return 2;
    }
    if (QFileInfo::exists(destino)) {
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
    const QString texto = utf8.decode(bruto);
    if (utf8.hasError()) {
        error(QStringLiteral("La lista «%1» no está en UTF-8.").arg(lista));
        return 1;
    }

    // Written under a temporary name beside the destination, moved into place when complete.
    const QFileInfo info(destino);
    QTemporaryFile temporal(info.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(info.fileName())));
    if (!temporal.open()) {
        error(QStringLiteral("No se puede escribir en la carpeta de «%1»: %2.").arg(destino, temporal.errorString()));
        return 1;
    }
    const QString rutaTemporal = temporal.fileName();
    temporal.close();
    QFile::remove(rutaTemporal);

    qint64 escritas = 0;
    try {
        auto almacen = Almacen::crear(rutaTemporal);
        const QStringList lineas = texto.split(QLatin1Char('\n'));
        const bool largo = lineas.size() > 50000;
        QSet<QString> vistas;
        vistas.reserve(lineas.size());
        Almacen::Lote lote(*almacen);
        qsizetype n = 0;
        for (const QString &l : lineas) {
            ++n;
            const QString palabra = l.trimmed();
            if (palabra.isEmpty() || vistas.contains(palabra))
                continue;
            vistas.insert(palabra);
            Fila f;
            f.pal = palabra;
            f.voc = ExtraeVocales(palabra);
            lote.insertar(f);
            ++escritas;
            if (largo && n % 100000 == 0)
                error(QStringLiteral("… %1 de %2 líneas").arg(n).arg(lineas.size()));
        }
        lote.confirmar();
    } catch (const ErrorAlmacen &e) {
        QFile::remove(rutaTemporal);
        QFile::remove(rutaTemporal + QStringLiteral("-journal"));
        error(e.mensaje());
        return 1;
    }
    if (QFileInfo::exists(destino) || !QFile::rename(rutaTemporal, destino)) {
        QFile::remove(rutaTemporal);
        error(QStringLiteral("No se pudo dejar el almacén en «%1».").arg(destino));
        return 1;
    }
    error(QStringLiteral("Almacén «%1» creado con %2 palabras.").arg(destino).arg(escritas));
    return 0;
}

} // namespace rimario::cli
