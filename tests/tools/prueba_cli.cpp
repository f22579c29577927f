// rimario-cli as a user runs it.

#include "almacen.h"

#include "../comun/almacen_prueba.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace rimario;
using namespace rimario::prueba;

namespace {

struct Salida {
    int estado;
    QStringList lineas; // standard output
    QString errores;    // standard error
};

// Runs the command line given, its arguments separated by single spaces (the
// test folders' paths have none).
Salida ejecutar(const QString &linea, const QString &carpeta = QString())
{
    QProcess p;
    p.setWorkingDirectory(carpeta);
    p.start(QStringLiteral(RIMARIO_CLI), linea.split(u' '));
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class PruebaCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) const { return dir.filePath(n); }

private slots:
    void crearDesdeUnaLista()
    {
        QVERIFY(escribirArchivo(ruta(QStringLiteral("lista.txt")), "casa\n\n  mesa  \r\ncasa\nCasa\nl'amour\nni\xc3\xb1o\n\n"));
        const QString orden = QStringLiteral("crear --lista %1 %2").arg(ruta(QStringLiteral("lista.txt")), ruta(QStringLiteral("a.lop")));
        QCOMPARE(ejecutar(orden).estado, 0);
        auto a = Almacen::abrir(ruta(QStringLiteral("a.lop")));
        QStringList palabras, vocales;
        a->recorrerEnOrden([&](qint64, const char *p, int n, bool, const char *v, int nv) {
            palabras << QString::fromUtf8(p, n);
            vocales << QString::fromUtf8(v, nv);
        });
        // Blank lines and the repeated "casa" skipped; "Casa" kept.
        QCOMPARE(palabras, lista("casa Casa l'amour mesa niño"));
        QCOMPARE(vocales.at(4), QStringLiteral("io"));
        // Never over an existing file.
        const Salida otra = ejecutar(orden);
        QVERIFY(otra.estado != 0);
        QVERIFY(otra.errores.contains(QStringLiteral("ya existe")));
    }

