// The window driven as a user drives it: typing, clicking rows and buttons,
// keys; and on stores it cannot treat as usual: rows another program left with
// hostile content, a file or folder that cannot be written, a file that another
// program holds locked, and a second window on the same file. Nothing crashes;
// a write that cannot be done says why once and changes nothing.

#include "app/arranque.h"
#include "app/modelo_rimas.h"
#include "richtext/rtf.h"
#include "lista/instantanea.h"
#include "lista/lista_palabras.h"
#include "ubicacion/version.h"

#include "../comun/proteccion.h"
#include "../comun/ventana_prueba.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QProcess>
#include <QRegularExpression>
#include <QTabBar>
#include <QTextCursor>
#include <QTemporaryDir>
#include <QThread>
#include <QToolTip>

#include <thread>

using namespace rimario;
using namespace rimario::prueba;

namespace {
const QString kLarga = QStringLiteral("rima").repeated(9999) + QStringLiteral("ción"); // 40,000 characters

// Hostile rows written straight into the file, as another program would
// (text bytes as given, valid UTF-8 or not; "#n" an integer; "" a Null word).
void insertarHostiles(const QString &ruta)
{
    QByteArray enorme = "{\\rtf1\\ansi ";
    for (int k = 0; k < 8000; ++k)
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

class PruebaPrincipal : public QObject, VentanaFija {
    Q_OBJECT
    // The words marked in column A(n), in the order of the rows.
    QStringList marcadas(int n) { return consultar(ruta, QStringLiteral("SELECT Pal FROM Palabras WHERE A%1 = -1 ORDER BY Id").arg(n)); }

private slots:
    void init() { preparar(); }
    void cleanup() { terminar(); }

    // Typing goes into the search box at once; Tab and Shift+Tab go round the
    // visible controls in the window's order; the definition view passes Tab on.
    void recorridoConElTeclado()
    {
        QTest::keyClicks(foco(), QStringLiteral("ca"));
        QCOMPARE(v->Ind->text(), QStringLiteral("ca"));
        const QString sig = v->RT->toPlainText();
        const auto nombre = [this] {
            for (QWidget *w = foco(); w; w = w->parentWidget())
                if ((!w->objectName().isEmpty() && w->parentWidget() == v.get()) || w->objectName().startsWith(QLatin1String("DR")))
                    return w->objectName();
            return QStringLiteral("(ninguno)");
        };
        const QStringList vuelta = lista("Rima SS MT DR2 Sinon Voc Buscar Pal RT DB Eli Ind");
        for (const bool atras : {false, true}) {
            QStringList recorrido;
            for (int i = 0; i < vuelta.size(); ++i) {
                QTest::keyClick(foco(), Qt::Key_Tab, atras ? Qt::ShiftModifier : Qt::NoModifier);
                recorrido << nombre();
            }
            QStringList esperado = vuelta;
            if (atras) {
                std::reverse(esperado.begin(), esperado.end());
                esperado = esperado.mid(1) << QStringLiteral("Ind");
            }
            QCOMPARE(recorrido, esperado);
        }
        QCOMPARE(v->RT->toPlainText(), sig);
        // The arrows choose another tab, whose grid then takes the walk's place.
        for (const auto k : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Left, Qt::Key_Left, Qt::Key_Tab})
            QTest::keyClick(foco(), k);
        QCOMPARE(nombre(), QStringLiteral("DR0"));
        // The six tabs stand in two rows of three.
        QTabBar *barra = v->SS->tabBar();
        QSet<int> elegidas;
        for (int i = 0; i < 6; ++i) {
            QTest::mouseClick(barra, Qt::LeftButton, {}, QPoint(barra->width() * (2 * (i % 3) + 1) / 6, barra->height() * (2 * (i / 3) + 1) / 4));
            elegidas << v->SS->currentIndex();
        }
        QCOMPARE(elegidas.size(), 6);
    }

    // Typing finds by prefix, in the Spanish order; the definition shows, or a
    // page in its place until a word is picked; a click into the search box
    // brings the list back to its prefix. A search pattern that is not valid is said.
    void busquedaYDefiniciones()
    {
        QVERIFY(filas(v->DB).indexOf(QStringLiteral("nido")) < filas(v->DB).indexOf(QStringLiteral("ñandú")));
        Dialogos dialogos;
        QTest::keyClicks(v->Ind, QStringLiteral("can"));
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        QTest::keyClicks(v->Ind, QStringLiteral("zz[")); // no such word, nor a pattern: the list stays
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        v->Ind->setText(QStringLiteral("amor"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento intenso")));
        QTest::mouseClick(v->Buscar, Qt::LeftButton);
        QTRY_VERIFY(!v->RT->isVisible() && v->Gua->isVisible());
        const int casa = int(filas(v->DB).indexOf(QStringLiteral("casa")));
        const QRect antes = v->DB->visualRect(v->DB->model()->index(casa, 0));
        clicEnFila(v->DB, casa);
        QCOMPARE(v->DB->visualRect(v->DB->model()->index(casa, 0)), antes); // stays under the pointer
        QVERIFY(v->Pal->text() == QStringLiteral("casa") && v->RT->isVisible() && !v->Gua->isVisible() && v->RT->toPlainText().isEmpty());
        QTest::mouseClick(v->Ind, Qt::LeftButton);
        QCOMPARE(v->Pal->text(), QStringLiteral("amor"));
        v->Ind->clear();
        QCOMPARE(v->Pal->text(), QStringLiteral("123"));
        QVERIFY(dialogos.textos.isEmpty());
        rimar(*v, 2, QStringLiteral("ab[c"));
        QVERIFY(dialogos.textos.size() == 1 && dialogos.textos[0].contains(QStringLiteral("[c")) && v->Rima->isEnabled() && !v->Buscando);
    }

    // An in-place edit typed into a grid: the list re-sorts, and the highlight,
    // the record selector, the word box and what "Eliminar" deletes stay on the
    // edited word; an empty word is refused. The models are checked throughout.
    void edicionEnLaRejilla_data() { datosDeArchivo("app/datos/ventana.tsv", "edicionEnLaRejilla"); }
    void edicionEnLaRejilla()
    {
        DATOS(int, rejilla, QString, palabra, QString, teclas, QString, queda);
        for (QString *t : {&teclas, &queda}) {
            bool numero = false;
            const qsizetype x = t->indexOf(u'x');
            if (const int n = t->mid(x + 1).toInt(&numero); x >= 0 && numero)
                *t = t->left(x) + QString(n, u'x');
        }
        COMPROBAR(abrir(lista("sol solado solador soldado helado alado lado")));
        std::vector<std::unique_ptr<QAbstractItemModelTester>> probadores;
        for (QTableView *t : {v->DB, v->DR[0], v->DR[1]})
            probadores.push_back(std::make_unique<QAbstractItemModelTester>(t->model(), QAbstractItemModelTester::FailureReportingMode::QtTest));
        Dialogos dialogos;
        QTableView *t = v->DB;
        QTest::keyClicks(v->Ind, palabra);
        if (rejilla >= 0) {
            QTest::keyClicks(v->Ind, QStringLiteral("X")); // the list stays on the word
            rimar(*v, 0, QStringLiteral("lado"));
            t = v->DR[rejilla];
        }
        QWidget *editor = abrirEditor(t, int(filas(t).indexOf(palabra)));
        QVERIFY(editor && v->Pal->text() == palabra);
        for (const QChar c : teclas) {
            const QMap<QChar, Qt::Key> teclasEspeciales{{u'^', Qt::Key_Home}, {u'$', Qt::Key_End}, {u'<', Qt::Key_Backspace}};
            if (c == u'~')
                QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            else if (teclasEspeciales.contains(c))
                QTest::keyClick(editor, teclasEspeciales[c]);
            else
                QTest::keyClicks(editor, QString(c));
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(foco() != editor);
        const bool rechazada = queda == palabra;
        QTRY_COMPARE(dialogos.textos.size(), rechazada ? 1 : 0);
        QVERIFY(!rechazada || dialogos.textos.first().contains(teclas.size() > 100 ? QStringLiteral("más de 200 caracteres") : QStringLiteral("vacía")));
        QCOMPARE(t->currentIndex().data().toString(), queda);
        QStringList orden = lista("alado helado lado sol solado solador soldado");
        orden.replace(orden.indexOf(palabra), queda);
        std::sort(orden.begin(), orden.end());
        QCOMPARE(filas(v->DB), orden);
        const int enLista = int(orden.indexOf(queda));
        QCOMPARE(v->DB->currentIndex().row(), enLista);
        QCOMPARE(v->DB->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(v->DB->selectionModel()->selectedRows().first().row(), enLista);
        for (int i = 0; i < orden.size(); ++i)
            QCOMPARE(v->DB->model()->headerData(i, Qt::Vertical).toString().isEmpty(), i != enLista);
        QCOMPARE(v->Pal->text(), queda);
        QCOMPARE(uno(ruta, QStringLiteral("SELECT Voc FROM Palabras WHERE Pal = '%1'").arg(queda)), ExtraeVocales(queda));
        // "Eliminar" takes that word and no other.
        dialogos.responder(QMessageBox::Yes);
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        orden.removeOne(queda);
        QCOMPARE(contenido(ruta).keys(), orden);
        QCOMPARE(filas(v->DB), orden);
        // Archiving a word and reading the list again keep the models sound too.
        escritura(QStringLiteral("nueva")).hacer(*v);
        v->Ind->clear();
        QCOMPARE(filas(v->DB).size(), orden.size() + 1);
    }

    // Ctrl+A, Ctrl+C in a grid copy every row, one word a line; rows picked
    // with Shift or Ctrl copy those rows; the current row stays the picked word.
    void copiarFilas()
    {
        rimar(*v, 0, QStringLiteral("canción"));
        clicEnFila(v->DR[0], 1);
        QCOMPARE(foco(), static_cast<QWidget *>(v->DR[0]));
        QTest::keySequence(foco(), QKeySequence::SelectAll);
        QTest::keySequence(foco(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("avión\ncamión\ncorazón\nilusión\npasión\nrazón"));
        QCOMPARE(v->Pal->text(), QStringLiteral("camión"));
        const int desde = int(filas(v->DB).indexOf(QStringLiteral("casa")));
        clicEnFila(v->DB, desde);
        QTest::mouseClick(v->DB->viewport(), Qt::LeftButton, Qt::ShiftModifier, centroDeFila(v->DB, desde + 2));
        QTest::keyClick(foco(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::mouseClick(v->DB->viewport(), Qt::LeftButton, Qt::ControlModifier, centroDeFila(v->DB, desde + 5));
        QTest::keySequence(foco(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), (filas(v->DB).mid(desde, 4) << filas(v->DB).at(desde + 5)).join(u'\n'));
        QCOMPARE(v->Pal->text(), filas(v->DB).at(desde + 5));
        // A plain click then picks one row, and opens no editor on it.
        clicEnFila(v->DB, 3);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(v->DB->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(foco(), static_cast<QWidget *>(v->DB));
    }

    // Long words: the count caption fits in its place, smaller when needed;
    // hovering a result shows its syllables, and a word cut short whole.
    void textosLargosYSilabas()
    {
        const QString larga = QStringLiteral("electroencefalografistalogía"), enorme = QString(150, u'r') + QStringLiteral("ía");
        COMPROBAR(abrir({QStringLiteral("otorrinolaringología"), QStringLiteral("biología"), larga, enorme}));
        const QRect lugar = v->Cuenta->geometry();
        const auto cabe = [this] { return QFontMetrics(v->Cuenta->font()).horizontalAdvance(v->Cuenta->text()) <= v->Cuenta->contentsRect().width(); };
        rimar(*v, 0, QStringLiteral("biología"));
        const qreal normal = v->Cuenta->font().pointSizeF();
        QVERIFY(cabe());
        rimar(*v, 0, larga);
        QCOMPARE(v->Cuenta->text(), larga + QStringLiteral(": 3 palabras"));
        QVERIFY(cabe() && v->Cuenta->font().pointSizeF() < normal);
        rimar(*v, 0, enorme);
        QCOMPARE(v->Cuenta->toolTip(), enorme + QStringLiteral(": 3 palabras"));
        QVERIFY(v->Cuenta->textoMostrado() != v->Cuenta->text());
        QCOMPARE(v->Cuenta->geometry(), lugar);
        rimar(*v, 0, QStringLiteral("otorrinolaringología"));
        const auto ayuda = [this](const QString &w) {
            QTableView *t = v->DR[0];
            QToolTip::hideText();
            (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); });
            const QPoint p = t->visualRect(t->model()->index(int(filas(t).indexOf(w)), 0)).center();
            QHelpEvent e(QEvent::ToolTip, p, t->viewport()->mapToGlobal(p));
            QApplication::sendEvent(t->viewport(), &e);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QVERIFY2(ayuda(QStringLiteral("biología")).contains(QStringLiteral("bio·lo·gí·a — 4 sílabas, llana")), qPrintable(ayuda(QStringLiteral("biología"))));
        QVERIFY(ayuda(larga).contains(larga));
        QVERIFY(ayuda(enorme).contains(enorme.left(60)));
    }

    // The program itself: a message, a non-zero status, no window, no store made;
    // an Access store of the earlier version converted at start-up, once, or
    // left as it was when it cannot be.
    // A kept copy of the list damaged on disk after it was written (a word's
    // letters changed, which opening cannot tell) is found out while the
    // window is in use: typing the word finds the word the store holds, and
    // the grid shows it.
    void copiaDanadaDeLaLista()
    {
        v.reset(); // the list read from the rows has been kept
        const QString copia = rutaInstantanea(ruta);
        QVERIFY(cambiarPalabraEnCopia(copia, u"mesa", u"mesu"));
        const QByteArray danada = leerArchivo(copia);
        v = abrirVentana(ruta);
        QVERIFY(v->DPal->lexico().comprobacionDeInstantanea()); // the damaged copy, until it is found out
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        QTest::keyClicks(foco(), QStringLiteral("mes"));
        QTRY_COMPARE(v->DB->currentIndex().data().toString(), QStringLiteral("mesa"));
        QTRY_VERIFY(!filas(v->DB).contains(QStringLiteral("mesu")));
        QVERIFY(leerArchivo(copia) != danada);
    }

    // A start after another program renamed, added and deleted words: the
    // grid shows the list as the store holds it from the first paint, and
    // the first find and rhyme work on it.
    void inicioTrasCambiosDeOtroPrograma()
    {
        v.reset(); // the list read from the rows has been kept
        sqlite3_close(otroPrograma(ruta, "UPDATE Palabras SET Pal = 'tosa' WHERE Pal = 'casa';"
                                          "INSERT INTO Palabras (Pal, Voc) VALUES ('zurrón', 'uo'), ('abeja', 'aea');"
                                          "DELETE FROM Palabras WHERE Pal = 'rosa'"));
        QStringList enElAlmacen;
        {
            const QByteArray cache = qgetenv("RIMARIO_CACHE");
            qputenv("RIMARIO_CACHE", "");
            auto a = Almacen::abrir(ruta, true);
            Lexico l(a->colador());
            l.cargar(*a);
            for (qsizetype i = 0; i < l.tamano(); ++i)
                enElAlmacen << l.pal(i).toString();
            qputenv("RIMARIO_CACHE", cache);
        }
        COMPROBAR(mostrar());
        QCOMPARE(filas(v->DB), enElAlmacen);
        QTest::keyClicks(foco(), QStringLiteral("tos"));
        QTRY_COMPARE(v->DB->currentIndex().data().toString(), QStringLiteral("tosa"));
        v->Pal->setFocus();
        QTest::keyClick(v->Pal, Qt::Key_F7);
        QCOMPARE(filas(v->DR[2]), QStringList{QStringLiteral("cosa")});
        QCOMPARE(filas(v->DB), enElAlmacen);
    }

    void almacenQueFaltaNoSirveOEsDeAccess()
    {
        QTemporaryDir carpeta;
        const QString programa = carpeta.filePath(QStringLiteral("rimario")), datos = carpeta.filePath(QStringLiteral("data.lop"));
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_PROGRAMA), programa)); // the launcher, and the window it starts
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_PROGRAMA "-ventana"), programa + QStringLiteral("-ventana")));
        const auto arrancar = [&] {
            QProcess p;
            p.setWorkingDirectory(dir.path()); // not the program's folder
            p.start(programa, {});
            return p.waitForFinished(20000) && p.exitCode() != 0 ? QString::fromLocal8Bit(p.readAllStandardError()) : QString();
        };
        QVERIFY(arrancar().contains(QStringLiteral("data.lop")));
        QVERIFY(!QFile::exists(datos));
        QVERIFY(escribirArchivo(datos, QByteArray(5000, 'x')));
        QVERIFY(arrancar().contains(QStringLiteral("almacén")));
        QCOMPARE(leerArchivo(datos), QByteArray(5000, 'x'));

        v.reset();
        QVERIFY(QFile::remove(ruta) && QFile::copy(muestraAccess(), ruta));
        QCOMPARE(prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)), dir.filePath(QStringLiteral("data-almacenQueFaltaNoSirveOEsDeAccess.access2000.lop")));
        v = abrirVentana(ruta);
        QCOMPARE(v->DB->model()->rowCount(), 60);
        v->Ind->setText(QStringLiteral("canc"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Composición en verso")));
        QCOMPARE(prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)), QString());
        // A cut Access file, and a damaged catalogue that makes the Access library
        // crash (the conversion runs in a child process): a message, the file as it was.
        const QByteArray muestra = leerArchivo(muestraAccess());
        for (const QByteArray &datos : {muestra.left(muestra.size() / 2 + 100), leerArchivo(QStringLiteral(RIMARIO_FUENTES "/fuzz/conocidos/libmdb-catalogo.lop"))}) {
            QTemporaryDir otra;
            const QString r = otra.filePath(QStringLiteral("data.lop"));
            QVERIFY(escribirArchivo(r, datos));
            QVERIFY_THROWS_EXCEPTION(ErrorAlmacen, prepararAlmacen(r, nullptr, QStringLiteral(RIMARIO_PROGRAMA)));
            QCOMPARE(leerArchivo(r), datos);
            QCOMPARE(archivosDe(otra.path()), QStringList{QStringLiteral("data.lop")});
        }
    }

