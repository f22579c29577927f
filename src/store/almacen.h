#pragma once
// The word store "data.lop": an SQLite file holding the table Palabras
// (Pal, Voc, Sig, A2..A7). Every change is committed to the file at once.
//
// Layout of the file. The rows live in PalabrasBase; Palabras is a view over it
// that gives every row its rhyme marks A2..A7 as -1/0. A vowel-mode search does
// not rewrite a million rows: it records its rule (the vowel ending and, if
// asked, the word length) in Marcas under a new generation number, and a row's
// mark for that length is the rule's verdict unless the row was written after
// the search (its Sello is at least the rule's generation), in which case the
// row's own stored value holds. Reading Palabras therefore always gives exactly
// the marks that clearing the column and marking the matching rows would leave.

#include "base/error.h"
#include "store/colador.h"
#include "store/huella.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <stdexcept>
#include <vector>

struct sqlite3;

namespace rimario {

class Sentencia;
struct AnalisisSilabico;

// A failure of the store, worded in Spanish for the user; carries the engine's
// message when there is one.
class ErrorAlmacen : public Error {
public:
    // Cambiado: another program committed since the version a write was told to
    // expect (see exigirVersion); nothing was written.
    enum class Tipo { General, NoExiste, NoEsAlmacen, EsAccess, FormatoNuevo, Ocupado, SoloLectura, Cambiado };
    ErrorAlmacen(Tipo tipo, const QString &mensaje, const QString &detalle = QString())
        : Error(mensaje, detalle), tipo_(tipo) {}
    Tipo tipo() const { return tipo_; }

private:
    Tipo tipo_;
};

constexpr int kLongitudMinima = 2; // rhyme lengths 2..7
constexpr int kLongitudMaxima = 7;
constexpr int kFormatoActual = 4;  // format version written into new stores

using Marcas6 = std::array<bool, 6>; // A2..A7

// One row of Palabras.
struct Fila {
    qint64 id = 0;
    std::optional<QString> pal;
    std::optional<QString> voc;
    std::optional<QString> sig;
    Marcas6 marcas{};
};

// The rule left by the latest vowel-mode search of one length.
struct ReglaMarca {
    qint64 generacion = 0;        // rows with Sello >= generacion keep their own value
    std::optional<QString> fin;   // vowel ending; none: the rule marks nothing
    std::optional<qint64> largo;  // number of characters of the word, when limited
};

struct EstadoMarcas {
    std::array<ReglaMarca, 6> reglas; // index n - 2
    qint64 contador = 0;              // generation of the latest search
};

// Told, on the thread that waits, while a store waits for another program to
// free the file: how long it has waited so far. Returning false gives up (the
// operation then fails as when the time is up).
using AvisoEspera = std::function<bool(int esperadoMs)>;

// One operation for the waits on this thread while one lives (they nest): its
// statements share one deadline, counted from the first wait, instead of each
// waiting the whole time.
class PlazoDeEspera {
public:
    PlazoDeEspera();
    ~PlazoDeEspera();
    PlazoDeEspera(const PlazoDeEspera &) = delete;
    PlazoDeEspera &operator=(const PlazoDeEspera &) = delete;
};

class Almacen {
    // One write of this store's own, begun after the checks every write makes
    // and committed keeping count of the store's own commits; rolled back
    // unless committed (transaccion runs one, a Lote holds one).
    class Propia;

public:
    ~Almacen();
    Almacen(const Almacen &) = delete;
    Almacen &operator=(const Almacen &) = delete;

    // Opens an existing store; never creates a file. Falls back to read-only
    // when the file or its directory cannot be written. Throws ErrorAlmacen.
    static std::unique_ptr<Almacen> abrir(const QString &ruta, bool soloLectura = false);
    // Creates a new, empty store; fails if the file exists.
    static std::unique_ptr<Almacen> crear(const QString &ruta);

    // Who is told of waits for another program, for every store of the process.
    static void ponerAvisoEspera(AvisoEspera aviso);

    // True when the file starts like a Microsoft Access (Jet/ACE) database.
    // Never blocks: a pipe, device or socket is not one.
    static bool pareceAccess(const QString &ruta);
    // The message for a path that exists but is not a regular file ("" otherwise).
    static QString noEsArchivoNormal(const QString &ruta);

    QString ruta() const { return ruta_; }
    bool soloLectura() const { return soloLectura_; }
    sqlite3 *conexion() const { return db_; }
    const Colador &colador() const { return colador_; }

