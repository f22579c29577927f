#include "app/arranque.h"

#include "store/access/conversion_access.h"
#include "store/almacen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace rimario {

namespace {
// Lines of the child's standard output.
const QByteArray kProgreso = "PROGRESO ";
const QByteArray kCopia = "COPIA ";
const QByteArray kEspera = "ESPERA";
} // namespace

namespace {

class AvisoPintado : public QObject {
public:
    AvisoPintado(QWidget *ventana, const char *linea) : QObject(ventana), linea_(linea) {}

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint && !avisado_) {
            avisado_ = true;
            // After the paint itself.
            QTimer::singleShot(0, this, [this] {
                std::fprintf(stderr, "%s\n", linea_);
                std::fflush(stderr);
            });
        }
        return QObject::eventFilter(objeto, evento);
    }

private:
    const char *linea_;
    bool avisado_ = false;
};

} // namespace

void avisarAlPintar(QWidget *ventana, const char *linea)
{
    ventana->installEventFilter(new AvisoPintado(ventana, linea));
}

bool hayPantalla()
{
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

int convertirEnHijo(const QString &ruta)
{
    try {
        const QString copia = convertirAlAbrir(ruta, [](qint64 hechas, qint64 total) {
            std::printf("%s%lld %lld\n", kProgreso.constData(), static_cast<long long>(hechas),
                        static_cast<long long>(total));
            std::fflush(stdout);
        }, [] {
            std::printf("%s\n", kEspera.constData());
            std::fflush(stdout);
        });
        std::printf("%s%s\n", kCopia.constData(), copia.toUtf8().constData());
        std::fflush(stdout);
        return 0;
    } catch (const ErrorAlmacen &e) {
        std::fprintf(stderr, "%s\n", e.mensaje().toUtf8().constData());
        return 1;
    }
}

QString prepararAlmacen(const QString &ruta, QWidget *padre, const QString &programa)
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

    QProcess hijo;
    hijo.setProgram(programa.isEmpty() ? QCoreApplication::applicationFilePath() : programa);
    hijo.setArguments({QLatin1String(kOrdenConvertir), ruta});
    hijo.start();
    if (!hijo.waitForStarted(30000))
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudo empezar la conversión de «%1»: %2. No se ha convertido nada.")
                               .arg(ruta, hijo.errorString()));
    QString copia;
    QByteArray pendiente;
    QElapsedTimer reloj;
    reloj.start();
    qint64 ultimo = -1;
    auto leer = [&] {
        pendiente += hijo.readAllStandardOutput();
        qsizetype fin;
        while ((fin = pendiente.indexOf('\n')) >= 0) {
            const QByteArray linea = pendiente.left(fin);
            pendiente.remove(0, fin + 1);
            if (linea.startsWith(kProgreso)) {
                const QList<QByteArray> n = linea.mid(kProgreso.size()).split(' ');
                const qint64 hechas = n.value(0).toLongLong(), total = n.value(1).toLongLong();
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
            } else if (linea == kEspera) {
                // Another Rimario is converting this same file: this one waits for it.
                const QString aviso = QStringLiteral("Otro Rimario está convirtiendo este mismo almacén de palabras "
                                                     "de Microsoft Access; se espera a que termine…");
                progreso.setLabelText(aviso);
                std::fprintf(stderr, "%s\n", aviso.toLocal8Bit().constData());
            } else if (linea.startsWith(kCopia)) {
                copia = QString::fromUtf8(linea.mid(kCopia.size()));
            }
        }
    };
    // The end may be taken in by the events processed here, after which waiting
    // for it says no at once: the loop asks the state instead.
    while (hijo.state() != QProcess::NotRunning && !hijo.waitForFinished(50)) {
        leer();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    leer();
    progreso.close();
    if (hijo.exitStatus() != QProcess::NormalExit)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("La conversión de «%1» se interrumpió: el archivo de Access está dañado "
                                          "o no se puede leer. El archivo no se ha tocado.")
                               .arg(ruta));
    if (hijo.exitCode() != 0) {
        const QString motivo = QString::fromUtf8(hijo.readAllStandardError()).trimmed();
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           motivo.isEmpty() ? QStringLiteral("No se pudo convertir «%1».").arg(ruta) : motivo);
    }
    return copia;
}

} // namespace rimario
