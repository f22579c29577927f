// A program killed (SIGKILL) in the middle of a change that spans several
// files or transactions (the start-up conversion of an Access file, the
// upgrade of an older store) never leaves a damaged or half-made store. A
// child program runs the change and is killed just before one of its disk
// steps (every write, truncation, creation, deletion, rename and link),
// run after run. After every kill the store opens, passes the integrity
// check, holds the state before or after the change, and takes a new write.
// (A window write is one SQLite transaction: the store's tests check that.)

#include "conversion_access.h"

#include "../comun/almacen_prueba.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;
using namespace rimario::prueba;

namespace {

// Every value of the store's tables, in a fixed order.
QByteArray huella(const QString &ruta)
{
    QStringList r;
    for (const char *tabla : {"PalabrasBase ORDER BY Id", "Marcas ORDER BY N", "Meta ORDER BY Clave"})
        r += consultar(ruta, QStringLiteral("SELECT * FROM ") + QLatin1String(tabla));
    return QCryptographicHash::hash(r.join(u'\n').toUtf8(), QCryptographicHash::Sha256);
}

QString integridad(const QString &ruta)
{
    return consultar(ruta, QStringLiteral("PRAGMA integrity_check")).join(u'\n');
}

} // namespace

class PruebaMuerte : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void muerteEnCadaPaso_data()
    {
        QTest::addColumn<bool>("conversion");
        QTest::newRow("convertir") << true;
        QTest::newRow("abrir") << false;
    }
    void muerteEnCadaPaso()
    {
        QFETCH(bool, conversion);
        // The store before the change, and the states before and after it.
        QString base = muestraAccess();
        if (!conversion) {
            QStringList palabras;
            for (int i = 0; i < 10; ++i)
                for (const QString &w : palabrasDePrueba())
                    palabras << w + QString::number(i);
            base = crearAlmacen(dir.filePath(QStringLiteral("base.lop")), palabras);
            QVERIFY(volverAlFormato1(base));
        }
        QTemporaryDir trabajo;
        const QString ruta = trabajo.filePath(QStringLiteral("data.lop"));
        const auto preparar = [&] {
            for (const QString &n : archivosDe(trabajo.path()))
                QFile::remove(trabajo.filePath(n));
            return QFile::copy(base, ruta) && QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        };
        QVERIFY(preparar());
        const QByteArray antes = conversion ? huellaArchivo(base) : huella(ruta);
        conversion ? void(convertirAlAbrir(ruta)) : void(Almacen::abrir(ruta));
        const QByteArray despues = huella(ruta);
        QVERIFY(preparar());
        QProcess p;
        p.start(QStringLiteral(RIMARIO_HIJO_MUERTE), {conversion ? QStringLiteral("convertir") : QStringLiteral("abrir"), ruta});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        const qint64 pasos = p.readAllStandardOutput().split(' ').value(1).trimmed().toLongLong();
        QVERIFY(pasos > 10);
        int conAntes = 0, conDespues = 0;
        for (qint64 k = 1; k <= pasos; ++k) {
            QVERIFY(preparar());
            p.start(QStringLiteral(RIMARIO_HIJO_MUERTE), {conversion ? QStringLiteral("convertir") : QStringLiteral("abrir"), ruta, QString::number(k)});
            QVERIFY(p.waitForFinished(60000));
            const QByteArray salida = p.readAllStandardError();
            const QString donde = QStringLiteral("muerte antes del paso %1: %2").arg(k).arg(QString::fromUtf8(salida));
            QVERIFY2(p.exitStatus() == QProcess::CrashExit && salida.contains("muerte antes del paso"), qPrintable(donde));
            // What another tool reads first (playing back a killed upgrade's journal).
            bool eraAntes = conversion ? huellaArchivo(ruta) == antes : false;
            if (!conversion) {
                QCOMPARE(integridad(ruta), QStringLiteral("ok"));
                const QByteArray h = huella(ruta);
                QVERIFY2(h == antes || h == despues, qPrintable(donde));
                eraAntes = h == antes;
            } else if (eraAntes) {
                // The Access file untouched: the next start converts it.
                QVERIFY2(!convertirAlAbrir(ruta).isEmpty(), qPrintable(donde));
            }
            ++(eraAntes ? conAntes : conDespues);
            auto a = Almacen::abrir(ruta);
            QVERIFY2(a->formato() == kFormatoActual && huella(ruta) == despues, qPrintable(donde));
            if (conversion) { // a copy of the original kept beside it
                const QStringList copias = archivosDe(trabajo.path()).filter(QStringLiteral("access"));
                QVERIFY2(std::any_of(copias.begin(), copias.end(), [&](const QString &n) { return huellaArchivo(trabajo.filePath(n)) == antes; }), qPrintable(donde));
            }
            a->anadir(QStringLiteral("después"), QStringLiteral("eé"), QStringLiteral("tras la muerte"));
            QVERIFY2(a->comprobarIntegridad().isEmpty(), qPrintable(donde));
        }
        QVERIFY(conAntes > 0 && conDespues > 0);
        qInfo("%lld puntos de muerte, todos sobrevividos: %d con el estado de antes, %d con el de después", pasos, conAntes, conDespues);
    }
};

QTEST_GUILESS_MAIN(PruebaMuerte)
#include "prueba_muerte.moc"
