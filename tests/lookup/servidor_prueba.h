#pragma once
// A small HTTP server on 127.0.0.1 standing in for the three online services.
// It answers GET with canned pages chosen by path and by the word asked for:
//
//   definition  /draeI/SrvltGUIBusUsual?...&LEMA=w   a dictionary page for w
//   thesaurus   /cgi-bin/tesauro.exe?T1=w             a synonyms page for w
//   English     /idrisidic_2.asp?...&lpcWord=w        an English page for w
//
// Special words on the definition and thesaurus paths: "lento" (the answer is
// held until soltar()), "corto" (a page
// with less than 22 characters of text), "vacio" (a page without text),
// "doble" (the rights notice twice, and once more in other letter case),
// "hostil" (a page that tries dialogs, windows and local files), "falta"
// (status 404 with a page of its own), "grande" (a page of some 3 MB of text).

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

class ServidorPrueba : public QObject {
    Q_OBJECT
public:
    explicit ServidorPrueba(QObject *parent = nullptr);

    // "http://127.0.0.1:port"
    QString base() const;
    // Requests received (favicons aside), as sent: path and query, percent-encoded.
    QStringList peticiones() const { return peticiones_; }
    void olvidar() { peticiones_.clear(); }
    // The Accept-Language header of the latest request.
    QByteArray idiomas() const { return idiomas_; }
    // Answers the held requests.
    void soltar();

    static const QString kPie;       // the rights notice line of the dictionary pages
    static const QString kCabecera;  // the first line of the dictionary pages

signals:
    void peticion(const QString &objetivo);

private:
    void atender(QTcpSocket *s);
    QByteArray pagina(const QByteArray &objetivo, bool &retener) const;
    static void responder(QTcpSocket *s, const QByteArray &cuerpo, int estado = 200);

    QTcpServer servidor_;
    QStringList peticiones_;
    QByteArray idiomas_;
    QList<QPair<QPointer<QTcpSocket>, QByteArray>> retenidas_;
};
