#pragma once
// A new store made from a word list (UTF-8, one word a line, lines ended by
// LF, CR LF or CR; blank lines and repeated words skipped; the skeletons and
// syllables computed).

#include <QString>

#include <functional>

namespace rimario {

// Creates the store 'destino' from the list file 'lista': written under a
// temporary name beside it and given its name only when complete, never over
// an existing file or link; what a killed earlier run left there goes first.
// A word with a control character, or longer than kMaxCaracteresPalabra,
// refuses the whole list, with its line number. 'avisar' hears the progress
// of a long list. Returns the words written; throws ErrorAlmacen with the
// reason, having left nothing behind.
qint64 crearDesdeLista(const QString &lista, const QString &destino, const std::function<void(const QString &)> &avisar);

} // namespace rimario
