#pragma once

#include <QString>

namespace rimario {

// What tells one state of a store's file from every other: the file (device
// and node), its size and time of change, and SQLite's own count of commits
// with the number of pages, all read under one lock; with the collation the
// list order depends on.
struct Huella {
    quint64 dispositivo = 0;
    quint64 nodo = 0;
    quint64 tamano = 0;
    qint64 modificado = 0; // nanoseconds
    quint32 cambios = 0;
    quint32 paginas = 0;
    qint32 formato = 0;
    QString colacion;
    bool leida = false; // false: the file could not be examined
    bool operator==(const Huella &) const = default;
};

} // namespace rimario
