#pragma once
// What the program shows while it starts: a small window that says what it is
// doing (opening the store, reading the word list) and, when another program
// holds the store, that it waits for it, with a button to stop waiting.

#include <QObject>
#include <QString>

#include <memory>

class QProgressDialog;

namespace rimario {

class Espera : public QObject {
    Q_OBJECT
public:
    // 'almacen' names the store in the texts.
    explicit Espera(const QString &almacen, QObject *parent = nullptr);
    ~Espera() override;

    // Shows the window at once with what the program is doing now.
    void fase(const QString &texto);
    // While the store waits for another program: says so and lets the user
    // give up. Returns false once the user has.
    bool alEsperar(int esperadoMs);
    bool abandonada() const { return abandonada_; }
    // The start is over: the window goes and waits are no longer shown.
    void terminar();

private:
    void mostrar(const QString &texto, bool conBoton);

    QString almacen_;
    std::unique_ptr<QProgressDialog> dialogo_;
    QString faseActual_;
    bool abandonada_ = false;
    bool avisadoSinPantalla_ = false;
    bool conBoton_ = true; // a new dialog has its own button
};

} // namespace rimario
