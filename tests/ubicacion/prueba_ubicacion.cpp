// Where the programs look for their files: the XDG folders (a relative value
// ignored), what lies beside the program winning, rimario-cli's default store.

#include "ubicacion/ubicacion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario::ubicacion;

namespace {
QString q(const std::string &s) { return QString::fromStdString(s); }
void tocar(const QString &ruta)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
}
} // namespace

class PruebaUbicacion : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString programa = QCoreApplication::applicationDirPath();

private slots:
    void init()
    {
        qputenv("HOME", dir.filePath(QStringLiteral("casa")).toLocal8Bit());
        QDir::setCurrent(dir.path());
    }

    void carpetasXdg_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("almacen");
        QTest::addColumn<QString>("configuracion");
        QTest::newRow("absolutas") << QByteArray("/d") << QByteArray("/c") << "/d/rimario/data.lop" << "/c/rimario";
        QTest::newRow("relativas: ignoradas") << QByteArray("d") << QByteArray("c") << "casa/.local/share/rimario/data.lop" << "casa/.config/rimario";
        QTest::newRow("vacías") << QByteArray() << QByteArray() << "casa/.local/share/rimario/data.lop" << "casa/.config/rimario";
    }
    void carpetasXdg()
    {
        QFETCH(QByteArray, datos);
        QFETCH(QByteArray, config);
        QFETCH(QString, almacen);
        QFETCH(QString, configuracion);
        qputenv("XDG_DATA_HOME", datos);
        qputenv("XDG_CONFIG_HOME", config);
        const auto absoluta = [&](const QString &r) { return r.startsWith(u'/') ? r : dir.filePath(r); };
        QCOMPARE(q(almacenDelUsuario()), absoluta(almacen));
        QCOMPARE(q(almacenDeLaVentana()), absoluta(almacen)); // nothing beside this program
        QCOMPARE(q(carpetaDeConfiguracion()), absoluta(configuracion));
        QCOMPARE(q(almacenPredeterminado()), programa + QStringLiteral("/../share/rimario/data.lop"));
    }

    // rimario.ini and data.lop beside the program win, a link to nothing too.
    void loDeJuntoAlProgramaGana()
    {
        qputenv("XDG_CONFIG_HOME", "/c");
        const QString ini = programa + QStringLiteral("/rimario.ini"), junto = programa + QStringLiteral("/data.lop");
        const auto limpiar = qScopeGuard([&] { QFile::remove(ini), QFile::remove(junto); }); // even after a failure
        tocar(ini);
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("no-existe")), junto));
        QCOMPARE(q(carpetaDeConfiguracion()), programa);
        QCOMPARE(q(almacenDeLaVentana()), junto);
        QCOMPARE(q(almacenPorOmision()), junto);
        QVERIFY(QFile::remove(ini) && QFile::remove(junto));
        QCOMPARE(q(carpetaDeConfiguracion()), QStringLiteral("/c/rimario"));
    }

    // rimario-cli: the current folder's data.lop, else the user's, else the
    // installed default while the user has none, else the user's name.
    void almacenDeRimarioCli()
    {
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("datos")).toLocal8Bit());
        const QString usuario = q(almacenDelUsuario());
        QCOMPARE(q(almacenPorOmision()), usuario); // nothing anywhere
        const QString predeterminado = q(almacenPredeterminado());
        const auto limpiar = qScopeGuard([&] { QDir(programa + QStringLiteral("/../share")).removeRecursively(); });
        tocar(predeterminado);
        QCOMPARE(q(almacenPorOmision()), predeterminado);
        tocar(usuario);
        QCOMPARE(q(almacenPorOmision()), usuario);
        tocar(dir.filePath(QStringLiteral("data.lop")));
        QCOMPARE(q(almacenPorOmision()), QStringLiteral("data.lop"));
    }
};

QTEST_GUILESS_MAIN(PruebaUbicacion)
#include "prueba_ubicacion.moc"
