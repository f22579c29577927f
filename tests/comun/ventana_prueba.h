#pragma once
// The window on a test store, as the program opens it, what a user sees and
// clicks in its grids, and the window's writes as a user makes them.

#include "almacen.h"
#include "panel_web.h"
#include "principal.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <functional>
#include <memory>

namespace rimario::prueba {

// What the test pane gives when archiving copies the page: the definition
// "Otra definición." once the first 22 characters are cut.
inline const QString kPaginaCopiada = QString(22, u'x') + QStringLiteral("Otra definición.");

// The window on 'ruta'; its browser pane gives 'texto' when archiving copies the page.
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

inline void clicEnFila(QTableView *t, int fila)
{
    t->scrollTo(t->model()->index(fila, 0));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(t->model()->index(fila, 0)).center());
}

// An edit typed into a grid's row.
inline bool editar(QTableView *t, int fila, const QString &texto)
{
    return t->model()->setData(t->model()->index(fila, 0), texto);
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
    a->recorrerEnOrden([&](qint64 id, const char *p, int n, bool, const char *, int) {
        r.insert(QString::fromUtf8(p, n), a->sig(id).value_or(QString()));
    });
    return r;
}

// A write made through the window on a store of palabrasDePrueba() whose
// column A2 does not hold the marks of "ao": the steps before it, the write,
// and whether the store holds it (on the store's path).
struct Escritura {
    std::function<void(Principal &)> preparar, hacer;
    std::function<bool(const QString &)> hecha;
};

inline const QStringList kEscrituras = {QStringLiteral("vocales"),      QStringLiteral("archivar"),
                                        QStringLiteral("archivar nueva"), QStringLiteral("eliminar"),
                                        QStringLiteral("editar lista"), QStringLiteral("editar rimas")};

inline Escritura escritura(const QString &nombre)
{
    const auto nada = [](Principal &) {};
    const auto archivar = [](const QString &w) {
        return [w](Principal &v) {
            // The word looked up, its page shown, Archivar clicked.
            QSignalSpy fin(&v, &Principal::archivado);
            v.Pal->clear();
            for (QChar c : w)
                QTest::sendKeyEvent(QTest::Click, v.Pal, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::mouseClick(v.Buscar, Qt::LeftButton);
            QTRY_VERIFY(v.Gua->isVisible());
            QTest::mouseClick(v.Gua, Qt::LeftButton);
            QTRY_COMPARE(fin.size(), 1);
        };
    };
    const auto tiene = [](const char *pal, bool si) {
        return [pal, si](const QString &ruta) { return contenido(ruta).contains(QString::fromUtf8(pal)) == si; };
    };
    if (nombre == QLatin1String("vocales"))
        return {[](Principal &v) {
                    QTest::mouseClick(v.Voc, Qt::LeftButton);
                    v.SS->setCurrentIndex(0);
                    v.Pal->setText(QStringLiteral("amor"));
                },
                [](Principal &v) { QTest::mouseClick(v.Rima, Qt::LeftButton); },
                [](const QString &ruta) {
                    return Almacen::abrir(ruta, true)->estadoMarcas().reglas[0].fin == QStringLiteral("ao");
                }};
    if (nombre == QLatin1String("archivar"))
        return {nada, archivar(QStringLiteral("amor")), [](const QString &ruta) {
                    return contenido(ruta).value(QStringLiteral("amor")).contains(QStringLiteral("Otra definici"));
                }};
    if (nombre == QLatin1String("archivar nueva"))
        return {nada, archivar(QStringLiteral("zampoña")), tiene("zampoña", true)};
    if (nombre == QLatin1String("eliminar"))
        return {nada,
                [](Principal &v) {
                    v.Ind->clear();
                    v.Ind->setText(QStringLiteral("rosa"));
                    QTest::mouseClick(v.Eli, Qt::LeftButton);
                },
                tiene("rosa", false)};
    if (nombre == QLatin1String("editar lista"))
        return {nada, [](Principal &v) { editar(v.DB, int(filas(v.DB).indexOf(QStringLiteral("queso"))), QStringLiteral("zapato")); },
                [](const QString &ruta) {
                    const auto c = contenido(ruta);
                    return c.contains(QStringLiteral("zapato")) && !c.contains(QStringLiteral("queso"));
                }};
    // editar rimas: the first rhyme of "canción" (whole words, two letters).
    return {[](Principal &v) {
                v.SS->setCurrentIndex(0);
                v.Pal->setText(QStringLiteral("canción"));
                QTest::mouseClick(v.Rima, Qt::LeftButton);
            },
            [](Principal &v) { editar(v.DR[0], 0, QStringLiteral("zapato")); }, tiene("zapato", true)};
}

} // namespace rimario::prueba

// A helper's failed check ends the test too.
#define COMPROBAR(llamada)                                                                                             \
    do {                                                                                                               \
        llamada;                                                                                                       \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)
