#include "servicios.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace rimario {

namespace {
const char *const kRutaDefinicion = "/draeI/SrvltGUIBusUsual?TIPO_HTML=2&LEMA=";
const char *const kRutaSinonimos = "/cgi-bin/tesauro.exe?T1=";
const char *const kRutaIngles = "/idrisidic_2.asp?Site=1&Src_L=eng_eng1&DestLang=Ar&lpcWord=";

// A host written without a scheme ("buscon.rae.es") is reached over HTTP.
QString base(QString b)
{
    b = b.trimmed();
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    if (!b.isEmpty() && !b.contains(QLatin1String("://")))
        b.prepend(QLatin1String("http://"));
    return b;
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

QString Servicios::direccionDefinicion(const QString &palabra) const
{
    return base(definiciones) + QLatin1String(kRutaDefinicion) + palabra;
}

QString Servicios::direccionSinonimos(const QString &palabra) const
{
    return base(sinonimos) + QLatin1String(kRutaSinonimos) + palabra;
}

QString Servicios::direccionIngles(const QString &palabra) const
{
    return base(ingles) + QLatin1String(kRutaIngles) + palabra;
}

} // namespace rimario
