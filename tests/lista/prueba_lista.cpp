// The word list held in memory and its kept copy: the snapshot a second load
// maps, its words written out from the snapshot's UTF-8 copy, its sums, a
// damaged copy read again, the list order, and the rhymes and finds of a
// mapped list against those of a list read from the rows.

#include "lista/formato_lista.h"
#include "lista/instantanea.h"
#include "lista/lexico.h"
#include "lista/lista_palabras.h"

#include "../comun/almacen_prueba.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <numeric>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace rimario;
using namespace rimario::prueba;

namespace {
// A list's rows, and its rhymes by key, by ending and by vowels, with their words as written out.
QStringList contenido(const Lexico &l)
{
    QStringList t;
    // Each row as the grid reads it, before any search and after them all.
    const auto filas = [&l, &t] {
        for (qsizetype i = 0; i < l.tamano(); ++i)
            t << QStringLiteral("%1:%2:%3:%4").arg(l.id(i)).arg(l.pal(i)).arg(l.caracteres(i)).arg(l.palNula(i));
    };
    filas();
    auto posiciones = [&l](const std::vector<qsizetype> &p) {
        QStringList r;
        for (const qsizetype i : p)
            r << QString::number(i);
        QByteArray lineas;
        l.lineasUtf8(p, [&](const char *d, size_t n) { lineas.append(d, qsizetype(n)); });
        return r.join(u' ') + QStringLiteral(" = ") + QString::fromUtf8(lineas);
    };
    for (const auto &[tipo, clave, silabas] : {std::tuple{TipoRima::Consonante, u"esa", -1}, {TipoRima::Asonante, u"aa", 2}, {TipoRima::Asonante, u"o", -1}, {TipoRima::Consonante, u"on", -1}}) {
        std::vector<qsizetype> p;
        l.riman(tipo, clave, silabas, p);
        t << QStringLiteral("%1: %2").arg(clave, posiciones(p));
    }
    for (const auto &[fin, excluida, caracteres] : {std::tuple{u"sa", u"casa", -1}, {u"A", u"", 4}, {u"ón", u"", -1}, {u"xa", u"", -1}}) {
        std::vector<qsizetype> p;
        l.terminadasEn(fin, excluida, caracteres, p);
        t << QStringLiteral("-%1: %2").arg(fin, posiciones(p));
    }
    for (const auto &[fin, caracteres] : {std::pair{u"ea", -1}, {u"a", 4}, {u"io", -1}, {u"aa", 1}}) {
        std::vector<qsizetype> p;
        l.vocalesTerminadasEn(fin, caracteres, p);
        t << QStringLiteral("~%1: %2").arg(fin, posiciones(p));
    }
    // and the finds of a word and of a beginning
    t << QStringLiteral("= %1 %2 %3").arg(l.buscarIgual(u"masa")).arg(l.buscarIgual(u"pesa")).arg(l.buscarPrefijo(u"me"));
    filas();
    return t;
}
} // namespace

class PruebaLista : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta(const QString &n) const { return dir.filePath(n); }
    QString almacen(const char *palabras) { return crearAlmacen(ruta(QString::fromLatin1(QTest::currentDataTag()) + QTest::currentTestFunction()), lista(palabras)); }

