#pragma once
// The word list held in memory, in list order (the store's text order of Pal),
// with what finding words and rhyming needs at hand: a million words load in a
// fraction of a second and every find or rhyme scan runs without touching the
// file. It mirrors the store: every write the program makes is applied to both.

#include "store/colador.h"
#include "store/huella.h"
#include "lista/vista_lista.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace rimario {

class Almacen;
class Turno;
class Patron;
struct Requisitos;

// An array of the list: owned, or lent by a mapped snapshot file until the
// first change, which copies it.
template <class T> class Tramo {
public:
    size_t size() const { return n_; }
    bool empty() const { return n_ == 0; }
    const T *data() const { return p_; }
    const T *begin() const { return p_; }
    const T *end() const { return p_ + n_; }
    const T &operator[](size_t i) const { return p_[i]; }
    void tomar(std::vector<T> &&v)
    {
        propio_ = std::move(v);
        apuntar();
    }
    void prestar(const T *p, size_t n)
    {
        propio_ = {};
        p_ = p;
        n_ = n;
        prestado_ = true;
    }
    template <class F> void cambiar(F &&f)
    {
        if (prestado_)
            propio_.assign(p_, p_ + n_);
        f(propio_);
        apuntar();
    }
    size_t memoria() const { return propio_.capacity() * sizeof(T); }

private:
    void apuntar()
    {
        p_ = propio_.data();
        n_ = propio_.size();
        prestado_ = false;
    }
    std::vector<T> propio_;
    const T *p_ = nullptr;
    size_t n_ = 0;
    bool prestado_ = false;
};

class Lexico {
public:
    static constexpr qsizetype kNinguna = -1;

    explicit Lexico(const Colador &colador) : colador_(colador) {}
    ~Lexico();
    Lexico(const Lexico &) = delete;
    Lexico &operator=(const Lexico &) = delete;

    // Where a load took the list from: the rows, the snapshot of this very
    // state mapped, or the snapshot of an earlier state brought up to date
    // from the store's log of changed rows.
    enum class Origen { Filas, Instantanea, AlDia };
    // Reads every row from the store (replacing what was held). A snapshot of
    // the list kept from an earlier read of the very same file is mapped
    // instead; a list read from the rows is kept as the next snapshot (written
    // in the background).
    Origen cargar(const Almacen &almacen);
    // Waits until the indexes being made after a read of the rows are made,
    // and the snapshot being written, if any, is on disk.
    void esperarInstantanea();
    // Lets the merge of a list brought up to date start now (the window is
    // up); a search, a change or a second's wait also does.
    void empezar();
    // After a load from a snapshot: whether the snapshot's arrays are still
    // those it was written with (a pass over the file, tens of milliseconds
    // at a million words). It may run on any thread and outlive the list; it
    // gives up, false, when 'parar' is set. Empty after a load from the rows.
    std::function<bool(const std::atomic<bool> &parar)> comprobacionDeInstantanea() const { return comprobacion_; }
    // Keeps the list as the next snapshot when it was changed since it was
    // loaded and the store was changed by this program's own writes alone
    // (every one of them applied to the list too). Never throws.
    void conservar(const Almacen &almacen);

    // The rows, by position. A list brought up to date from the log answers
    // these from the snapshot's rows and the log's as they stand, while its
    // merged arrays are made; everything else waits for those.
    qsizetype tamano() const { return capa_ ? qsizetype(capa_->filas) : qsizetype(ids_.size()); }
    bool vacio() const { return tamano() == 0; }
    qint64 id(qsizetype pos) const
    {
        if (const Capa::Nueva *n = capa_ ? capa_->donde(pos) : nullptr)
            return n->id;
        return ids_[size_t(pos)];
    }
    QStringView pal(qsizetype pos) const
    {
        if (const Capa::Nueva *n = capa_ ? capa_->donde(pos) : nullptr)
            return QStringView(capa_->texto.data() + n->inicio, qsizetype(n->largo));
        // A word of a damaged snapshot that lies outside the text reads as empty.
        const size_t desde = inicio_[size_t(pos)], largo = largo_[size_t(pos)];
        if (desde > arena_.size() || largo > arena_.size() - desde)
            return {};
        return QStringView(arena_.data() + desde, qsizetype(largo));
    }
    bool palNula(qsizetype pos) const
    {
        if (const Capa::Nueva *n = capa_ ? capa_->donde(pos) : nullptr)
            return (n->claveVoc & kPalNula) != 0;
        return (claveVoc_[size_t(pos)] & kPalNula) != 0;
    }
    // Number of characters (code points) of the word at pos.
    qsizetype caracteres(qsizetype pos) const;
    // Position of a row by its Id, or kNinguna.
    qsizetype posicionDeId(qint64 id) const;

