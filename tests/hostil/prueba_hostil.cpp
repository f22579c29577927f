// Hostile content in the store, as another program or a damaged copy may leave
// it: a definition of several megabytes, a word of 40,000 characters, control
// characters, unpaired surrogates, invalid UTF-8, values of the wrong type and
// Null words. The window opens on such a store, shows every row, finds,
// rhymes, edits and deletes with such words; nothing crashes and nothing else
// in the store changes.

#include "almacen.h"
#include "lista_palabras.h"
#include "modelo_rimas.h"
#include "panel_web.h"
#include "principal.h"
#include "vocales.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../comun/ventana_prueba.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <sqlite3.h>

#include <variant>

using namespace rimario;
using prueba::clicEnFila;
using prueba::filas;

namespace {

// A value as stored: Null, text bytes exactly as given (valid UTF-8 or not),
// an integer or a blob.
struct Blob {
    QByteArray bytes;
};
using Valor = std::variant<std::monostate, QByteArray, qint64, Blob>;

struct Hostil {
    const char *nombre;
    Valor pal, voc, sig;
};

QByteArray utf8(const QString &s) { return s.toUtf8(); }

// Bytes of a literal, NULs inside included.
template <size_t N>
QByteArray crudo(const char (&s)[N])
{
    return QByteArray(s, qsizetype(N - 1));
}

// A long word ending in "ción": 40,000 characters.
QString palabraLarga()
{
    QString p;
    for (int i = 0; i < 9999; ++i)
        p += QStringLiteral("rima");
    p += QStringLiteral("ción");
    return p;
}

// An RTF definition of several megabytes, the last paragraph known.
QByteArray definicionEnorme()
{
    QByteArray r = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
                   "\\viewkind4\\uc1\\pard\\f0\\fs17 ";
    for (int k = 0; k < 60000; ++k)
        r += "\\b acepci\\'f3n " + QByteArray::number(k)
            + ".\\b0  Composici\\'f3n en verso \\u955? {\\i que} se canta, o hecha a prop\\'f3sito.\\par\r\n";
    return r + "}\r\n";
}

const QList<Hostil> &hostiles()
{
    static const QList<Hostil> h = [] {
        QList<Hostil> l;
        auto texto = [](const QString &s) { return Valor(utf8(s)); };
        auto vocDe = [](const QByteArray &b) { return Valor(utf8(ExtraeVocales(QString::fromUtf8(b)))); };
        auto fila = [&](const char *n, const QByteArray &pal, Valor sig = {}) {
            l.append({n, pal, vocDe(pal), std::move(sig)});
        };
        fila("definición enorme", "enorme", definicionEnorme());
        fila("párrafo enorme sin RTF", "línea", QByteArray(3 << 20, 'x') + " fin");
        // Formatting between every two letters: one unbroken run as shown.
        fila("negrita alterna", "negrita", "{\\rtf1 " + QByteArray("\\b a\\b0 b").repeated(50000));
        fila("600000 párrafos", "parrafos", "{\\rtf1 " + QByteArray("\\par").repeated(600000));
        fila("palabra de 40000", utf8(palabraLarga()), texto(QStringLiteral("{\\rtf1 la larga\\par}")));
        fila("controles", QByteArray("con\x01tro\x07l\x1b" "es\x7f"),
             QByteArray("{\\rtf1 a\x01" "b\x1f" "c\\par}"));
        fila("NUL dentro", crudo("nu\0la"), crudo("def\0inici\xc3\xb3n"));
        fila("blancos", "\t tabulado \r\n", Valor());
        fila("surrogado alto suelto", "c\xed\xa0\x80" "asa", QByteArray("{\\rtf1 s\xed\xa0\x80" "a\\par}"));
        fila("surrogado bajo suelto", "ca\xed\xb0\x80sa");
        fila("solo un surrogado", "\xed\xa0\x80");
        fila("UTF-8 inválido", "ca\xc3(sa", QByteArray("{\\rtf1 mal \xff\xfe hecho\\par}"));
        fila("bytes FF FE", "\xff\xfemor");
        fila("secuencia larga de más", "r\xc0\xafsa");
        fila("cortada al final", "canci\xc3");
        fila("más allá de Unicode", "\xf4\x90\x80\x80" "on");
        fila("fuera del plano básico", "\xf0\x9f\x98\x80" "ción\xf0\x9d\x90\x80",
             QByteArray("{\\rtf1 \\u-10179?\\u-8704? y \\u-9999?\\par}"));
        fila("acento suelto", "n\xcc\x83" "andu\xcc\x81");
        fila("vacía", "");
        fila("patrones", "[!a-z]*?#", QByteArray("{{{{{{{{{{{{{{{{{{{{"));
        l.append({"Voc inválida", QByteArray("casa"), QByteArray("a\xff" "a"), Valor()});
        l.append({"Pal nula", Valor(), Valor(), Valor()});
        l.append({"Pal entera", qint64(7), Valor(), qint64(42)});
        l.append({"Pal blob", Blob{"amor"}, Blob{"ao"}, Blob{crudo("\x00\x01\xff{\\rtf1")}});
        l.append({"llaves sin fin", QByteArray("llaves"), QByteArray("ae"), QByteArray(100000, '{')});
        return l;
    }();
    return h;
}

void enlazar(sqlite3_stmt *st, int i, const Valor &v)
{
    if (const auto *t = std::get_if<QByteArray>(&v))
        sqlite3_bind_text(st, i, t->constData(), int(t->size()), SQLITE_TRANSIENT);
    else if (const auto *n = std::get_if<qint64>(&v))
        sqlite3_bind_int64(st, i, *n);
    else if (const auto *b = std::get_if<Blob>(&v))
        sqlite3_bind_blob(st, i, b->bytes.constData(), int(b->bytes.size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(st, i);
}

// Rows written straight into the file, as another program would: no sort
// key (the program remakes it when it opens the file).
void insertarHostiles(const QString &ruta)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(ruta).constData(), &db), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "INSERT INTO PalabrasBase (Pal, Voc, Sig) VALUES (?1, ?2, ?3)", -1, &st, nullptr),
             SQLITE_OK);
    for (const Hostil &h : hostiles()) {
        enlazar(st, 1, h.pal);
        enlazar(st, 2, h.voc);
        enlazar(st, 3, h.sig);
        QCOMPARE(sqlite3_step(st), SQLITE_DONE);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

QList<QVariant> consultar(const QString &ruta, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    QList<QVariant> r;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            r << (sqlite3_column_type(st, 0) == SQLITE_INTEGER
                      ? QVariant(sqlite3_column_int64(st, 0))
                      : QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, 0)),
                                            sqlite3_column_bytes(st, 0))));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return r;
}

