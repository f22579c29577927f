#pragma once
// What SQLite's result codes mean, said in Spanish: the engine's own message,
// in English, goes only into an error's details.

#include <QString>

namespace rimario {

// The Spanish wording of a failed result code (its primary code is what
// counts); a code that is no failure gets a general wording.
QString textoMotor(int rc);

} // namespace rimario
