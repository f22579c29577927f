#pragma once
// The window on a test store as the program opens it, what a user sees and
// clicks in it, the message boxes it raises, and its writes as a user makes them.

#include "almacen_prueba.h"
#include "app/principal.h"
#include "panel_web_vacio.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <memory>

namespace rimario::prueba {

// Answers the modal message boxes: records their texts and presses the chosen button.
class Dialogos : public QObject {
public:
    explicit Dialogos(QMessageBox::StandardButton respuesta = QMessageBox::Ok) : respuesta_(respuesta)
    {
        connect(&reloj_, &QTimer::timeout, this, [this] {
            auto *caja = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!caja)
                return;
            textos << caja->text();
            detalles << caja->detailedText();
            QAbstractButton *b = caja->button(respuesta_);
            (b ? b : caja->buttons().value(0))->click();
        });
        reloj_.start(20);
    }
    void responder(QMessageBox::StandardButton r) { respuesta_ = r; }
    QStringList textos;
    QStringList detalles; // what each box keeps for "Mostrar detalles"

private:
    QTimer reloj_;
    QMessageBox::StandardButton respuesta_;
};

// What the test pane gives when archiving copies the page: "Otra definición."
// once the first 22 characters are cut.
inline const QString kPaginaCopiada = QString(22, u'x') + QStringLiteral("Otra definición.");

inline std::unique_ptr<Principal> abrirVentana(const QString &ruta, const QString &texto = kPaginaCopiada)
{
    auto *panel = new PanelWebVacio;
    panel->ponerTexto(texto);
    auto v = std::make_unique<Principal>(ruta, panel);
    v->Form_Load();
    v->show();
    v->abrirLista();
    return v;
}

// The words a grid shows, top to bottom.
inline QStringList filas(const QTableView *t)
{
    QStringList r;
    for (int i = 0; i < t->model()->rowCount(); ++i)
        r << t->model()->index(i, 0).data().toString();
    return r;
}

inline QPoint centroDeFila(QTableView *t, int fila) { return t->visualRect(t->model()->index(fila, 0)).center(); }

inline void clicEnFila(QTableView *t, int fila)
{
    t->scrollTo(t->model()->index(fila, 0));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, centroDeFila(t, fila));
}

// A row picked, a user's pause, F2: the editor that has the focus (none when refused).
inline QWidget *abrirEditor(QTableView *t, int fila)
{
    clicEnFila(t, fila);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::keyClick(t, Qt::Key_F2);
    return qobject_cast<QLineEdit *>(QApplication::focusWidget());
}

// The entries of the context menu a widget opens at a point (without the
// separators and the shortcuts); 'elegir' is clicked when given, else the menu closes.
inline QStringList menuContextual(QWidget *donde, const QPoint &p, const QString &elegir = QString())
{
    QStringList entradas;
    QTimer::singleShot(0, donde, [&] {
        auto *m = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!m)
            return;
        QAction *elegida = nullptr;
        for (QAction *a : m->actions())
            if (!a->isSeparator()) {
                entradas << a->text().remove(u'&').section(u'\t', 0, 0);
                if (entradas.last() == elegir)
                    elegida = a;
            }
        if (elegida)
            QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(elegida).center());
        else
            m->close();
    });
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, donde->mapToGlobal(p));
    QApplication::sendEvent(donde, &e);
    return entradas;
}

