#include "ingenua.h"

#include "language/silabas.h"
#include "language/vocales.h"
#include "store/sentencia.h"

#include <QFile>
#include <QSet>

#include <algorithm>

#include <stdexcept>

namespace rimario::medidas {

namespace {

[[noreturn]] void fallo(sqlite3 *db, const QString &que)
{
    throw std::runtime_error(
        QStringLiteral("%1: %2").arg(que, QString::fromUtf8(sqlite3_errmsg(db))).toStdString());
}

// The program's pattern characters in SQL like terms.
QString aLike(const QString &patron)
{
    QString r = patron;
    r.replace(QLatin1Char('*'), QLatin1Char('%')).replace(QLatin1Char('?'), QLatin1Char('_'));
    return r;
}

std::vector<QString> palabras(Sentencia &s, sqlite3 *db)
{
    std::vector<QString> r;
    int rc;
    while ((rc = s.paso()) == SQLITE_ROW)
        r.push_back(s.texto(0));
    if (rc != SQLITE_DONE)
        fallo(db, QStringLiteral("Consulta fallida"));
    return r;
}

} // namespace

Ingenua::Ingenua(const QString &ruta)
{
    if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK)
        fallo(db_, QStringLiteral("No se pudo abrir «%1»").arg(ruta));
    ejecutar(QStringLiteral("PRAGMA synchronous = FULL"));
}

Ingenua::~Ingenua()
{
    sqlite3_close_v2(db_);
}

void Ingenua::ejecutar(const QString &sql) const
{
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fallo(db_, sql);
}

qint64 Ingenua::crear(const QString &lista, const QString &ruta, bool competente)
{
    QFile f(lista);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("No se puede leer «%1».").arg(lista).toStdString());
    const QStringList lineas = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    const QString temporal = ruta + QStringLiteral(".tmp");
    QFile::remove(temporal);
    qint64 n = 0;
    {
        Ingenua base;
        if (sqlite3_open_v2(QFile::encodeName(temporal).constData(), &base.db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            fallo(base.db_, QStringLiteral("No se pudo crear «%1»").arg(temporal));
        base.ejecutar(QStringLiteral(
            "CREATE TABLE Palabras (Pal TEXT, Voc TEXT, Sig TEXT, A2 INTEGER DEFAULT 0, "
            "A3 INTEGER DEFAULT 0, A4 INTEGER DEFAULT 0, A5 INTEGER DEFAULT 0, "
            "A6 INTEGER DEFAULT 0, A7 INTEGER DEFAULT 0); BEGIN"));
        if (competente)
            base.ejecutar(QStringLiteral("ALTER TABLE Palabras ADD COLUMN Inv TEXT; ALTER TABLE Palabras ADD COLUMN InvVoc TEXT; "
                                         "ALTER TABLE Palabras ADD COLUMN Consonante TEXT; "
                                         "ALTER TABLE Palabras ADD COLUMN Asonante TEXT; ALTER TABLE Palabras ADD COLUMN Silabas INTEGER"));
        {
            Sentencia ins(base.db_, competente ? "INSERT INTO Palabras (Pal, Voc, Inv, InvVoc, Consonante, Asonante, Silabas) "
                                                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"
                                               : "INSERT INTO Palabras (Pal, Voc) VALUES (?1, ?2)");
            auto alReves = [](const QString &t) {
                QList<uint> u = t.toUcs4();
                std::reverse(u.begin(), u.end());
                return QString::fromUcs4(reinterpret_cast<const char32_t *>(u.constData()), u.size());
            };
            QSet<QString> vistas;
            for (const QString &l : lineas) {
                const QString p = l.trimmed();
                if (p.isEmpty() || vistas.contains(p))
                    continue;
                vistas.insert(p);
                sqlite3_reset(ins.get());
                ins.enlazar(1, QStringView(p));
                const QString voc = ExtraeVocales(p);
                ins.enlazar(2, QStringView(voc));
                if (competente) {
                    const QString inv = alReves(p.toLower()), invVoc = alReves(voc);
                    ins.enlazar(3, QStringView(inv));
                    ins.enlazar(4, QStringView(invVoc));
                    const AnalisisSilabico a = analizarPalabra(p);
                    if (a.valido) {
                        ins.enlazar(5, QStringView(a.claveConsonante));
                        ins.enlazar(6, QStringView(a.claveAsonante));
                        ins.enlazar(7, qint64(a.numSilabas()));
                    } else {
                        for (int c = 5; c <= 7; ++c)
                            ins.enlazar(c, std::optional<QString>());
                    }
                }
                if (ins.paso() != SQLITE_DONE)
                    fallo(base.db_, QStringLiteral("No se pudo escribir «%1»").arg(p));
                ++n;
            }
        }
        base.ejecutar(QStringLiteral("COMMIT; CREATE INDEX Palabras_Pal ON Palabras (Pal)"));
        if (competente)
            base.ejecutar(QStringLiteral("CREATE INDEX Palabras_Inv ON Palabras (Inv); "
                                         "CREATE INDEX Palabras_InvVoc ON Palabras (InvVoc); "
                                         "CREATE INDEX Palabras_Consonante ON Palabras (Consonante); "
                                         "CREATE INDEX Palabras_Asonante ON Palabras (Asonante)"));
    }
    if (!QFile::rename(temporal, ruta))
        throw std::runtime_error(QStringLiteral("No se pudo dejar «%1».").arg(ruta).toStdString());
    return n;
}

void Ingenua::leerLista()
{
    Sentencia s(db_, "SELECT Pal FROM Palabras ORDER BY Pal");
    lista_ = palabras(s, db_);
}

QString Ingenua::buscarPrefijo(const QString &texto) const
{
    Sentencia s(db_, "SELECT Pal FROM Palabras WHERE Pal LIKE ?1 ORDER BY Pal LIMIT 1");
    s.enlazar(1, QStringView(aLike(texto + QLatin1Char('*'))));
    return s.paso() == SQLITE_ROW ? s.texto(0) : QString();
}

std::vector<QString> Ingenua::rimasCompletas(const QString &palabra, int n) const
{
    Sentencia s(db_, "SELECT Pal FROM Palabras WHERE Pal LIKE ?1 AND Pal <> ?2 ORDER BY Pal");
    s.enlazar(1, QStringView(QLatin1Char('%') + palabra.right(n)));
    s.enlazar(2, QStringView(palabra));
    return palabras(s, db_);
}

std::vector<QString> Ingenua::rimasVocales(const QString &palabra, int n)
{
    const QString a = QStringLiteral("A%1").arg(n);
    ejecutar(QStringLiteral("UPDATE Palabras SET %1 = 0").arg(a));
    {
        const QByteArray sql =
            QStringLiteral("UPDATE Palabras SET %1 = -1 WHERE substr(Voc, -%2) = ?1").arg(a).arg(n).toUtf8();
        Sentencia s(db_, sql.constData());
        s.enlazar(1, QStringView(ExtraeVocales(palabra).right(n)));
        if (s.paso() != SQLITE_DONE)
            fallo(db_, QStringLiteral("No se pudieron marcar las rimas"));
    }
    const QByteArray sql = QStringLiteral("SELECT Pal FROM Palabras WHERE %1 = -1 ORDER BY Pal").arg(a).toUtf8();
    Sentencia s(db_, sql.constData());
    std::vector<QString> r = palabras(s, db_);
    leerLista();
    return r;
}

} // namespace rimario::medidas
