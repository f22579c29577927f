#pragma once
// A browser pane that shows nothing and loads nothing, for the window's tests.
// Navigating records the address; completion is signalled on the next turn of
// the event loop. A copy puts the text it was given on the clipboard, unless
// told to fail.

#include "lookup/panel_web.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStringList>
#include <QTimer>

namespace rimario {

class PanelWebVacio : public PanelWeb {
public:
    explicit PanelWebVacio(QWidget *parent = nullptr) : PanelWeb(parent) { setAutoFillBackground(true); }

    void navegar(const QString &direccion) override
    {
        direccion_ = QUrl(direccion, QUrl::TolerantMode);
        navegaciones_ << direccion;
        lograda_ = false;
        emit cargaEmpezada();
        const int g = ++generacion_;
        QTimer::singleShot(0, this, [this, g] {
            if (g != generacion_)
                return;
            lograda_ = true;
            emit documentoCompleto(direccion_);
        });
    }
    void detener() override
    {
        ++generacion_;
        lograda_ = false;
    }
    void seleccionarTodoYCopiar(std::function<void(bool)> listo) override
    {
        if (!copiaFallida_)
            QGuiApplication::clipboard()->setText(texto_);
        QTimer::singleShot(0, this, [this, listo] { listo(!copiaFallida_); });
    }
    void limpiarSeleccion() override {}
    void borrarSeleccion() override {}
    QUrl direccion() const override { return direccion_; }
    bool paginaLograda() const override { return lograda_; }

    // What a copy puts on the clipboard (the "page text").
    void ponerTexto(const QString &texto) { texto_ = texto; }
    // Whether a copy fails (the clipboard then stays as it was).
    void ponerCopiaFallida(bool si) { copiaFallida_ = si; }
    // Whether navigating completes by itself.
    QStringList navegaciones() const { return navegaciones_; }

private:
    QUrl direccion_;
    QString texto_;
    QStringList navegaciones_;
    bool copiaFallida_ = false;
    bool lograda_ = false;
    int generacion_ = 0;
};

} // namespace rimario
