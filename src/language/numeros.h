#pragma once
// Numbers as a Spanish reader expects them: thousands grouped with points
// (8.388.608), a number of four digits left whole (9000), as the Academy writes them.

#include <QString>

namespace rimario {

QString numeroEscrito(qint64 n);
// A count with its noun, singular for one: "1 palabra", "9000 palabras".
QString cantidadEscrita(qint64 n, const QString &singular, const QString &plural);

} // namespace rimario
