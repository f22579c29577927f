// rimario: the rhyming dictionary's window.

#include "app/almacen_usuario.h"
#include "app/arranque.h"
#include "app/espera.h"
#include "app/principal.h"
#include "lookup/idioma.h"
#include "lookup/navegador/esquema_interno.h"
#include "lookup/navegador/panel_web_engine.h"
#include "store/almacen.h"
#include "ubicacion/ubicacion.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

#include <unistd.h>

namespace {

int fallo(const rimario::Error &e)
{
    std::fprintf(stderr, "%s\n", e.mensaje().toLocal8Bit().constData());
    // Without a screen nobody could close the box: the message above suffices.
    if (rimario::hayPantalla()) {
        QMessageBox caja(QMessageBox::Critical, QStringLiteral("Rimario"), e.mensaje());
        caja.setDetailedText(e.detalle()); // the engine's own words
        caja.exec();
    }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    // The conversion of an Access store runs in a process of its own (see arranque.h).
    if (argc == 3 && qstrcmp(argv[1], rimario::kOrdenConvertir) == 0) {
        QCoreApplication hijo(argc, argv);
        return rimario::convertirEnHijo(QString::fromLocal8Bit(argv[2]));
    }
    // The browser's sandbox cannot run for the superuser: run without it then,
    // rather than not at all.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    rimario::registrarEsquemaInterno(); // the offline pages' scheme, before the application
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rimario"));
    // Qt's own texts and the browser's pages in Spanish, before the browser starts.
    rimario::ponerIdiomaEspanol(app);

    // Something is on the screen at once, and says what the program waits for.
    rimario::Espera espera(QString::fromStdString(rimario::ubicacion::almacenDeLaVentana()));
    const auto abandono = [&] {
        std::fprintf(stderr, "%s\n", "Se dejó de esperar al almacén de palabras.");
        return 1;
    };
    QString almacen;
    try {
        // The store beside the program, or the user's (made at the first start).
        almacen = rimario::prepararAlmacenDelUsuario(espera);
        // A store of the earlier, Access-based version is converted first.
        const QString copia = rimario::prepararAlmacen(almacen);
        if (!copia.isEmpty()) {
            const QString aviso = QStringLiteral("El almacén de palabras de Microsoft Access se ha convertido al "
                                                 "formato de este programa. El archivo original se conserva como «%1».")
                                      .arg(QDir::toNativeSeparators(copia));
            std::fprintf(stderr, "%s\n", aviso.toLocal8Bit().constData());
            if (rimario::hayPantalla())
                QMessageBox::information(nullptr, QStringLiteral("Rimario"), aviso);
        }
    } catch (const rimario::ErrorAlmacen &e) {
        espera.terminar();
        return fallo(e);
    }

    espera.fase(QStringLiteral("Abriendo el almacén de palabras…"));
    // The window takes the browser pane as its child.
    rimario::Principal ventana(almacen, new rimario::PanelWebEngine);
    try {
        ventana.Form_Load();
        espera.fase(QStringLiteral("Leyendo la lista de palabras…"));
        ventana.abrirLista();
    } catch (const rimario::ErrorAlmacen &e) {
        if (espera.abandonada())
            return abandono();
        espera.terminar();
        return fallo(e);
    }
    // For measuring the start: with RIMARIO_AVISAR_LISTO set, a line on the
    // standard error says when the window has first been painted, its list usable.
    if (qEnvironmentVariableIsSet("RIMARIO_AVISAR_LISTO"))
        rimario::avisarAlPintar(&ventana, "Rimario: listo");
    // The window appears whole, with its list.
    ventana.show();
    espera.terminar();
    return app.exec();
}
