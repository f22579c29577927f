// Where the programs look for their files: the XDG folders (a relative value
// ignored), what lies beside the program winning, a link to nothing too. (Which
// store rimario-cli and a new user's window take is checked by the test paquete.)

#include "ubicacion/ubicacion.h"

#include "../comun/tabla.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario::ubicacion;

class PruebaUbicacion : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString programa = QCoreApplication::applicationDirPath();
    static QString q(const std::string &s) { return QString::fromStdString(s); }

private slots:
    void init()
    {
        qputenv("HOME", dir.filePath(QStringLiteral("casa")).toLocal8Bit());
        QDir::setCurrent(dir.path()); // not the program's folder
    }

    void carpetasXdg_data()
    {
        COLUMNAS(QByteArray, valor, QString, almacen, QString, configuracion); // valor: of XDG_DATA_HOME and XDG_CONFIG_HOME
        QTest::newRow("absoluta") << QByteArray("/x") << "/x/rimario/data.lop" << "/x/rimario";
        QTest::newRow("relativa: ignorada") << QByteArray("x") << "casa/.local/share/rimario/data.lop" << "casa/.config/rimario";
        QTest::newRow("vacía") << QByteArray() << "casa/.local/share/rimario/data.lop" << "casa/.config/rimario";
    }
    void carpetasXdg()
    {
        DATOS(QByteArray, valor, QString, almacen, QString, configuracion);
        qputenv("XDG_DATA_HOME", valor);
        qputenv("XDG_CONFIG_HOME", valor);
        const auto absoluta = [&](const QString &r) { return r.startsWith(u'/') ? r : dir.filePath(r); };
        QCOMPARE(q(almacenDeLaVentana()), absoluta(almacen)); // nothing beside this program
        QCOMPARE(q(carpetaDeConfiguracion()), absoluta(configuracion));
        QCOMPARE(q(almacenPredeterminado()), programa + QStringLiteral("/../share/rimario/data.lop"));
    }

    void loDeJuntoAlProgramaGana()
    {
        qputenv("XDG_CONFIG_HOME", "/c");
        const QString ini = programa + QStringLiteral("/rimario.ini"), junto = programa + QStringLiteral("/data.lop");
        const auto limpiar = qScopeGuard([&] { QFile::remove(ini), QFile::remove(junto); }); // even after a failure
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("no-existe")), junto));
        QCOMPARE(q(carpetaDeConfiguracion()), programa);
        QCOMPARE(q(almacenDeLaVentana()), junto);
        QCOMPARE(q(almacenPorOmision()), junto);
    }
};

QTEST_GUILESS_MAIN(PruebaUbicacion)
#include "prueba_ubicacion.moc"