private slots:
    // Another program wrote (a definition, a word) and holds every lock, or not,
    // while the list stands on a word: a find, a refresh or a new definition
    // under the lock waits once for all its statements, then says so, the list
    // as it was; a new definition once the file is free reads the list again
    // first, as every write does, and is written.
    void conOtroPrograma_data()
    {
        COLUMNAS(QString, operacion, bool, bloqueado);
        for (const char *op : {"prefijo", "igual", "refrescar", "definición"})
            QTest::newRow(op) << QString::fromUtf8(op) << true;
        QTest::newRow("definición, libre") << QStringLiteral("definición") << false;
    }
    void conOtroPrograma()
    {
        DATOS(QString, operacion, bool, bloqueado);
        const QString r = almacen("a casa mesa pesa");
        auto a = Almacen::abrir(r);
        ListaPalabras l(*a);
        l.releer();
        QVERIFY(l.buscarIgual(u"mesa"));
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "200");
        QList<int> esperas;
        Almacen::ponerAvisoEspera([&](int ms) { return esperas << ms, true; });
        const QByteArray sql = "UPDATE Palabras SET Sig = 'suya' WHERE Pal = 'mesa'; INSERT INTO Palabras (Pal, Voc) VALUES ('zeta', 'ea'); ";
        sqlite3 *otro = otroPrograma(r, sql + (bloqueado ? "BEGIN EXCLUSIVE" : ""));
        const auto fin = qScopeGuard([&] { sqlite3_close(otro), Almacen::ponerAvisoEspera(nullptr), qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); });
        QSignalSpy reiniciada(&l, &ListaPalabras::reiniciada);
        try {
            if (operacion == u"prefijo")
                l.buscarPrefijo(u"pe");
            else if (operacion == u"igual")
                l.buscarIgual(u"pesa");
            else if (operacion == u"refrescar")
                l.refrescar();
            else
                QCOMPARE(l.cambiarSig(l.actual(), QStringLiteral("mía")), 2);
            QVERIFY(!bloqueado);
        } catch (const ErrorAlmacen &e) {
            QVERIFY2(bloqueado && e.tipo() == ErrorAlmacen::Tipo::Ocupado && e.mensaje().contains(u"otro programa"), qPrintable(e.mensaje()));
        }
        QVERIFY2(std::is_sorted(esperas.begin(), esperas.end()) && esperas.isEmpty() != bloqueado, qPrintable(QString::number(esperas.size())));
        QCOMPARE(l.palActual(), QStringLiteral("mesa"));
        QCOMPARE(l.tamano(), bloqueado ? 4 : 5);
        QCOMPARE(reiniciada.count(), bloqueado ? 0 : 1);
        sqlite3_close(std::exchange(otro, nullptr));
        QCOMPARE(uno(r, QStringLiteral("SELECT Sig FROM Palabras WHERE Pal = 'mesa'")), bloqueado ? QStringLiteral("suya") : QStringLiteral("mía"));
    }

    // The list kept between starts: a second load of the same file maps what
    // the first kept; any change of the file since (by another program, even
    // at the same size and time, or into the write-ahead log of a session
    // another program keeps open), or a snapshot cut or with a damaged header,
    // reads the rows. Either way the list is the rows', and writes on a mapped
    // list hold. Words placed outside the text by damage read as empty.
    void instantaneaDeLaLista_data() { datosDeArchivo("lista/instantanea.tsv"); }
    // A snapshot cut short or written over by another program while a list,
    // or the direct search ('arriendo'), or a copy made at once ('copia'),
    // stands on it: what was mapped stays as it was (the list answers as the
    // rows do), and the other program goes on once a copy is in place.
    void cambiadaEnUso_data()
    {
        COLUMNAS(QString, desde, bool, truncar);
        for (const char *desde : {"lista", "arriendo", "copia"})
            for (const bool truncar : {true, false})
                QTest::addRow("%s %s", desde, truncar ? "truncada" : "escrita encima") << QString::fromLatin1(desde) << truncar;
    }
    void cambiadaEnUso()
    {
        DATOS(QString, desde, bool, truncar);
        const CacheDePrueba cache;
        const QString r = almacen("a casa mesa pesa canción");
        auto a = Almacen::abrir(r);
        Lexico(a->colador()).cargar(*a);
        const QString ruta = rutaInstantanea(r);
        const QByteArray archivo = QFile::encodeName(ruta), antes = leerArchivo(ruta), ceros(antes.size(), '\0');
        Lexico mapeada(a->colador());
        std::optional<ListaMapeada> m;
        if (desde == u"lista")
            mapeada.cargar(*a);
        else if (!(m = mapearLista(archivo.toStdString(), a->huella(), desde == u"copia" ? Resguardo::Copia : Resguardo::Arriendo)))
            QSKIP("no leases on this file system");
        QVERIFY(m || mapeada.comprobacionDeInstantanea());
        // The other program: a child process, held back by the lease.
        const pid_t hijo = ::fork();
        if (hijo == 0) {
            const int fd = truncar ? -1 : ::open(archivo.constData(), O_WRONLY | O_CLOEXEC);
            ::_exit(truncar ? ::truncate(archivo.constData(), 100) : ::pwrite(fd, ceros.data(), size_t(ceros.size()), 0) != ceros.size());
        }
        int estado = 0;
        QVERIFY(::waitpid(hijo, &estado, 0) == hijo && WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
        QCOMPARE(leerArchivo(ruta).size(), truncar ? 100 : antes.size());
        if (m) {
            QCOMPARE(QByteArray(m->base, antes.size()), antes);
            std::string lineas;
            m->vista.lineasUtf8({0, 1, 2, 3, 4}, [&](const char *d, size_t n) { lineas.append(d, n); });
            QCOMPARE(lineas, std::string("a\ncanción\ncasa\nmesa\npesa\n"));
            return;
        }
        qputenv("RIMARIO_CACHE", "");
        Lexico filas(a->colador());
        filas.cargar(*a);
        QCOMPARE(contenido(mapeada), contenido(filas));
    }

    // A search's words, written out from the mapped snapshot's UTF-8 copy,
    // are those of the list: long words (lengths of two and three bytes, one
    // of 128 bytes, one longer than a read of the file, read or passed over)
    // and every other row.
    void lineasDeLaInstantanea()
    {
        const CacheDePrueba cache;
        QStringList palabras = lista("a canción ñandú");
        palabras << QString(64, u'é') << QString(200, u'é') << QString(40000, u'ó') + QStringLiteral("s")
                 << QStringLiteral("zeta");
        const QString r = crearAlmacen(ruta(QStringLiteral("lineas.lop")), palabras);
        auto a = Almacen::abrir(r);
        {
            Lexico primera(a->colador());
            primera.cargar(*a);
        }
        Lexico mapeada(a->colador());
        QCOMPARE(mapeada.cargar(*a), Lexico::Origen::Instantanea);
        qputenv("RIMARIO_CACHE", "");
        Lexico filas(a->colador());
        filas.cargar(*a);
        // The words, and how many came from the snapshot.
        auto lineas = [](const Lexico &l, const std::vector<qsizetype> &p) {
            QByteArray t;
            const size_t copiadas = l.lineasUtf8(p, [&](const char *d, size_t n) { t.append(d, qsizetype(n)); });
            return std::pair{t, copiadas};
        };
        std::vector<qsizetype> todas(size_t(filas.tamano()));
        std::iota(todas.begin(), todas.end(), 0);
        QByteArray esperada;
        for (const qsizetype i : todas)
            esperada += filas.pal(i).toUtf8() + '\n';
        QCOMPARE(lineas(filas, todas), std::pair(esperada, size_t(0)));
        // The word longer than a read (the sixth) and those after it, and those
        // after a position out of list order, come from the list; passed over,
        // it is skipped in the file.
        for (const auto &[p, copiadas] : {std::pair<std::vector<qsizetype>, size_t>{todas, 5},
                                          {{1, 3}, 2}, {{5}, 0}, {{0, 5}, 1}, {{4, 2}, 1}, {{0, 6}, 2}, {{}, 0}})
            QCOMPARE(lineas(mapeada, p), std::pair(lineas(filas, p).first, copiadas));
    }

    // A kept copy whose arrays were damaged after it was written (here a
    // letter of a word, which mapping cannot tell) is found out while the list
    // is in use: it is removed and the list read again from the rows, the
    // current record kept; the copy made then is whole. A check still running
    // when the list goes, or is read again, is stopped.
    void copiaDanadaSeRehace()
    {
        const CacheDePrueba cache;
        const QString r = almacen("a casa mesa pesa canción");
        const QString archivo = rutaInstantanea(r);
        auto a = Almacen::abrir(r);
        {
            Lexico primera(a->colador());
            primera.cargar(*a);
            primera.esperarInstantanea();
        }
        QVERIFY(cambiarPalabraEnCopia(archivo, u"mesa", u"mesu"));
        {
            ListaPalabras sinEsperar(*a); // goes with its check running
            sinEsperar.releer();
            sinEsperar.releer();
        }
        ListaPalabras l(*a);
        QSignalSpy movido(&l, &ListaPalabras::actualMovido);
        QSignalSpy error(&l, &ListaPalabras::errorAlReleer);
        l.releer();
        QVERIFY(l.lexico().comprobacionDeInstantanea());
        QVERIFY(l.buscarIgual(u"pesa"));
        QCOMPARE(l.palActual(), QStringLiteral("pesa"));
        QTRY_VERIFY(!l.lexico().comprobacionDeInstantanea());
        QCOMPARE(l.palActual(), QStringLiteral("pesa"));
        QCOMPARE(movido.count(), 2);
        QCOMPARE(movido.last().at(0).value<qsizetype>(), l.actual());
        QVERIFY(l.buscarIgual(u"mesa"));
        QVERIFY(error.isEmpty());
        const auto copiaEntera = [&] {
            Lexico d(a->colador());
            d.cargar(*a);
            d.esperarInstantanea();
            const std::atomic<bool> parar{false};
            return d.comprobacionDeInstantanea() && d.comprobacionDeInstantanea()(parar) && d.buscarIgual(u"mesa") >= 0;
        };
        QTRY_VERIFY(copiaEntera());
    }

    // The list read from the rows is in the store's order, words that sort
    // alike (the same word twice, letter case, accents) by Id.
    void ordenDeLaLista()
    {
        auto a = Almacen::abrir(crearAlmacen(ruta(QStringLiteral("orden.lop")), palabrasDePrueba() + lista("amor canción Canción ÁRBOL")));
        std::vector<std::tuple<QByteArray, QByteArray, qint64>> filas;
        a->recorrerFilas([&](const Almacen::FilaLeida &f) {
            const QByteArray pal(f.pal.data(), qsizetype(f.pal.size()));
            filas.emplace_back(a->colador().clave(QString::fromUtf8(pal)), pal, f.id);
        });
        std::sort(filas.begin(), filas.end());
        QList<qint64> enOrden, lexico;
        for (const auto &f : filas)
            enOrden << std::get<2>(f);
        Lexico l(a->colador());
        l.cargar(*a);
        for (qsizetype i = 0; i < l.tamano(); ++i)
            lexico << l.id(i);
        QCOMPARE(lexico, enOrden);
    }

    // A longer list brought up to date, its changed rows spread over it and
    // side by side: the same rows, in the same order, as a read of them.
    void alDiaEnUnaListaLarga()
    {
        const CacheDePrueba cache;
        QStringList palabras;
        for (int i = 0; i < 3000; ++i)
            palabras << QStringLiteral("p%1a").arg(i * 7919 % 10007);
        const QString r = crearAlmacen(ruta(QStringLiteral("larga.lop")), palabras);
        {
            auto a = Almacen::abrir(r);
            Lexico primera(a->colador());
            QCOMPARE(primera.cargar(*a), Lexico::Origen::Filas);
        }
        sqlite3_close(otroPrograma(r, "UPDATE Palabras SET Pal = Pal || 'z' WHERE Id % 97 = 0;"
                                      "UPDATE Palabras SET Pal = 'q' || Pal WHERE Id BETWEEN 500 AND 530;"
                                      "DELETE FROM Palabras WHERE Id % 89 = 3;"
                                      "INSERT INTO Palabras (Pal, Voc) VALUES ('p0', ''), ('p99999', ''), ('a', 'a')"));
        auto a = Almacen::abrir(r);
        Lexico alDia(a->colador());
        QCOMPARE(alDia.cargar(*a), Lexico::Origen::AlDia);
        qputenv("RIMARIO_CACHE", "");
        Lexico filas(a->colador());
        filas.cargar(*a);
        QCOMPARE(contenido(alDia), contenido(filas));
        // Changed since as the window changes it: the same again.
        for (Lexico *l : {&alDia, &filas}) {
            l->insertar(900000, u"pz", u"");
            l->eliminar(l->buscarIgual(u"p0"));
            l->cambiar(l->buscarIgual(u"p99999"), u"b", u"");
        }
        QCOMPARE(contenido(alDia), contenido(filas));
    }

    void instantaneaDeLaLista()
    {
        DATOS(QString, cambio, QString, carga);
        const bool mapeada = carga == u"mapa";
        const CacheDePrueba cache;
        const QString r = almacen("a casa mesa pesa canción");
        const QString archivo = rutaInstantanea(r);
        const auto ejecutar = [&r](QStringView sql) { sqlite3_close(otroPrograma(r, sql.toUtf8().constData())); };
        const bool restaurada = cambio.startsWith(u"restaurada:");
        const QByteArray copia = leerArchivo(r);
        if (restaurada)
            ejecutar(cambio.mid(11));
        // With a write-ahead log: another program's session, open from before
        // the first load to the end, makes the change.
        const bool registro = cambio.startsWith(u"registro:");
        sqlite3 *sesion = registro ? otroPrograma(r, "PRAGMA journal_mode = WAL") : nullptr;
        const auto cerrar = qScopeGuard([&] { sqlite3_close(sesion); });
        {
            auto a = Almacen::abrir(r);
            Lexico primera(a->colador());
            QCOMPARE(primera.cargar(*a), Lexico::Origen::Filas);
        }
        if (registro) {
            QCOMPARE(sqlite3_exec(sesion, cambio.mid(9).toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        } else if (cambio == QLatin1String("misma hora")) {
            struct stat st;
            ::stat(QFile::encodeName(r).constData(), &st);
            consultar(r, QStringLiteral("UPDATE PalabrasBase SET Id = Id + 100 WHERE Pal = 'mesa'"));
            const struct timespec t[2] = {st.st_mtim, st.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(r).constData(), t, 0), 0);
        } else if (restaurada) {
            QVERIFY(escribirArchivo(r, copia));
            ejecutar(cambio.mid(11));
            ejecutar(cambio.mid(11));
        } else if (!cambio.isEmpty() && cambio.at(0).isUpper()) {
            ejecutar(cambio);
        } else if (!cambio.isEmpty() && cambio != QLatin1String("sin carpeta")) {
            QByteArray b = leerArchivo(archivo);
            QVERIFY(b.size() > 300);
            if (cambio == QLatin1String("cortar"))
                b.chop(2);
            else if (cambio == QLatin1String("fuera"))
            {
                // Where the words start: after the header, the table of sums and six arrays of 8 bytes a row.
                const qsizetype filas = qsizetype(qFromLittleEndian<quint64>(b.constData() + 16));
                QCOMPARE(filas, 5);
                CabeceraLista c;
                std::memcpy(&c, b.constData(), sizeof c);
                const qsizetype inicio = qsizetype(sizeof(CabeceraLista) + 8 * c.bloques) + 48 * filas;
                for (qsizetype i = 0; i < filas; ++i) // a word's start, then its length
                    QVERIFY(qFromLittleEndian<quint32>(b.constData() + inicio + 4 * i) < 40
                            && qFromLittleEndian<quint32>(b.constData() + inicio + 4 * (filas + i)) - 1 < 7);
                b.replace(inicio, 4 * filas, QByteArray(4 * filas, 0x7f));
            }
            else if (cambio.startsWith(u"líneas"))
            {
                // The words in UTF-8 close the file, each after its length: "a", then "canción".
                const qsizetype bytes = qsizetype(qFromLittleEndian<quint64>(b.constData() + 56));
                QCOMPARE(b.mid(b.size() - bytes, 3), QByteArray("\x01" "a\x08"));
                b.replace(b.size() - bytes, bytes, QByteArray(bytes, cambio.endsWith(u"ff") ? '\xff' : '\x01'));
            }
            else
                b[40] = char(b[40] ^ 1);
            escribirArchivo(archivo, b);
        } else if (cambio == QLatin1String("sin carpeta")) {
            qputenv("RIMARIO_CACHE", "");
        }
        auto a = Almacen::abrir(r);
        Lexico segunda(a->colador());
        const Lexico::Origen origen = segunda.cargar(*a);
        QCOMPARE(origen == Lexico::Origen::Instantanea, mapeada);
        QCOMPARE(origen == Lexico::Origen::AlDia, carga == u"al día");
        // The check of a mapped snapshot's arrays tells the damage that mapping lets through.
        if (mapeada) {
            const std::atomic<bool> parar{false};
            QCOMPARE(segunda.comprobacionDeInstantanea()(parar), cambio.isEmpty() || registro);
        } else {
            QVERIFY(!segunda.comprobacionDeInstantanea());
        }
        qputenv("RIMARIO_CACHE", "");
        Lexico filas(a->colador());
        filas.cargar(*a);
        if (cambio == QLatin1String("fuera")) {
            // Every word and its length now lie past the end of the text.
            QCOMPARE(segunda.tamano(), filas.tamano());
            for (qsizetype i = 0; i < segunda.tamano(); ++i) {
                QVERIFY(segunda.pal(i).isEmpty());
                QCOMPARE(segunda.caracteres(i), 0);
            }
            QCOMPARE(segunda.buscarIgual(u"casa"), Lexico::kNinguna);
            return;
        }
        if (cambio == u"líneas 01") {
            // Lengths of one: each word written out reads as the byte 1, one a line.
            QByteArray lineas;
            segunda.lineasUtf8({0, 2, 4}, [&](const char *d, size_t n) { lineas.append(d, qsizetype(n)); });
            QCOMPARE(lineas, QByteArray("\x01\n\x01\n\x01\n"));
            return;
        }
        QCOMPARE(contenido(segunda), contenido(filas));
        // Writes change the mapped list as they change the rows.
        segunda.esperarInstantanea();
        qputenv("RIMARIO_CACHE", cache.path().toUtf8());
        ListaPalabras l(*a);
        l.releer();
        QVERIFY(l.lexico().comprobacionDeInstantanea());
        l.anadir(QStringLiteral("brisa"), QStringLiteral("ia"), QString());
        QVERIFY(l.buscarIgual(QStringLiteral("pesa")));
        l.eliminarActual();
        qputenv("RIMARIO_CACHE", "");
        filas.cargar(*a);
        QCOMPARE(contenido(l.lexico()), contenido(filas));
        QCOMPARE(l.lexico().tamano(), segunda.tamano());
        // Kept as changed when the writes were this program's alone; not once another program wrote.
        for (const bool ajena : {false, true}) {
            qputenv("RIMARIO_CACHE", cache.path().toUtf8());
            l.anadir(ajena ? QStringLiteral("lluvia") : QStringLiteral("nube"), QString(), QString());
            if (ajena)
                consultar(r, QStringLiteral("UPDATE PalabrasBase SET Id = Id + 100 WHERE Pal = 'casa'"));
            l.conservar();
            Lexico otra(a->colador());
            QCOMPARE(otra.cargar(*a) == Lexico::Origen::Instantanea, !ajena);
            QCOMPARE(otra.tamano(), segunda.tamano() + 1 + int(ajena));
            qputenv("RIMARIO_CACHE", "");
            filas.cargar(*a);
            QCOMPARE(contenido(otra), contenido(filas));
        }
    }
};

QTEST_GUILESS_MAIN(PruebaLista)
#include "prueba_lista.moc"
