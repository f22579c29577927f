#pragma once
// A prepared SQLite statement with bound values; finalised on destruction.

#include <QString>
#include <QStringView>

#include <optional>
#include <sqlite3.h>

namespace rimario {

// Binds UTF-16 text. SQLite, storing it as UTF-8, reads an unpaired surrogate
// as the first half of a pair and swallows the character after it; such a
// unit is stored as U+FFFD instead and the rest of the text as it is.
inline int enlazarTexto16(sqlite3_stmt *st, int i, QStringView v)
{
    auto suelto = [](QStringView t, qsizetype &k) {
        if (t[k].isHighSurrogate() && k + 1 < t.size() && t[k + 1].isLowSurrogate()) {
            ++k;
            return false;
        }
        return t[k].isSurrogate();
    };
    qsizetype k = 0;
    while (k < v.size() && !suelto(v, k))
        ++k;
    if (k == v.size())
        return sqlite3_bind_text16(st, i, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT);
    QString s = v.toString();
    for (; k < s.size(); ++k)
        if (suelto(s, k))
            s[k] = QChar::ReplacementCharacter;
    return sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
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

    int paso() { return sqlite3_step(st_); }
    void reiniciar() { sqlite3_reset(st_); sqlite3_clear_bindings(st_); }

    qint64 entero(int c) const { return sqlite3_column_int64(st_, c); }
    bool esNulo(int c) const { return sqlite3_column_type(st_, c) == SQLITE_NULL; }
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
