// Reading every row of the store: as the file holds them, in list order, and
// those of a rhyme key.

#include "store/almacen.h"

#include "language/silabas.h"
#include "store/almacen_interno.h"
#include "store/sentencia.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstring>

#include <sqlite3.h>

namespace rimario {

namespace {

const char *const kLeerTodas = "SELECT Id, Pal, Voc FROM PalabrasBase";
const char *const kLeerTodasConClaves =
    "SELECT Id, Pal, Voc, Clave IS NOT NULL, Consonante, Asonante, Silabas FROM PalabrasBase";
const char *const kLeerPendientes = "SELECT Id, Pal, Voc FROM PalabrasBase WHERE Clave IS NULL";

// A row's place in list order (Clave, Pal, Voc, Id, as SQLite orders them:
// Null first, then text by its bytes; Voc is read as text, never Null).
struct Lugar {
    QByteArray clave, pal, voc;
    bool palNula = false;
    qint64 id = 0;
};

int compararBytes(const QByteArray &a, const QByteArray &b)
{
    const int c = std::memcmp(a.constData(), b.constData(), size_t(std::min(a.size(), b.size())));
    return c ? c : (a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
}

bool antes(const Lugar &a, const Lugar &b)
{
    if (const int c = compararBytes(a.clave, b.clave))
        return c < 0;
    if (a.palNula != b.palNula)
        return a.palNula;
    if (const int c = compararBytes(a.pal, b.pal))
        return c < 0;
    if (const int c = compararBytes(a.voc, b.voc))
        return c < 0;
    return a.id < b.id;
}

// A statement on a rhyme key: ?1 the key, ?2 the syllable count or Null.
void enlazarClave(Sentencia &s, const QString &clave, std::optional<int> silabas)
{
    s.enlazar(1, QStringView(clave));
    if (silabas)
        s.enlazar(2, qint64(*silabas));
    else
        s.nulo(2);
}

} // namespace

void Almacen::recorrerFilas(const std::function<void(const FilaLeida &)> &visitar) const
{
    const QString que = QStringLiteral("No se pudo leer la lista de palabras");
    const bool claves = formato_ >= 2;
    // One pass over every page: keeping them would only take memory.
    ejecutarSql(db_, "PRAGMA cache_size = -2000");
    const auto cache = qScopeGuard([this] { ejecutarSql(db_, kTamanoCache); });
    Sentencia s(db_, claves ? kLeerTodasConClaves : kLeerTodas);
    if (!s.ok())
        fallo(que, s.rc());
    int rc;
    FilaLeida f;
    while ((rc = s.paso()) == SQLITE_ROW) {
        f.id = s.entero(0);
        f.palNula = s.esNulo(1);
        f.pal = s.utf8(1);
        f.voc = s.utf8(2);
        f.conClaves = claves && s.entero(3) != 0;
        if (f.conClaves) {
            f.consonante = s.utf8(4);
            f.asonante = s.utf8(5);
            f.silabas = int(s.entero(6));
        }
        visitar(f);
    }
    if (rc != SQLITE_DONE)
        fallo(que, rc);
}

void Almacen::recorrerEnOrden(
    const std::function<void(qint64, const char *, int, bool, const char *, int)> &visitar) const
{
    if (hayClavesPendientes())
        repararClaves();
    std::vector<Lugar> filas;
    recorrerFilas([&](const FilaLeida &f) {
        Lugar l;
        l.id = f.id;
        l.palNula = f.palNula;
        if (!f.palNula)
            l.pal = QByteArray(f.pal.data(), qsizetype(f.pal.size()));
        l.voc = QByteArray(f.voc.data(), qsizetype(f.voc.size()));
        // Decoded as the word list decodes it, so that a word of invalid UTF-8
        // (left by another program) sorts where the list looks for it.
        l.clave = colador_.clave(l.palNula ? QString() : QString::fromUtf8(l.pal));
        filas.push_back(std::move(l));
    });
    std::sort(filas.begin(), filas.end(), antes);
    for (const Lugar &l : filas)
        visitar(l.id, l.pal.constData(), int(l.pal.size()), l.palNula, l.voc.constData(), int(l.voc.size()));
}

std::vector<QString> Almacen::palabrasQueRiman(TipoRima tipo, const QString &clave,
                                               std::optional<int> silabas) const
{
    std::vector<QString> r;
    for (FilaQueRima &f : filasQueRiman(tipo, clave, silabas))
        r.push_back(std::move(f.pal));
    return r;
}

std::vector<Almacen::FilaQueRima> Almacen::filasQueRiman(TipoRima tipo, const QString &clave,
                                                         std::optional<int> silabas) const
{
    std::vector<FilaQueRima> r;
    const QString que = QStringLiteral("No se pudieron buscar las rimas");
    if (formato_ >= 2) {
        // The keyed rows by their stored key and, when the file cannot be
        // written now, the rows without keys analysed here; all in list order.
        // (The window and the command line find rhymes in the word list: this
        // reads the whole table.)
        const bool pendientes = hayClavesPendientes() && !repararClaves();
        struct Hallada {
            QByteArray clave, pal8;
            std::optional<qint64> silabas;
            qint64 id;
            QString pal;
        };
        std::vector<Hallada> h;
        auto leer = [&](const char *sql, bool pendiente) {
            Sentencia s(db_, sql);
            if (!s.ok())
                fallo(que, s.rc());
            if (!pendiente)
                enlazarClave(s, clave, silabas);
            int rc;
            while ((rc = s.paso()) == SQLITE_ROW) {
                if (s.esNulo(1))
                    continue;
                Hallada x;
                x.id = s.entero(0);
                const std::string_view pal8 = s.utf8(1);
                x.pal8 = QByteArray(pal8.data(), qsizetype(pal8.size()));
                x.pal = s.texto(1);
                if (pendiente) {
                    const AnalisisSilabico a = analizarPalabra(x.pal);
                    if (!a.valido || (silabas && a.numSilabas() != *silabas)
                        || (tipo == TipoRima::Consonante ? a.claveConsonante : a.claveAsonante) != clave)
                        continue;
                    x.silabas = a.numSilabas();
                } else if (!s.esNulo(2)) {
                    x.silabas = s.entero(2);
                }
                x.clave = colador_.clave(QString::fromUtf8(x.pal8));
                h.push_back(std::move(x));
            }
            if (rc != SQLITE_DONE)
                fallo(que, rc);
        };
        leer(tipo == TipoRima::Consonante
                 ? "SELECT Id, Pal, Silabas FROM PalabrasBase WHERE Consonante = ?1 AND "
                   "(?2 IS NULL OR Silabas = ?2)"
                 : "SELECT Id, Pal, Silabas FROM PalabrasBase WHERE Asonante = ?1 AND "
                   "(?2 IS NULL OR Silabas = ?2)",
             false);
        if (pendientes)
            leer(kLeerPendientes, true);
        std::sort(h.begin(), h.end(), [](const Hallada &a, const Hallada &b) {
            if (const int c = compararBytes(a.clave, b.clave))
                return c < 0;
            if (const int c = compararBytes(a.pal8, b.pal8))
                return c < 0;
            if (a.silabas != b.silabas)
                return a.silabas < b.silabas;
            return a.id < b.id;
        });
        for (Hallada &x : h)
            r.push_back({x.id, std::move(x.pal)});
        return r;
    }
    // A store of an older format opened read-only has no keys: every word is analysed.
    recorrerEnOrden([&](qint64 id, const char *p, int n, bool nula, const char *, int) {
        if (nula)
            return;
        const QString pal = QString::fromUtf8(p, n);
        const AnalisisSilabico a = analizarPalabra(pal);
        if (!a.valido || (silabas && a.numSilabas() != *silabas))
            return;
        if ((tipo == TipoRima::Consonante ? a.claveConsonante : a.claveAsonante) == clave)
            r.push_back({id, pal});
    });
    return r;
}

} // namespace rimario
