#include "app/espera.h"

#include "app/arranque.h"
#include "language/numeros.h"
#include "store/almacen.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QWindow>

#include <cstdio>

namespace rimario {

namespace {
// A wait this short is not worth a word.
constexpr int kEsperaCallada = 300;
} // namespace

Espera::Espera(const QString &almacen, QObject *parent) : QObject(parent), almacen_(almacen)
{
    Almacen::ponerAvisoEspera([this](int ms) { return alEsperar(ms); });
}

Espera::~Espera()
{
    terminar();
}

void Espera::mostrar(const QString &texto, bool conBoton)
{
    if (!dialogo_) {
        dialogo_ = std::make_unique<QProgressDialog>();
        dialogo_->setWindowTitle(QStringLiteral("Rimario"));
        dialogo_->setRange(0, 0); // no measure of how far: it just moves
        dialogo_->setMinimumDuration(0);
        dialogo_->setAutoClose(false);
        dialogo_->setAutoReset(false);
        dialogo_->setMinimumWidth(420);
        connect(dialogo_.get(), &QProgressDialog::canceled, this, [this] { abandonada_ = true; });
    }
    dialogo_->setLabelText(texto);
    if (conBoton != conBoton_) {
        conBoton_ = conBoton;
        dialogo_->setCancelButton(conBoton ? new QPushButton(QStringLiteral("Dejar de esperar")) : nullptr);
    }
    if (!dialogo_->isVisible()) {
        dialogo_->show();
        // The window is on the screen and painted before the work goes on.
        QElapsedTimer reloj;
        reloj.start();
        while (reloj.elapsed() < 500 && !(dialogo_->windowHandle() && dialogo_->windowHandle()->isExposed()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QCoreApplication::processEvents();
}

void Espera::fase(const QString &texto)
{
    faseActual_ = texto;
    mostrar(texto, false);
}

bool Espera::alEsperar(int esperadoMs)
{
    if (abandonada_)
        return false;
    if (esperadoMs < kEsperaCallada)
        return true;
    const QString texto = QStringLiteral("Otro programa está usando el almacén de palabras «%1».\n"
                                         "Esperando a que lo deje libre… (%2 s)")
                              .arg(QDir::toNativeSeparators(almacen_))
                              .arg(numeroEscrito(esperadoMs / 1000));
    if (!avisadoSinPantalla_ && !hayPantalla()) {
        avisadoSinPantalla_ = true;
        std::fprintf(stderr, "%s\n", texto.section(u'\n', 0, 0).toLocal8Bit().constData());
    }
    if (!dialogo_ || dialogo_->labelText() != texto)
        mostrar(texto, true);
    else
        QCoreApplication::processEvents();
    return !abandonada_;
}

void Espera::terminar()
{
    Almacen::ponerAvisoEspera(nullptr);
    if (dialogo_) {
        dialogo_->hide();
        dialogo_.reset();
    }
}

} // namespace rimario