    // First position, in list order, whose word matches "texto" + "*" under the
    // store's like. An invalid pattern finds nothing.
    qsizetype buscarPrefijo(QStringView texto) const;
    // First position whose word equals the text, letter case aside.
    qsizetype buscarIgual(QStringView palabra) const;
    // First position matching any compiled pattern.
    qsizetype buscarPatron(const Patron &patron) const;

    // Keeping step with the store. The position insertar would give a row
    // (counted among the rows held now).
    qsizetype posicionDeInsercion(QStringView pal, qint64 id) const;
    qsizetype insertar(qint64 id, QStringView pal, QStringView voc);
    void eliminar(qsizetype pos);
    qsizetype cambiar(qsizetype pos, QStringView pal, QStringView voc);

    // ---- rhyme scans, in list order
    // Words whose last characters equal "fin" (letter case aside, no pattern
    // characters in it), leaving out words equal to "excluida"; with
    // caracteres >= 0 only words of that many characters.
    void terminadasEn(QStringView fin, QStringView excluida, qsizetype caracteres,
                      std::vector<qsizetype> &salida) const;
    // Same with a like pattern for the whole word.
    void queCoinciden(const Patron &patron, QStringView excluida, qsizetype caracteres,
                      std::vector<qsizetype> &salida) const;
    // Words whose consonant (or assonant) rhyme key is 'clave', optionally
    // only those of a number of syllables (-1: any).
    void riman(TipoRima tipo, QStringView clave, int silabas, std::vector<qsizetype> &salida) const;
    // Words whose stored skeleton ends in "fin" (vowels only, 1..7 of them).
    void vocalesTerminadasEn(QStringView fin, qsizetype caracteres,
                             std::vector<qsizetype> &salida) const;

    // The words at the positions (those of a search, in list order), each in
    // UTF-8 (a lone surrogate as U+FFFD) and followed by a line break, handed
    // to 'escribir' in blocks of some kilobytes. A list mapped from a snapshot
    // reads a search's many words from the snapshot's UTF-8 copy of the text,
    // in one pass through the file rather than page by page of the mapping.
    // Returns how many came from that copy.
    size_t lineasUtf8(const std::vector<qsizetype> &pos,
                      const std::function<void(const char *, size_t)> &escribir) const
    {
        tomarFusion();
        return vista().lineasUtf8(pos, escribir);
    }

    // Memory held, in bytes (for the benchmarks).
    size_t memoria() const;

private:
    static_assert(std::is_same_v<qsizetype, Posicion>);

    // A snapshot of an earlier state and the rows the store's log names as
    // changed since: the list they make, told as runs (the snapshot's rows
    // from one of them on, or one row read from the log) until the merged
    // arrays are made.
    struct Capa {
        struct Nueva {
            qint64 id;
            uint32_t inicio, largo, claveVoc; // in texto
            QString consonante, asonante;     // the rhyme keys as read, numbered by the merge
            int silabas;
        };
        struct Trecho {
            size_t desde;  // the first position of the list it holds
            uint32_t base; // the snapshot's row it starts at, or kFuera: the one row nuevas[nueva]
            uint32_t nueva;
        };
        std::vector<Nueva> nuevas; // in list order
        std::vector<char16_t> texto;
        std::vector<Trecho> trechos; // by desde
        size_t filas = 0;
        // The row at a position of the list: a new one, or else null with
        // 'pos' made the snapshot's row there.
        const Nueva *donde(qsizetype &pos) const
        {
            const auto t = std::upper_bound(trechos.begin(), trechos.end(), size_t(pos),
                                            [](size_t p, const Trecho &x) { return p < x.desde; }) - 1;
            if (t->base == kFuera)
                return &nuevas[t->nueva];
            pos = qsizetype(t->base + (size_t(pos) - t->desde));
            return nullptr;
        }
    };
    static constexpr uint32_t kPalNula = VistaLista::kPalNula;
    static constexpr uint32_t kRara = VistaLista::kRara;
    static constexpr uint32_t kCamposVoc = VistaLista::kCamposVoc;

