#pragma once
// Test stores: a fresh store with the given words (Voc computed), optional
// definitions, in a temporary folder.

#include "almacen.h"
#include "vocales.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace rimario::prueba {

inline QString crearAlmacen(const QString &ruta, const QStringList &palabras,
                            const QMap<QString, QString> &definiciones = {})
{
    auto a = Almacen::crear(ruta);
    Almacen::Lote lote(*a);
    for (const QString &p : palabras) {
        Fila f;
        f.pal = p;
        f.voc = ExtraeVocales(p);
        if (definiciones.contains(p))
            f.sig = definiciones.value(p);
        lote.insertar(f);
    }
    lote.confirmar();
    return ruta;
}

// A small Spanish word list with the usual troublemakers.
inline QStringList palabrasDePrueba()
{
    return {QStringLiteral("amor"),     QStringLiteral("Amor"),     QStringLiteral("canción"),
            QStringLiteral("corazón"),  QStringLiteral("razón"),    QStringLiteral("pasión"),
            QStringLiteral("camión"),   QStringLiteral("avión"),    QStringLiteral("ilusión"),
            QStringLiteral("sol"),      QStringLiteral("farol"),    QStringLiteral("caracol"),
            QStringLiteral("árbol"),    QStringLiteral("ÁRBOL"),    QStringLiteral("Rey"),
            QStringLiteral("hoy"),      QStringLiteral("muy"),      QStringLiteral("yegua"),
            QStringLiteral("guitarra"), QStringLiteral("queso"),    QStringLiteral("pingüino"),
            QStringLiteral("niño"),     QStringLiteral("nido"),     QStringLiteral("ñandú"),
            QStringLiteral("pan"),      QStringLiteral("l'amour"),  QStringLiteral("o'higgins"),
            QStringLiteral("casa"),     QStringLiteral("cosa"),     QStringLiteral("masa"),
            QStringLiteral("mesa"),     QStringLiteral("pasa"),     QStringLiteral("rosa"),
            QStringLiteral("camino"),   QStringLiteral("destino"),  QStringLiteral("vino"),
            QStringLiteral("a*b"),      QStringLiteral("cien%"),    QStringLiteral("123"),
            QStringLiteral("canción")};
}

} // namespace rimario::prueba
