#include "lookup/sin_conexion/fuentes.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace rimario {

namespace {
const char *nombre(FuenteSinConexion f)
{
    return f == FuenteSinConexion::Sinonimos ? "sinonimos" : "ingles";
}
} // namespace

FuentesSinConexion FuentesSinConexion::porDefecto()
{
    return {QStringLiteral("/usr/share/mythes/th_es_ES_v2"), QStringLiteral("/usr/share/dictd/freedict-spa-eng")};
}

FuentesSinConexion FuentesSinConexion::cargar(const QString &carpeta)
{
    FuentesSinConexion f = porDefecto();
    const QString ini = QDir(carpeta).filePath(QStringLiteral("rimario.ini"));
    if (QFileInfo::exists(ini)) {
        QSettings conf(ini, QSettings::IniFormat);
        f.tesauro = conf.value(QStringLiteral("sin-conexion/tesauro"), f.tesauro).toString();
        f.ingles = conf.value(QStringLiteral("sin-conexion/ingles"), f.ingles).toString();
    }
    auto entorno = [](const char *variable, QString &destino) {
        const QString v = qEnvironmentVariable(variable);
        if (!v.isEmpty())
            destino = v;
    };
    entorno("RIMARIO_TESAURO", f.tesauro);
    entorno("RIMARIO_DICCIONARIO_INGLES", f.ingles);
    return f;
}

QString FuentesSinConexion::inglesDatos() const
{
    const QString dz = ingles + QStringLiteral(".dict.dz"), plano = ingles + QStringLiteral(".dict");
    return !QFileInfo::exists(dz) && QFileInfo::exists(plano) ? plano : dz;
}

bool FuentesSinConexion::instalada(FuenteSinConexion f) const
{
    auto legible = [](const QString &r) {
        const QFileInfo i(r);
        return i.isFile() && i.isReadable();
    };
    return f == FuenteSinConexion::Sinonimos ? legible(tesauroIndice()) && legible(tesauroDatos())
                                             : legible(inglesIndice()) && legible(inglesDatos());
}

QString mensajeFuenteAusente(FuenteSinConexion f)
{
    return f == FuenteSinConexion::Sinonimos
               ? QStringLiteral("No está instalado el diccionario de sinónimos sin conexión (paquete mythes-es).")
               : QStringLiteral("No está instalado el diccionario de inglés sin conexión "
                                "(paquete dict-freedict-spa-eng).");
}

QString direccionSinConexion(FuenteSinConexion f, const QString &palabra)
{
    return QLatin1String(kEsquemaInterno) + QLatin1Char(':') + QLatin1String(nombre(f)) + QLatin1Char('/')
        + QString::fromLatin1(QUrl::toPercentEncoding(palabra.trimmed()));
}

std::optional<PaginaPedida> leerDireccionSinConexion(const QUrl &direccion)
{
    if (direccion.scheme().compare(QLatin1String(kEsquemaInterno), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString camino = direccion.path(QUrl::FullyEncoded);
    const qsizetype barra = camino.indexOf(QLatin1Char('/'));
    if (barra < 0)
        return std::nullopt;
    const QString que = camino.left(barra);
    const QString palabra = QUrl::fromPercentEncoding(camino.mid(barra + 1).toLatin1());
    for (FuenteSinConexion f : {FuenteSinConexion::Sinonimos, FuenteSinConexion::Ingles})
        if (que == QLatin1String(nombre(f)))
            return PaginaPedida{f, palabra};
    return std::nullopt;
}

} // namespace rimario