    // The arrays as the searches read them, as they stand.
    VistaLista vista() const;

    struct Claves {
        uint64_t fin1, fin2;
        uint32_t voc;
        uint64_t caracteres = 0, pares = 0; // see Requisitos
    };
    // A word's rhyme keys: the consonant key's number (bits 0-31), the
    // assonant key's (32-55), the syllables (56-63); 0: no key.
    static uint64_t rima(uint32_t consonante, uint32_t asonante, int silabas)
    {
        return consonante | uint64_t(asonante) << 32 | uint64_t(std::clamp(silabas, 0, 255)) << 56;
    }
    uint64_t rimaDe(QStringView pal);
    uint32_t numeroDeClave(const QString &clave);
    // The keys' table as texts and their index, made when first needed from
    // the mapped snapshot's table (if the list came from one).
    void asegurarClaves() const;
    static Claves clavesDe(const char16_t *pal, qsizetype npal, bool nula, const char16_t *voc,
                           qsizetype nvoc);
    static void mascarasDe(const char16_t *pal, qsizetype npal, Claves &c);
    void ponerEn(size_t pos, qint64 id, const char16_t *pal, qsizetype npal, bool nula,
                 const char16_t *voc, qsizetype nvoc, uint64_t rima);
    // Code point order (-1, 0, 1): what decides between words of one place in the text order.
    static int compararPuntos(QStringView a, QStringView b);
    // Which of two rows comes first in the list (-1, 0, 1): by the text order,
    // then by code points, then by Id, as the file orders them.
    int compararFilas(QStringView a, qint64 idA, QStringView b, qint64 idB) const;
    qsizetype limiteInferiorBase(const char16_t *t, qsizetype n) const;
    // False when the word cannot match a pattern with these requisites.
    bool puedeCoincidir(qsizetype pos, const Requisitos &r) const;
    // Positions sorted by a key of their endings (the rare rows by position
    // alone): a search reads its own rows alone. Made after a read of the
    // rows, mapped from a snapshot, and kept current by every change.
    struct IndicesPropios {
        std::vector<uint32_t> porFin, porVocales, porConsonante, porAsonante, raras;
    };
    // What a change did to the rows: where each row held before it went
    // (kFuera: removed) and the positions of the rows it added, ascending.
    static constexpr uint32_t kFuera = UINT32_MAX;
    struct Traslado {
        const std::vector<uint32_t> *mapa = nullptr; // each row's new place; or else:
        uint32_t quitada = kFuera, puesta = kFuera;  // the one row removed, the one put
        std::vector<uint32_t> nuevas;
        uint32_t destino(uint32_t antes) const;
    };
    // The indexes of the arrays as they stand, from those of the rows before
    // the change (filasAntes of them) and what it did; without indexes to
    // bring along, from every row.
    void rehacerIndices(size_t filasAntes, const Traslado &traslado);
    // One index so: the rows of 'viejo' where they went, and each new row
    // that 'entra' takes at its place by (clave, position); 'propio', the
    // index's own array, is reused (viejo may point into it).
    template <class K, class E>
    static std::vector<uint32_t> rehacer(std::vector<uint32_t> &&propio, const uint32_t *viejo, size_t nViejo,
                                         size_t filasAntes, const Traslado &t, K clave, E entra);
    // Puts a row at its place: a new one, or the one at 'quitada' moved there.
    qsizetype poner(qint64 id, QStringView pal, QStringView voc, uint32_t quitada);
    // The number of a rhyme key, 0 if no word has it.
    uint32_t numeroExistente(QStringView clave) const;
    void cargarFilas(const Almacen &almacen);
    // The list order of rows read in any order: for each place, the row to put there.
    std::vector<uint32_t> ordenar(const std::vector<qint64> &ids, const std::vector<uint32_t> &inicio,
                                  const std::vector<uint32_t> &largo, const std::vector<char16_t> &arena) const;
    bool mapear(const QString &ruta, const Huella &huella);
    // Loads the snapshot at 'ruta' of an earlier state and the rows the
    // store's log names as changed since, and starts merging them on a thread
    // of its own; false (nothing held) when the log cannot tell all of them.
    bool ponerAlDia(const Almacen &almacen, const QString &ruta);
    // The snapshot's arrays (lent) merged with the rows of the layer.
    void fundir(const Capa &capa);
    // Reads the merged arrays of a list brought up to date, once made (waiting
    // for them): the same rows at the same positions, so that a caller holding
    // a constant list sees no change.
    void tomarFusion() const;
    // Makes the merged arrays the list's own, once written out: before a change.
    void soltarFusion();
    // Waits for this list's threads, taking nothing and writing nothing more.
    void esperarHilos();
    // The list's arrays, in list order, as they were made.
    void tomarColumnas(std::vector<qint64> &&ids, std::vector<uint32_t> &&inicio, std::vector<uint32_t> &&largo,
                       std::vector<uint32_t> &&claveVoc, std::vector<uint64_t> &&fin1, std::vector<uint64_t> &&fin2,
                       std::vector<char16_t> &&arena, std::vector<uint64_t> &&mascara, std::vector<uint64_t> &&pares,
                       std::vector<uint64_t> &&rimas);
    void escribirInstantanea(const QString &ruta, const Huella &huella) const;
    template <class F> void cambiarTodos(F &&f);