    void crearConEntradaMala()
    {
        // Unreadable list, a list that is not UTF-8, a folder that cannot be written:
        // a message, a failure status, and nothing left behind.
        QVERIFY(escribirArchivo(ruta(QStringLiteral("latin1.txt")), "canci\xf3n\n"));
        const QString destino = ruta(QStringLiteral("malo.lop")), latin1 = ruta(QStringLiteral("latin1.txt"));
        for (const QString &orden : {QStringLiteral("crear --lista %1 %2").arg(ruta(QStringLiteral("no-hay.txt")), destino),
                                     QStringLiteral("crear --lista %1 %2").arg(latin1, destino),
                                     QStringLiteral("crear --lista %1 %1/x.lop").arg(latin1),
                                     QStringLiteral("crear ") + destino}) {
            const Salida s = ejecutar(orden);
            QVERIFY2(s.estado != 0 && !s.errores.isEmpty(), qPrintable(orden));
            QVERIFY(!QFile::exists(destino));
        }
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden), QStringList());
    }

    // What a run killed before the end left beside the destination goes at the
    // next run; what a running writer has there stays.
    void restosDeUnaOrdenInterrumpida()
    {
        QTemporaryDir aqui;
        const QString destino = aqui.filePath(QStringLiteral("r.lop"));
        const QString muerto = aqui.filePath(QStringLiteral(".r.lop.999999999.AbCdEf.tmp"));
        const QString vivo = aqui.filePath(QStringLiteral(".r.lop.%1.AbCdEf.tmp").arg(QCoreApplication::applicationPid()));
        for (const QString &f : {muerto, muerto + QStringLiteral("-journal"), vivo})
            QVERIFY(escribirArchivo(f, "resto"));
        QVERIFY(escribirArchivo(aqui.filePath(QStringLiteral("l.txt")), "casa\n"));
        QCOMPARE(ejecutar(QStringLiteral("crear --lista %1 %2").arg(aqui.filePath(QStringLiteral("l.txt")), destino)).estado, 0);
        QCOMPARE(QDir(aqui.path()).entryList({QStringLiteral(".r.lop*")}, QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(vivo).fileName()});
        QVERIFY(QFile::remove(destino));
        QVERIFY(escribirArchivo(muerto, "resto"));
        QCOMPARE(ejecutar(QStringLiteral("convertir %1 %2").arg(muestraAccess(), destino)).estado, 0);
        QVERIFY(!QFile::exists(muerto) && QFile::exists(vivo));
    }

    // Line ends of every kind; words with control characters refused with their
    // line; a link as the destination (even to nothing) never written through.
    void crearListasRaras_data()
    {
        QTest::addColumn<QByteArray>("lista");
        QTest::addColumn<QString>("palabras"); // empty: refused
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("CR") << QByteArray("casa\rmesa\r\rrosa\r") << QStringLiteral("casa mesa rosa") << QString();
        QTest::newRow("mezcla") << QByteArray("casa\r\nmesa\rrosa\npasa") << QStringLiteral("casa mesa pasa rosa") << QString();
        QTest::newRow("NUL") << QByteArray("casa\nme\0sa\n", 12) << QString() << QStringLiteral("línea 2");
        QTest::newRow("tabulador") << QByteArray("casa\rmesa\rro\tsa") << QString() << QStringLiteral("línea 3 ");
        QTest::newRow("escape") << QByteArray("\x1b[31mcasa") << QString() << QStringLiteral("U+001B");
        QTest::newRow("C1") << QByteArray("ca\xc2\x85sa") << QString() << QStringLiteral("U+0085");
    }
    void crearListasRaras()
    {
        QFETCH(QByteArray, lista);
        QFETCH(QString, palabras);
        QFETCH(QString, mensaje);
        const QString carpeta = ruta(QStringLiteral("raras-") + QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(carpeta));
        const QString texto = carpeta + QStringLiteral("/lista.txt"), destino = carpeta + QStringLiteral("/a.lop");
        QVERIFY(escribirArchivo(texto, lista));
        const Salida s = ejecutar(QStringLiteral("crear --lista %1 %2").arg(texto, destino));
        if (palabras.isEmpty()) {
            QVERIFY(s.estado != 0);
            QVERIFY2(s.errores.contains(mensaje), qPrintable(s.errores));
            QCOMPARE(archivosDe(carpeta), QStringList{QStringLiteral("lista.txt")});
            return;
        }
        QCOMPARE(s.estado, 0);
        QCOMPARE(consultar(destino, "SELECT group_concat(Pal, ' ') FROM (SELECT Pal FROM Palabras ORDER BY Pal)"),
                 QStringList{palabras});
        // The same list onto a link to nothing: refused, nothing made where it points.
        const QString enlace = carpeta + QStringLiteral("/enlace.lop");
        QVERIFY(QFile::link(carpeta + QStringLiteral("/nada.lop"), enlace));
        const Salida t = ejecutar(QStringLiteral("crear --lista %1 %2").arg(texto, enlace));
        QVERIFY(t.estado != 0 && t.errores.contains(QStringLiteral("ya existe")));
        QVERIFY(QFileInfo(enlace).isSymLink());
        QCOMPARE(archivosDe(carpeta), (QStringList{QStringLiteral("a.lop"), QStringLiteral("lista.txt")}));
    }

    // A pipe named as the store or the Access file: every command refuses it at once.
    void tuberiaEnLugarDeArchivo()
    {
        const QString tuberia = ruta(QStringLiteral("tuberia.lop"));
        QCOMPARE(::mkfifo(QFile::encodeName(tuberia).constData(), 0644), 0);
        for (const QString &orden : {QStringLiteral("buscar --almacen %1 -n 2 casa").arg(tuberia),
                                     QStringLiteral("buscar --almacen %1 --consonante casa").arg(tuberia),
                                     QStringLiteral("comprobar %1").arg(tuberia),
                                     QStringLiteral("convertir %1 %2").arg(tuberia, ruta(QStringLiteral("t.lop")))}) {
            QProcess p;
            p.start(QStringLiteral(RIMARIO_CLI), orden.split(u' '));
            QVERIFY2(p.waitForFinished(20000), qPrintable(orden));
            QVERIFY2(p.exitCode() != 0 && p.readAllStandardError().contains("no es un archivo normal"), qPrintable(orden));
        }
        QVERIFY(!QFile::exists(ruta(QStringLiteral("t.lop"))));
    }

    void buscarRimas()
    {
        const QString almacen = crearAlmacen(ruta(QStringLiteral("data.lop")), palabrasDePrueba());
        // Default store: data.lop in the current directory.
        Salida s = ejecutar(QStringLiteral("buscar -n 2 canción"), dir.path());
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.lineas, lista("avión camión corazón ilusión pasión razón"));
        QVERIFY(s.errores.isEmpty());
        s = ejecutar(QStringLiteral("buscar --almacen %1 --vocales --igual-tamano -n 3 camión").arg(almacen));
        QCOMPARE(s.lineas, lista("camino camión pasión"));
        // Read-only: the marks are not written.
        QVERIFY(!Almacen::abrir(almacen)->estadoMarcas().reglas[1].fin.has_value());
        // Too short for the length: nothing, successfully.
        s = ejecutar(QStringLiteral("buscar --almacen %1 -n 5 sol").arg(almacen));
        QCOMPARE(s.estado, 0);
        QVERIFY(s.lineas.isEmpty());
        // Errors: usage, store, pattern.
        for (const QString &orden : {QStringLiteral("buscar canción"), QStringLiteral("buscar -n 8 canción"),
                                     QStringLiteral("buscar --almacen %1 -n 2 sol").arg(ruta(QStringLiteral("nada.lop"))),
                                     QStringLiteral("buscar --almacen %1 -n 2 a[").arg(almacen), QStringLiteral("nada")}) {
            s = ejecutar(orden);
            QVERIFY2(s.estado != 0 && s.lineas.isEmpty() && !s.errores.isEmpty(), qPrintable(orden));
        }
        QVERIFY(!QFile::exists(ruta(QStringLiteral("nada.lop"))));
    }

    void convertirUnArchivoQueTumbaAlLector()
    {
        // The Access library crashes on this damaged catalogue; the command says so.
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_FUENTES "/fuzz/conocidos/libmdb-catalogo.lop"),
                            ruta(QStringLiteral("tumba.mdb"))));
        const Salida s = ejecutar(QStringLiteral("convertir %1 %2")
                                      .arg(ruta(QStringLiteral("tumba.mdb")), ruta(QStringLiteral("tumba.lop"))));
        // (Under AddressSanitizer the crash is reported by the sanitizer instead.)
        QCOMPARE(s.estado, 1);
        QVERIFY(s.errores.contains(QStringLiteral("dañado")) || s.errores.contains(QStringLiteral("Sanitizer")));
        QVERIFY(!QFile::exists(ruta(QStringLiteral("tumba.lop"))));
    }

    void rimaConsonanteYAsonante()
    {
        const QString almacen = crearAlmacen(ruta(QStringLiteral("r.lop")), lista("canción razón corazón pájaro canto cántaro amor 123"));
        QCOMPARE(ejecutar(QStringLiteral("buscar --almacen %1 --consonante camión").arg(almacen)).lineas,
                 lista("canción corazón razón"));
        QCOMPARE(ejecutar(QStringLiteral("buscar --almacen %1 --asonante pájaro").arg(almacen)).lineas, lista("cántaro canto"));
        QCOMPARE(ejecutar(QStringLiteral("buscar --almacen %1 --asonante --silabas 3 pájaro").arg(almacen)).lineas,
                 lista("cántaro"));
        Salida s = ejecutar(QStringLiteral("buscar --almacen %1 --consonante grr").arg(almacen));
        QVERIFY(s.estado != 0);
        QVERIFY(s.errores.contains(QStringLiteral("sílabas")));
        s = ejecutar(QStringLiteral("silabas canción búho x1"));
        QCOMPARE(s.estado, 1); // one word could not be split
        QCOMPARE(s.lineas.size(), 3);
        QVERIFY(s.lineas.at(0).startsWith(QStringLiteral("canción: can-ción (aguda, 2 sílabas")));
        QVERIFY(s.lineas.at(1).startsWith(QStringLiteral("búho: bú-ho (llana")));
        QVERIFY(s.lineas.at(2).contains(QStringLiteral("no se puede dividir")));
    }

    void convertirYComprobar()
    {
        const QString destino = ruta(QStringLiteral("c.lop"));
        const QString convertir = QStringLiteral("convertir %1 %2").arg(muestraAccess(), destino);
        Salida s = ejecutar(convertir);
        QCOMPARE(s.estado, 0);
        QVERIFY2(s.errores.contains(QStringLiteral("60 de 60")), qPrintable(s.errores));
        s = ejecutar(convertir);
        QCOMPARE(s.estado, 1);
        QVERIFY(s.errores.contains(QStringLiteral("ya existe")));
        QCOMPARE(ejecutar(QStringLiteral("convertir ") + muestraAccess()).estado, 2);

        s = ejecutar(QStringLiteral("comprobar ") + destino);
        QCOMPARE(s.estado, 0);
        QVERIFY2(s.lineas.value(0).contains(QStringLiteral("Las 60 palabras")), qPrintable(s.lineas.join(u'\n')));
        consultar(destino, QStringLiteral("UPDATE Palabras SET Voc = 'oa' WHERE Pal = 'amor'"));
        s = ejecutar(QStringLiteral("comprobar ") + destino);
        QCOMPARE(s.estado, 1);
        QCOMPARE(s.lineas.value(0), QStringLiteral("1\tamor\tVoc: «oa»\tesperado: «ao»"));
        s = ejecutar(QStringLiteral("comprobar ") + ruta(QStringLiteral("no.lop")));
        QCOMPARE(s.estado, 2);
        QVERIFY(s.errores.contains(QStringLiteral("No se encuentra")));
    }
};

QTEST_GUILESS_MAIN(PruebaCli)
#include "prueba_cli.moc"
