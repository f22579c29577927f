// The verse workshop as a poet uses it: opened from the main window, verses
// typed key by key, the margin read back as they are typed, the syllables shown
// on a line, F7 / F8 on a line filling the current grid, the poem kept across
// starts and opened from and saved to a .txt through the dialogs.

#include "../comun/ventana_prueba.h"
#include "taller/editor_versos.h"
#include "taller/taller.h"

#include <QFileDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

using namespace rimario;
using namespace rimario::prueba;

namespace {

// Types a poem as a user does: letters one by one, Return at each line end.
void escribir(QWidget *w, const QString &poema)
{
    const QStringList lineas = poema.split(u'\n');
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        teclear(w, lineas[i]);
        if (i + 1 < lineas.size())
            QTest::keyClick(w, Qt::Key_Return);
    }
}

QStringList margen(const EditorVersos *e)
{
    QStringList r;
    for (int i = 0; i < e->blockCount(); ++i)
        r << e->textoDelMargen(i);
    return r;
}

// The middle of a line of the editor, in its viewport.
QPoint enLinea(EditorVersos *e, int linea)
{
    QTextCursor c(e->document()->findBlockByNumber(linea));
    return e->cursorRect(c).center() + QPoint(20, 0);
}

// Answers the next file dialog with a file name, as typed in its name box.
void responderDialogo(const QString &nombre, QString *titulo)
{
    QTimer::singleShot(50, [nombre, titulo] {
        auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!d) {
            responderDialogo(nombre, titulo);
            return;
        }
        *titulo = d->windowTitle();
        auto *caja = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        caja->setText(nombre);
        QTest::keyClick(caja, Qt::Key_Return);
    });
}

} // namespace

class PruebaTaller : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    CacheDePrueba cache;
    QString ruta;
    std::unique_ptr<Principal> v;

    // Opened with Ctrl+T, or from the context menu of a word of the grid.
    TallerVersos *abrirTaller(bool porMenu = false)
    {
        v = abrirVentana(ruta);
        if (!QTest::qWaitForWindowActive(v.get()))
            return nullptr;
        if (porMenu) {
            // Without the entry the menu closes, the workshop stays closed and the test fails.
            menuContextual(v->DB->viewport(), centroDeFila(v->DB, 0), QStringLiteral("Taller de versos"));
        } else {
            QTest::keyClick(v.get(), Qt::Key_T, Qt::ControlModifier);
        }
        if (!QTest::qWaitFor([this] { return v->Taller->isActiveWindow(); }))
            return nullptr;
        return v->Taller;
    }

