#pragma once
// Shared by the window tests of two programs on one store and of protected
// stores: opening the window on a store, reading a grid, and checks in helpers.

#include "panel_web.h"
#include "principal.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <QTableView>
#include <QTest>

#include <memory>

namespace rimario::prueba {

// The window on 'ruta' as the program opens it; its browser pane gives 'texto'
// when archiving copies the page.
inline std::unique_ptr<Principal> abrirVentana(const QString &ruta, const QString &texto = QString())
{
    auto *panel = new PanelWebVacio;
    panel->ponerTexto(texto);
    auto v = std::make_unique<Principal>(ruta, panel);
    v->Form_Load();
    v->show();
    v->abrirLista();
    return v;
}

inline QStringList filas(const QTableView *t)
{
    QStringList r;
    for (int i = 0; i < t->model()->rowCount(); ++i)
        r << t->model()->index(i, 0).data().toString();
    return r;
}

} // namespace rimario::prueba

// A helper's failed check ends the test too.
#define COMPROBAR(llamada)                                                                                             \
    do {                                                                                                               \
        llamada;                                                                                                       \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)
