#pragma once
// A prepared SQLite statement with bound values; finalised on destruction.

#include <QString>
#include <QStringView>

#include "language/utf8.h"

#include <optional>
#include <string>
#include <string_view>
#include <sqlite3.h>

namespace rimario {

// Binds UTF-16 text, as the UTF-8 SQLite stores (an unpaired surrogate, which
// SQLite would read as the first half of a pair, swallowing the character
// after it, is stored as U+FFFD).
inline int enlazarTexto16(sqlite3_stmt *st, int i, QStringView v)
{
    thread_local std::string bufer;
    if (bufer.size() < size_t(v.size()) * 3)
        bufer.resize(size_t(v.size()) * 3);
    const char *fin = escribirUtf8(bufer.data(), v);
    return sqlite3_bind_text(st, i, bufer.data(), int(fin - bufer.data()), SQLITE_TRANSIENT);
}

class Sentencia {
public:
    Sentencia(sqlite3 *db, const char *sql);
    ~Sentencia() { sqlite3_finalize(st_); }
    Sentencia(const Sentencia &) = delete;
    Sentencia &operator=(const Sentencia &) = delete;

    int rc() const { return rc_; }
    bool ok() const { return st_ != nullptr; }
    sqlite3_stmt *get() const { return st_; }

    void enlazar(int i, qint64 v) { sqlite3_bind_int64(st_, i, v); }
    void enlazar(int i, QStringView v) { enlazarTexto16(st_, i, v); }
    void enlazar(int i, const std::optional<QString> &v)
    {
        if (v)
            enlazar(i, QStringView(*v));
        else
            sqlite3_bind_null(st_, i);
    }
    void enlazarBlob(int i, const QByteArray &b)
    {
        sqlite3_bind_blob(st_, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    void nulo(int i) { sqlite3_bind_null(st_, i); }
    // UTF-16 text converted by SQLite itself, as the store's SQL functions
    // give theirs (the rhyme keys are stored both ways alike).
    void enlazarUtf16(int i, const QString &v)
    {
        sqlite3_bind_text16(st_, i, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT);
    }

    int paso() { return sqlite3_step(st_); }
    // Ready to run again with the values bound now (those bound anew replace them).
    void rebobinar() { sqlite3_reset(st_); }

    qint64 entero(int c) const { return sqlite3_column_int64(st_, c); }
    bool esNulo(int c) const { return sqlite3_column_type(st_, c) == SQLITE_NULL; }
    // The text as stored (UTF-8), valid until the next step; empty for Null.
    std::string_view utf8(int c) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st_, c));
        return p ? std::string_view(p, size_t(sqlite3_column_bytes(st_, c))) : std::string_view();
    }
    QString texto(int c) const
    {
        const void *p = sqlite3_column_text16(st_, c);
        const int n = sqlite3_column_bytes16(st_, c);
        return QString(reinterpret_cast<const QChar *>(p), n / 2);
    }
    std::optional<QString> textoNulo(int c) const
    {
        if (esNulo(c))
            return std::nullopt;
        return texto(c);
    }

private:
    sqlite3_stmt *st_ = nullptr;
    int rc_ = SQLITE_OK;
};

inline Sentencia::Sentencia(sqlite3 *db, const char *sql)
{
    rc_ = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr);
    if (rc_ != SQLITE_OK) {
        sqlite3_finalize(st_);
        st_ = nullptr;
    }
}

} // namespace rimario
