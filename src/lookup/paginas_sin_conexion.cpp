#include "lookup/paginas_sin_conexion.h"

namespace rimario {

namespace {

QString e(const QString &s)
{
    return s.toHtmlEscaped();
}

// Archiving drops the first 22 characters of a page, where the services'
// pages have their heading: the program's own pages begin with a line of as
// many, so that what is archived starts with the title.
const QString kPrimeraLinea = QStringLiteral("Rimario · sin conexión");
static_assert(sizeof(u"Rimario · sin conexión") / sizeof(char16_t) - 1 == 22);

// The frame of every page: UTF-8, no script, nothing loaded from anywhere.
QString documento(const QString &titulo, const QString &cuerpo)
{
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"es\"><head><meta charset=\"utf-8\">"
               "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">"
               "<title>%1</title><style>"
               "body{font-family:sans-serif;margin:1em 1.5em;line-height:1.4}"
               "h1{font-size:1.3em}.cat{color:#666;font-style:italic}.fuente{color:#666;font-size:.85em}"
               "</style></head><body>\n<p class=\"fuente\">%2</p>\n%3</body></html>\n")
        .arg(e(titulo), kPrimeraLinea, cuerpo);
}

QString fuente(const QString &texto)
{
    return QStringLiteral("<p class=\"fuente\">%1</p>\n").arg(e(texto));
}

const QString kFuenteSinonimos = QStringLiteral("Diccionario de sinónimos sin conexión (paquete mythes-es).");
const QString kFuenteIngles =
    QStringLiteral("Diccionario español-inglés FreeDict sin conexión (paquete dict-freedict-spa-eng).");

QString noHallada(const QString &palabra, const QString &donde)
{
    return QStringLiteral("<p>No se han encontrado entradas para «%1» en %2.</p>\n").arg(e(palabra), donde);
}

} // namespace

QString paginaSinonimos(const ConsultaTesauro &c)
{
    const QString titulo = QStringLiteral("Sinónimos de «%1»").arg(c.palabra);
    if (!c.error.isEmpty())
        return paginaAviso(titulo, c.error);
    QString cuerpo = QStringLiteral("<h1>%1</h1>\n").arg(e(titulo));
    if (!c.encontrada()) {
        cuerpo += noHallada(c.palabra, QStringLiteral("el diccionario de sinónimos"));
    } else {
        cuerpo += QStringLiteral("<ol>\n");
        for (const AcepcionTesauro &a : c.acepciones) {
            cuerpo += QStringLiteral("<li>");
            if (!a.categoria.isEmpty())
                cuerpo += QStringLiteral("<span class=\"cat\">%1</span> ").arg(e(a.categoria));
            QStringList s;
            for (const QString &x : a.sinonimos)
                s << e(x);
            cuerpo += s.join(QStringLiteral(", ")) + QStringLiteral("</li>\n");
        }
        cuerpo += QStringLiteral("</ol>\n");
    }
    return documento(titulo, cuerpo + fuente(kFuenteSinonimos));
}

QString paginaIngles(const ConsultaDict &c)
{
    const QString titulo = QStringLiteral("«%1» en inglés").arg(c.palabra);
    if (!c.error.isEmpty())
        return paginaAviso(titulo, c.error);
    QString cuerpo = QStringLiteral("<h1>%1</h1>\n").arg(e(titulo));
    if (!c.encontrada())
        cuerpo += noHallada(c.palabra, QStringLiteral("el diccionario de inglés"));
    for (const EntradaDict &d : c.entradas) {
        cuerpo += QStringLiteral("<h2>%1").arg(e(d.encabezado));
        if (!d.pronunciacion.isEmpty())
            cuerpo += QStringLiteral(" <span class=\"cat\">/%1/</span>").arg(e(d.pronunciacion));
        cuerpo += QStringLiteral("</h2>\n<ol>\n");
        for (const QString &a : d.acepciones)
            cuerpo += QStringLiteral("<li>%1</li>\n").arg(e(a));
        cuerpo += QStringLiteral("</ol>\n");
    }
    return documento(titulo, cuerpo + fuente(kFuenteIngles));
}

QString paginaAviso(const QString &titulo, const QString &mensaje)
{
    return documento(titulo, QStringLiteral("<h1>%1</h1>\n<p>%2</p>\n").arg(e(titulo), e(mensaje)));
}

ConsultasSinConexion::ConsultasSinConexion(FuentesSinConexion fuentes) : fuentes_(std::move(fuentes)) {}

ConsultasSinConexion::~ConsultasSinConexion() = default;

QString ConsultasSinConexion::paginaDe(FuenteSinConexion f, const QString &palabra)
{
    const bool sinonimos = f == FuenteSinConexion::Sinonimos;
    const QString titulo = sinonimos ? QStringLiteral("Sinónimos de «%1»").arg(palabra.trimmed())
                                     : QStringLiteral("«%1» en inglés").arg(palabra.trimmed());
    if (!fuentes_.instalada(f))
        return paginaAviso(titulo, mensajeFuenteAusente(f));
    QString error;
    if (sinonimos) {
        if (!tesauro_)
            tesauro_ = Tesauro::abrir(fuentes_.tesauroIndice(), fuentes_.tesauroDatos(), &error);
        return tesauro_ ? paginaSinonimos(tesauro_->buscar(palabra)) : paginaAviso(titulo, error);
    }
    if (!ingles_)
        ingles_ = Dictd::abrir(fuentes_.inglesIndice(), fuentes_.inglesDatos(), &error);
    return ingles_ ? paginaIngles(ingles_->buscar(palabra)) : paginaAviso(titulo, error);
}

QByteArray ConsultasSinConexion::pagina(const QUrl &direccion)
{
    const auto pedida = leerDireccionSinConexion(direccion);
    if (!pedida)
        return paginaAviso(QStringLiteral("Página desconocida"),
                           QStringLiteral("El programa no tiene ninguna página en la dirección «%1».")
                               .arg(direccion.toDisplayString()))
            .toUtf8();
    return paginaDe(pedida->fuente, pedida->palabra).toUtf8();
}

} // namespace rimario
