// The window driven as a user drives it: typing, clicking rows and buttons.

#include "almacen.h"
#include "arranque.h"
#include "lista_palabras.h"
#include "principal.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../comun/ventana_prueba.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>

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

    void estadoDeDiseno()
    {
        auto comprobar = [](QPushButton *b, const QString &cap, const QString &tip, const QString &tag, bool visible) {
            QCOMPARE(b->text(), cap);
            QCOMPARE(b->toolTip(), tip);
            QCOMPARE(Principal::tag(b), tag);
            QCOMPARE(b->isVisible(), visible);
            QVERIFY(b->isEnabled());
        };
        const QString buscar = QStringLiteral("<-- Buscar palabra"), enInternet = QStringLiteral("Buscar definición en Internet");
        comprobar(v->Buscar, buscar, enInternet, QStringLiteral("False"), true); // start-up writes the text of False
        comprobar(v->Sinon, QStringLiteral("<-- Sinónimos"), QStringLiteral("Buscar sinónimos en Internet"),
                  QStringLiteral("false"), true);
        comprobar(v->Gua, QStringLiteral("Archivar"), QStringLiteral("Guardar definición"), QString(), false);
        comprobar(v->Eli, QStringLiteral("Eliminar"), QStringLiteral("Eliminar del diccionario"), QString(), true);
        comprobar(v->Rima, kRimaPalabras, QStringLiteral("Buscar palabras que rimen"), QString(), true);
        comprobar(v->Voc, QStringLiteral("Rimar sólo vocales"), QStringLiteral("Buscar rimas de vocales solamente"),
                  QStringLiteral("0"), true);
        comprobar(v->Command1, buscar, enInternet, QStringLiteral("false"), false);
        comprobar(v->Vocal, QStringLiteral("Crear vocales"), QString(), QString(), false);
        QVERIFY(v->Buscar->font().bold() && !v->Vocal->font().bold());
        QCOMPARE(v->MT->text(), QStringLiteral("Palabras de igual tamaño"));
        QVERIFY(!v->MT->isChecked());
        QCOMPARE(v->Cuenta->text(), QString());
        for (QLabel *e : v->Eti)
            QVERIFY(!e->isVisible() && e->text().isEmpty());
        // Twips to pixels: 15 to one.
        QCOMPARE(v->Buscar->geometry(), QRect(464, 512, 121, 25));
        QCOMPARE(v->DB->geometry(), QRect(8, 72, 145, 433));
        QCOMPARE(v->RT->geometry(), v->WB->geometry());
        QVERIFY(v->RT->isVisible());
        QVERIFY(v->children().indexOf(v->RT) > v->children().indexOf(v->WB)); // in front
        // Tabs "2".."7", the "4" selected; every result grid empty.
        QCOMPARE(v->SS->count(), 6);
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(v->SS->tabText(k), QString::number(k + 2));
            QCOMPARE(v->DR[k]->model()->rowCount(), 0);
            QVERIFY(!v->DR[k]->horizontalHeader()->isVisible());
        }
        QCOMPARE(v->SS->currentIndex(), 2);
        QCOMPARE(v->SS->toolTip(), QStringLiteral("Rimas de x letras"));
        QVERIFY(v->DR[2]->isVisible() && !v->DR[0]->isVisible());
        // Fixed window at the top-left corner; state idle.
        QCOMPARE(v->pos(), QPoint(0, 0));
        QCOMPARE(v->minimumSize(), v->maximumSize());
        QVERIFY(!v->sw && !v->Buscando);
        QVERIFY(!v->windowTitle().isEmpty());
        // Keyboard order starts with the browser pane, then Buscar and Pal.
        QCOMPARE(v->WB->nextInFocusChain(), static_cast<QWidget *>(v->Buscar));
        QCOMPARE(v->Buscar->nextInFocusChain(), static_cast<QWidget *>(v->Pal));
        QCOMPARE(v->Pal->nextInFocusChain(), static_cast<QWidget *>(v->RT));
        QCOMPARE(v->Ind->nextInFocusChain(), static_cast<QWidget *>(v->Rima));
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

    void edicionEnLaRejilla()
    {
        QVERIFY(editar(v->DB, int(filas(v->DB).indexOf(QStringLiteral("queso"))), QStringLiteral("zapato")));
        QVERIFY(!filas(v->DB).contains(QStringLiteral("queso")));
        QCOMPARE(filas(v->DB).last(), QStringLiteral("zapato")); // in its place in list order
        // Written at once, with its new skeleton.
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT Voc FROM Palabras WHERE Pal = 'zapato'")),
                 QStringList{QStringLiteral("aao")});
        QVERIFY(consultar(ruta, QStringLiteral("SELECT Pal FROM Palabras WHERE Pal = 'queso'")).isEmpty());
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
        // The list was read again and put back on the typed prefix: the caption names that word.
        QCOMPARE(v->Pal->text(), QStringLiteral("casa"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("casa: 8 palabras"));
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
