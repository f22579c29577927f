#include "arranque.h"

#include "almacen.h"
#include "conversion_access.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

#include <cstdio>

namespace rimario {

bool hayPantalla()
{
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

QString prepararAlmacen(const QString &ruta, QWidget *padre)
{
    if (!Almacen::pareceAccess(ruta))
        return QString();
    QProgressDialog progreso(QStringLiteral("Convirtiendo el almacén de palabras de Microsoft Access "
                                            "al formato de este programa…"),
                             QString(), 0, 100, padre);
    progreso.setWindowTitle(QStringLiteral("Rimario"));
    progreso.setWindowModality(Qt::ApplicationModal);
    progreso.setMinimumDuration(300);
    progreso.setAutoClose(false);
    QElapsedTimer reloj;
    reloj.start();
    qint64 ultimo = -1;
    const QString copia = convertirAlAbrir(ruta, [&](qint64 hechas, qint64 total) {
        if (total > 0) {
            progreso.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            progreso.setValue(int(std::min<qint64>(hechas, INT_MAX)));
        }
        // Without a screen, the progress goes to the terminal every few seconds.
        if (!hayPantalla() && reloj.elapsed() / 2000 != ultimo) {
            ultimo = reloj.elapsed() / 2000;
            std::fprintf(stderr, "Convirtiendo el almacén de Access: %lld de %lld palabras\n",
                         static_cast<long long>(hechas), static_cast<long long>(total));
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    progreso.close();
    return copia;
}

} // namespace rimario
