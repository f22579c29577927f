// The window on stores it cannot treat as usual: rows another program left
// with hostile content, a file or folder that cannot be written, a file that
// another program holds locked, and a second window on the same file. Nothing
// crashes; a write that cannot be done says why once and changes nothing.

#include "lista_palabras.h"
#include "modelo_rimas.h"

#include "../comun/proteccion.h"
#include "../comun/ventana_prueba.h"

#include <QRegularExpression>
#include <QThread>
#include <QTemporaryDir>

#include <thread>

using namespace rimario;
using namespace rimario::prueba;

namespace {

const QString kSinProteccion = QStringLiteral("la protección no funciona aquí (hace falta chattr +i, ext4 o similar)");
const QString kLarga = QStringLiteral("rima").repeated(9999) + QStringLiteral("ción"); // 40,000 characters

// Hostile rows written straight into the file, as another program would
// (text bytes as given, valid UTF-8 or not; "#n" an integer; "" a Null word).
void insertarHostiles(const QString &ruta)
{
    QByteArray enorme = "{\\rtf1\\ansi ";
    for (int k = 0; k < 60000; ++k)
        enorme += "\\b acepci\\'f3n " + QByteArray::number(k) + ".\\b0  Composici\\'f3n en verso \\u955? {\\i que} se canta.\\par\r\n";
    const QList<std::pair<QByteArray, QByteArray>> filas = {
        {"enorme", enorme + "}"},
        {"negrita", "{\\rtf1 " + QByteArray("\\b a\\b0 b").repeated(50000)},
        {"parrafos", "{\\rtf1 " + QByteArray("\\par").repeated(600000)},
        {kLarga.toUtf8(), "{\\rtf1 la larga\\par}"},
        {"con\x01tro\x07l\x1b" "es\x7f", "{\\rtf1 a\x01" "b\\par}"},
        {QByteArray("nu\0la", 5), QByteArray("def\0inici\xc3\xb3n", 12)},
        {"c\xed\xa0\x80" "asa", "{\\rtf1 s\xed\xa0\x80" "a\\par}"},
        {"ca\xc3(sa", "{\\rtf1 mal \xff\xfe hecho\\par}"},
        {"\xff\xfemor", {}}, {"canci\xc3", {}}, {"\xf0\x9f\x98\x80" "ci\xc3\xb3n", "{\\rtf1 \\u-10179?\\u-8704?\\par}"},
        {"n\xcc\x83" "andu\xcc\x81", {}}, {"[!a-z]*?#", "{{{{{{{{{{"}, {"", {}}, {"#7", "#42"}, {"llaves", QByteArray(100000, '{')},
    };
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(ruta).constData(), &db);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO PalabrasBase (Pal, Voc, Sig) VALUES (?1, ?2, ?3)", -1, &st, nullptr);
    for (const auto &[pal, sig] : filas) {
        if (pal.startsWith('#'))
            sqlite3_bind_int64(st, 1, pal.mid(1).toLongLong());
        else if (!pal.isEmpty())
            sqlite3_bind_text(st, 1, pal.constData(), int(pal.size()), SQLITE_TRANSIENT);
        const QByteArray voc = ExtraeVocales(QString::fromUtf8(pal)).toUtf8();
        sqlite3_bind_text(st, 2, voc.constData(), int(voc.size()), SQLITE_TRANSIENT);
        if (!sig.isNull())
            sqlite3_bind_text(st, 3, sig.constData(), int(sig.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(st), SQLITE_DONE);
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// Every row's Id and stored bytes of Pal, Voc and Sig's start: what must not change.
QStringList instantanea(const QString &ruta, const QString &donde = QString())
{
    return consultar(ruta, QStringLiteral("SELECT Id || hex(Pal) || ':' || hex(Voc) || ':' || length(Sig) || hex(substr(Sig, 1, 64)) "
                                          "FROM PalabrasBase %1 ORDER BY Id").arg(donde));
}

} // namespace

class PruebaAlmacenesRaros : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta;
    int numero = 0;

private slots:
    void init()
    {
        QVERIFY(QDir().mkpath(dir.filePath(QString::number(++numero))));
        ruta = dir.filePath(QStringLiteral("%1/data.lop").arg(numero));
        crearAlmacen(ruta, palabrasDePrueba(), {{QStringLiteral("amor"), QStringLiteral("{\\rtf1 \\b amor.\\b0 Sentimiento.\\par}")}});
    }
    void cleanup() { qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); }