    // Every word whose skeleton ends in the word's last vowels, the word itself
    // included, marked in the file for the next run; the list back on the typed
    // prefix. A whole-word search leaves the marks alone; a word with too few
    // vowels changes nothing.
    void rimaDeVocales()
    {
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        QTest::keyClicks(v->Ind, QStringLiteral("cas"));
        rimar(*v, 0, QStringLiteral("amor"));
        QCOMPARE(filas(v->DR[0]), lista("amor Amor árbol ÁRBOL caracol corazón farol razón"));
        const QStringList marcas = lista("amor Amor corazón razón farol caracol árbol ÁRBOL");
        QCOMPARE(marcadas(2), marcas);
        QCOMPARE(v->Pal->text(), QStringLiteral("casa"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("amor: 8 palabras"));
        v->MT->setChecked(true);
        rimar(*v, 1, QStringLiteral("camión"));
        QCOMPARE(filas(v->DR[1]), lista("camino camión pasión"));
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        rimar(*v, 0, QStringLiteral("amor"));
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        rimar(*v, 1, QStringLiteral("sol"));
        QCOMPARE(filas(v->DR[1]), lista("camino camión pasión"));
        v = abrirVentana(ruta);
        QCOMPARE(marcadas(2), marcas);
        QCOMPARE(marcadas(3), lista("pasión camión camino"));
    }

    // The word under the pointer: its consonant rhymes from the context menu,
    // then F8 for the assonant rhymes of the word picked; the rhyme marks untouched.
    void rimasConsonantesYAsonantes()
    {
        Dialogos dialogos;
        const int fila = int(filas(v->DB).indexOf(QStringLiteral("canción")));
        v->DB->scrollTo(v->DB->model()->index(fila, 0));
        menu(v->DB->viewport(), centroDeFila(v->DB, fila), QStringLiteral("Rimas consonantes de «canción»"));
        QCOMPARE(filas(v->DR[2]), lista("avión camión corazón ilusión pasión razón"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("canción — consonantes: 6 palabras"));
        clicEnFila(v->DR[2], 0);
        QCOMPARE(v->Pal->text(), QStringLiteral("avión"));
        v->Pal->setFocus();
        QTest::keyClick(v->Pal, Qt::Key_F8);
        QCOMPARE(filas(v->DR[2]), lista("amor Amor camión canción canción caracol corazón farol hoy ilusión pasión razón sol"));
        // Same syllables only (a menu choice kept), on the word typed in Pal.
        v->Pal->setText(QStringLiteral("casa"));
        menu(v->Pal, QPoint(5, 5), QStringLiteral("Solo palabras con las mismas sílabas"));
        QTest::keyClick(v->Pal, Qt::Key_F8);
        QCOMPARE(filas(v->DR[2]), lista("masa pasa"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("casa — asonantes: 2 palabras"));
        QCOMPARE(uno(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 OR A3 OR A4 OR A5 OR A6 OR A7")), QStringLiteral("0"));
        // A word without syllables: a message, the grid as it was.
        v->Pal->setText(QStringLiteral("123"));
        QTest::keyClick(v->Pal, Qt::Key_F7);
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY2(dialogos.textos[0].contains(QStringLiteral("no se puede dividir en sílabas")), qPrintable(dialogos.textos[0]));
        QCOMPARE(filas(v->DR[2]), lista("masa pasa"));
        // The word's last choice, "Acerca de Rimario": the version and the store in use.
        menu(v->Pal, QPoint(5, 5), QStringLiteral("Acerca de Rimario"));
        QTRY_COMPARE(dialogos.textos.size(), 2);
        QVERIFY2(dialogos.textos[1].contains(QStringLiteral("Rimario " RIMARIO_VERSION)) && dialogos.textos[1].contains(ruta),
                 qPrintable(dialogos.textos[1]));
    }

    void contenidoHostil()
    {
        v.reset();
        COMPROBAR(insertarHostiles(ruta));
        Dialogos dialogos(QMessageBox::Yes);
        mostrar();
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
        QTRY_VERIFY(v->RT->toPlainText().contains(QStringLiteral("acepción 7999. Composición en verso λ que se canta")));
        v->Ind->setText(QStringLiteral("parrafos"));
        QTRY_VERIFY(v->RT->toPlainText().contains(QStringLiteral("599.999 párrafos")));
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
        v.reset();
        Almacen::abrir(ruta)->marcarVocales(2, QStringLiteral("ia"), std::nullopt);
        const QByteArray bytes = leerArchivo(ruta);
        const bool alAbrir = impedimento.endsWith(QLatin1String("al abrir")), bloqueo = impedimento.startsWith(QLatin1String("bloqueo"));
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", impedimento == QLatin1String("bloqueo breve") ? "5000" : "200");
        Proteccion proteccion;
        const QString objetivo = impedimento == QLatin1String("carpeta") ? QFileInfo(ruta).path() : ruta;
        if (alAbrir && !proteccion.poner(objetivo))
            QSKIP(qPrintable(kSinProteccion));
        Dialogos dialogos(QMessageBox::Yes);
        v = abrirVentana(ruta);
        QCOMPARE(v->windowTitle().contains(QStringLiteral("solo lectura")), alAbrir);
        if (!alAbrir && !bloqueo && !proteccion.poner(objetivo))
            QSKIP(qPrintable(kSinProteccion));
        QTest::keyClicks(v->Ind, QStringLiteral("amo"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento")));
        const Escritura e = escritura(operacion);
        e.preparar(*v);
        const QStringList antes = vista(*v);
        sqlite3 *otro = bloqueo ? otroPrograma(ruta, impedimento.endsWith(QLatin1String("inmediato")) ? "BEGIN IMMEDIATE; UPDATE Meta SET Valor = Valor" : "BEGIN EXCLUSIVE") : nullptr;
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
        // In Spanish: the engine's own words only behind "Mostrar detalles".
        for (const QString &t : dialogos.textos)
            QVERIFY2(!t.contains(QLatin1String("database")) && !t.contains(QLatin1String("attempt")), qPrintable(t));
        QVERIFY(!bloqueo || operacion != QLatin1String("eliminar") ||
                dialogos.detalles.join(u'\n').contains(QLatin1String("database is locked")));
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
        v.reset();
        Dialogos dialogos(QMessageBox::Yes);
        auto a = abrirVentana(ruta), b = abrirVentana(ruta);
        const Escritura nueva = escritura(QStringLiteral("nueva"));
        b->Ind->setText(QStringLiteral("x"));
        nueva.hacer(*a);
        b->Ind->clear(); // back to the top: the list read again
        QVERIFY(filas(b->DB).contains(QStringLiteral("zampoña")));
        nueva.hacer(*b); // archived again: that row, not another
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

QTEST_MAIN(PruebaPrincipal)
#include "prueba_principal.moc"
