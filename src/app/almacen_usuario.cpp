#include "app/almacen_usuario.h"

#include "app/espera.h"
#include "store/almacen.h"
#include "store/publicar.h"
#include "ubicacion/ubicacion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rimario {

namespace {

ErrorAlmacen falloDeCopia(const QString &destino, const QString &motivo)
{
    return ErrorAlmacen(ErrorAlmacen::Tipo::General,
                        QStringLiteral("No se pudo preparar el almacén de palabras «%1»: %2. No se ha creado nada.")
                            .arg(QDir::toNativeSeparators(destino), motivo));
}

} // namespace

QString prepararAlmacenDelUsuario(Espera &espera)
{
    const QString ruta = QString::fromStdString(ubicacion::almacenDeLaVentana());
    if (ubicacion::existe(ruta.toStdString()))
        return ruta; // opened, or refused, as it is
    const QString predeterminado = QFileInfo(QString::fromStdString(ubicacion::almacenPredeterminado())).absoluteFilePath();
    if (!QFileInfo::exists(predeterminado))
        throw ErrorAlmacen(ErrorAlmacen::Tipo::NoExiste,
                           QStringLiteral("No hay almacén de palabras: ni «%1» junto al programa ni «%2», y falta el "
                                          "almacén inicial «%3» (la instalación está incompleta).")
                               .arg(QDir::toNativeSeparators(QString::fromStdString(ubicacion::almacenJunto())),
                                    QDir::toNativeSeparators(ruta), QDir::toNativeSeparators(predeterminado)));
    const QString carpeta = QFileInfo(ruta).absolutePath();
    if (!QDir().mkpath(carpeta))
        throw falloDeCopia(ruta, QStringLiteral("no se puede crear la carpeta «%1»").arg(QDir::toNativeSeparators(carpeta)));

    const QString aviso = QStringLiteral("Primer inicio: copiando el almacén de palabras inicial en «%1»…")
                              .arg(QDir::toNativeSeparators(carpeta));
    std::fprintf(stderr, "%s\n", aviso.toLocal8Bit().constData());
    espera.fase(aviso);
    quitarTemporalesHuerfanos(ruta); // what a copy killed on the way left
    QFile origen(predeterminado);
    if (!origen.open(QIODevice::ReadOnly))
        throw falloDeCopia(ruta, QStringLiteral("no se puede leer «%1» (%2)").arg(predeterminado, origen.errorString()));
    QTemporaryFile copia;
    try {
        nombreTemporalJunto(ruta, &copia);
    } catch (const ErrorAlmacen &) {
        throw falloDeCopia(ruta, QStringLiteral("no se puede escribir en la carpeta «%1»").arg(QDir::toNativeSeparators(carpeta)));
    }
    QByteArray trozo;
    while (!(trozo = origen.read(1 << 20)).isEmpty()) {
        if (copia.write(trozo) != trozo.size())
            throw falloDeCopia(ruta, copia.errorString());
    }
    if (origen.error() != QFileDevice::NoError)
        throw falloDeCopia(ruta, origen.errorString());
    if (!copia.flush())
        throw falloDeCopia(ruta, copia.errorString());
    // Another first start may have made it meanwhile: that one is as good.
    const int e = publicar(copia.fileName(), ruta);
    if (e != 0 && e != EEXIST)
        throw falloDeCopia(ruta, QString::fromLocal8Bit(std::strerror(e)));
    return ruta;
}

} // namespace rimario