    void contenidoHostil()
    {
        COMPROBAR(insertarHostiles(ruta));
        Dialogos dialogos(QMessageBox::Yes);
        auto v = abrirVentana(ruta);
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        const QStringList todas = filas(v->DB);
        QCOMPARE(todas.size(), palabrasDePrueba().size() + 16);
        // Every row shows whole when clicked, its definition too, and is found by its beginning.
        for (int i = 0; i < todas.size(); ++i) {
            clicEnFila(v->DB, i);
            QCOMPARE(v->Pal->text(), todas[i]);
        }
        for (const QString &w : todas)
            if (!w.isEmpty() && !w.contains(QRegularExpression(QStringLiteral("[*?#\\[]")))) {
                v->Ind->setText(w.left(8));
                QVERIFY2(v->Pal->text().startsWith(w.left(8), Qt::CaseInsensitive), qPrintable(w.left(8).toUtf8().toHex()));
            }
        v->Ind->setText(QStringLiteral("enorme"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("acepción 59999. Composición en verso λ que se canta")));
        v->Ind->setText(QStringLiteral("parrafos"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("600.000 párrafos")));
        // Rhymes with each word in both modes: a vowel search marks exactly the rows it shows.
        const QStringList antes = instantanea(ruta);
        for (const bool vocales : {false, true}) {
            if (vocales)
                QTest::mouseClick(v->Voc, Qt::LeftButton);
            for (const QString &w : todas + QStringList{QString(40000, QChar(0xD800))})
                for (const int k : {0, 5}) {
                    rimar(*v, k, w);
                    QVERIFY(v->Rima->isEnabled() && !v->Buscando);
                    if (!vocales || ExtraeVocales(w).size() < k + 2)
                        continue;
                    QStringList mostradas;
                    for (qsizetype i = 0; i < v->DRim[k]->resultado().tamano(); ++i)
                        mostradas << QString::number(v->DRim[k]->resultado().id(i));
                    std::sort(mostradas.begin(), mostradas.end(), [](const QString &a, const QString &b) { return a.toLongLong() < b.toLongLong(); });
                    QCOMPARE(consultar(ruta, QStringLiteral("SELECT Id FROM Palabras WHERE A%1 = -1 ORDER BY Id").arg(k + 2)), mostradas);
                }
        }
        QCOMPARE(instantanea(ruta), antes); // only marks were written
        // Edits store what was typed (an unpaired surrogate as U+FFFD); deleting takes that row only.
        const QString otras = QStringLiteral("WHERE Id NOT IN (%1)").arg(uno(ruta, QStringLiteral("SELECT group_concat(Id) FROM PalabrasBase WHERE Pal IN ('casa', 'cosa') OR length(Pal) > 1000")));
        const QStringList antesOtras = instantanea(ruta, otras);
        QVERIFY(editar(v->DB, int(filas(v->DB).indexOf(QStringLiteral("casa"))), QStringLiteral("ca\x01s\x1b" "a")));
        QVERIFY(editar(v->DB, int(filas(v->DB).indexOf(QStringLiteral("cosa"))), QStringLiteral("co") + QChar(0xD800) + QStringLiteral("sa")));
        QCOMPARE(uno(ruta, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE hex(Pal) = '636FEFBFBD7361'")), QStringLiteral("1"));
        QCOMPARE(uno(ruta, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE Pal = 'ca' || char(1) || 's' || char(27) || 'a'")), QStringLiteral("1"));
        clicEnFila(v->DB, int(filas(v->DB).indexOf(kLarga)));
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(instantanea(ruta, otras), antesOtras);
        QVERIFY(!filas(v->DB).contains(kLarga));
        v = abrirVentana(ruta);
        QVERIFY(filas(v->DB).contains(QStringLiteral("co\uFFFDsa")));
        QCOMPARE(dialogos.textos.size(), 1); // the deletion's question only
    }

    // A write that cannot be done: the file or its folder protected (before the
    // window opens the store, every write is refused up front, a vowel-mode
    // search computed without marks; after, the write itself finds out), or
    // another program holding the file's lock (a write waits a bounded time and
    // goes through if the lock is freed in time). One message saying why, nothing
    // written, nothing changed in view; the write goes through once it can.
    void escrituraImposible_data()
    {
        COLUMNAS(QString, operacion, QString, impedimento);
        for (const QString &op : kEscrituras) {
            QTest::addRow("%s, protegido al abrir", qPrintable(op)) << op << "archivo al abrir";
            QTest::addRow("%s, bloqueado", qPrintable(op)) << op << (op.size() % 2 ? "bloqueo exclusivo" : "bloqueo inmediato");
        }
        QTest::newRow("nueva, archivo protegido después") << QStringLiteral("nueva") << "archivo";
        QTest::newRow("eliminar, carpeta protegida después") << QStringLiteral("eliminar") << "carpeta";
        QTest::newRow("nueva, bloqueo que se suelta a tiempo") << QStringLiteral("nueva") << "bloqueo breve";
    }
    void escrituraImposible()
    {
        DATOS(QString, operacion, QString, impedimento);
        Almacen::abrir(ruta)->marcarVocales(2, QStringLiteral("ia"), std::nullopt);
        const QByteArray bytes = leerArchivo(ruta);
        const bool alAbrir = impedimento.endsWith(QLatin1String("al abrir")), bloqueo = impedimento.startsWith(QLatin1String("bloqueo"));
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", impedimento == QLatin1String("bloqueo breve") ? "5000" : "200");
        Proteccion proteccion;
        const QString objetivo = impedimento == QLatin1String("carpeta") ? QFileInfo(ruta).path() : ruta;
        if (alAbrir && !proteccion.poner(objetivo))
            QSKIP(qPrintable(kSinProteccion));
        Dialogos dialogos(QMessageBox::Yes);
        auto v = abrirVentana(ruta);
        QCOMPARE(v->windowTitle().contains(QStringLiteral("solo lectura")), alAbrir);
        if (!alAbrir && !bloqueo && !proteccion.poner(objetivo))
            QSKIP(qPrintable(kSinProteccion));
        QTest::keyClicks(v->Ind, QStringLiteral("amo"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento")));
        const Escritura e = escritura(operacion);
        e.preparar(*v);
        const QStringList antes = vista(*v);
        sqlite3 *otro = nullptr;
        if (bloqueo) {
            sqlite3_open(QFile::encodeName(ruta).constData(), &otro);
            QCOMPARE(sqlite3_exec(otro, impedimento.endsWith(QLatin1String("inmediato")) ? "BEGIN IMMEDIATE; UPDATE Meta SET Valor = Valor" : "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        std::thread suelta([&] {
            if (impedimento == QLatin1String("bloqueo breve"))
                QThread::msleep(300), sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        e.hacer(*v);
        suelta.join();
        sqlite3_close(otro);
        if (impedimento == QLatin1String("bloqueo breve")) {
            QVERIFY(dialogos.textos.isEmpty() && e.hecha(ruta));
            return;
        }
        const bool calculada = alAbrir && operacion == QLatin1String("vocales");
        const QStringList avisos = dialogos.textos.filter(bloqueo ? QStringLiteral("en uso por otro programa") : QStringLiteral("solo se puede leer"));
        QCOMPARE(avisos.size(), calculada ? 0 : 1);
        QCOMPARE(dialogos.textos.size(), calculada ? 0 : operacion == QLatin1String("eliminar") && !alAbrir ? 2 : 1);
        QVERIFY(calculada || bloqueo || avisos[0].contains(QStringLiteral("protegidos contra escritura")));
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
        if (calculada)
            QCOMPARE(filas(v->DR[0]), lista("amor Amor árbol ÁRBOL caracol corazón farol razón"));
        else
            QCOMPARE(vista(*v), antes);
        QCOMPARE(leerArchivo(ruta), bytes);
        QVERIFY(proteccion.quitar());
        if (!alAbrir) {
            e.hacer(*v);
            QVERIFY(e.hecha(ruta));
        }
        QCOMPARE(Almacen::abrir(ruta, true)->comprobarIntegridad(), QString());
    }

    // Two windows on one file: each sees the other's writes after a refresh,
    // and a word the other removed is never mistaken for another.
    void dosVentanas()
    {
        Dialogos dialogos(QMessageBox::Yes);
        auto a = abrirVentana(ruta), b = abrirVentana(ruta);
        const Escritura nueva = escritura(QStringLiteral("nueva"));
        nueva.hacer(*a);
        nueva.hacer(*b); // archived again, from a list read before: that row, not another
        QCOMPARE(contenido(ruta).keys().count(QStringLiteral("zampoña")), 1);
        QCOMPARE(filas(a->DB).count(QStringLiteral("zampoña")), 1);
        // A stands on "rosa"; B deletes it; A's delete must not take another word.
        const qsizetype n = contenido(ruta).size();
        a->Ind->setText(QStringLiteral("rosa"));
        b->Ind->setText(QStringLiteral("rosa"));
        QTest::mouseClick(b->Eli, Qt::LeftButton);
        QTest::mouseClick(a->Eli, Qt::LeftButton);
        QCOMPARE(contenido(ruta).size(), n - 1);
        QVERIFY2(dialogos.textos.last().contains(QStringLiteral("ya no está")), qPrintable(dialogos.textos.last()));
        QVERIFY(!filas(a->DB).contains(QStringLiteral("rosa")));
        // B's edit reaches A's list at A's next find, without a refresh.
        QVERIFY(editar(b->DB, int(filas(b->DB).indexOf(QStringLiteral("casa"))), QStringLiteral("caza")));
        a->Ind->setText(QStringLiteral("caz"));
        QCOMPARE(a->Pal->text(), QStringLiteral("caza"));
        QCOMPARE(Almacen::abrir(ruta, true)->comprobarIntegridad(), QString());
    }
};

QTEST_MAIN(PruebaAlmacenesRaros)
#include "prueba_almacenes_raros.moc"