// Every row's Id and stored bytes of Pal, Voc and Sig: what must not change.
QList<QVariant> instantanea(const QString &ruta, const QString &donde = QString())
{
    return consultar(ruta, QStringLiteral("SELECT quote(Id) || ':' || quote(CAST(Pal AS BLOB)) || ':' || "
                                          "quote(CAST(Voc AS BLOB)) || ':' || length(Sig) || ':' || "
                                          "quote(CAST(substr(Sig, 1, 64) AS BLOB)) FROM PalabrasBase %1 ORDER BY Id")
                               .arg(donde));
}

QByteArray corto(const QString &s)
{
    QByteArray r;
    for (const QChar c : s.left(40))
        r += c.unicode() >= 0x20 && c.unicode() < 0x7f ? QByteArray(1, char(c.unicode()))
                                                       : "\\u" + QByteArray::number(c.unicode(), 16);
    return s.size() > 40 ? r + "... (" + QByteArray::number(s.size()) + ")" : r;
}

} // namespace

class PruebaHostil : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString plantilla;
    QString ruta;
    std::unique_ptr<Principal> v;
    std::unique_ptr<prueba::Dialogos> dialogos;

    // Runs one user action and everything it queued; fails when it takes
    // longer than the hang guard.
    void abrir()
    {
        {
            v = std::make_unique<Principal>(ruta, new PanelWebVacio);
            v->Form_Load();
            v->show();
            v->abrirLista();
        }
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    }

    int filaDe(const QString &pal) const { return int(filas(v->DB).indexOf(pal)); }

