// The window driven as a user drives it: typing, clicking rows and buttons.

#include "almacen.h"
#include "arranque.h"
#include "lista_palabras.h"
#include "principal.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../comun/ventana_prueba.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>

using namespace rimario;
using namespace rimario::prueba;

namespace {

const QString kSigAmor = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs17 \\b amor.\\b0 \\par\r\n"
    "1. m. Sentimiento intenso del ser humano que busca el encuentro con otro ser.\\par\r\n}\r\n");
const QString kRimaPalabras = QStringLiteral("Buscar rimas (palabras) -->");
const QString kRimaVocales = QStringLiteral("Buscar rimas (vocales) -->");

} // namespace

class PruebaPrincipal : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta;
    std::unique_ptr<Principal> v;

    void abrir()
    {
        v.reset();
        v = abrirVentana(ruta);
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    }
    void rimar(int pestana, const QString &palabra)
    {
        v->SS->setCurrentIndex(pestana);
        v->Pal->setText(palabra);
        QTest::mouseClick(v->Rima, Qt::LeftButton);
    }
    // The words marked in column A(n), in the order of the rows.
    QStringList marcadas(int n) { return consultar(ruta, QStringLiteral("SELECT Pal FROM Palabras WHERE A%1 = -1 ORDER BY Id").arg(n)); }

