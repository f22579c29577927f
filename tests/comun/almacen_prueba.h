#pragma once
// Test stores and files: a fresh store with the given words (Voc computed) and
// definitions, SQL run on a file as another tool would, file contents, and the
// Access sample.

#include "language/vocales.h"
#include "lista/lexico.h"
#include "store/almacen.h"

#include "tabla.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace rimario::prueba {

inline QString crearAlmacen(const QString &ruta, const QStringList &palabras, const QMap<QString, QString> &defs = {})
{
    auto a = Almacen::crear(ruta);
    Almacen::Lote lote(*a);
    for (const QString &p : palabras) {
        Fila f;
        f.pal = p;
        f.voc = ExtraeVocales(p);
        if (defs.contains(p))
            f.sig = defs.value(p);
        lote.insertar(f);
    }
    lote.confirmar();
    return ruta;
}

// Words written in one text, separated by single spaces.
inline QStringList lista(const char *palabras) { return QString::fromUtf8(palabras).split(u' '); }

// A small Spanish word list with the usual troublemakers.
inline QStringList palabrasDePrueba()
{
    return lista("amor Amor canción corazón razón pasión camión avión ilusión sol farol caracol árbol ÁRBOL Rey hoy "
                 "muy yegua guitarra queso pingüino niño nido ñandú pan l'amour o'higgins casa cosa masa mesa pasa "
                 "rosa camino destino vino a*b cien% 123 canción");
}

// Every row SQL gives on the file (made if missing), its columns joined by '|',
// through a connection of its own; "ERROR: ..." when it cannot run.
inline QStringList consultar(const QString &ruta, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_stmt *st = nullptr;
    QStringList r;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        r << QStringLiteral("ERROR: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        QStringList columnas;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            columnas << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
        r << columnas.join(u'|');
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return r;
}
inline QString uno(const QString &ruta, const QString &sql) { return consultar(ruta, sql).value(0); }

// Another program connected to the file, once it has run the statements given:
// the write lock held after "BEGIN IMMEDIATE", every lock after "BEGIN EXCLUSIVE".
inline sqlite3 *otroPrograma(const QString &ruta, const char *sql = "BEGIN IMMEDIATE")
{
    sqlite3 *otro = nullptr;
    sqlite3_open(QFile::encodeName(ruta).constData(), &otro);
    sqlite3_exec(otro, sql, nullptr, nullptr, nullptr);
    return otro;
}

// Turns a store into one of an older format: 2 held a sort key in Clave and
// three indexes carried it; 1 had no rhyme keys either (opening it adds them);
// neither kept a log of changes.
inline bool volverAlFormato(const QString &ruta, int formato = 1)
{
    QByteArray sql = "DROP TRIGGER PalabrasBase_alta; DROP TRIGGER PalabrasBase_cambio; DROP TRIGGER PalabrasBase_baja;"
                     "DROP TABLE Cambios; DELETE FROM Meta WHERE Clave = 'diario'; DROP INDEX PalabrasBase_pendientes; UPDATE PalabrasBase SET Clave = randomblob(16); "
                     "CREATE INDEX PalabrasBase_orden ON PalabrasBase (Clave, Pal, Voc);";
    if (formato == 2)
        sql += "CREATE INDEX PalabrasBase_consonante ON PalabrasBase (Consonante, Clave, Pal, Silabas);"
               "CREATE INDEX PalabrasBase_asonante ON PalabrasBase (Asonante, Clave, Pal, Silabas); PRAGMA user_version = 2;";
    else
        sql += "DROP TRIGGER Palabras_cambiar;"
               "CREATE TRIGGER Palabras_cambiar INSTEAD OF UPDATE ON Palabras BEGIN "
               "UPDATE PalabrasBase SET Pal = NEW.Pal, Voc = NEW.Voc, Sig = NEW.Sig, "
               "Clave = CASE WHEN NEW.Pal IS OLD.Pal THEN Clave ELSE NULL END WHERE Id = OLD.Id; END;"
               "ALTER TABLE PalabrasBase DROP COLUMN Consonante; ALTER TABLE PalabrasBase DROP COLUMN Asonante;"
               "ALTER TABLE PalabrasBase DROP COLUMN Silabas; PRAGMA user_version = 1;";
    sqlite3 *db = otroPrograma(ruta, (sql + " VACUUM;").constData());
    const bool hecho = sqlite3_errcode(db) == SQLITE_OK;
    sqlite3_close(db);
    return hecho;
}

inline QByteArray leerArchivo(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline QByteArray huellaArchivo(const QString &ruta) { return QCryptographicHash::hash(leerArchivo(ruta), QCryptographicHash::Sha1); }
inline bool escribirArchivo(const QString &ruta, const QByteArray &datos)
{
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(datos) == datos.size();
}

// Damages a kept list's file as a failing disk could: the one place where the
// word's UTF-16 text lies gets another word of the same length.
inline bool cambiarPalabraEnCopia(const QString &archivo, QStringView de, QStringView a)
{
    QByteArray b = leerArchivo(archivo);
    const QByteArray viejo(reinterpret_cast<const char *>(de.utf16()), de.size() * 2);
    if (de.size() != a.size() || b.count(viejo) != 1)
        return false;
    b.replace(viejo, QByteArray(reinterpret_cast<const char *>(a.utf16()), a.size() * 2));
    return escribirArchivo(archivo, b);
}

// The kept lists go to a folder of their own while it lives.
class CacheDePrueba {
public:
    CacheDePrueba() : antes_(qgetenv("RIMARIO_CACHE")) { qputenv("RIMARIO_CACHE", carpeta_.path().toUtf8()); }
    ~CacheDePrueba() { qputenv("RIMARIO_CACHE", antes_); }
    QString path() const { return carpeta_.path(); }

private:
    QTemporaryDir carpeta_;
    QByteArray antes_;
};

// Every entry of a folder, hidden ones too, by name.
inline QStringList archivosDe(const QString &carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The words of the store in list order, as the word list reads them.
inline QStringList palabrasEnOrden(const Almacen &a)
{
    Lexico l(a.colador());
    l.cargar(a);
    QStringList r;
    for (qsizetype i = 0; i < l.tamano(); ++i)
        r << l.pal(i).toString();
    return r;
}
// The Access 2000 word store kept in the repository.
inline QString muestraAccess() { return QStringLiteral(RIMARIO_FUENTES "/fuzz/corpus/access/muestra-access2000.lop"); }

} // namespace rimario::prueba
