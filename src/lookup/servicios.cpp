#include "lookup/servicios.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace rimario {

namespace {
const char *const kRutaDefinicion = "/draeI/SrvltGUIBusUsual?TIPO_HTML=2&LEMA=";
const char *const kRutaSinonimos = "/cgi-bin/tesauro.exe?T1=";
const char *const kRutaIngles = "/idrisidic_2.asp?Site=1&Src_L=eng_eng1&DestLang=Ar&lpcWord=";
const QLatin1String kMarca("{palabra}");

// An address written without a scheme ("buscon.rae.es") is reached over HTTP.
QString conEsquema(QString b)
{
    if (!b.isEmpty() && !b.contains(QLatin1String("://")))
        b.prepend(QLatin1String("http://"));
    return b;
}

bool esSinConexion(const QString &valor)
{
    return valor.trimmed().compare(QLatin1String(Servicios::kSinConexion), Qt::CaseInsensitive) == 0;
}
} // namespace

Servicios Servicios::porDefecto()
{
    return {QStringLiteral("http://buscon.rae.es"), QStringLiteral("http://tesauro.es"),
            QStringLiteral("http://idrisidic.com")};
}

Servicios Servicios::cargar(const QString &carpeta)
{
    Servicios s = porDefecto();
    const QString ini = QDir(carpeta).filePath(QStringLiteral("rimario.ini"));
    if (QFileInfo::exists(ini)) {
        QSettings conf(ini, QSettings::IniFormat);
        s.definiciones = conf.value(QStringLiteral("servicios/definiciones"), s.definiciones).toString();
        s.sinonimos = conf.value(QStringLiteral("servicios/sinonimos"), s.sinonimos).toString();
        s.ingles = conf.value(QStringLiteral("servicios/ingles"), s.ingles).toString();
    }
    auto entorno = [](const char *nombre, QString &destino) {
        const QString v = qEnvironmentVariable(nombre);
        if (!v.isEmpty())
            destino = v;
    };
    entorno("RIMARIO_DEFINICIONES", s.definiciones);
    entorno("RIMARIO_SINONIMOS", s.sinonimos);
    entorno("RIMARIO_INGLES", s.ingles);
    return s;
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

QString Servicios::direccionDefinicion(const QString &palabra) const
{
    return expandir(definiciones, kRutaDefinicion, palabra);
}

QString Servicios::direccionSinonimos(const QString &palabra) const
{
    return sinonimosSinConexion() ? direccionSinonimosSinConexion(palabra)
                                  : expandir(sinonimos, kRutaSinonimos, palabra);
}

QString Servicios::direccionIngles(const QString &palabra) const
{
    return inglesSinConexion() ? direccionInglesSinConexion(palabra) : expandir(ingles, kRutaIngles, palabra);
}

bool Servicios::sinonimosSinConexion() const
{
    return esSinConexion(sinonimos);
}

bool Servicios::inglesSinConexion() const
{
    return esSinConexion(ingles);
}

} // namespace rimario
