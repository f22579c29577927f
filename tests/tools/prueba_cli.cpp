// rimario-cli as a user runs it.

#include "almacen.h"

#include "../comun/almacen_prueba.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;

namespace {

struct Salida {
    int estado;
    QStringList lineas; // standard output
    QString errores;    // standard error
};

Salida ejecutar(const QStringList &args, const QString &carpeta = QString())
{
    QProcess p;
    if (!carpeta.isEmpty())
        p.setWorkingDirectory(carpeta);
    p.start(QStringLiteral(RIMARIO_CLI), args);
    p.waitForFinished(120000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QStringList l = out.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, l,
            QString::fromUtf8(p.readAllStandardError())};
}

void escribir(const QString &ruta, const QByteArray &datos)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(datos);
}

} // namespace

class PruebaCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) const { return dir.filePath(n); }

private slots:
    void crearDesdeUnaLista()
    {
        escribir(ruta(QStringLiteral("lista.txt")),
                 "casa\n\n  mesa  \r\ncasa\nCasa\nl'amour\nni\xc3\xb1o\n\n");
        const Salida s = ejecutar({QStringLiteral("crear"), QStringLiteral("--lista"), ruta(QStringLiteral("lista.txt")),
                                   ruta(QStringLiteral("a.lop"))});
        QCOMPARE(s.estado, 0);
        auto a = Almacen::abrir(ruta(QStringLiteral("a.lop")));
        QCOMPARE(a->contarFilas(), 5); // blank lines and the repeated "casa" skipped; "Casa" kept
        QStringList palabras, vocales;
        a->recorrerEnOrden([&](qint64, const char *p, int n, bool, const char *v, int nv) {
            palabras << QString::fromUtf8(p, n);
            vocales << QString::fromUtf8(v, nv);
        });
        QCOMPARE(palabras, (QStringList{QStringLiteral("casa"), QStringLiteral("Casa"), QStringLiteral("l'amour"),
                                        QStringLiteral("mesa"), QStringLiteral("niño")}));
        QCOMPARE(vocales.at(4), QStringLiteral("io"));
        // Never over an existing file.
        const Salida otra = ejecutar({QStringLiteral("crear"), QStringLiteral("--lista"), ruta(QStringLiteral("lista.txt")),
                                      ruta(QStringLiteral("a.lop"))});
        QVERIFY(otra.estado != 0);
        QVERIFY(otra.errores.contains(QStringLiteral("ya existe")));
    }

    void crearConEntradaMala()
    {
        // Unreadable list, a list that is not UTF-8, a folder that cannot be written:
        // a message, a failure status, and nothing left behind.
        escribir(ruta(QStringLiteral("latin1.txt")), "canci\xf3n\n");
        const QString destino = ruta(QStringLiteral("malo.lop"));
        for (const QStringList &args :
             {QStringList{QStringLiteral("crear"), QStringLiteral("--lista"), ruta(QStringLiteral("no-hay.txt")), destino},
              QStringList{QStringLiteral("crear"), QStringLiteral("--lista"), ruta(QStringLiteral("latin1.txt")), destino},
              QStringList{QStringLiteral("crear"), QStringLiteral("--lista"), ruta(QStringLiteral("latin1.txt")),
                          ruta(QStringLiteral("latin1.txt/x.lop"))},
              QStringList{QStringLiteral("crear"), destino}}) {
            const Salida s = ejecutar(args);
            QVERIFY2(s.estado != 0, qPrintable(args.join(u' ')));
            QVERIFY(!s.errores.isEmpty());
            QVERIFY(!QFile::exists(destino));
        }
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden), QStringList());
    }

    void buscarRimas()
    {
        prueba::crearAlmacen(ruta(QStringLiteral("data.lop")), prueba::palabrasDePrueba());
        // Default store: data.lop in the current directory.
        Salida s = ejecutar({QStringLiteral("buscar"), QStringLiteral("-n"), QStringLiteral("2"),
                             QStringLiteral("canción")},
                            dir.path());
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.lineas, (QStringList{QStringLiteral("avión"), QStringLiteral("camión"), QStringLiteral("corazón"),
                                        QStringLiteral("ilusión"), QStringLiteral("pasión"), QStringLiteral("razón")}));
        QVERIFY(s.errores.isEmpty());
        s = ejecutar({QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("data.lop")),
                      QStringLiteral("--vocales"), QStringLiteral("--igual-tamano"), QStringLiteral("-n"),
                      QStringLiteral("3"), QStringLiteral("camión")});
        QCOMPARE(s.lineas, (QStringList{QStringLiteral("camino"), QStringLiteral("camión"), QStringLiteral("pasión")}));
        // Read-only: the marks are not written.
        auto a = Almacen::abrir(ruta(QStringLiteral("data.lop")));
        QVERIFY(!a->estadoMarcas().reglas[1].fin.has_value());
        // Too short for the length: nothing, successfully.
        s = ejecutar({QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("data.lop")),
                      QStringLiteral("-n"), QStringLiteral("5"), QStringLiteral("sol")});
        QCOMPARE(s.estado, 0);
        QVERIFY(s.lineas.isEmpty());
        // Errors: usage, store, pattern.
        for (const QStringList &args :
             {QStringList{QStringLiteral("buscar"), QStringLiteral("canción")},
              QStringList{QStringLiteral("buscar"), QStringLiteral("-n"), QStringLiteral("8"), QStringLiteral("canción")},
              QStringList{QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("nada.lop")),
                          QStringLiteral("-n"), QStringLiteral("2"), QStringLiteral("sol")},
              QStringList{QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("data.lop")),
                          QStringLiteral("-n"), QStringLiteral("2"), QStringLiteral("a[")},
              QStringList{QStringLiteral("nada")}}) {
            s = ejecutar(args);
            QVERIFY2(s.estado != 0, qPrintable(args.join(u' ')));
            QVERIFY(s.lineas.isEmpty());
            QVERIFY(!s.errores.isEmpty());
        }
        QVERIFY(!QFile::exists(ruta(QStringLiteral("nada.lop"))));
    }

    void convertirUnArchivoQueTumbaAlLector()
    {
        // The Access library crashes on this damaged catalogue; the command says so.
        const Salida s = ejecutar({QStringLiteral("convertir"),
                                   QStringLiteral(RIMARIO_FUENTES "/fuzz/conocidos/libmdb-catalogo.lop"),
                                   ruta(QStringLiteral("tumba.lop"))});
        // (Under AddressSanitizer the crash is reported by the sanitizer instead.)
        QCOMPARE(s.estado, 1);
        QVERIFY(s.errores.contains(QStringLiteral("dañado")) || s.errores.contains(QStringLiteral("Sanitizer")));
        QVERIFY(!QFile::exists(ruta(QStringLiteral("tumba.lop"))));
    }

    void rimaConsonanteYAsonante()
    {
        prueba::crearAlmacen(ruta(QStringLiteral("r.lop")),
                             {QStringLiteral("canción"), QStringLiteral("razón"), QStringLiteral("corazón"),
                              QStringLiteral("pájaro"), QStringLiteral("canto"), QStringLiteral("cántaro"),
                              QStringLiteral("amor"), QStringLiteral("123")});
        Salida s = ejecutar({QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("r.lop")),
                             QStringLiteral("--consonante"), QStringLiteral("camión")});
        QCOMPARE(s.lineas, (QStringList{QStringLiteral("canción"), QStringLiteral("corazón"), QStringLiteral("razón")}));
        s = ejecutar({QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("r.lop")),
                      QStringLiteral("--asonante"), QStringLiteral("pájaro")});
        QCOMPARE(s.lineas, (QStringList{QStringLiteral("cántaro"), QStringLiteral("canto")}));
        s = ejecutar({QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("r.lop")),
                      QStringLiteral("--asonante"), QStringLiteral("--silabas"), QStringLiteral("3"),
                      QStringLiteral("pájaro")});
        QCOMPARE(s.lineas, QStringList{QStringLiteral("cántaro")});
        s = ejecutar({QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta(QStringLiteral("r.lop")),
                      QStringLiteral("--consonante"), QStringLiteral("grr")});
        QVERIFY(s.estado != 0);
        QVERIFY(s.errores.contains(QStringLiteral("sílabas")));
        s = ejecutar({QStringLiteral("silabas"), QStringLiteral("canción"), QStringLiteral("búho"), QStringLiteral("x1")});
        QCOMPARE(s.estado, 1); // one word could not be split
        QCOMPARE(s.lineas.size(), 3);
        QVERIFY(s.lineas.at(0).startsWith(QStringLiteral("canción: can-ción (aguda, 2 sílabas")));
        QVERIFY(s.lineas.at(1).startsWith(QStringLiteral("búho: bú-ho (llana")));
        QVERIFY(s.lineas.at(2).contains(QStringLiteral("no se puede dividir")));
    }
};

QTEST_GUILESS_MAIN(PruebaCli)
#include "prueba_cli.moc"
