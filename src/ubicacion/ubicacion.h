#pragma once
// Where the programs' files are. A portable copy keeps them beside the
// program (data.lop, rimario.ini), as it always has; otherwise each user has
// a store of their own in $XDG_DATA_HOME/rimario/ (~/.local/share/rimario/)
// and settings in $XDG_CONFIG_HOME/rimario/ (~/.config/rimario/), and the
// installed default store lies in the data folder next to the programs'
// (share/rimario/, reached from bin/ by a relative path: the tree can be moved
// whole). Plain C++: rimario-cli answers without Qt.

#include <string>

namespace rimario::ubicacion {

// The folder of the running program (symbolic links followed), without the final '/'.
std::string carpetaDelPrograma();

// "data.lop" beside the program.
std::string almacenJunto();
// $XDG_DATA_HOME/rimario (or $HOME/.local/share/rimario): the user's store's folder.
std::string carpetaDelUsuario();
// The user's store in that folder.
std::string almacenDelUsuario();
// The default store installed with the programs (it may be missing: a build
// tree, or an incomplete installation).
std::string almacenPredeterminado();

// The store the window opens: the one beside the program when there is
// anything of that name (a portable copy wins), else the user's.
std::string almacenDeLaVentana();
// The store rimario-cli reads when none is named: "data.lop" in the current
// folder if there is one, else the window's; when the user has none yet, the
// installed default (read as it is; the window copies it at its first start).
std::string almacenPorOmision();

// The folder whose rimario.ini the programs read: the program's own when the
// file is there, else $XDG_CONFIG_HOME/rimario (or $HOME/.config/rimario).
std::string carpetaDeConfiguracion();

// Whether anything (a link to nothing included) has the name 'ruta'.
bool existe(const std::string &ruta);

} // namespace rimario::ubicacion