private slots:
    void init()
    {
        ruta = dir.filePath(QStringLiteral("data-%1.lop").arg(QTest::currentTestFunction()));
        QFile::remove(ruta);
        crearAlmacen(ruta, palabrasDePrueba(), {{QStringLiteral("amor"), kSigAmor}});
        abrir();
    }
    void cleanup() { v.reset(); }

    // What the user finds at start: the definition view in front of the pane,
    // nothing to archive, tab "4" with its empty grid, the window idle.
    void estadoDeDiseno()
    {
        for (QPushButton *b : {v->Buscar, v->Sinon, v->Eli, v->Rima, v->Voc})
            QVERIFY(b->isVisible() && b->isEnabled());
        for (QWidget *w : {static_cast<QWidget *>(v->Gua), static_cast<QWidget *>(v->Command1),
                           static_cast<QWidget *>(v->Vocal)})
            QVERIFY(!w->isVisible());
        QVERIFY(v->RT->isVisible() && v->RT->geometry() == v->WB->geometry());
        QVERIFY(v->children().indexOf(v->RT) > v->children().indexOf(v->WB)); // in front
        QCOMPARE(v->SS->currentIndex(), 2);
        QVERIFY(v->DR[2]->isVisible() && !v->DR[0]->isVisible() && v->DR[2]->model()->rowCount() == 0);
        for (QTableView *t : v->DR)
            QCOMPARE(t->geometry(), v->DR[2]->geometry()); // every tab's grid in one place
        QVERIFY(!v->MT->isChecked() && v->Cuenta->text().isEmpty());
        QCOMPARE(v->minimumSize(), v->maximumSize());
        QVERIFY(!v->sw && !v->Buscando);
    }

    // The keyboard as a user has it: typing goes into the search box at once,
    // Tab and Shift+Tab go round the controls that can be seen, in the window's
    // order, the definition view passes Tab on, and the covered browser pane
    // is never reached.
    void recorridoConElTeclado()
    {
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ca"));
        QCOMPARE(v->Ind->text(), QStringLiteral("ca"));
        const QString sig = v->RT->toPlainText();
        const auto nombre = [this] {
            for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
                if (!w->objectName().isEmpty() && w->parentWidget() == v.get())
                    return w->objectName();
                else if (w->objectName().startsWith(QLatin1String("DR")))
                    return w->objectName();
            return QStringLiteral("(ninguno)");
        };
        const QStringList vuelta = lista("Rima SS MT DR2 Sinon Voc Buscar Pal RT DB Eli Ind");
        for (const bool atras : {false, true}) {
            QStringList recorrido;
            for (int i = 0; i < vuelta.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, atras ? Qt::ShiftModifier : Qt::NoModifier);
                recorrido << nombre();
            }
            QStringList esperado = vuelta;
            if (atras) {
                std::reverse(esperado.begin(), esperado.end());
                esperado.removeFirst();
                esperado << QStringLiteral("Ind");
            }
            QCOMPARE(recorrido, esperado);
        }
        QCOMPARE(v->RT->toPlainText(), sig);
        // The arrows choose another tab, whose grid then takes the walk's place.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // from Ind to Rima
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(v->SS->currentIndex(), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(nombre(), QStringLiteral("DR0"));
        // The six tabs stand in two rows of three: a click in each place picks each tab.
        QTabBar *barra = v->SS->tabBar();
        QSet<int> elegidas;
        for (int fila = 0; fila < 2; ++fila)
            for (int col = 0; col < 3; ++col) {
                QTest::mouseClick(barra, Qt::LeftButton, {},
                                  QPoint(barra->width() * (2 * col + 1) / 6, barra->height() * (2 * fila + 1) / 4));
                elegidas << v->SS->currentIndex();
            }
        QCOMPARE(elegidas.size(), 6);
    }

    void busquedaIncremental()
    {
        // Every word in list order, the first one current and shown.
        const QStringList palabras = filas(v->DB);
        QCOMPARE(palabras.size(), palabrasDePrueba().size());
        QVERIFY(palabras.indexOf(QStringLiteral("nido")) < palabras.indexOf(QStringLiteral("ñandú")));
        QCOMPARE(v->Pal->text(), QStringLiteral("123"));
        QCOMPARE(v->DPal->actual(), 0);

        Dialogos dialogos;
        QTest::keyClicks(v->Ind, QStringLiteral("ca"));
        QCOMPARE(v->Pal->text(), QStringLiteral("camino"));
        QTest::keyClicks(v->Ind, QStringLiteral("n"));
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        QCOMPARE(v->DB->currentIndex().row(), int(v->DPal->actual()));
        // A prefix no word has, or not a valid pattern, leaves the list where it was, with no message.
        QTest::keyClicks(v->Ind, QStringLiteral("zz["));
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        // An empty box reads the list again from the top.
        v->Ind->clear();
        QCOMPARE(v->Pal->text(), QStringLiteral("123"));
        QVERIFY(dialogos.textos.isEmpty());
    }

    void definicionesYSeleccion()
    {
        v->Ind->setText(QStringLiteral("amor"));
        QCOMPARE(v->Pal->text(), QStringLiteral("amor"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento intenso")));
        QVERIFY(!v->RT->toPlainText().contains(QStringLiteral("\\rtf")));
        // A word without definition shows an empty view.
        clicEnFila(v->DB, int(filas(v->DB).indexOf(QStringLiteral("Amor"))));
        QCOMPARE(v->Pal->text(), QStringLiteral("Amor"));
        QVERIFY(v->RT->toPlainText().isEmpty());
        // Choosing a word while a page shows brings the view back and hides Archivar.
        QTest::mouseClick(v->Buscar, Qt::LeftButton);
        QTRY_VERIFY(!v->RT->isVisible() && v->Gua->isVisible());
        const int filaCasa = int(filas(v->DB).indexOf(QStringLiteral("casa")));
        const QRect antes = v->DB->visualRect(v->DB->model()->index(filaCasa, 0));
        clicEnFila(v->DB, filaCasa);
        QCOMPARE(v->Pal->text(), QStringLiteral("casa"));
        // The picked row stays under the pointer, current and selected.
        QCOMPARE(v->DB->visualRect(v->DB->model()->index(filaCasa, 0)), antes);
        QCOMPARE(v->DB->selectionModel()->selectedRows().value(0).row(), filaCasa);
        QVERIFY(v->RT->isVisible() && !v->Gua->isVisible());
        // A click into the search box brings the list back to its prefix.
        QTest::mouseClick(v->Ind, Qt::LeftButton);
        QCOMPARE(v->Pal->text(), QStringLiteral("amor"));
    }

    // An in-place edit typed into a grid: the list re-sorts, and the highlight,
    // the record selector, the word box and what "Eliminar" deletes stay on the
    // edited word; an empty word is refused. The models are checked throughout.
    void edicionEnLaRejilla_data()
    {
        QTest::addColumn<int>("rejilla"); // -1: the word list; else the result grid of tab "2"
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("teclas"); // after F2: "^" Home, "$" End, "~" select all, "<" erase
        QTest::addColumn<QString>("queda");   // the word the rows must show afterwards
        QTest::addColumn<bool>("rechazada");
        QTest::newRow("se mueve") << -1 << "solado" << "$x" << "soladox" << false;
        QTest::newRow("no se mueve") << -1 << "solador" << "$a" << "soladora" << false;
        QTest::newRow("al principio") << -1 << "soldado" << "~<aaa" << "aaa" << false;
        QTest::newRow("vacía") << -1 << "solado" << "~<" << "solado" << true;
        QTest::newRow("en blanco") << -1 << "solado" << "~<   " << "solado" << true;
        QTest::newRow("en las rimas") << 0 << "helado" << "^z" << "zhelado" << false;
        QTest::newRow("en las rimas, vacía") << 0 << "helado" << "~<" << "helado" << true;
    }
    void edicionEnLaRejilla()
    {
        QFETCH(int, rejilla);
        QFETCH(QString, palabra);
        QFETCH(QString, teclas);
        QFETCH(QString, queda);
        QFETCH(bool, rechazada);
        v.reset();
        QFile::remove(ruta);
        crearAlmacen(ruta, lista("sol solado solador soldado helado alado lado"));
        abrir();
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        std::vector<std::unique_ptr<QAbstractItemModelTester>> probadores;
        for (QTableView *t : std::initializer_list<QTableView *>{v->DB, v->DR[0], v->DR[1]})
            probadores.push_back(std::make_unique<QAbstractItemModelTester>(
                t->model(), QAbstractItemModelTester::FailureReportingMode::QtTest));
        Dialogos dialogos;
        QTableView *t = v->DB;
        QTest::keyClicks(v->Ind, palabra);
        if (rejilla >= 0) {
            QTest::keyClicks(v->Ind, QStringLiteral("X")); // the list stays on the word
            rimar(0, QStringLiteral("lado"));
            t = v->DR[rejilla];
        }
        const int fila = int(filas(t).indexOf(palabra));
        QVERIFY(fila >= 0);
        clicEnFila(t, fila);
        QCOMPARE(v->Pal->text(), palabra);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(t));
        QTest::qWait(QApplication::doubleClickInterval() + 50); // a user's pause: no double click
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit *>(editor));
        for (const QChar c : teclas) {
            if (c == u'^')
                QTest::keyClick(editor, Qt::Key_Home);
            else if (c == u'$')
                QTest::keyClick(editor, Qt::Key_End);
            else if (c == u'~')
                QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            else if (c == u'<')
                QTest::keyClick(editor, Qt::Key_Backspace);
            else
                QTest::keyClicks(editor, QString(c));
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!t->indexWidget(t->currentIndex()) && QApplication::focusWidget() != editor);
        if (rechazada) {
            QTRY_COMPARE(dialogos.textos.size(), 1);
            QVERIFY(dialogos.textos.first().contains(QStringLiteral("vacía")));
        } else {
            QVERIFY(dialogos.textos.isEmpty());
        }
        // The grid edited shows the word in the row picked; the word list holds it in its order.
        QCOMPARE(t->currentIndex().data().toString(), queda);
        QStringList orden = lista("alado helado lado sol solado solador soldado");
        orden.replace(orden.indexOf(palabra), queda);
        std::sort(orden.begin(), orden.end());
        QCOMPARE(filas(v->DB), orden);
        const int enLista = int(orden.indexOf(queda));
        QCOMPARE(v->DB->currentIndex().row(), enLista);
        QCOMPARE(v->DB->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(v->DB->selectionModel()->selectedRows().first().row(), enLista);
        QCOMPARE(int(v->DPal->actual()), enLista);
        for (int i = 0; i < orden.size(); ++i)
            QCOMPARE(v->DB->model()->headerData(i, Qt::Vertical).toString().isEmpty(), i != enLista);
        QCOMPARE(v->Pal->text(), queda);
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT Voc FROM Palabras WHERE Pal = '%1'").arg(queda)),
                 QStringList{ExtraeVocales(queda)});
        // "Eliminar" takes that word and no other.
        dialogos.responder(QMessageBox::Yes);
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        orden.removeOne(queda);
        QCOMPARE(contenido(ruta).keys(), orden);
        QCOMPARE(filas(v->DB), orden);
        // Archiving a word and reading the list again keep the models sound too.
        escritura(QStringLiteral("archivar nueva")).hacer(*v);
        v->Ind->clear();
        QCOMPARE(filas(v->DB).size(), orden.size() + 1);
    }

    // Ctrl+A, Ctrl+C in a grid copy every row, one word a line; rows picked
    // with Shift copy those rows; the current row stays the picked word.
    void copiarFilas()
    {
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        rimar(0, QStringLiteral("canción"));
        const QStringList rimas = lista("avión camión corazón ilusión pasión razón");
        clicEnFila(v->DR[0], 1);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(v->DR[0]));
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::SelectAll);
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), rimas.join(u'\n'));
        QCOMPARE(v->Pal->text(), QStringLiteral("camión"));
        // In the word list: a row, Shift and a click two rows further, Shift and Down.
        const int desde = int(filas(v->DB).indexOf(QStringLiteral("casa")));
        clicEnFila(v->DB, desde);
        QTest::mouseClick(v->DB->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          v->DB->visualRect(v->DB->model()->index(desde + 2, 0)).center());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), filas(v->DB).mid(desde, 4).join(u'\n'));
        QCOMPARE(v->Pal->text(), filas(v->DB).at(desde + 3));
        QCOMPARE(int(v->DPal->actual()), desde + 3);
        // Ctrl and a click adds a row.
        QTest::mouseClick(v->DB->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          v->DB->visualRect(v->DB->model()->index(desde + 5, 0)).center());
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 (filas(v->DB).mid(desde, 4) << filas(v->DB).at(desde + 5)).join(u'\n'));
        QCOMPARE(v->Pal->text(), filas(v->DB).at(desde + 5));
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::SelectAll);
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), filas(v->DB).join(u'\n'));
        // A plain click then picks one row, and opens no editor on it.
        clicEnFila(v->DB, 3);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(v->DB->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(v->Pal->text(), filas(v->DB).at(3));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(v->DB));
    }

    // Long words: the count caption fits in its place, smaller when needed;
    // a word cut short in a grid shows whole in its tooltip.
    void textosLargos()
    {
        v.reset();
        QFile::remove(ruta);
        const QString larga = QStringLiteral("electroencefalografistalogía");
        const QString enorme = QString(150, u'r') + QStringLiteral("ía");
        crearAlmacen(ruta, QStringList{QStringLiteral("otorrinolaringología"), QStringLiteral("biología"), larga, enorme});
        abrir();
        const QRect lugar = v->Cuenta->geometry();
        auto cabe = [this] {
            return QFontMetrics(v->Cuenta->font()).horizontalAdvance(v->Cuenta->text()) <= v->Cuenta->contentsRect().width();
        };
        rimar(0, QStringLiteral("biología"));
        QCOMPARE(v->Cuenta->font().pointSizeF(), 8.25); // a short caption keeps the design's font
        QVERIFY(cabe());
        rimar(0, larga);
        QCOMPARE(v->Cuenta->text(), larga + QStringLiteral(": 3 palabras"));
        QVERIFY(cabe());
        QVERIFY(v->Cuenta->font().pointSizeF() >= 6.5 && v->Cuenta->font().pointSizeF() < 8.25);
        QCOMPARE(v->Cuenta->toolTip(), v->Cuenta->text());
        QCOMPARE(v->Cuenta->geometry(), lugar);
        rimar(0, enorme);
        QCOMPARE(v->Cuenta->toolTip(), enorme + QStringLiteral(": 3 palabras"));
        QVERIFY(v->Cuenta->recortada()); // too long for any size: shortened, whole in the tooltip
        QCOMPARE(v->Cuenta->geometry(), lugar);
        // Hovering the rows of the results: the word's syllables; a word cut short, whole too.
        rimar(0, QStringLiteral("otorrinolaringología"));
        auto ayuda = [this](const QString &w) {
            QTableView *t = v->DR[0];
            QToolTip::hideText();
            QTest::qWaitFor([] { return !QToolTip::isVisible(); });
            const QPoint p = t->visualRect(t->model()->index(int(filas(t).indexOf(w)), 0)).center();
            QHelpEvent e(QEvent::ToolTip, p, t->viewport()->mapToGlobal(p));
            QApplication::sendEvent(t->viewport(), &e);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        const QString silabas = ayuda(QStringLiteral("biología"));
        QVERIFY2(silabas.contains(QStringLiteral("bio·lo·gí·a — 4 sílabas, llana")) && !silabas.contains(QStringLiteral("biología")),
                 qPrintable(silabas));
        QVERIFY(ayuda(larga).contains(larga));
        const QString t = ayuda(enorme);
        QVERIFY2(t.contains(enorme.left(60)), qPrintable(t));
    }

    void almacenQueFaltaONoSirve()
    {
        // The program itself: a message, a non-zero status, no window, and no store made.
        QTemporaryDir carpeta;
        const QString programa = carpeta.filePath(QStringLiteral("rimario"));
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_PROGRAMA), programa));
        const QString datos = carpeta.filePath(QStringLiteral("data.lop"));
        auto arrancar = [&programa, this] {
            QProcess p;
            p.setWorkingDirectory(dir.path()); // not the program's folder
            p.start(programa, {});
            return p.waitForFinished(20000) && p.exitCode() != 0 ? QString::fromLocal8Bit(p.readAllStandardError())
                                                                  : QString();
        };
        QVERIFY(arrancar().contains(QStringLiteral("data.lop")));
        QVERIFY(!QFile::exists(datos));
        // A file that is not a store beside it.
        QVERIFY(escribirArchivo(datos, QByteArray(5000, 'x')));
        QVERIFY(arrancar().contains(QStringLiteral("almacén")));
        QCOMPARE(leerArchivo(datos), QByteArray(5000, 'x'));
    }

    // An Access store of the earlier version is converted at start-up and opens as usual.
    void almacenDeAccess()
    {
        v.reset();
        QVERIFY(QFile::remove(ruta) && QFile::copy(muestraAccess(), ruta));
        QCOMPARE(prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)), dir.filePath(QStringLiteral("data-almacenDeAccess.access2000.lop")));
        abrir();
        QCOMPARE(v->DB->model()->rowCount(), 60);
        v->Ind->setText(QStringLiteral("canc"));
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Composición en verso")));
        QCOMPARE(prepararAlmacen(ruta, nullptr, QStringLiteral(RIMARIO_PROGRAMA)), QString()); // converted once only
    }

    // ---------------------------------------------------------------- rhymes

    void rimaCompleta()
    {
        rimar(0, QStringLiteral("canción"));
        const QStringList esperadas = lista("avión camión corazón ilusión pasión razón");
        QCOMPARE(filas(v->DR[0]), esperadas);
        QCOMPARE(v->Eti[0]->text(), QStringLiteral("canción: 6 palabras"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("canción: 6 palabras"));
        QCOMPARE(v->Rima->text(), kRimaPalabras);
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 <> 0")),
                 QStringList{QStringLiteral("0")}); // nothing written
        // Same size only.
        v->MT->setChecked(true);
        rimar(0, QStringLiteral("camión"));
        QCOMPARE(filas(v->DR[0]), QStringList{QStringLiteral("pasión")});
        QCOMPARE(v->Cuenta->text(), QStringLiteral("camión: 1 palabras"));
        // A word shorter than the tab's length, or none: nothing changes.
        for (const QString &w : {QStringLiteral("c"), QString()}) {
            rimar(0, w);
            QCOMPARE(filas(v->DR[0]), QStringList{QStringLiteral("pasión")});
            QCOMPARE(v->Cuenta->text(), QStringLiteral("camión: 1 palabras"));
            QCOMPARE(v->Rima->text(), kRimaPalabras);
        }
    }

    void rimaDeVocales()
    {
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        QCOMPARE(v->Voc->text(), QStringLiteral("Rimar palabla completa"));
        QCOMPARE(v->Voc->toolTip(), QStringLiteral("Buscar rimas de palabras completas"));
        QCOMPARE(Principal::tag(v->Voc), QStringLiteral("1"));
        QCOMPARE(v->Rima->text(), kRimaVocales);
        QTest::keyClicks(v->Ind, QStringLiteral("cas"));
        rimar(0, QStringLiteral("amor"));
        // Every word whose skeleton ends in "ao", the word itself included, marked in the file.
        const QStringList esperadas = lista("amor Amor árbol ÁRBOL caracol corazón farol razón");
        QCOMPARE(filas(v->DR[0]), esperadas);
        const QStringList marcas = lista("amor Amor corazón razón farol caracol árbol ÁRBOL");
        QCOMPARE(marcadas(2), marcas);
        // The list was read again and put back on the typed prefix; the caption
        // names the word searched.
        QCOMPARE(v->Pal->text(), QStringLiteral("casa"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("amor: 8 palabras"));
        QCOMPARE(v->Rima->text(), kRimaVocales);
        // Same size only, another length: its own column.
        v->MT->setChecked(true);
        rimar(1, QStringLiteral("camión"));
        QCOMPARE(filas(v->DR[1]), lista("camino camión pasión"));
        QCOMPARE(marcadas(3), lista("pasión camión camino"));
        QCOMPARE(marcadas(2), marcas);
        // A whole-word search leaves the marks alone; a word with too few vowels changes nothing.
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        QCOMPARE(Principal::tag(v->Voc), QStringLiteral("0"));
        QCOMPARE(v->Voc->text(), QStringLiteral("Rimar sólo vocales"));
        QCOMPARE(v->Rima->text(), kRimaPalabras);
        v->MT->setChecked(false);
        rimar(0, QStringLiteral("amor"));
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        rimar(1, QStringLiteral("sol"));
        QCOMPARE(filas(v->DR[1]), lista("camino camión pasión"));
        // Marks stay for the next run, the other columns clear, while the grids start empty.
        abrir();
        QCOMPARE(marcadas(2), marcas);
        QCOMPARE(marcadas(3), lista("pasión camión camino"));
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A4 OR A5 OR A6 OR A7")), QStringList{QStringLiteral("0")});
        for (QTableView *t : v->DR)
            QCOMPARE(t->model()->rowCount(), 0);
    }

    void pestanasYEleccionDeRima()
    {
        rimar(0, QStringLiteral("canción"));
        const QString c0 = v->Cuenta->text();
        v->SS->setCurrentIndex(3);
        QCOMPARE(v->Cuenta->text(), QString()); // no search on that tab yet
        rimar(3, QStringLiteral("guitarra"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("guitarra: 0 palabras"));
        v->SS->setCurrentIndex(0);
        QCOMPARE(v->Cuenta->text(), c0);
        v->SS->setCurrentIndex(3);
        QCOMPARE(v->Cuenta->text(), QStringLiteral("guitarra: 0 palabras"));
        v->SS->setCurrentIndex(0);
        // Picking rhymes moves the word list to each word in turn.
        for (const int fila : {2, 0, 1}) {
            clicEnFila(v->DR[0], fila);
            const QString w = v->DR[0]->model()->index(fila, 0).data().toString();
            QCOMPARE(v->Pal->text(), w);
            QCOMPARE(filas(v->DB).at(int(v->DPal->actual())), w);
        }
        // While a search runs, row changes are ignored.
        v->Buscando = true;
        v->Pal->setText(QStringLiteral("otra"));
        clicEnFila(v->DR[0], 3);
        QCOMPARE(v->Pal->text(), QStringLiteral("otra"));
        v->Buscando = false;
    }

    // The word under the pointer: its consonant rhymes from the context menu,
    // then F8 for the assonant rhymes of the word picked; the rhyme marks untouched.
    void rimasConsonantesYAsonantes()
    {
        Dialogos dialogos;
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        const auto menu = [&](QWidget *donde, const QPoint &p, int accion) {
            QTimer::singleShot(0, this, [accion] {
                auto *m = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QVERIFY(m);
                QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(m->actions().value(accion)).center());
            });
            QContextMenuEvent e(QContextMenuEvent::Mouse, p, donde->mapToGlobal(p));
            QApplication::sendEvent(donde, &e);
            // The window active again once the menu is gone, as on a desktop.
            v->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(v.get()));
        };
        const int fila = int(filas(v->DB).indexOf(QStringLiteral("canción")));
        v->DB->scrollTo(v->DB->model()->index(fila, 0));
        menu(v->DB->viewport(), v->DB->visualRect(v->DB->model()->index(fila, 0)).center(), 0);
        QCOMPARE(filas(v->DR[2]), lista("avión camión corazón ilusión pasión razón"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("canción — consonantes: 6 palabras"));
        QCOMPARE(v->Eti[2]->text(), v->Cuenta->text());
        // Picking a result follows the list; F8 gives that word's assonant rhymes.
        clicEnFila(v->DR[2], 0);
        QCOMPARE(v->Pal->text(), QStringLiteral("avión"));
        v->Pal->setFocus();
        QTest::keyClick(v->Pal, Qt::Key_F8);
        QCOMPARE(filas(v->DR[2]), lista("amor Amor camión canción canción caracol corazón farol hoy ilusión pasión razón sol"));
        // Same syllables only (a menu choice kept), on the word typed in Pal.
        v->Pal->setText(QStringLiteral("casa"));
        menu(v->Pal, QPoint(5, 5), 2);
        QTest::keyClick(v->Pal, Qt::Key_F8);
        QCOMPARE(filas(v->DR[2]), lista("masa pasa"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("casa — asonantes: 2 palabras"));
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 OR A3 OR A4 OR A5 OR A6 OR A7")),
                 QStringList{QStringLiteral("0")});
        // A word without syllables: a message, the grid as it was.
        v->Pal->setText(QStringLiteral("123"));
        QTest::keyClick(v->Pal, Qt::Key_F7);
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY2(dialogos.textos[0].contains(QStringLiteral("no se puede dividir en sílabas")), qPrintable(dialogos.textos[0]));
        QCOMPARE(filas(v->DR[2]), lista("masa pasa"));
    }

    void entradasDificiles()
    {
        Dialogos dialogos;
        // An apostrophe is a plain character; pattern characters in the ending keep their meaning.
        rimar(0, QStringLiteral("d'amour"));
        QCOMPARE(filas(v->DR[0]), QStringList{QStringLiteral("l'amour")});
        rimar(0, QStringLiteral("x*b")); // "**b": ends in b
        QCOMPARE(filas(v->DR[0]), QStringList{QStringLiteral("a*b")});
        rimar(2, QStringLiteral("c?sa"));
        QCOMPARE(filas(v->DR[2]), lista("casa cosa"));
        QVERIFY(dialogos.textos.isEmpty());
        // An invalid pattern is reported; the program goes on, idle.
        rimar(2, QStringLiteral("ab[c"));
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY(dialogos.textos.first().contains(QStringLiteral("[c")));
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
        QCOMPARE(v->Rima->text(), kRimaPalabras);
    }
};

QTEST_MAIN(PruebaPrincipal)
#include "prueba_principal.moc"
