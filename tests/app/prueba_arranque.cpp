// Start-up with a word store of the earlier, Access-based version.

#include "almacen.h"
#include "arranque.h"
#include "lista_palabras.h"
#include "panel_web.h"
#include "principal.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace rimario;

namespace {
QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QString muestra()
{
    return qEnvironmentVariable("RIMARIO_FIXTURES") + QStringLiteral("/access2000-sample.lop");
}
} // namespace

class PruebaArranque : public QObject {
    Q_OBJECT
private slots:
    void convierteYAbre()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(muestra(), ruta));
        const QByteArray original = leer(ruta);
        const QString copia = prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA));
        QCOMPARE(copia, dir.filePath(QStringLiteral("data.access2000.lop")));
        QCOMPARE(leer(copia), original); // the original kept, byte for byte
        QVERIFY(!Almacen::pareceAccess(ruta));
        // The converted store opens in the window as usual.
        Principal v(ruta, new PanelWebVacio);
        v.Form_Load();
        v.show();
        v.abrirLista();
        QCOMPARE(v.DB->model()->rowCount(), 60);
        v.Ind->setText(QStringLiteral("canc"));
        QCOMPARE(v.Pal->text(), QStringLiteral("canción"));
        QVERIFY(v.RT->toPlainText().contains(QStringLiteral("Composición en verso")));
        // A second start finds our store and converts nothing.
        QCOMPARE(prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)), QString());
    }

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
