// The store with text it cannot hold as it is: unpaired surrogates written by
// the program, invalid UTF-8 left in the file by another program.

#include "almacen.h"
#include "colador.h"
#include "lista_palabras.h"
#include "vocales.h"

#include "../comun/almacen_prueba.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace rimario;

namespace {

QByteArray bytes(const QString &ruta, const char *columna, qint64 id)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    QByteArray r;
    const QByteArray sql = QByteArray("SELECT CAST(") + columna + " AS BLOB) FROM PalabrasBase WHERE Id = ?1";
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, id);
        if (sqlite3_step(st) == SQLITE_ROW)
            r = QByteArray(static_cast<const char *>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return r;
}

} // namespace

class PruebaAlmacenHostil : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // An unpaired surrogate is stored as U+FFFD; the characters around it and
    // proper pairs are kept, whichever way the text reaches the file.
    void surrogadosSueltos_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QByteArray>("guardado");
        QTest::newRow("alto") << QStringLiteral("a") + QChar(0xD800) + QStringLiteral("bc") << QByteArray("a\xef\xbf\xbd" "bc");
        QTest::newRow("bajo") << QStringLiteral("a") + QChar(0xDC00) + QStringLiteral("bc") << QByteArray("a\xef\xbf\xbd" "bc");
        QTest::newRow("al final") << QStringLiteral("ab") + QChar(0xD83D) << QByteArray("ab\xef\xbf\xbd");
        QTest::newRow("dos altos y un par")
            << QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00) + QStringLiteral("x")
            << QByteArray("\xef\xbf\xbd\xf0\x9f\x98\x80x");
        QTest::newRow("par al revés") << QString(QChar(0xDE00)) + QChar(0xD83D) + QStringLiteral("ón")
                                      << QByteArray("\xef\xbf\xbd\xef\xbf\xbd\xc3\xb3n");
        QTest::newRow("sin surrogados") << QStringLiteral("canción 😀") << QByteArray("canci\xc3\xb3n \xf0\x9f\x98\x80");
    }
    void surrogadosSueltos()
    {
        QFETCH(QString, texto);
        QFETCH(QByteArray, guardado);
        const QString ruta = dir.filePath(QStringLiteral("s-%1.lop").arg(QTest::currentDataTag()));
        auto a = Almacen::crear(ruta);
        // Adding a word with its definition.
        const qint64 id = a->anadir(texto, ExtraeVocales(texto), texto);
        QCOMPARE(bytes(ruta, "Pal", id), guardado);
        QCOMPARE(bytes(ruta, "Sig", id), guardado);
        // Editing a word and a definition in place.
        const qint64 otra = a->anadir(QStringLiteral("sol"), QStringLiteral("o"), std::nullopt);
        a->cambiarPal(otra, texto);
        a->cambiarSig(otra, texto);
        QCOMPARE(bytes(ruta, "Pal", otra), guardado);
        QCOMPARE(bytes(ruta, "Sig", otra), guardado);
        // Writing in bulk, as creating and converting stores do.
        Fila f;
        f.pal = f.voc = f.sig = texto;
        qint64 enLote;
        {
            Almacen::Lote lote(*a);
            enLote = lote.insertar(f);
            lote.confirmar();
        }
        QCOMPARE(bytes(ruta, "Pal", enLote), guardado);
        QCOMPARE(bytes(ruta, "Voc", enLote), guardado);
        QCOMPARE(bytes(ruta, "Sig", enLote), guardado);
        QCOMPARE(a->sig(enLote), QString::fromUtf8(guardado));
    }

    // Words of invalid UTF-8 written by another program sort where the word
    // list looks for them: each is found by its beginning and by itself.
    void utf8InvalidoEnOrden()
    {
        const QString ruta = dir.filePath(QStringLiteral("u.lop"));
        prueba::crearAlmacen(ruta, prueba::palabrasDePrueba());
        const QList<QByteArray> raras = {"\xff\xfemor", "\xf4\x90\x80\x80on", "ca\xc3(sa", "c\xed\xa0\x80" "asa",
                                         "canci\xc3", "\xc0\xaf", "r\xc0\xafsa", "\xfe\xfe\xfe" "a"};
        {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(ruta).constData(), &db), SQLITE_OK);
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO PalabrasBase (Pal, Voc) VALUES (?1, '')", -1, &st, nullptr);
            for (const QByteArray &r : raras) {
                sqlite3_bind_text(st, 1, r.constData(), int(r.size()), SQLITE_TRANSIENT);
                QCOMPARE(sqlite3_step(st), SQLITE_DONE);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
            sqlite3_close(db);
        }
        auto a = Almacen::abrir(ruta);
        ListaPalabras lista(*a);
        lista.releer();
        QCOMPARE(lista.tamano(), qsizetype(prueba::palabrasDePrueba().size() + raras.size()));
        const Colador &c = a->colador();
        for (qsizetype i = 0; i + 1 < lista.tamano(); ++i) {
            const QStringView x = lista.lexico().pal(i), y = lista.lexico().pal(i + 1);
            QVERIFY2(c.comparar(reinterpret_cast<const char16_t *>(x.utf16()), x.size(),
                                reinterpret_cast<const char16_t *>(y.utf16()), y.size()) <= 0,
                     qPrintable(x.toString() + QStringLiteral(" > ") + y.toString()));
        }
        for (const QByteArray &r : raras) {
            const QString w = QString::fromUtf8(r);
            QVERIFY2(lista.buscarPrefijo(w), r.toHex().constData());
            QVERIFY2(lista.palActual().compare(w, Qt::CaseInsensitive) == 0, r.toHex().constData());
            QVERIFY2(lista.buscarIgual(w), r.toHex().constData());
        }
    }
};

QTEST_APPLESS_MAIN(PruebaAlmacenHostil)
#include "prueba_almacen_hostil.moc"
