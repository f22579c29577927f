#include "panel_web.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

namespace rimario {

PanelWebVacio::PanelWebVacio(QWidget *parent) : PanelWeb(parent)
{
    setAutoFillBackground(true);
}

void PanelWebVacio::navegar(const QString &direccion)
{
    direccion_ = QUrl(direccion, QUrl::TolerantMode);
    navegaciones_ << direccion;
    lograda_ = false;
    emit cargaEmpezada();
    const int g = ++generacion_;
    if (completarSolo_)
        QTimer::singleShot(0, this, [this, g] {
            if (g != generacion_)
                return;
            lograda_ = true;
            emit documentoCompleto(direccion_);
        });
}

void PanelWebVacio::detener()
{
    ++paradas_;
    ++generacion_;
    lograda_ = false;
}

void PanelWebVacio::seleccionarTodoYCopiar(std::function<void(bool)> listo)
{
    QGuiApplication::clipboard()->setText(texto_);
    QTimer::singleShot(0, this, [listo] { listo(true); });
}

} // namespace rimario
