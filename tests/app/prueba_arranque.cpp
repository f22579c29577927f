// Start-up: an Access store that cannot be converted, and another program
// holding the store while it opens.

#include "arranque.h"
#include "espera.h"

#include "../comun/almacen_prueba.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
