#pragma once
// Where the snapshot of a store's word list is kept: in the folder named by
// RIMARIO_CACHE when it is set (set and empty: no snapshots), otherwise in
// the user's cache folder; one file per store, named after the store's path.

#include <QString>

namespace rimario {

QString rutaInstantanea(const QString &rutaAlmacen);

} // namespace rimario
