#pragma once
// Answers the modal message boxes a test provokes: records their texts and
// presses the chosen button.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

namespace rimario::prueba {

class Dialogos : public QObject {
public:
    explicit Dialogos(QMessageBox::StandardButton respuesta = QMessageBox::Ok)
        : respuesta_(respuesta)
    {
        temporizador_.setInterval(20);
        connect(&temporizador_, &QTimer::timeout, this, [this] { revisar(); });
        temporizador_.start();
    }
    void responder(QMessageBox::StandardButton r) { respuesta_ = r; }
    QStringList textos;
    QStringList titulos;
    QList<QMessageBox::Icon> iconos;
    QList<QMessageBox::StandardButton> porDefecto;

private:
    void revisar()
    {
        auto *caja = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!caja)
            return;
        textos << caja->text();
        titulos << caja->windowTitle();
        iconos << caja->icon();
        porDefecto << caja->standardButton(caja->defaultButton());
        QAbstractButton *b = caja->button(respuesta_);
        if (!b)
            b = caja->buttons().value(0);
        b->click();
    }
    QTimer temporizador_;
    QMessageBox::StandardButton respuesta_;
};

} // namespace rimario::prueba