private slots:
    void initTestCase()
    {
        qputenv("RIMARIO_TALLER", dir.filePath(QStringLiteral("datos/taller.txt")).toUtf8());
        ruta = crearAlmacen(dir.filePath(QStringLiteral("data.lop")), palabrasDePrueba());
    }

    void escribirYMedir()
    {
        TallerVersos *t = abrirTaller();
        QVERIFY(t);
        EditorVersos *e = t->editor();
        QTRY_COMPARE(QApplication::focusWidget(), e);
        QVERIFY(t->geometry().left() >= v->geometry().right()); // beside the window, over none of it
        escribir(e, u"Cerrar podrá mis ojos la postrera"_qs);
        QCOMPARE(margen(e), QStringList({u"11 - endecasílabo heroico"_qs}));
        escribir(e, u"\nsombra que me llevare el blanco día,\ny podrá desatar esta alma mía\nhora a su afán ansioso li"_qs);
        QCOMPARE(margen(e), QStringList({u"11 - endecasílabo heroico"_qs, u"11 A endecasílabo enfático"_qs,
                                         u"11 A endecasílabo melódico"_qs, u"≠ 9 - eneasílabo"_qs}));
        // Finished, the line keeps the metre; the rhyme letters follow.
        escribir(e, u"sonjera;\n\ncon su canción de amor el corazón\nque nada sabe de ella ni razón"_qs);
        QCOMPARE(margen(e), QStringList({u"11 A endecasílabo heroico"_qs, u"11 B endecasílabo enfático"_qs,
                                         u"11 B endecasílabo melódico"_qs, u"11 A endecasílabo enfático"_qs, QString(),
                                         u"11 C endecasílabo sáfico"_qs, u"11 C endecasílabo heroico"_qs}));

        // The syllables of a line where the pointer rests.
        QHelpEvent ayuda(QEvent::ToolTip, enLinea(e, 2), e->viewport()->mapToGlobal(enLinea(e, 2)));
        QApplication::sendEvent(e->viewport(), &ayuda);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), u"y po·drá de·sa·tar es·ta_al·ma mí·a\n--+--+++-+- (11 sílabas)"_qs);

        // F7 / F8 on a line: the rhymes of its last word in the grid shown.
        QTest::mouseClick(e->viewport(), Qt::LeftButton, {}, enLinea(e, 5));
        QCOMPARE(e->textCursor().blockNumber(), 5);
        QTest::keyClick(e, Qt::Key_F7);
        QCOMPARE(filas(v->DR[v->SS->currentIndex()]), lista("avión camión canción canción ilusión pasión razón"));
        QTest::mouseClick(e->viewport(), Qt::LeftButton, {}, enLinea(e, 6));
        QTest::keyClick(e, Qt::Key_F8);
        QCOMPARE(filas(v->DR[v->SS->currentIndex()]),
                 lista("amor Amor avión camión canción canción caracol corazón farol hoy ilusión pasión sol"));

        // Kept as it is written, and there at the next start, the last key too.
        QTRY_COMPARE(QString::fromUtf8(leerArchivo(TallerVersos::archivoGuardado())), e->toPlainText());
        QTest::keyClick(e, Qt::Key_Period);
        const QString poema = e->toPlainText();
        v.reset();
        QCOMPARE(QString::fromUtf8(leerArchivo(TallerVersos::archivoGuardado())), poema);
        t = abrirTaller();
        QVERIFY(t);
        QCOMPARE(t->editor()->toPlainText(), poema);
        QCOMPARE(t->editor()->textoDelMargen(0), u"11 A endecasílabo heroico"_qs);
    }

    // Opened from the grid's context menu, Ctrl+S writes the poem to a .txt,
    // Ctrl+O opens one; a file that is no UTF-8 text is refused in Spanish and the poem stays.
    void abrirYGuardar()
    {
        TallerVersos *t = abrirTaller(true);
        QVERIFY(t);
        EditorVersos *e = t->editor();
        const QString poema = e->toPlainText();
        QString titulo;
        const QString destino = dir.filePath(QStringLiteral("soneto.txt"));
        responderDialogo(destino, &titulo);
        QTRY_VERIFY(t->isActiveWindow());
        QTest::keyClick(e, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(titulo, u"Guardar poema"_qs);
        QCOMPARE(QString::fromUtf8(leerArchivo(destino)), poema);

        QVERIFY(escribirArchivo(dir.filePath(QStringLiteral("latin1.txt")), QByteArray("coraz\xf3n\n")));
        Dialogos dialogos;
        responderDialogo(dir.filePath(QStringLiteral("latin1.txt")), &titulo);
        QTRY_VERIFY(t->isActiveWindow());
        titulo.clear();
        QTest::keyClick(e, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(titulo, u"Abrir poema"_qs);
        QTRY_COMPARE(dialogos.textos.size(), 1);
        QVERIFY2(dialogos.textos[0].contains(u"UTF-8"_qs), qPrintable(dialogos.textos[0]));
        QCOMPARE(e->toPlainText(), poema);

        QVERIFY(escribirArchivo(dir.filePath(QStringLiteral("otro.txt")), u"Caminante, no hay camino,\r\nse hace camino al andar.\r\n"_qs.toUtf8()));
        responderDialogo(dir.filePath(QStringLiteral("otro.txt")), &titulo);
        QTRY_VERIFY(t->isActiveWindow());
        titulo.clear();
        QTest::keyClick(e, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(margen(e), QStringList({u"8 - octosílabo"_qs, u"8 - octosílabo"_qs, QString()}));
        QTRY_COMPARE(QString::fromUtf8(leerArchivo(TallerVersos::archivoGuardado())), e->toPlainText());
    }
};

QTEST_MAIN(PruebaTaller)
#include "prueba_taller.moc"
