#pragma once
// Reads the table Palabras of a Microsoft Access file (Jet 3, Jet 4 and the
// later ACE formats) row by row, exactly as stored.
//
// libmdb opens the file, reads its catalogue and table definition, finds the
// table's data pages and splits a row into its fields. Everything past that is
// done here on the raw page bytes, because libmdb's own value reading loses
// data without saying so:
// - bound values (mdb_bind_column/mdb_fetch_row) are cut at the handle's bind
//   size (16384 bytes by default) and give Null and "" alike;
// - its text conversion turns characters iconv rejects (UTF-16 surrogate
//   pairs) into "?" and stops at the output size;
// - a long memo whose chain is damaged comes back as "" with a warning on
//   standard error only;
// - mdb_fetch_row skips the pointer that Jet leaves where it moved a grown
//   row from, and returns the moved data (flagged like a deleted row) as a row
//   of its own where it lies, out of the table's order.
// Here long values (memo) are followed page by page to their full length, text
// is decoded from UCS-2 (with Jet 4's "Unicode compression") or from the file's
// code page (Jet 3), moved rows are read through their pointer, and any
// inconsistency ends the reading with an ErrorAlmacen.

#include "store/almacen.h"

#include <QString>

#include <functional>
#include <memory>

namespace rimario {

class LectorAccess {
public:
    // Opens the file and finds Palabras with its columns Pal, Voc and Sig (any
    // letter case) and the marks A2..A7 (missing marks read as False). Throws
    // ErrorAlmacen with a Spanish message when the file is not a readable Access
    // database or lacks the table or a column.
    explicit LectorAccess(const QString &ruta);
    ~LectorAccess();
    LectorAccess(const LectorAccess &) = delete;
    LectorAccess &operator=(const LectorAccess &) = delete;

    // The number of rows the table definition records.
    qint64 filasDeclaradas() const;

    // Every row in the file's order (Fila::id is the row's position, from 1).
    // Throws ErrorAlmacen on a damaged row or value; exceptions thrown by
    // 'visitar' pass through.
    void recorrer(const std::function<void(const Fila &)> &visitar);

private:
    struct Datos;
    std::unique_ptr<Datos> d_;
};

} // namespace rimario
