// Start-up with a damaged word store of the earlier, Access-based version (the
// conversion that succeeds is in the window's tests).

#include "almacen.h"
#include "arranque.h"
#include "espera.h"
#include "../comun/almacen_prueba.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QTest>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

    // Two starts at once on one Access file (read-only, with the litter of a
    // conversion killed earlier beside it): one conversion, one original kept,
    // both end on the converted store, which keeps the file's protection.
    void dosArranquesALaVez()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(muestra(), ruta));
        const QByteArray original = leer(ruta);
        for (const char *resto : {".data.lop.AbC123.tmp", ".data.lop.AbC123.tmp-journal", "..data.lop.AbC123.tmp.xYz789.tmp"})
            QVERIFY(QFile(dir.filePath(QString::fromLatin1(resto))).open(QIODevice::WriteOnly));
        QVERIFY(::chmod(QFile::encodeName(ruta).constData(), 0444) == 0);
        // Held here until both have started, so that they meet at the lock.
        const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC); // not passed to the children
        QVERIFY(::flock(fd, LOCK_EX) == 0);
        QProcess hijos[2];
        for (QProcess &h : hijos) {
            h.start(QStringLiteral(RIMARIO_PROGRAMA), {QLatin1String(kOrdenConvertir), ruta});
            QVERIFY(h.waitForStarted());
        }
        for (QProcess &h : hijos)
            QVERIFY(h.waitForReadyRead(20000)); // "ESPERA": each says it waits
        ::close(fd);
        QStringList copias;
        for (QProcess &h : hijos) {
            QVERIFY(h.waitForFinished(60000));
            QCOMPARE(h.exitCode(), 0);
            const QByteArray salida = h.readAllStandardOutput();
            QVERIFY2(salida.startsWith("ESPERA\n"), salida.constData());
            const qsizetype i = salida.indexOf("COPIA ");
            QVERIFY(i >= 0);
            copias << QString::fromUtf8(salida.mid(i + 6)).trimmed();
        }
        copias.removeAll(QString());
        QCOMPARE(copias, QStringList{dir.filePath(QStringLiteral("data.access2000.lop"))});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("data.access2000.lop"), QStringLiteral("data.lop")}));
        QCOMPARE(leer(copias.first()), original);
        auto a = Almacen::abrir(ruta);
        QCOMPARE(a->contarFilas(), 60);
        QVERIFY(a->soloLectura() || ::geteuid() == 0);
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(ruta).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 0777, 0444u);
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

    // Another program holds the store while the program starts: a window says
    // so at once; the user may stop waiting, or the start goes on when the
    // other program lets go.
    void esperaAOtroPrograma_data()
    {
        QTest::addColumn<bool>("dejarDeEsperar");
        QTest::newRow("el usuario deja de esperar") << true;
        QTest::newRow("el otro programa lo deja libre") << false;
    }
    void esperaAOtroPrograma()
    {
        QFETCH(bool, dejarDeEsperar);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        prueba::crearAlmacen(ruta, prueba::palabrasDePrueba());
        sqlite3 *otro = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(ruta).constData(), &otro, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        const auto cerrar = qScopeGuard([&] { sqlite3_close(otro); });
        QCOMPARE(sqlite3_exec(otro, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "60000");
        const auto entorno = qScopeGuard([] { qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); });

        Espera espera(ruta);
        espera.fase(QStringLiteral("Abriendo el almacén de palabras…"));
        QString dicho;
        QTimer reloj;
        connect(&reloj, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *d = qobject_cast<QProgressDialog *>(w);
                if (!d || !d->isVisible() || !d->labelText().contains(QStringLiteral("Otro programa")))
                    continue;
                reloj.stop();
                dicho = d->labelText();
                if (dejarDeEsperar)
                    QTest::mouseClick(d->findChild<QPushButton *>(), Qt::LeftButton);
                else
                    sqlite3_exec(otro, "COMMIT", nullptr, nullptr, nullptr);
            }
        });
        reloj.start(50);
        std::unique_ptr<Almacen> a;
        try {
            a = Almacen::abrir(ruta);
        } catch (const ErrorAlmacen &e) {
            QCOMPARE(e.tipo(), ErrorAlmacen::Tipo::Ocupado);
        }
        QVERIFY2(dicho.contains(QStringLiteral("Esperando")), qPrintable(dicho));
        QCOMPARE(espera.abandonada(), dejarDeEsperar);
        QCOMPARE(a != nullptr, !dejarDeEsperar);
    }
};

QTEST_MAIN(PruebaArranque)
#include "prueba_arranque.moc"