    // ---- reading
    // One row as read, texts as UTF-8 (valid during the call only).
    struct FilaLeida {
        qint64 id = 0;
        std::string_view pal, voc;
        bool palNula = false;
        bool conClaves = false; // false: a row whose rhyme keys are not made (or an older format)
        std::string_view consonante, asonante; // empty: a word the rules cannot split
        int silabas = 0;
    };
    // Every row, in no particular order.
    void recorrerFilas(const std::function<void(const FilaLeida &)> &visitar) const;
    // The state of the file now.
    Huella huella() const;
    // Runs 'leer' inside one read, no other program writing meanwhile, and
    // gives the state of the file it read.
    Huella leerFijo(const std::function<void()> &leer) const;
    // True when the file went from state 'antes' to 'ahora' by this store's
    // own writes alone (every one of them committed here, none by another program).
    bool soloEscriturasPropias(const Huella &antes, const Huella &ahora) const;
    // The Ids of the rows changed since the log's entry 'sec' (whose tag is
    // 'azar'; 0, 0: since the log began), each once, in order; none when the
    // log no longer holds that entry as it was (pruned, or another history).
    // Only inside leerFijo's read, on a store of format 4.
    std::optional<std::vector<qint64>> cambiosDesde(qint64 sec, qint64 azar) const;
    // The rows of these Ids that exist, in their order.
    void recorrerFilas(const std::vector<qint64> &ids, const std::function<void(const FilaLeida &)> &visitar) const;
    std::optional<QString> sig(qint64 id) const;
    std::optional<Fila> fila(qint64 id) const;   // marks as the view gives them
    qint64 contarFilas() const;
    EstadoMarcas estadoMarcas() const;
    // Changes whenever another connection (another program's) commits.
    qint64 versionDatos() const;
    // While set (>= 0), every write first checks, holding the write lock, that
    // versionDatos() is still this value, and otherwise writes nothing and
    // throws ErrorAlmacen of type Cambiado. -1 clears it.
    void exigirVersion(qint64 version) { versionExigida_ = version; }
    // Why the store is only read, when it is (for the user).
    QString motivoSoloLectura() const { return motivoSoloLectura_; }

    // ---- writing (each call is committed at once)
    qint64 anadir(const QString &pal, const QString &voc, const std::optional<QString> &sig);
    void cambiarSig(qint64 id, const std::optional<QString> &sig);
    // In-place edit of a word: its skeleton is recomputed and its marks are kept
    // as they stood.
    void cambiarPal(qint64 id, const QString &pal);
    void eliminar(qint64 id);
    // Records the marks of a vowel-mode search of length n. Returns the new state.
    EstadoMarcas marcarVocales(int n, const QString &fin, std::optional<qint64> largo);

    // ---- bulk writing, for creating and converting stores
    class Lote {
    public:
        explicit Lote(Almacen &a);
        ~Lote();                      // rolls back unless confirmed
        qint64 insertar(const Fila &f);
        // The same with the word's analysis made beforehand (on another thread, say).
        qint64 insertar(const Fila &f, const AnalisisSilabico &analisis);
        void confirmar();

    private:
        Almacen &a_;
        std::unique_ptr<Propia> escritura_;
        std::unique_ptr<Sentencia> ins_; // prepared once, run for every row
        qint64 sello_ = 0;
    };

    int formato() const { return formato_; }

    // SQLite's integrity check; empty when the file is sound.
    QString comprobarIntegridad() const;

private:
    explicit Almacen(const QString &ruta);
    void preparar();
    // Rolls back what a program that died while writing left in the journal,
    // which a read-only connection cannot do.
    void deshacerCambioPendiente();
    void comprobarEsquema();
    void registrarFunciones();
    void actualizarClaves();
    // Rows written by another program through Palabras have no keys yet (Clave Null).
    bool hayClavesPendientes() const;
    // Makes their keys, without waiting for another program's lock; false when
    // the store cannot be written now (they are then keyed in memory as read).
    bool repararClaves() const;
    void actualizarFormato(int desde);
    void ejecutar(const char *sql) const;
    // One write transaction, committed at once; rolled back if 'cuerpo' throws.
    void transaccion(const QString &que, const std::function<void()> &cuerpo);
    // One statement inside it; returns the number of rows changed.
    int sentencia(const QString &que, const char *sql, const std::function<void(Sentencia &)> &enlazar);
    qint64 contador() const;
    // What the file's header says: SQLite's count of commits, and whether
    // the store keeps a write-ahead log.
    struct Cabecera {
        quint32 cambios = 0;
        bool registro = false;
        bool leida = false;
    };
    Cabecera leerCabecera() const;
    // The log's state as readers take it (see Huella::registro), from the index
    // of the log the engine shares with the other programs; only while this
    // connection reads a store that keeps a log. None when it cannot be
    // trusted (being written, or an index this connection cannot write).
    std::optional<std::array<uint32_t, 6>> leerRegistro() const;
    // What tells this store's commits apart: the count of commits and the log.
    struct Estado {
        quint32 cambios = 0;
        std::array<uint32_t, 6> registro{};
        bool operator==(const Estado &) const = default;
    };
    // Read inside a transaction; none when it cannot be.
    std::optional<Estado> leerEstado() const;
    // After a commit of this store's own from state 'antes', begun when the
    // data version was 'version': the state it left, kept in the run of
    // own commits when no other program committed meanwhile.
    void anotarPropia(const std::optional<Estado> &antes, qint64 version);
    [[noreturn]] void fallo(const QString &que, int rc) const;

    QString ruta_;
    sqlite3 *db_ = nullptr;
    bool soloLectura_ = false;
    QString motivoSoloLectura_;
    qint64 versionExigida_ = -1;
    int formato_ = kFormatoActual;
    // The latest run of this store's own commits with none of another program
    // between them: the state before the first and after each one, in order.
    std::vector<Estado> propias_;
    Colador colador_;
};

} // namespace rimario