private slots:
    void initTestCase()
    {
        plantilla = dir.filePath(QStringLiteral("plantilla.lop"));
        prueba::crearAlmacen(plantilla, prueba::palabrasDePrueba());
        insertarHostiles(plantilla);
        QCOMPARE(consultar(plantilla, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE Clave IS NULL")),
                 QList<QVariant>{qint64(hostiles().size())});
        QVERIFY(consultar(plantilla, QStringLiteral("SELECT max(length(Sig)) FROM PalabrasBase"))
                    .value(0).toLongLong() > 3000000);
    }

    void init()
    {
        ruta = dir.filePath(QStringLiteral("%1.lop").arg(QTest::currentTestFunction()));
        QFile::remove(ruta);
        QVERIFY(QFile::copy(plantilla, ruta));
        QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        dialogos = std::make_unique<prueba::Dialogos>();
        abrir();
    }

    void cleanup()
    {
        v.reset();
        dialogos.reset();
    }

    void mostrarCadaFila()
    {
        const int total = int(prueba::palabrasDePrueba().size() + hostiles().size());
        QCOMPARE(v->DB->model()->rowCount(), total);
        const QStringList lista = filas(v->DB);
        QVERIFY(lista.contains(palabraLarga()));
        for (int i = 0; i < total; ++i) {
            { clicEnFila(v->DB, i); }
            QCOMPARE(v->DPal->actual(), qsizetype(i));
            QCOMPARE(v->Pal->text(), lista[i]); // the whole word, however long
        }
        { clicEnFila(v->DB, filaDe(QStringLiteral("enorme"))); }
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("acepción 59999. Composición en verso λ que se canta")));
        { clicEnFila(v->DB, filaDe(QStringLiteral("negrita"))); }
        QCOMPARE(v->RT->toPlainText(), QStringLiteral("ab").repeated(50000));
        { clicEnFila(v->DB, filaDe(QStringLiteral("parrafos"))); }
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("600.000 párrafos")));
        // Keyboard moves through the list as well.
        v->DB->setFocus();
        clicEnFila(v->DB, 0);
        for (int i = 1; i < total; ++i) {
            { QTest::keyClick(v->DB, Qt::Key_Down); }
            QCOMPARE(v->Pal->text(), lista[i]);
        }
        QVERIFY2(dialogos->textos.isEmpty(), qPrintable(dialogos->textos.join(u'\n')));
    }

    // Typing in the search box: each word is found by its beginning, and text
    // that no word begins with, or that is no valid pattern, leaves the list.
    void buscarConInd()
    {
        for (const QString &w : filas(v->DB)) {
            for (qsizetype n : {qsizetype(1), qsizetype(8), w.size()}) {
                if (n < w.size() && w[n - 1].isHighSurrogate() && w[n].isLowSurrogate())
                    --n; // whole characters
                const QString prefijo = w.left(n);
                if (prefijo.isEmpty())
                    continue;
                { v->Ind->setText(prefijo); }
                const bool comodines = prefijo.contains(u'*') || prefijo.contains(u'?') || prefijo.contains(u'#')
                    || prefijo.contains(u'[');
                if (!comodines)
                    QVERIFY2(v->Pal->text().startsWith(prefijo, Qt::CaseInsensitive),
                             corto(prefijo) + " -> " + corto(v->Pal->text()));
            }
        }
        { v->Ind->setText(QString(40000, u'z')); }
        { v->Ind->clear(); }
        QCOMPARE(v->DPal->actual(), qsizetype(0));
        QVERIFY2(dialogos->textos.isEmpty(), qPrintable(dialogos->textos.join(u'\n')));
    }

    // Rhyme searches with every listed word in Pal, in both modes, on every
    // tab, with and without the same-size limit. A vowel search leaves in the
    // file exactly the marks of the rows it shows.
    void rimasConPalabrasHostiles()
    {
        // Rows of invalid UTF-8 or with a NUL inside have no agreed number of
        // characters: SQLite's length() and the list count them differently,
        // so a same-size search may mark them otherwise than it shows them.
        QList<QVariant> dudosas;
        for (const QVariant &f : consultar(ruta, QStringLiteral("SELECT quote(Id) || ':' || hex(Pal) FROM PalabrasBase"))) {
            const QList<QByteArray> partes = f.toByteArray().split(':');
            const QByteArray pal = QByteArray::fromHex(partes.value(1));
            if (pal.contains('\0') || QString::fromUtf8(pal).toUtf8() != pal)
                dudosas << partes.value(0).toLongLong();
        }
        QVERIFY(dudosas.size() >= 8);
        QStringList palabras = filas(v->DB);
        palabras << QString(40000, QChar(0xD800)) << QString(3, QChar(0xDC00)) + QStringLiteral("ón");
        const QList<QVariant> antes = instantanea(ruta);
        for (const bool vocales : {false, true}) {
            if (vocales)
                QTest::mouseClick(v->Voc, Qt::LeftButton);
            for (const QString &w : std::as_const(palabras)) {
                // Every tab for the long word, two for the others.
                const bool larga = w.size() > 1000;
                for (const int k : larga ? QList<int>{0, 1, 2, 3, 4, 5} : QList<int>{0, 5}) {
                    for (const bool igual : {false, true}) {
                        v->SS->setCurrentIndex(k);
                        v->MT->setChecked(igual);
                        v->Pal->setText(w);
                        { QTest::mouseClick(v->Rima, Qt::LeftButton); }
                        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
                        QCOMPARE(v->Rima->text(), vocales ? QStringLiteral("Buscar rimas (vocales) -->")
                                                          : QStringLiteral("Buscar rimas (palabras) -->"));
                        if (!vocales || ExtraeVocales(w).size() < k + 2)
                            continue;
                        QList<QVariant> mostradas;
                        const ResultadoRima &r = v->DRim[k]->resultado();
                        for (qsizetype i = 0; i < r.tamano(); ++i)
                            if (!igual || !dudosas.contains(r.id(i)))
                                mostradas << r.id(i);
                        std::sort(mostradas.begin(), mostradas.end(),
                                  [](const QVariant &a, const QVariant &b) { return a.toLongLong() < b.toLongLong(); });
                        QList<QVariant> marcadas =
                            consultar(ruta, QStringLiteral("SELECT Id FROM Palabras WHERE A%1 = -1 ORDER BY Id").arg(k + 2));
                        if (igual)
                            marcadas.removeIf([&](const QVariant &id) { return dudosas.contains(id); });
                        QVERIFY2(marcadas == mostradas,
                                 corto(w) + " n=" + QByteArray::number(k + 2) + (igual ? " igual" : "") + ": "
                                     + QByteArray::number(marcadas.size()) + " marcadas, "
                                     + QByteArray::number(mostradas.size()) + " mostradas");
                    }
                }
            }
        }
        // The words of the long one: its ending finds the other words in -ción.
        v->SS->setCurrentIndex(2);
        v->MT->setChecked(false);
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        v->Pal->setText(palabraLarga());
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QVERIFY(filas(v->DR[2]).contains(QStringLiteral("canción")));
        QVERIFY(!filas(v->DR[2]).contains(palabraLarga()));
        // Only marks were written; no word, skeleton or definition changed.
        QCOMPARE(instantanea(ruta), antes);
        QVERIFY2(dialogos->textos.isEmpty(), qPrintable(dialogos->textos.join(u'\n')));
    }

    // Picking a hostile word among the rhymes moves the list to it.
    void elegirRimaHostil()
    {
        v->SS->setCurrentIndex(0);
        v->Pal->setText(QStringLiteral("mesa"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        const QStringList rimas = filas(v->DR[0]);
        for (int i = 0; i < rimas.size(); ++i) {
            { clicEnFila(v->DR[0], i); }
            QCOMPARE(v->Pal->text(), rimas[i]);
        }
        QVERIFY(std::any_of(rimas.begin(), rimas.end(), [](const QString &w) { return w.contains(QChar::ReplacementCharacter); }));
    }

    // Editing in the grid: opening and closing the editor on the long word
    // keeps it whole; hostile text typed in is stored as typed (an unpaired
    // surrogate as U+FFFD: the file holds UTF-8), and nothing else changes.
    void edicionEnSitio()
    {
        const QString larga = palabraLarga();
        QStringList editadas; // Ids of the rows edited here
        for (const QString &w : {larga, QStringLiteral("queso"), QStringLiteral("casa"), QStringLiteral("cosa"),
                                 QStringLiteral("mesa")}) {
            QVERIFY2(filaDe(w) >= 0, corto(w));
            editadas << QString::number(v->DPal->lexico().id(filaDe(w)));
        }
        const QString otras = QStringLiteral("WHERE Id NOT IN (%1)").arg(editadas.join(u','));
        const QList<QVariant> antes = instantanea(ruta);
        const QList<QVariant> antesOtras = instantanea(ruta, otras);

        // Opening and closing the editor on the long word keeps it whole.
        int fila = filaDe(larga);
        clicEnFila(v->DB, fila);
        {
            v->DB->edit(v->DB->model()->index(fila, 0));
            QWidget *editor = QApplication::focusWidget();
            QVERIFY(qobject_cast<QLineEdit *>(editor));
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
        QCOMPARE(filas(v->DB).value(fila), larga);
        QCOMPARE(instantanea(ruta), antes);

        // A word of 40,000 characters typed into the editor is stored whole.
        const QString otra = QString(39996, u'p') + QStringLiteral("asión");
        fila = filaDe(QStringLiteral("queso"));
        {
            v->DB->edit(v->DB->model()->index(fila, 0));
            auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
            QVERIFY(editor);
            editor->setText(otra);
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT length(Pal) FROM PalabrasBase WHERE Pal LIKE 'ppp%'")),
                 QList<QVariant>{qint64(otra.size())});

        // Control characters, unpaired surrogates, and the long word made short.
        const QList<std::pair<QString, QString>> cambios = {
            {QStringLiteral("casa"), QStringLiteral("ca\x01s\x1b" "a")},
            {QStringLiteral("cosa"), QStringLiteral("co") + QChar(0xD800) + QStringLiteral("sa")},
            {QStringLiteral("mesa"), QChar(0xDC00) + QStringLiteral("mesa") + QChar(0xD83D)},
            {larga, QStringLiteral("corta")},
        };
        for (const auto &[de, a] : cambios) {
            const int f = filaDe(de);
            QVERIFY2(f >= 0, corto(de));
            { QVERIFY(v->DB->model()->setData(v->DB->model()->index(f, 0), a)); }
            QVERIFY(filas(v->DB).contains(a));
        }
        const QList<QVariant> guardadas =
            consultar(ruta, QStringLiteral("SELECT CAST(Pal AS BLOB) FROM PalabrasBase WHERE Id IN (%1)")
                                .arg(editadas.join(u',')));
        QVERIFY(guardadas.contains(QVariant(QByteArray("ca\x01s\x1b" "a"))));
        QVERIFY(guardadas.contains(QVariant(QByteArray("co\xef\xbf\xbdsa")))); // the 's' kept
        QVERIFY(guardadas.contains(QVariant(QByteArray("\xef\xbf\xbdmesa\xef\xbf\xbd"))));
        QVERIFY(guardadas.contains(QVariant(QByteArray("corta"))));
        // Their skeletons, as the rhyme search reads them.
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT Voc FROM PalabrasBase WHERE Pal = 'corta'")),
                 QList<QVariant>{QByteArray("oa")});
        // The rest of the file is as it was, the hostile rows included.
        QCOMPARE(instantanea(ruta, otras), antesOtras);
        // Read again from the file, the list holds the stored words.
        v.reset();
        abrir();
        QVERIFY(filas(v->DB).contains(QStringLiteral("co\uFFFDsa")));
        QVERIFY(filas(v->DB).contains(otra));
        QVERIFY2(dialogos->textos.isEmpty(), qPrintable(dialogos->textos.join(u'\n')));
    }

    // Deleting hostile rows removes them and only them.
    void eliminarFilasHostiles()
    {
        dialogos->responder(QMessageBox::Yes);
        const qint64 total = consultar(ruta, QStringLiteral("SELECT count(*) FROM PalabrasBase")).value(0).toLongLong();
        const QStringList victimas = {QStringLiteral("enorme"), palabraLarga(), QStringLiteral("ca\uFFFD(sa")};
        for (const QString &w : victimas) {
            const int f = filaDe(w);
            QVERIFY2(f >= 0, corto(w));
            clicEnFila(v->DB, f);
            { QTest::mouseClick(v->Eli, Qt::LeftButton); }
            QVERIFY(!filas(v->DB).contains(w));
        }
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM PalabrasBase")).value(0).toLongLong(),
                 total - victimas.size());
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM PalabrasBase WHERE length(Sig) > 3000000")),
                 QList<QVariant>{qint64(1)}); // the paragraph without RTF is still there
    }

    // The command line on the same store.
    void lineaDeOrdenes()
    {
        v.reset();
        const auto ejecutar = [&](const QStringList &args) {
            QProcess p;
            p.start(QStringLiteral(RIMARIO_CLI), args);
            const bool fin = p.waitForFinished(120000);
            return std::make_pair(fin && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                                  QString::fromUtf8(p.readAllStandardError()));
        };
        for (const QString &w : {palabraLarga(), QStringLiteral("ca\uFFFD(sa"), QString(QChar(0xD800)) + QStringLiteral("ón")}) {
            for (const QStringList &modo : {QStringList{}, QStringList{QStringLiteral("--vocales")}}) {
                const auto [estado, errores] = ejecutar(QStringList{QStringLiteral("buscar"), QStringLiteral("--almacen"), ruta}
                                                        + modo + QStringList{QStringLiteral("-n"), QStringLiteral("3"), w});
                QVERIFY2(estado == 0 || (estado == 1 && !errores.isEmpty()), qPrintable(errores));
            }
        }
        const auto [estado, errores] = ejecutar({QStringLiteral("comprobar"), ruta});
        QVERIFY2(estado == 0 || estado == 1, qPrintable(errores));
    }
};

QTEST_MAIN(PruebaHostil)
#include "prueba_hostil.moc"
