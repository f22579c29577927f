#include "lookup/servicios.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace rimario {

namespace {
const QLatin1String kMarca("{palabra}");

// An address written without a scheme ("buscon.rae.es") is reached over HTTP.
QString conEsquema(QString b)
{
    if (!b.isEmpty() && !b.contains(QLatin1String("://")))
        b.prepend(QLatin1String("http://"));
    return b;
}
} // namespace

Servicios Servicios::porDefecto()
{
    Servicios s;
    for (const DescripcionServicio &d : kServicios)
        s.valor(d.servicio) = QString::fromLatin1(d.anfitrion);
    return s;
}

Servicios Servicios::cargar(const QString &carpeta)
{
    Servicios s = porDefecto();
    const QString ini = QDir(carpeta).filePath(QStringLiteral("rimario.ini"));
    std::optional<QSettings> conf;
    if (QFileInfo::exists(ini))
        conf.emplace(ini, QSettings::IniFormat);
    for (const DescripcionServicio &d : kServicios) {
        QString &v = s.valor(d.servicio);
        if (conf)
            v = conf->value(QStringLiteral("servicios/") + QLatin1String(d.clave), v).toString();
        if (const QString e = qEnvironmentVariable(d.variable); !e.isEmpty())
            v = e;
    }
    return s;
}

QString &Servicios::valor(Servicio s)
{
    switch (s) {
    case Servicio::Definiciones:
        return definiciones;
    case Servicio::Sinonimos:
        return sinonimos;
    case Servicio::Ingles:
        break;
    }
    return ingles;
}

QString Servicios::expandir(const QString &valor, const char *ruta, const QString &palabra)
{
    QString v = valor.trimmed();
    if (v.contains(kMarca))
        return conEsquema(v.replace(kMarca, QString::fromLatin1(QUrl::toPercentEncoding(palabra))));
    while (v.endsWith(QLatin1Char('/')))
        v.chop(1);
    return conEsquema(v) + QLatin1String(ruta) + palabra;
}

QString Servicios::direccion(Servicio s, const QString &palabra) const
{
    const DescripcionServicio &d = descripcion(s);
    return sinConexion(s) ? direccionSinConexion(*d.sinConexion, palabra) : expandir(valor(s), d.ruta, palabra);
}

bool Servicios::sinConexion(Servicio s) const
{
    return descripcion(s).sinConexion
           && valor(s).trimmed().compare(QLatin1String(kSinConexion), Qt::CaseInsensitive) == 0;
}

} // namespace rimario
