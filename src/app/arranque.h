#pragma once
// Start-up of the program before its window opens.

#include <QString>

class QWidget;

namespace rimario {

// When the store at 'ruta' is a Microsoft Access file of an earlier version,
// converts it into a store of this program, keeping the original beside it,
// and shows the progress while it runs. Returns the original's new name (empty
// when there was nothing to convert). Throws ErrorAlmacen, leaving 'ruta' as it
// was, when the conversion fails.
//
// The conversion runs in a child process, 'programa' started with
// kOrdenConvertir: a damaged Access file can make the library that reads it
// crash, and that must not take the program with it.
QString prepararAlmacen(const QString &ruta, QWidget *padre = nullptr, const QString &programa = QString());

// The child's side: converts 'ruta', telling its progress and result on
// standard output. Returns the process's exit status.
inline constexpr char kOrdenConvertir[] = "--convertir-access";
int convertirEnHijo(const QString &ruta);

// Whether message boxes can be shown (there is a screen to show them on).
bool hayPantalla();

// Writes 'linea' to the standard error once 'ventana' has been painted for the first time.
void avisarAlPintar(QWidget *ventana, const char *linea);

} // namespace rimario
