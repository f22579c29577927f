// rimario: the rhyming dictionary's window.

#include "almacen.h"
#include "panel_web_engine.h"
#include "principal.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rimario"));

    // The window takes the browser pane as its child.
    rimario::Principal ventana(QStringLiteral("data.lop"), new rimario::PanelWebEngine);
    try {
        ventana.Form_Load();
    } catch (const rimario::ErrorAlmacen &e) {
        std::fprintf(stderr, "%s\n", e.mensaje().toLocal8Bit().constData());
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
