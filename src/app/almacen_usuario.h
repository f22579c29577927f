#pragma once
// Which store the window opens, and the user's first start: a portable copy's
// data.lop beside the program wins; otherwise the user's own store, which the
// first start makes as a copy of the default store installed with the program.

#include <QString>

namespace rimario {

class Espera;

// The path of the store to open. When it is the user's and there is none yet,
// copies the installed default there first (saying so in 'espera'), whole or
// not at all. Throws ErrorAlmacen, with nothing left half-made, when the
// folder cannot be made or written or there is no default to copy.
QString prepararAlmacenDelUsuario(Espera &espera);

} // namespace rimario
