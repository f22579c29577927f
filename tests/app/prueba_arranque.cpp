// Start-up with a damaged word store of the earlier, Access-based version (the
// conversion that succeeds is in the window's tests).

#include "almacen.h"
#include "arranque.h"
#include "../comun/almacen_prueba.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;

namespace {
QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QString muestra()
{
    return prueba::muestraAccess();
}
} // namespace

class PruebaArranque : public QObject {
    Q_OBJECT
private slots:
    void conversionQueFalla()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QByteArray cortado = leer(muestra());
        cortado.truncate(cortado.size() / 2 + 100);
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(cortado);
        f.close();
        QVERIFY_THROWS_EXCEPTION(ErrorAlmacen, prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)));
        QCOMPARE(leer(ruta), cortado); // untouched
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.lop")});
    }

    void archivoQueTumbaAlLector()
    {
        // A damaged catalogue makes the Access library crash: the conversion runs in
        // a child process, so the program gets a message and the file stays as it was.
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_FUENTES "/fuzz/conocidos/libmdb-catalogo.lop"), ruta));
        QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray antes = leer(ruta);
        try {
            prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA));
            QFAIL("convirtió un archivo dañado");
        } catch (const ErrorAlmacen &e) {
            QVERIFY(!e.mensaje().isEmpty());
        }
        QCOMPARE(leer(ruta), antes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.lop")});
    }
};

QTEST_MAIN(PruebaArranque)
#include "prueba_arranque.moc"
