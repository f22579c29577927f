#include "servidor_prueba.h"

#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

const QString ServidorPrueba::kPie = QStringLiteral("Real Academia Española © Todos los derechos reservados");
const QString ServidorPrueba::kCabecera = QStringLiteral("Diccionario de la RAE");

namespace {

QByteArray html(const QString &cuerpo)
{
    return (QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Prueba</title></head><body>") + cuerpo
            + QStringLiteral("</body></html>")).toUtf8();
}
QString parrafo(const QString &texto) { return QStringLiteral("<p>") + texto.toHtmlEscaped() + QStringLiteral("</p>"); }

} // namespace

ServidorPrueba::ServidorPrueba(QObject *parent) : QObject(parent)
{
    servidor_.listen(QHostAddress::LocalHost, 0);
    connect(&servidor_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = servidor_.nextPendingConnection()) {
            s->setParent(this);
            connect(s, &QTcpSocket::readyRead, this, [this, s] { atender(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QString ServidorPrueba::base() const { return QStringLiteral("http://127.0.0.1:%1").arg(servidor_.serverPort()); }

void ServidorPrueba::soltar()
{
    for (auto &[s, cuerpo] : std::exchange(retenidas_, {}))
        if (s && s->state() == QAbstractSocket::ConnectedState)
            responder(s, cuerpo);
}

void ServidorPrueba::atender(QTcpSocket *s)
{
    // One request a connection; the answer closes it.
    const QByteArray pedido = s->property("pedido").toByteArray() + s->readAll();
    s->setProperty("pedido", pedido);
    if (!pedido.contains("\r\n\r\n") || s->property("atendido").toBool())
        return;
    s->setProperty("atendido", true);
    const QList<QByteArray> linea = pedido.left(pedido.indexOf("\r\n")).split(' ');
    const QByteArray objetivo = linea.value(1);
    if (linea.value(0) != "GET" || objetivo.startsWith("/favicon"))
        return responder(s, "no", 404);
    peticiones_ << QString::fromLatin1(objetivo);
    for (const QByteArray &cabecera : pedido.split('\n'))
        if (cabecera.toLower().startsWith("accept-language:"))
            idiomas_ = cabecera.mid(cabecera.indexOf(':') + 1).trimmed();
    bool retener = false;
    const QByteArray cuerpo = pagina(objetivo, retener);
    if (retener)
        retenidas_.append({QPointer<QTcpSocket>(s), cuerpo});
    else
        responder(s, cuerpo, cuerpo.isNull() || objetivo.endsWith("=falta") ? 404 : 200);
    emit peticion(QString::fromLatin1(objetivo));
}

void ServidorPrueba::responder(QTcpSocket *s, const QByteArray &cuerpo, int estado)
{
    s->write("HTTP/1.1 " + QByteArray::number(estado) + (estado == 200 ? " OK" : " Not Found")
             + "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: "
             + QByteArray::number(cuerpo.size()) + "\r\n\r\n" + cuerpo);
    s->disconnectFromHost();
}

QByteArray ServidorPrueba::pagina(const QByteArray &objetivo, bool &retener) const
{
    const QUrl url(QString::fromLatin1(objetivo));
    const QString ruta = url.path();
    const auto valor = [&url](const char *clave) { return QUrlQuery(url).queryItemValue(QLatin1String(clave), QUrl::FullyDecoded); };
    if (ruta == QLatin1String("/idrisidic_2.asp"))
        return html(QStringLiteral("<div>English dictionary</div>") + parrafo(QStringLiteral("Entry: %1").arg(valor("lpcWord"))));
    if (ruta == QLatin1String("/otra"))
        return html(parrafo(ruta));
    const bool drae = ruta == QLatin1String("/draeI/SrvltGUIBusUsual");
    if (!drae && ruta != QLatin1String("/cgi-bin/tesauro.exe"))
        return {};
    const QString w = drae ? valor("LEMA") : valor("T1");
    retener = w == QLatin1String("lento");
    if (retener)
        return html(parrafo(QStringLiteral("Por fin llegó la página lenta.")));
    if (w == QLatin1String("corto"))
        return html(QStringLiteral("<div>Breve</div>"));
    if (w == QLatin1String("vacio"))
        return html(QString());
    if (w == QLatin1String("falta"))
        return html(QStringLiteral("<div>Diccionario de la RAE</div><p>La página no existe.</p>"));
    if (w == QLatin1String("grande")) {
        QString cuerpo = QStringLiteral("<div>") + kCabecera + QStringLiteral("</div>");
        for (int i = 0; i < 6000; ++i)
            cuerpo += parrafo(QStringLiteral("%1. Acepción larga de una página muy grande, con texto de relleno hasta casi ochenta.").arg(i));
        return html(cuerpo + parrafo(QStringLiteral("Fin de la página grande.")));
    }
    if (w == QLatin1String("hostil"))
        return html(QStringLiteral("<div>Página con trucos</div><p>Nada que ver.</p><iframe src=\"file:///etc/hostname\"></iframe>"
                                   "<a id=\"local\" href=\"file:///etc/hostname\">local</a><script>alert('hola'); confirm('¿seguro?');"
                                   "prompt('¿nombre?'); window.open('/otra', '_blank'); document.getElementById('local').click();</script>"));
    if (!drae)
        return html(QStringLiteral("<div>Tesauro en línea</div>") + parrafo(QStringLiteral("Sinónimos de %1: vivienda, hogar, morada.").arg(w)));
    QString cuerpo = QStringLiteral("<div>") + kCabecera + QStringLiteral("</div>") + parrafo(w)
                     + parrafo(QStringLiteral("1. f. Acción y efecto de cantar; año, pingüino, cigüeña."))
                     + parrafo(QStringLiteral("2. m. «Comillas» y “comillas”, 5 €, ½ taza — Ærø, Ωμέγα, ∑, 😀.")) + parrafo(kPie);
    if (w == QLatin1String("doble"))
        cuerpo += parrafo(QStringLiteral("Apéndice.")) + parrafo(kPie) + parrafo(QStringLiteral("real academia española © todos los derechos reservados"));
    return html(cuerpo);
}
