// Start-up: an Access store that cannot be converted, two starts at once on
// one Access file, and another program holding the store while it opens.

#include "arranque.h"
#include "espera.h"

#include "../comun/almacen_prueba.h"

#include <QApplication>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

using namespace rimario;
using namespace rimario::prueba;

class PruebaArranque : public QObject {
    Q_OBJECT
private slots:
    // A cut file, and a damaged catalogue that makes the Access library crash
    // (the conversion runs in a child process): a message, the file as it was.
    void conversionQueFalla_data()
    {
        QTest::addColumn<QByteArray>("datos");
        const QByteArray muestra = leerArchivo(muestraAccess());
        QTest::newRow("cortado") << muestra.left(muestra.size() / 2 + 100);
        QTest::newRow("tumba al lector") << leerArchivo(QStringLiteral(RIMARIO_FUENTES "/fuzz/conocidos/libmdb-catalogo.lop"));
    }
    void conversionQueFalla()
    {
        QFETCH(QByteArray, datos);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QVERIFY(escribirArchivo(ruta, datos));
        QVERIFY_THROWS_EXCEPTION(ErrorAlmacen, prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)));
        QCOMPARE(leerArchivo(ruta), datos);
        QCOMPARE(archivosDe(dir.path()), QStringList{QStringLiteral("data.lop")});
    }

    // Two starts at once on one read-only Access file with the litter of a
    // killed conversion beside it: one conversion, one original kept, both end
    // on the converted store, which keeps the file's protection.
    void dosArranquesALaVez()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(muestraAccess(), ruta));
        for (const char *resto : {".data.lop.AbC123.tmp", ".data.lop.AbC123.tmp-journal", "..data.lop.AbC123.tmp.xYz789.tmp"})
            QVERIFY(escribirArchivo(dir.filePath(QString::fromLatin1(resto)), ""));
        QVERIFY(::chmod(QFile::encodeName(ruta).constData(), 0444) == 0);
        // Held here until both have started, so that they meet at the lock.
        const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(::flock(fd, LOCK_EX) == 0);
        QProcess hijos[2];
        for (QProcess &h : hijos)
            h.start(QStringLiteral(RIMARIO_PROGRAMA), {QLatin1String(kOrdenConvertir), ruta});
        for (QProcess &h : hijos)
            QVERIFY(h.waitForReadyRead(20000)); // "ESPERA": each says it waits
        ::close(fd);
        QStringList copias;
        for (QProcess &h : hijos) {
            QVERIFY(h.waitForFinished(60000) && h.exitCode() == 0);
            const QByteArray salida = h.readAllStandardOutput();
            QVERIFY2(salida.startsWith("ESPERA\n") && salida.contains("COPIA "), salida.constData());
            copias << QString::fromUtf8(salida.mid(salida.indexOf("COPIA ") + 6)).trimmed();
        }
        copias.removeAll(QString());
        QCOMPARE(copias, QStringList{dir.filePath(QStringLiteral("data.access2000.lop"))});
        QCOMPARE(archivosDe(dir.path()), lista("data.access2000.lop data.lop"));
        QCOMPARE(huellaArchivo(copias.first()), huellaArchivo(muestraAccess()));
        QCOMPARE(Almacen::abrir(ruta)->contarFilas(), 60);
        QCOMPARE(QFile::permissions(ruta) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), QFile::Permissions());
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
        const QString ruta = crearAlmacen(dir.filePath(QStringLiteral("data.lop")), palabrasDePrueba());
        sqlite3 *otro = nullptr;
        sqlite3_open(QFile::encodeName(ruta).constData(), &otro);
        const auto cerrar = qScopeGuard([&] { sqlite3_close(otro); qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); });
        QCOMPARE(sqlite3_exec(otro, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "60000");
        Espera espera(ruta);
        espera.fase(QStringLiteral("Abriendo el almacén de palabras…"));
        QString dicho;
        QTimer reloj;
        connect(&reloj, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(w); d && d->isVisible() && d->labelText().contains(QStringLiteral("Otro programa"))) {
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
