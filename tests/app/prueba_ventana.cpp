// The window as a user meets it past the first steps: numbers and captions as
// Spanish writes them, every failure of the store said in Spanish (the
// engine's words only in the details), Enter and the text boxes' menus, edits
// refused up front on a store that cannot be written, and undoing this
// session's changes.

#include "app/definicion_en_vista.h"
#include "lookup/idioma.h"
#include "lista/lista_palabras.h"

#include "../comun/proteccion.h"
#include "../comun/tabla.h"
#include "../comun/ventana_prueba.h"

#include <QClipboard>
#include <QSignalSpy>

using namespace rimario;
using namespace rimario::prueba;

namespace {
const QString kLarga = QStringLiteral("desproporcionadamente");
} // namespace

class PruebaVentana : public QObject, VentanaFija {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(ponerIdiomaEspanol(*qApp)); }
    void init() { preparar(palabrasDePrueba() << kLarga << lista("mente demente clemente")); }
    void cleanup() { terminar(); }

    // A caption too long for Cuenta keeps the kind of rhyme and the count; the word is cut.
    void cuentaCortaLaPalabra_data()
    {
        COLUMNAS(int, tecla, QString, cola);
        QTest::newRow("consonantes") << int(Qt::Key_F7) << " — consonantes";
        QTest::newRow("asonantes") << int(Qt::Key_F8) << " — asonantes";
        QTest::newRow("botón de rimas") << 0 << "";
    }
    void cuentaCortaLaPalabra()
    {
        DATOS(int, tecla, QString, cola);
        const QString palabra = kLarga.repeated(3);
        QVERIFY(editar(v->DB, int(filas(v->DB).indexOf(kLarga)), palabra));
        v->Pal->setText(palabra);
        v->Pal->setFocus();
        if (tecla)
            QTest::keyClick(v->Pal, Qt::Key(tecla));
        else
            rimar(*v, 5, palabra);
        cola += QStringLiteral(": %1 palabras").arg(filas(v->DR[tecla ? 2 : 5]).size());
        QCOMPARE(v->Cuenta->text(), palabra + cola);
        const QString mostrado = v->Cuenta->textoMostrado();
        QVERIFY2(mostrado.endsWith(cola) && mostrado.startsWith(palabra.left(2)) && mostrado.contains(u'…'), qPrintable(mostrado));
        // Another tab and back: the same caption, cut the same way.
        QTest::mouseClick(v->SS->tabBar(), Qt::LeftButton, {}, v->SS->tabBar()->tabRect(0).center());
        v->SS->setCurrentIndex(tecla ? 2 : 5);
        QCOMPARE(v->Cuenta->textoMostrado(), mostrado);
    }

    // A long definition is read while the window answers: another word
    // clicked meanwhile shows its own at once, and the long one read for a
    // word no longer current never reaches the view.
    void definicionLargaMientrasSeLee()
    {
        v.reset();
        const auto larga = [](const char *de) {
            return QStringLiteral("{\\rtf1 ") + QStringLiteral("acepción de %1\\par ").arg(QLatin1String(de)).repeated(6000) + u'}';
        };
        for (const char *w : {"casa", "cosa"})
            QCOMPARE(consultar(ruta, QStringLiteral("UPDATE Palabras SET Sig = '%1' WHERE Pal = '%2'").arg(larga(w), QLatin1String(w))), QStringList());
        COMPROBAR(mostrar());
        QSignalSpy puestas(v->findChild<DefinicionEnVista *>(), &DefinicionEnVista::puesta);
        clicEnFila(v->DB, int(filas(v->DB).indexOf(QStringLiteral("casa"))));
        clicEnFila(v->DB, int(filas(v->DB).indexOf(QStringLiteral("amor"))));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento intenso")));
        clicEnFila(v->DB, int(filas(v->DB).indexOf(QStringLiteral("cosa"))));
        QCOMPARE(v->Pal->text(), QStringLiteral("cosa"));
        QTRY_VERIFY(v->RT->toPlainText().startsWith(QStringLiteral("acepción de cosa\n")));
        QCOMPARE(v->RT->toPlainText().count(QStringLiteral("acepción de cosa")), 6000);
        QCOMPARE(puestas.size(), 1);
    }

    // Pal's menu edits its text as the search box's does, after the word's own entries.
    void menuDePal_data() { datosDeArchivo("app/datos/ventana.tsv", "menuDePal"); }
    void menuDePal()
    {
        DATOS(QString, entrada, QString, queda, QString, portapapeles);
        QGuiApplication::clipboard()->setText(QStringLiteral("sol"));
        v->Pal->clear();
        teclear(v->Pal, QStringLiteral("casa"));
        const QStringList entradas = menuContextual(v->Pal, QPoint(5, 5), QStringLiteral("Seleccionar todo"));
        for (const char *e : {"Rimas consonantes de «casa»", "Cortar", "Copiar", "Pegar", "Seleccionar todo"})
            QVERIFY2(entradas.contains(QString::fromUtf8(e)), qPrintable(entradas.join(u'|')));
        QCOMPARE(v->Pal->selectedText(), QStringLiteral("casa"));
        menuContextual(v->Pal, QPoint(5, 5), entrada);
        QCOMPARE(v->Pal->text(), queda);
        QCOMPARE(QGuiApplication::clipboard()->text(), portapapeles);
    }

    // Enter presses the focused button; in Pal it looks the word up; in Ind
    // it changes nothing that shows.
    void teclaIntro_data() { datosDeArchivo("app/datos/ventana.tsv", "teclaIntro"); }
    void teclaIntro()
    {
        DATOS(QString, control, QString, efecto);
        Dialogos dialogos(QMessageBox::No);
        QTest::keyClicks(v->Ind, QStringLiteral("amor"));
        v->SS->setCurrentIndex(0);
        auto *w = v->findChild<QWidget *>(control);
        w->setFocus(Qt::TabFocusReason);
        QCOMPARE(foco(), w);
        const auto visto = [&] {
            return QStringList{v->Voc->text(), v->Cuenta->text(), dialogos.textos.join(u' '), v->Pal->text(),
                               QStringLiteral("%1 consultas").arg(static_cast<PanelWebVacio *>(v->WB)->navegaciones().size())}
                .join(u'|');
        };
        const QString antes = visto();
        QTest::keyClick(w, Qt::Key_Return);
        if (efecto.isEmpty())
            QCOMPARE(visto(), antes);
        else
            QVERIFY2(visto().contains(efecto), qPrintable(visto()));
        QVERIFY(contenido(ruta).contains(QStringLiteral("amor")));
    }

    // On a store that cannot be written, no editor opens: the same reason as
    // every other change, once, and nothing written.
    void edicionRehusadaDeAntemano_data()
    {
        COLUMNAS(QString, rejilla, QString, gesto);
        for (const char *r : {"DB", "DR0"})
            for (const char *g : {"F2", "clic en la actual", "doble clic"})
                QTest::addRow("%s, %s", r, g) << QString::fromUtf8(r) << QString::fromUtf8(g);
    }
    void edicionRehusadaDeAntemano()
    {
        DATOS(QString, rejilla, QString, gesto);
        v.reset();
        Proteccion proteccion;
        if (!proteccion.poner(ruta))
            QSKIP(qPrintable(kSinProteccion));
        const QByteArray bytes = leerArchivo(ruta);
        Dialogos dialogos;
        mostrar();
        dialogos.textos.clear();
        auto *t = v->findChild<QTableView *>(rejilla);
        if (t != v->DB) {
            v->SS->setCurrentIndex(0);
            v->Pal->setText(QStringLiteral("canción"));
            QTest::keyClick(v->Pal, Qt::Key_F7);
        }
        QVERIFY(t->model()->rowCount() > 1);
        clicEnFila(t, 1);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        if (gesto == QLatin1String("F2"))
            QTest::keyClick(t, Qt::Key_F2);
        else if (gesto == QLatin1String("doble clic"))
            QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, centroDeFila(t, 1));
        else
            QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, centroDeFila(t, 1));
        QTRY_COMPARE(dialogos.textos.size(), 1);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY2(dialogos.textos[0].contains(QStringLiteral("solo se puede leer")), qPrintable(dialogos.textos[0]));
        QVERIFY(!t->findChild<QLineEdit *>() && !qobject_cast<QLineEdit *>(foco()));
        QCOMPARE(leerArchivo(ruta), bytes);
    }

    // Each change of the session undone by Ctrl+Z in the grid or from the
    // grid's menu, which names it: the store as it was (a definition that was
    // Null is Null again), seen by another program and by a second window.
    void deshacer_data() { datosDeArchivo("app/datos/ventana.tsv", "deshacer"); }
    void deshacer()
    {
        DATOS(QString, cambio, QString, palabra, bool, conMenu, QString, entrada);
        const QString filasSql = QStringLiteral("SELECT Pal || '|' || Voc || '|' || quote(Sig) FROM Palabras ORDER BY Pal, Id");
        const QStringList antes = consultar(ruta, filasSql);
        auto otra = abrirVentana(ruta);
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        Dialogos dialogos(QMessageBox::Yes);
        if (cambio == QLatin1String("renombrar")) {
            QWidget *editor = abrirEditor(v->DB, int(filas(v->DB).indexOf(palabra)));
            QVERIFY(editor);
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            teclear(editor, QStringLiteral("zz"));
            QTest::mouseClick(v->Ind, Qt::LeftButton); // clicking elsewhere ends the edit
            QTRY_VERIFY(contenido(ruta).contains(QStringLiteral("zz")));
        } else if (cambio == QLatin1String("eliminar")) {
            v->Ind->setText(palabra);
            QTest::mouseClick(v->Eli, Qt::LeftButton);
        } else {
            if (palabra != QLatin1String("casa")) {
                escritura(palabra == QStringLiteral("zampoña") ? QStringLiteral("nueva") : QStringLiteral("archivar")).hacer(*v);
            } else { // the word archived is Pal's
                v->Pal->clear();
                teclear(v->Pal, palabra);
                QSignalSpy fin(v.get(), &Principal::archivado);
                QTest::mouseClick(v->Buscar, Qt::LeftButton);
                QTRY_VERIFY(v->Gua->isVisible());
                QTest::mouseClick(v->Gua, Qt::LeftButton);
                QTRY_COMPARE(fin.size(), 1);
            }
        }
        QVERIFY(consultar(ruta, filasSql) != antes);
        v->activateWindow(); // active again once the question is gone, as on a desktop
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        if (conMenu) {
            const QStringList entradas = menu(v->DB->viewport(), centroDeFila(v->DB, 0), entrada);
            QVERIFY2(entradas.contains(entrada), qPrintable(entradas.join(u'|')));
        } else {
            v->DB->setFocus();
            QTest::keyClick(v->DB, Qt::Key_Z, Qt::ControlModifier);
        }
        QTRY_COMPARE(consultar(ruta, filasSql), antes);
        QCOMPARE(dialogos.textos.filter(QStringLiteral("No se")), QStringList());
        const QString queda = palabra == QStringLiteral("zampoña") ? QString() : palabra;
        if (!queda.isEmpty()) {
            QCOMPARE(v->Pal->text(), queda);
            QCOMPARE(v->DB->currentIndex().data().toString(), queda);
        }
        otra->Ind->setText(palabra);
        QCOMPARE(otra->Pal->text() == palabra, !queda.isEmpty());
        // Nothing left to undo: Ctrl+Z changes nothing more.
        v->DB->setFocus();
        QTest::keyClick(v->DB, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(consultar(ruta, filasSql), antes);
    }

    // "Eliminar" asks first (No keeps everything), then takes the current word
    // only: not what is typed in Pal, nor the other rows selected, and its
    // question says so; with no current word left, a second Yes takes nothing.
    void eliminar()
    {
        Dialogos dialogos(QMessageBox::No);
        clicEnFila(v->DB, 3);
        QTest::mouseClick(v->DB->viewport(), Qt::LeftButton, Qt::ShiftModifier, centroDeFila(v->DB, 5));
        const QString actual = v->Pal->text(), otras = filas(v->DB).mid(3, 2).join(u'|');
        const auto antes = contenido(ruta);
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(contenido(ruta), antes);
        v->Pal->clear();
        teclear(v->Pal, QStringLiteral("otra"));
        dialogos.responder(QMessageBox::Yes);
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 2);
        QVERIFY2(dialogos.textos[1].contains(QStringLiteral("«%1». Solo se elimina esa palabra: las otras 2 filas").arg(actual)),
                 qPrintable(dialogos.textos[1]));
        QVERIFY(!contenido(ruta).contains(actual) && v->RT->toPlainText().isEmpty() && !v->DPal->hayActual());
        QCOMPARE(v->Pal->text(), QStringLiteral("otra"));
        for (const QString &o : otras.split(u'|'))
            QVERIFY(contenido(ruta).contains(o));
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(contenido(ruta).size(), antes.size() - 1);
    }
};

QTEST_MAIN(PruebaVentana)
#include "prueba_ventana.moc"
