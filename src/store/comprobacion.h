#pragma once
// Checking the vowel skeletons a store holds: every row's Voc against the one
// its word has.

#include "store/almacen.h"

#include <QString>

#include <optional>
#include <vector>

namespace rimario {

// A row whose Voc is not ExtraeVocales(Pal). A Null Voc counts as "" and a
// Null Pal as "": both mean a skeleton without vowels.
struct Discrepancia {
    qint64 id;
    QString pal;
    std::optional<QString> voc;
    QString esperado;
};

// The rows of the store whose Voc differs from ExtraeVocales(Pal), by Id.
// Reads only.
std::vector<Discrepancia> comprobarVocales(const Almacen &a);

} // namespace rimario