// Typed key by key (QTest::keyClicks takes ASCII only).
inline void teclear(QWidget *w, const QString &texto)
{
    for (const QChar c : texto)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline bool editar(QTableView *t, int fila, const QString &texto)
{
    return t->model()->setData(t->model()->index(fila, 0), texto);
}

inline void rimar(Principal &v, int pestana, const QString &palabra)
{
    v.SS->setCurrentIndex(pestana);
    v.Pal->setText(palabra);
    QTest::mouseClick(v.Rima, Qt::LeftButton);
}

// What the window shows: the word list's rows, the rhyme grid's of tab "2", and the count.
inline QStringList vista(const Principal &v)
{
    return filas(v.DB) + QStringList{QStringLiteral("|")} + filas(v.DR[0]) + QStringList{v.Cuenta->text()};
}

// Pal -> Sig of every row of the store, through a connection of its own.
inline QMap<QString, QString> contenido(const QString &ruta)
{
    QMap<QString, QString> r;
    auto a = Almacen::abrir(ruta, true);
    a->recorrerFilas([&](const Almacen::FilaLeida &f) {
        r.insert(QString::fromUtf8(f.pal.data(), qsizetype(f.pal.size())), a->sig(f.id).value_or(QString()));
    });
    return r;
}

// A write made through the window on a store of palabrasDePrueba(): the steps
// before it, the write, and whether the store at a path holds it.
struct Escritura {
    std::function<void(Principal &)> preparar, hacer;
    std::function<bool(const QString &)> hecha;
};

inline const QStringList kEscrituras = lista("vocales archivar nueva eliminar editar");

inline Escritura escritura(const QString &nombre)
{
    const auto tiene = [](const char *pal, bool si) {
        return [pal, si](const QString &ruta) { return contenido(ruta).contains(QString::fromUtf8(pal)) == si; };
    };
    if (nombre == QLatin1String("vocales"))
        return {[](Principal &v) { QTest::mouseClick(v.Voc, Qt::LeftButton); },
                [](Principal &v) { rimar(v, 0, QStringLiteral("amor")); },
                [](const QString &ruta) { return Almacen::abrir(ruta, true)->estadoMarcas().reglas[0].fin == QStringLiteral("ao"); }};
    if (nombre == QLatin1String("archivar") || nombre == QLatin1String("nueva")) {
        const QString w = nombre == QLatin1String("nueva") ? QStringLiteral("zampoña") : QStringLiteral("amor");
        return {[](Principal &) {},
                [w](Principal &v) {
                    // The word typed, looked up, its page shown, Archivar clicked.
                    QSignalSpy fin(&v, &Principal::archivado);
                    v.Pal->clear();
                    teclear(v.Pal, w);
                    QTest::mouseClick(v.Buscar, Qt::LeftButton);
                    QTRY_VERIFY(v.Gua->isVisible());
                    QTest::mouseClick(v.Gua, Qt::LeftButton);
                    QTRY_COMPARE(fin.size(), 1);
                },
                [w](const QString &ruta) { return contenido(ruta).value(w).contains(QStringLiteral("Otra definici")); }};
    }
    if (nombre == QLatin1String("eliminar"))
        return {[](Principal &) {},
                [](Principal &v) {
                    v.Ind->setText(QStringLiteral("rosa"));
                    QTest::mouseClick(v.Eli, Qt::LeftButton);
                },
                tiene("rosa", false)};
    return {[](Principal &) {},
            [](Principal &v) { editar(v.DB, int(filas(v.DB).indexOf(QStringLiteral("queso"))), QStringLiteral("zapato")); },
            tiene("zapato", true)};
}

inline const QString kSinProteccion = QStringLiteral("la protección no funciona aquí (hace falta chattr +i, ext4 o similar)");
inline const QString kSigAmor = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs17 \\b amor.\\b0 \\par\r\n1. m. Sentimiento intenso del ser humano.\\par\r\n}\r\n");

// What the window's test classes share: a window, shown and active, on a
// store of its own for each test function (palabrasDePrueba(), amor defined).
struct VentanaFija {
    QTemporaryDir dir;
    QString ruta;
    std::unique_ptr<Principal> v;

    void abrir(const QStringList &palabras = palabrasDePrueba())
    {
        v.reset();
        QFile::remove(ruta);
        crearAlmacen(ruta, palabras, {{QStringLiteral("amor"), kSigAmor}});
        mostrar();
    }
    // A new window on the store as it is.
    void mostrar()
    {
        v = abrirVentana(ruta);
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
    }
    QWidget *foco() const { return QApplication::focusWidget(); }
    // A click into Pal, all of it selected, the word typed over it.
    void escribirEnPal(const QString &palabra)
    {
        QTest::mouseClick(v->Pal, Qt::LeftButton);
        QTest::keySequence(foco(), QKeySequence::SelectAll);
        teclear(foco(), palabra);
    }
    // The context menu, and the window active again once it is gone, as on a desktop.
    QStringList menu(QWidget *donde, const QPoint &p, const QString &elegir = QString())
    {
        const QStringList entradas = menuContextual(donde, p, elegir);
        v->activateWindow();
        (void)QTest::qWaitForWindowActive(v.get());
        return entradas;
    }
    void preparar(const QStringList &palabras = palabrasDePrueba())
    {
        const QString fila = QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_');
        ruta = dir.filePath(QStringLiteral("data-%1%2.lop").arg(QTest::currentTestFunction(), fila.isEmpty() ? fila : u'-' + fila));
        abrir(palabras);
    }
    void terminar()
    {
        v.reset();
        qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS");
    }
};

} // namespace rimario::prueba

// A helper's failed check ends the test too.
#define COMPROBAR(llamada)                                                                                             \
    do {                                                                                                               \
        llamada;                                                                                                       \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)
