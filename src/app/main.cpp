// rimario: the rhyming dictionary's window.

#include "almacen.h"
#include "panel_web.h"
#include "principal.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rimario"));

    rimario::Principal ventana;
    try {
        ventana.Form_Load();
    } catch (const rimario::ErrorAlmacen &e) {
        std::fprintf(stderr, "%s\n", e.mensaje().toLocal8Bit().constData());
        // Without a screen nobody could close the box: the message above suffices.
        const QString plataforma = QGuiApplication::platformName();
        if (plataforma != QLatin1String("offscreen") && plataforma != QLatin1String("minimal"))
            QMessageBox::critical(nullptr, QStringLiteral("Rimario"), e.mensaje());
        return 1;
    }
    ventana.show();
    try {
        ventana.abrirLista();
    } catch (const rimario::ErrorAlmacen &e) {
        QMessageBox::critical(&ventana, QStringLiteral("Rimario"), e.mensaje());
        return 1;
    }
    return app.exec();
}
