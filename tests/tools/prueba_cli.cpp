// rimario-cli as a user runs it.

#include "../comun/almacen_prueba.h"
#include "../comun/proteccion.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tuple>

using namespace rimario;
using namespace rimario::prueba;

namespace {
struct Salida {
    int estado;
    QStringList lineas; // standard output
    QString errores;
};
// Runs the command line given, its arguments separated by single spaces.
Salida ejecutar(const QString &linea, const QString &carpeta = QString())
{
    QProcess p;
    p.setWorkingDirectory(carpeta);
    p.start(QStringLiteral(RIMARIO_CLI), linea.split(u' '));
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

class PruebaCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) const { return dir.filePath(n); }

private slots:
    // Line ends of every kind, blank lines and repeats skipped; words with
    // control characters refused with their line; never over an existing file
    // or through a link; nothing left behind by a failure.
    void crear_data()
    {
        // palabras: empty: refused, with this message
        COLUMNAS(QByteArray, lista, QString, palabras, QString, mensaje);
        QTest::newRow("LF") << QByteArray("casa\n\n  mesa  \r\ncasa\nCasa\nl'amour\nni\xc3\xb1o\n\n") << "casa Casa l'amour mesa niño" << "";
        QTest::newRow("CR y mezcla") << QByteArray("casa\rmesa\r\rrosa\r\npasa") << "casa mesa pasa rosa" << "";
        QTest::newRow("NUL") << QByteArray("casa\nme\0sa\n", 12) << "" << "línea 2";
        QTest::newRow("tabulador") << QByteArray("casa\rmesa\rro\tsa") << "" << "línea 3 ";
        QTest::newRow("Latin-1") << QByteArray("canci\xf3n\n") << "" << "UTF-8";
        const QString larga(200, u'ñ');
        QTest::newRow("una, de 200 caracteres") << QByteArray("mesa\n" + larga.toUtf8()) << "mesa " + larga << "";
        QTest::newRow("201 caracteres") << QByteArray("mesa\n" + larga.toUtf8() + "n\n") << "" << "línea 2 de «" ;
        QTest::newRow("una") << QByteArray("mesa") << "mesa" << "";
    }
    void crear()
    {
        DATOS(QByteArray, lista, QString, palabras, QString, mensaje);
        const QString carpeta = ruta(QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_'));
        QVERIFY(QDir().mkpath(carpeta));
        const QString texto = carpeta + QStringLiteral("/lista.txt"), destino = carpeta + QStringLiteral("/a.lop");
        QVERIFY(escribirArchivo(texto, lista));
        const QString orden = QStringLiteral("crear --lista %1 %2").arg(texto, destino);
        Salida s = ejecutar(orden);
        if (palabras.isEmpty()) {
            QVERIFY2(s.estado != 0 && s.errores.contains(mensaje), qPrintable(s.errores));
            QCOMPARE(archivosDe(carpeta), QStringList{QStringLiteral("lista.txt")});
            return;
        }
        QCOMPARE(s.estado, 0);
        QVERIFY2(s.errores.endsWith(palabras.contains(u' ') ? QStringLiteral(" palabras.\n") : QStringLiteral(" con 1 palabra.\n")), qPrintable(s.errores));
        QCOMPARE(palabrasEnOrden(*Almacen::abrir(destino, true)).join(u' '), palabras);
        QCOMPARE(uno(destino, QStringLiteral("SELECT Voc FROM Palabras WHERE Pal = 'mesa'")), QStringLiteral("ea"));
        QVERIFY(QFile::link(carpeta + QStringLiteral("/nada.lop"), carpeta + QStringLiteral("/enlace.lop")));
        for (const QString &otra : {orden, orden.section(u' ', 0, 2) + QStringLiteral(" ") + carpeta + QStringLiteral("/enlace.lop"),
                                    orden.section(u' ', 0, 2) + QStringLiteral(" ") + texto + QStringLiteral("/x.lop"), QStringLiteral("crear --lista ") + carpeta + QStringLiteral("/no.txt ") + carpeta + QStringLiteral("/b.lop")}) {
            s = ejecutar(otra);
            QVERIFY2(s.estado != 0 && !s.errores.isEmpty(), qPrintable(otra));
        }
        QCOMPARE(archivosDe(carpeta), prueba::lista("a.lop lista.txt")); // the link still points at nothing
        QVERIFY(QFileInfo(carpeta + QStringLiteral("/enlace.lop")).isSymLink());
    }

    // A write that fails half-way (the file may grow no further): a Spanish
    // message, and nothing left beside the list, SQLite's own files included.
    void crearSinSitio()
    {
        const QString carpeta = ruta(QStringLiteral("sin sitio")), texto = carpeta + QStringLiteral("/lista.txt");
        QVERIFY(QDir().mkpath(carpeta));
        QByteArray palabras;
        for (int i = 0; i < 20000; ++i)
            palabras += "pala" + QByteArray::number(i, 36).replace('0', "o").replace('1', "u") + '\n';
        QVERIFY(escribirArchivo(texto, palabras));
        QProcess p;
        p.setChildProcessModifier([] {
            const struct rlimit limite = {1 << 17, 1 << 17};
            ::setrlimit(RLIMIT_FSIZE, &limite);
            ::signal(SIGXFSZ, SIG_IGN);
        });
        p.start(QStringLiteral(RIMARIO_CLI), {QStringLiteral("crear"), QStringLiteral("--lista"), texto, carpeta + QStringLiteral("/a.lop")});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 1 && QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("almacén")), "");
        QCOMPARE(archivosDe(carpeta), QStringList{QStringLiteral("lista.txt")});
    }

    void buscar()
    {
        const QString almacen = crearAlmacen(ruta(QStringLiteral("data.lop")), palabrasDePrueba() + lista("pájaro canto cántaro"));
        const auto rimas = [&](const QString &orden) { return ejecutar(QStringLiteral("buscar --almacen %1 %2").arg(almacen, orden)).lineas; };
        QCOMPARE(ejecutar(QStringLiteral("buscar -n 2 canción"), dir.path()).lineas, lista("avión camión corazón ilusión pasión razón")); // data.lop here
        QCOMPARE(rimas(QStringLiteral("--vocales --igual-tamano -n 3 camión")), lista("camino camión pasión"));
        QVERIFY(!Almacen::abrir(almacen)->estadoMarcas().reglas[1].fin.has_value()); // the marks not written
        QCOMPARE(rimas(QStringLiteral("--consonante camión")), lista("avión canción canción corazón ilusión pasión razón"));
        // Another program's session keeps the store in write-ahead-log mode: a
        // word it renames after a search is found under its new name.
        sqlite3 *sesion = otroPrograma(almacen, "PRAGMA journal_mode = WAL");
        QCOMPARE(rimas(QStringLiteral("--consonante camión")), lista("avión canción canción corazón ilusión pasión razón"));
        QCOMPARE(sqlite3_exec(sesion, "UPDATE Palabras SET Pal = 'cantón' WHERE Pal = 'razón'", nullptr, nullptr, nullptr), SQLITE_OK);
        QCOMPARE(rimas(QStringLiteral("--consonante camión")), lista("avión canción canción cantón corazón ilusión pasión"));
        sqlite3_exec(sesion, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr); // a lock below must hold readers back
        sqlite3_close(sesion);
        QCOMPARE(rimas(QStringLiteral("--asonante --silabas 3 pájaro")), lista("cántaro"));
        // Characters outside the basic plane, and a word longer than any buffer, written whole.
        const QStringList raras{QStringLiteral("\U0001D11Eón"), QString(70000, u'x') + QStringLiteral("ón")};
        QCOMPARE(ejecutar(QStringLiteral("buscar --almacen %1 -n 2 razón").arg(crearAlmacen(ruta(QStringLiteral("raras.lop")), raras))).lineas, raras);
        // A pipe for a store is refused, not waited on (other errors: argumentos.tsv).
        QCOMPARE(::mkfifo(QFile::encodeName(ruta(QStringLiteral("tuberia.lop"))).constData(), 0644), 0);
        for (const QString &orden : {QStringLiteral("buscar --almacen %1 --consonante casa"), QStringLiteral("comprobar %1")}) {
            const Salida s = ejecutar(orden.arg(ruta(QStringLiteral("tuberia.lop"))));
            QVERIFY2(s.estado != 0 && s.lineas.isEmpty() && s.errores.contains(QStringLiteral("no es un archivo normal")), qPrintable(orden));
        }
        // Another program holding the store: the wait said once, then the failure.
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "1000");
        sqlite3 *otro = otroPrograma(almacen, "BEGIN EXCLUSIVE");
        const Salida ocupado = ejecutar(QStringLiteral("buscar --almacen %1 -n 2 canción").arg(almacen));
        sqlite3_close(otro);
        qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS");
        QVERIFY2(ocupado.estado == 1 && ocupado.errores.count(u"Esperando a que otro programa") == 1 && ocupado.errores.contains(u"en uso por otro programa"), qPrintable(ocupado.errores));
        const Salida s = ejecutar(QStringLiteral("silabas canción búho x1"));
        QCOMPARE(s.estado, 1); // one word could not be split
        QVERIFY(s.lineas.size() == 3 && s.lineas[0].startsWith(QStringLiteral("canción: can-ción (aguda, 2 sílabas")));
        QVERIFY(s.lineas[1].startsWith(QStringLiteral("búho: bú-ho (llana")) && s.lineas[2].contains(QStringLiteral("no se puede dividir")));
    }

    // A writer killed in the middle of a change (its pages partly in the file)
    // leaves its journal: every search and the check answer as before the
    // change, which is rolled back; in a protected folder, where it cannot be,
    // they say what is pending and change nothing.
    void cambioAMedias()
    {
        const QString carpeta = ruta(QStringLiteral("medias")), almacen = carpeta + QStringLiteral("/data.lop"), diario = almacen + QStringLiteral("-journal");
        QVERIFY(QDir().mkpath(carpeta));
        crearAlmacen(almacen, palabrasDePrueba() + lista("pájaro canto cántaro"));
        const QStringList ordenes{QStringLiteral("-n 2 canción"), QStringLiteral("--vocales -n 3 camión"), QStringLiteral("--vocales --igual-tamano -n 3 camión"),
                                  QStringLiteral("--consonante camión"), QStringLiteral("--asonante --silabas 3 pájaro"), QStringLiteral("comprobar")};
        const auto correr = [&](const QString &o) {
            const Salida s = ejecutar(o == u"comprobar" ? QStringLiteral("comprobar ") + almacen : QStringLiteral("buscar --almacen %1 %2").arg(almacen, o));
            return std::tuple(s.estado, s.lineas, s.estado ? s.errores : QString());
        };
        std::vector<std::tuple<int, QStringList, QString>> antes;
        for (const QString &o : ordenes)
            antes.push_back(correr(o));
        const QByteArray limpio = leerArchivo(almacen);
        if (const pid_t hijo = ::fork(); hijo == 0) {
            otroPrograma(almacen, "PRAGMA cache_size = 10; BEGIN; DELETE FROM PalabrasBase WHERE Pal LIKE 'c%'; UPDATE PalabrasBase SET Sig = hex(randomblob(3000))");
            ::_exit(0);
        } else {
            QVERIFY(hijo > 0 && ::waitpid(hijo, nullptr, 0) == hijo);
        }
        const QByteArray datos = leerArchivo(almacen), pendiente = leerArchivo(diario);
        QVERIFY(datos != limpio && !pendiente.isEmpty());
        const auto reponer = [&] { return escribirArchivo(almacen, datos) && escribirArchivo(diario, pendiente); };
        for (qsizetype i = 0; i < ordenes.size(); ++i) {
            QVERIFY(reponer());
            QCOMPARE(correr(ordenes[i]), antes[size_t(i)]);
            QVERIFY(!QFile::exists(diario));
        }
        QVERIFY(reponer());
        Proteccion proteccion;
        if (!proteccion.poner(carpeta))
            QSKIP("la protección no funciona aquí (hace falta chattr +i, ext4 o similar)");
        for (const QString &o : ordenes) {
            const auto [estado, lineas, errores] = correr(o);
            QVERIFY2(estado != 0 && lineas.isEmpty() && errores.contains(QStringLiteral("a mitad de un cambio")), qPrintable(errores));
        }
        QVERIFY(leerArchivo(almacen) == datos && leerArchivo(diario) == pendiente);
    }

    // metrica --tsv: one line per line read, blank for blank; text that is no
    // verse an empty analysis; a binary file or invalid UTF-8 a Spanish message.
    void metrica()
    {
        const auto escribir = [this](const QString &n, const QByteArray &b) { return escribirArchivo(ruta(n), b), ruta(n); };
        const QString poema = escribir(QStringLiteral("poema.txt"),
            u"Cerrar podrá mis ojos la postrera\r\nsombra que me llevare el blanco día,\n\n¡¿...?!\n"_qs.toUtf8()
            + QByteArray(100000, 'a') + "\n" + QByteArray(50000, ' ') + "la cumbre\n");
        QProcess p;
        p.start(QStringLiteral(RIMARIO_CLI), {QStringLiteral("metrica"), QStringLiteral("--tsv"), poema});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'),
                 QStringList({u"11\t-+-+-+---+-\t-\tendecasílabo heroico"_qs, u"11\t+----+-+-+-\t-\tendecasílabo enfático"_qs,
                              QString(), u"0\t\t-\t"_qs, u"0\t\t-\t"_qs, u"3\t-+-\t-\ttrisílabo"_qs, QString()}));
        QVERIFY(ejecutar(QStringLiteral("metrica ") + poema).lineas.contains(u"    Ce·rrar po·drá mis o·jos la pos·tre·ra"_qs));
        for (const auto &[archivo, mensaje, lineas] :
             {std::tuple{escribir(u"binario"_qs, QByteArray("ELF\0\1\2", 6)), u"binario"_qs, QStringList()},
              std::tuple{escribir(u"latin1.txt"_qs, "la cumbre\ncoraz\xf3n\n\xff\n"), u"UTF-8 válido en las líneas 2, 3"_qs,
                         QStringList({u"3\t-+-\t-\ttrisílabo"_qs, u"0\t\t-\t"_qs, u"0\t\t-\t"_qs})}}) { // (no file, a folder: argumentos.tsv)
            const Salida s = ejecutar(QStringLiteral("metrica --tsv ") + archivo);
            QVERIFY2(s.estado == 1 && s.lineas == lineas && s.errores.contains(mensaje), qPrintable(s.errores));
        }
    }

    // Help for the tool and each command on standard output; usage errors
    // worded in Spanish with the command's usage, exit 2; a word may start with "-".
    void argumentos_data() { datosDeArchivo("tools/argumentos.tsv"); }
    void argumentos()
    {
        DATOS(QString, linea, int, estado, QString, salida, QString, errores);
        const QString almacen = ruta(QStringLiteral("argumentos.lop"));
        if (!QFile::exists(almacen))
            crearAlmacen(almacen, palabrasDePrueba());
        QProcess p;
        p.start(QStringLiteral(RIMARIO_CLI), QString(linea).replace(QStringLiteral("ALMACEN"), almacen).split(u' ', Qt::SkipEmptyParts));
        QVERIFY(p.waitForFinished(60000));
        const QString fuera = QString::fromUtf8(p.readAllStandardOutput()), errores_ = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), estado);
        QVERIFY2(salida.isEmpty() ? fuera.isEmpty() : fuera.startsWith(salida), qPrintable(fuera));
        QVERIFY2(errores_.contains(errores), qPrintable(errores_));
        QVERIFY2(!QRegularExpression(QStringLiteral("Unknown|Missing|Unexpected|Usage|Options")).match(fuera + errores_).hasMatch(), qPrintable(fuera + errores_));
    }

    void convertirYComprobar()
    {
        const QString destino = ruta(QStringLiteral("c.lop")), convertir = QStringLiteral("convertir %1 %2").arg(muestraAccess(), destino);
        Salida s = ejecutar(convertir);
        QVERIFY2(s.estado == 0 && s.errores.contains(QStringLiteral("60 de 60")), qPrintable(s.errores));
        s = ejecutar(convertir);
        QVERIFY(s.estado == 1 && s.errores.contains(QStringLiteral("ya existe")));
        s = ejecutar(QStringLiteral("comprobar ") + destino);
        QVERIFY2(s.estado == 0 && s.lineas.value(0).contains(QStringLiteral("Las 60 palabras")), qPrintable(s.lineas.join(u'\n')));
        consultar(destino, QStringLiteral("UPDATE Palabras SET Voc = 'oa' WHERE Pal = 'amor'"));
        s = ejecutar(QStringLiteral("comprobar ") + destino);
        QCOMPARE(s.estado, 1);
        QCOMPARE(s.lineas.value(0), QStringLiteral("1\tamor\tVoc: «oa»\tesperado: «ao»"));
        // The Access library crashes on this damaged catalogue; the command says so.
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_FUENTES "/fuzz/conocidos/libmdb-catalogo.lop"), ruta(QStringLiteral("tumba.mdb"))));
        s = ejecutar(QStringLiteral("convertir %1 %2").arg(ruta(QStringLiteral("tumba.mdb")), ruta(QStringLiteral("tumba.lop"))));
        QCOMPARE(s.estado, 1); // (under AddressSanitizer the sanitizer reports the crash)
        QVERIFY(s.errores.contains(QStringLiteral("dañado")) || s.errores.contains(QStringLiteral("Sanitizer")));
        QVERIFY(!QFile::exists(ruta(QStringLiteral("tumba.lop"))));
    }
};

QTEST_GUILESS_MAIN(PruebaCli)
#include "prueba_cli.moc"
