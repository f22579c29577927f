#pragma once
// The character sets the dictionary files are written in, decoded and encoded
// without Qt's converters (which know only UTF-8 and Latin-1 by themselves).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace rimario::sinconexion {

enum class Juego { Desconocido, Utf8, Latin1, Latin9 };

// "UTF-8", "utf8", "ISO8859-1", "ISO-8859-15", "latin1"...
Juego juegoDeNombre(QByteArrayView nombre);
QString decodificar(Juego j, QByteArrayView b);
// False when the text has a character the set cannot hold.
bool codificar(Juego j, const QString &s, QByteArray *salida);

} // namespace rimario::sinconexion