    const Colador &colador_;
    Tramo<qint64> ids_;
    Tramo<uint32_t> inicio_;
    Tramo<uint32_t> largo_;
    Tramo<uint64_t> fin1_, fin2_; // last 4 and previous 4 folded UTF-16 units
    Tramo<uint32_t> claveVoc_;    // last 7 vowels of Voc, 3 bits each, + flags
    Tramo<uint64_t> mascara_, pares_; // the characters and adjacent pairs of the word
    Tramo<uint64_t> rima_;            // see rima()
    mutable std::vector<QString> clavesRima_{QString()}; // the keys by number (0: none)
    mutable QHash<QString, uint32_t> numerosClave_;
    struct TablaMapeada {
        const uint32_t *desde = nullptr; // claves + 1 places in texto
        const char16_t *texto = nullptr;
        size_t claves = 0;
    };
    mutable std::optional<TablaMapeada> tablaMapeada_; // keys not read yet
    std::optional<VistaLista::Indices> indices_;
    IndicesPropios indicesPropios_; // what indices_ points into when not mapped
    // The words in UTF-8 in the mapped file (open while mapa_ holds it).
    // Dropped at the first change.
    std::optional<VistaLista::Lineas> lineas_;
    Tramo<char16_t> arena_;
    std::shared_ptr<const void> mapa_; // the mapped snapshot the arrays may borrow from
    std::function<bool(const std::atomic<bool> &)> comprobacion_; // of the mapped snapshot
    Huella cargada_;                   // the state of the store the list was loaded from
    bool cambiada_ = false;            // changed since
    std::future<void> escritura_;      // the snapshot being written
    // The indexes being made after a read of the rows, on a thread of their
    // own: the list is shown meanwhile; a search or a change waits for them.
    mutable std::shared_future<void> indexando_;
    // A list brought up to date from the log: its rows as runs, and the
    // merged list being made from them on a thread of its own (see tomarFusion).
    std::shared_ptr<const Capa> capa_;
    std::unique_ptr<Lexico> fusion_;
    std::future<void> fundida_;   // made
    std::future<void> fundiendo_; // made and written out
    std::shared_ptr<Turno> turno_; // when it may start
    void esperarIndices() const
    {
        if (indexando_.valid())
            indexando_.wait();
    }
    bool indicesHechos() const
    {
        return !indexando_.valid() || indexando_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
};

} // namespace rimario
