// The window driven as a user drives it: typing, clicking rows and buttons.

#include "almacen.h"
#include "lista_palabras.h"
#include "modelo_rimas.h"
#include "panel_web.h"
#include "principal.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"

#include <QCheckBox>
#include <QHeaderView>
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

using namespace rimario;

namespace {

const QString kSigAmor = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs17 \\b amor.\\b0 \\par\r\n"
    "1. m. Sentimiento intenso del ser humano que busca el encuentro con otro ser.\\par\r\n}\r\n");

QStringList consultar(const QString &ruta, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    QStringList r;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            r << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return r;
}

QStringList filas(const QTableView *t)
{
    QStringList r;
    for (int i = 0; i < t->model()->rowCount(); ++i)
        r << t->model()->index(i, 0).data().toString();
    return r;
}

// Words of the store ending (letter case aside) in 'fin', in list order.
QStringList terminadas(const QTableView *db, const QString &fin, const QString &excluida)
{
    QStringList r;
    for (const QString &w : filas(db))
        if (w.endsWith(fin, Qt::CaseInsensitive) && w.compare(excluida, Qt::CaseInsensitive) != 0)
            r << w;
    return r;
}

void clicEnFila(QTableView *t, int fila)
{
    t->scrollTo(t->model()->index(fila, 0));
    const QRect r = t->visualRect(t->model()->index(fila, 0));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class PruebaPrincipal : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta;
    std::unique_ptr<Principal> v;
    PanelWebVacio *panel = nullptr;

    void abrir()
    {
        panel = new PanelWebVacio;
        v = std::make_unique<Principal>(ruta, panel);
        v->Form_Load();
        v->show();
        v->abrirLista();
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    }

private slots:
    void init()
    {
        ruta = dir.filePath(QStringLiteral("data-%1.lop").arg(QTest::currentTestFunction()));
        QFile::remove(ruta);
        prueba::crearAlmacen(ruta, prueba::palabrasDePrueba(), {{QStringLiteral("amor"), kSigAmor}});
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
        comprobar(v->Buscar, QStringLiteral("<-- Buscar palabra"), QStringLiteral("Buscar definición en Internet"),
                  QStringLiteral("False"), true); // start-up writes the text of False
        comprobar(v->Sinon, QStringLiteral("<-- Sinónimos"), QStringLiteral("Buscar sinónimos en Internet"),
                  QStringLiteral("false"), true);
        comprobar(v->Gua, QStringLiteral("Archivar"), QStringLiteral("Guardar definición"), QString(), false);
        comprobar(v->Eli, QStringLiteral("Eliminar"), QStringLiteral("Eliminar del diccionario"), QString(), true);
        comprobar(v->Rima, QStringLiteral("Buscar rimas (palabras) -->"), QStringLiteral("Buscar palabras que rimen"),
                  QString(), true);
        comprobar(v->Voc, QStringLiteral("Rimar sólo vocales"), QStringLiteral("Buscar rimas de vocales solamente"),
                  QStringLiteral("0"), true);
        comprobar(v->Command1, QStringLiteral("<-- Buscar palabra"), QStringLiteral("Buscar definición en Internet"),
                  QStringLiteral("false"), false);
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

    void listaCompletaEnOrden()
    {
        const QStringList lista = filas(v->DB);
        QCOMPARE(lista.size(), prueba::palabrasDePrueba().size());
        QCOMPARE(lista.first(), QStringLiteral("123"));
        QVERIFY(lista.indexOf(QStringLiteral("nido")) < lista.indexOf(QStringLiteral("ñandú")));
        // The first word is current and shown.
        QCOMPARE(v->Pal->text(), QStringLiteral("123"));
        QCOMPARE(v->DPal->actual(), 0);
    }

    void busquedaIncremental()
    {
        QTest::keyClicks(v->Ind, QStringLiteral("ca"));
        QCOMPARE(v->Pal->text(), QStringLiteral("camino"));
        QTest::keyClicks(v->Ind, QStringLiteral("n"));
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        QCOMPARE(v->DB->currentIndex().row(), int(v->DPal->actual()));
        // A prefix no word has leaves the list where it was, with no message.
        prueba::Dialogos dialogos;
        QTest::keyClicks(v->Ind, QStringLiteral("zz"));
        QCOMPARE(v->Pal->text(), QStringLiteral("canción"));
        // Letter case aside, accents count; the pattern characters work.
        v->Ind->setText(QStringLiteral("ÁR"));
        QCOMPARE(v->Pal->text().toLower(), QStringLiteral("árbol"));
        v->Ind->setText(QStringLiteral("ar"));
        QCOMPARE(v->Pal->text().toLower(), QStringLiteral("árbol")); // unchanged: no "ar..." word
        v->Ind->setText(QStringLiteral("?ido"));
        QCOMPARE(v->Pal->text(), QStringLiteral("nido"));
        v->Ind->setText(QStringLiteral("l'"));
        QCOMPARE(v->Pal->text(), QStringLiteral("l'amour"));
        v->Ind->setText(QStringLiteral("a["));
        QCOMPARE(v->Pal->text(), QStringLiteral("l'amour"));
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
        const int fila = filas(v->DB).indexOf(QStringLiteral("Amor"));
        clicEnFila(v->DB, fila);
        QCOMPARE(v->Pal->text(), QStringLiteral("Amor"));
        QVERIFY(v->RT->toPlainText().isEmpty());
        // Choosing a word while a page shows brings the view back and hides Archivar.
        v->sw = true;
        v->WB_DocumentComplete(QUrl());
        QVERIFY(!v->RT->isVisible() && v->Gua->isVisible());
        const int filaCasa = filas(v->DB).indexOf(QStringLiteral("casa"));
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
        const int fila = filas(v->DB).indexOf(QStringLiteral("queso"));
        v->DB->model()->setData(v->DB->model()->index(fila, 0), QStringLiteral("zapato"));
        QVERIFY(filas(v->DB).contains(QStringLiteral("zapato")));
        QVERIFY(!filas(v->DB).contains(QStringLiteral("queso")));
        QCOMPARE(filas(v->DB).last(), QStringLiteral("zapato")); // in its place in list order
        // Written at once, with its new skeleton.
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT Voc FROM Palabras WHERE Pal = 'zapato'")),
                 QStringList{QStringLiteral("aao")});
        QVERIFY(consultar(ruta, QStringLiteral("SELECT Pal FROM Palabras WHERE Pal = 'queso'")).isEmpty());
    }

    void almacenQueFaltaONoSirve()
    {
        v.reset();
        Principal w(dir.filePath(QStringLiteral("no-existe.lop")), new PanelWebVacio);
        QVERIFY_THROWS_EXCEPTION(ErrorAlmacen, w.Form_Load());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no-existe.lop"))));
        // The program itself: a message, a non-zero status and no window.
        QTemporaryDir carpeta;
        const QString programa = carpeta.filePath(QStringLiteral("rimario"));
        QVERIFY(QFile::copy(QStringLiteral(RIMARIO_PROGRAMA), programa));
        QFile::setPermissions(programa, QFile::ExeOwner | QFile::ReadOwner);
        QProcess p;
        p.setWorkingDirectory(dir.path()); // not the program's folder
        p.start(programa, {});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("data.lop")));
        QVERIFY(!QFile::exists(carpeta.filePath(QStringLiteral("data.lop"))));
        // A file that is not a store beside it.
        QFile basura(carpeta.filePath(QStringLiteral("data.lop")));
        QVERIFY(basura.open(QIODevice::WriteOnly));
        basura.write(QByteArray(5000, 'x'));
        basura.close();
        p.start(programa, {});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("almacén")));
    }

    // ---------------------------------------------------------------- rhymes

    void rimaCompleta()
    {
        v->Pal->setText(QStringLiteral("canción"));
        v->SS->setCurrentIndex(0); // "2"
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        const QStringList esperadas = terminadas(v->DB, QStringLiteral("ón"), QStringLiteral("canción"));
        QVERIFY(esperadas.contains(QStringLiteral("corazón")) && !esperadas.contains(QStringLiteral("canción")));
        QCOMPARE(filas(v->DR[0]), esperadas);
        const QString cuenta = QStringLiteral("canción: %1 palabras").arg(esperadas.size());
        QCOMPARE(v->Eti[0]->text(), cuenta);
        QCOMPARE(v->Cuenta->text(), cuenta);
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (palabras) -->"));
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
        // Nothing written: no marks in the file.
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 <> 0")),
                 QStringList{QStringLiteral("0")});
        // Same size only.
        v->MT->setChecked(true);
        v->Pal->setText(QStringLiteral("camión"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[0]), QStringList{QStringLiteral("pasión")});
        QCOMPARE(v->Cuenta->text(), QStringLiteral("camión: 1 palabras"));
    }

    void palabraCortaOVacia()
    {
        v->Pal->setText(QStringLiteral("canción"));
        QTest::mouseClick(v->Rima, Qt::LeftButton); // tab "4"
        const QStringList antes = filas(v->DR[2]);
        const QString cuenta = v->Cuenta->text();
        QVERIFY(cuenta.startsWith(QStringLiteral("canción: ")));
        v->Pal->setText(QStringLiteral("sol")); // shorter than 4: nothing changes
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[2]), antes);
        QCOMPARE(v->Cuenta->text(), cuenta);
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (palabras) -->"));
        v->Pal->clear();
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(v->Cuenta->text(), cuenta);
    }

    void rimaDeVocales()
    {
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        QCOMPARE(v->Voc->text(), QStringLiteral("Rimar palabla completa"));
        QCOMPARE(v->Voc->toolTip(), QStringLiteral("Buscar rimas de palabras completas"));
        QCOMPARE(Principal::tag(v->Voc), QStringLiteral("1"));
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (vocales) -->"));
        v->SS->setCurrentIndex(0);
        QTest::keyClicks(v->Ind, QStringLiteral("cas"));
        v->Pal->setText(QStringLiteral("amor"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        // Every word whose skeleton ends in "ao", the word itself included, marked in the file.
        const QStringList marcadas =
            consultar(ruta, QStringLiteral("SELECT Pal FROM Palabras WHERE A2 = -1"));
        QStringList esperadas;
        for (const QString &w : filas(v->DB))
            if (ExtraeVocales(w).endsWith(QStringLiteral("ao")))
                esperadas << w;
        QVERIFY(esperadas.contains(QStringLiteral("amor")) && esperadas.contains(QStringLiteral("Amor")));
        QCOMPARE(filas(v->DR[0]), esperadas);
        QCOMPARE(QSet<QString>(marcadas.begin(), marcadas.end()), QSet<QString>(esperadas.begin(), esperadas.end()));
        // The list was read again and put back on the typed prefix: the caption names that word.
        QCOMPARE(v->Pal->text(), QStringLiteral("casa"));
        QCOMPARE(v->Cuenta->text(), QStringLiteral("casa: %1 palabras").arg(esperadas.size()));
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (vocales) -->"));
        // Another length leaves these marks alone; a whole-word search too.
        v->SS->setCurrentIndex(1);
        v->Pal->setText(QStringLiteral("canción"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 = -1")),
                 QStringList{QString::number(esperadas.size())});
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        QCOMPARE(Principal::tag(v->Voc), QStringLiteral("0"));
        QCOMPARE(v->Voc->text(), QStringLiteral("Rimar sólo vocales"));
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (palabras) -->"));
        v->SS->setCurrentIndex(0);
        v->Pal->setText(QStringLiteral("amor"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 = -1")),
                 QStringList{QString::number(esperadas.size())});
        // A word with too few vowels changes nothing.
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        v->Pal->setText(QStringLiteral("sol"));
        const QStringList antes = filas(v->DR[0]);
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[0]), antes);
        // Marks stay for the next run, while the grids start empty.
        v.reset();
        abrir();
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT count(*) FROM Palabras WHERE A2 = -1")),
                 QStringList{QString::number(esperadas.size())});
        for (QTableView *t : v->DR)
            QCOMPARE(t->model()->rowCount(), 0);
    }

    void vocalesDeIgualTamano()
    {
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        v->MT->setChecked(true);
        v->SS->setCurrentIndex(1);
        v->Pal->setText(QStringLiteral("camión"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[1]), (QStringList{QStringLiteral("camino"), QStringLiteral("camión"), QStringLiteral("pasión")}));
        QCOMPARE(consultar(ruta, QStringLiteral("SELECT Pal FROM Palabras WHERE A3 = -1 ORDER BY Id")),
                 (QStringList{QStringLiteral("pasión"), QStringLiteral("camión"), QStringLiteral("camino")}));
    }

    void pestanasYEleccionDeRima()
    {
        v->SS->setCurrentIndex(0);
        v->Pal->setText(QStringLiteral("canción"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        const QString c0 = v->Cuenta->text();
        v->SS->setCurrentIndex(3);
        QCOMPARE(v->Cuenta->text(), QString()); // no search on that tab yet
        v->Pal->setText(QStringLiteral("guitarra"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        const QString c3 = v->Cuenta->text();
        QCOMPARE(c3, QStringLiteral("guitarra: 0 palabras"));
        v->SS->setCurrentIndex(0);
        QCOMPARE(v->Cuenta->text(), c0);
        v->SS->setCurrentIndex(3);
        QCOMPARE(v->Cuenta->text(), c3);
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
        prueba::Dialogos dialogos;
        v->SS->setCurrentIndex(0);
        // An apostrophe is a plain character.
        v->Pal->setText(QStringLiteral("d'amour"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[0]), (QStringList{QStringLiteral("l'amour")}));
        // Pattern characters in the ending keep their meaning: "**b" ends in b.
        v->Pal->setText(QStringLiteral("x*b"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[0]), (QStringList{QStringLiteral("a*b")}));
        v->Pal->setText(QStringLiteral("c?sa"));
        v->SS->setCurrentIndex(2);
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(filas(v->DR[2]), (QStringList{QStringLiteral("casa"), QStringLiteral("cosa")}));
        QVERIFY(dialogos.textos.isEmpty());
        // An invalid pattern is reported; the program goes on, idle.
        v->Pal->setText(QStringLiteral("ab[c"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY(dialogos.textos.first().contains(QStringLiteral("[c")));
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (palabras) -->"));
        // A store error in vowel mode: reported, and idle again.
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(ruta).constData(), &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr); // another program holds the file
        v->Pal->setText(QStringLiteral("amor"));
        v->SS->setCurrentIndex(0);
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(dialogos.textos.size(), 2);
        QVERIFY(dialogos.textos.last().contains(QStringLiteral("otro programa")));
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (vocales) -->"));
    }
};

QTEST_MAIN(PruebaPrincipal)
#include "prueba_principal.moc"
