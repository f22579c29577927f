#include "store/access/lector_access.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <mdbtools.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <vector>

namespace rimario {

namespace {

// Flags in the high bits of a row's offset on a data page.
// A deleted row has both; the data of a moved row, only the first: it is
// reached through the pointer left in the row's place.
constexpr quint16 kFilaBorrada = 0x8000;
constexpr quint16 kFilaMovida = 0x4000; // the row holds a pointer to its data elsewhere
constexpr quint16 kMascaraPosicion = 0x1FFF;
constexpr int kSaltosMaximos = 4;

// The 12-byte head of a long value (memo): length and kind, pointer to its data.
constexpr int kCabezaMemo = 12;
constexpr quint32 kMemoAqui = 0x80000000u;    // the data follows the head
constexpr quint32 kMemoUnaFila = 0x40000000u; // one row of a long-value page
constexpr quint32 kTipoMemo = 0xC0000000u;    // otherwise: a chain of rows

const char *const kMarcas[6] = {"A2", "A3", "A4", "A5", "A6", "A7"};

quint16 le16(const unsigned char *p) { return quint16(p[0] | (p[1] << 8)); }
quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

bool esTexto(int tipo) { return tipo == MDB_TEXT || tipo == MDB_MEMO; }
bool esMarca(int tipo)
{
    return tipo == MDB_BOOL || tipo == MDB_BYTE || tipo == MDB_INT || tipo == MDB_LONGINT;
}

} // namespace

struct LectorAccess::Datos {
    QString ruta;
    MdbHandle *mdb = nullptr;
    MdbTableDef *tabla = nullptr;
    int pal = -1, voc = -1, sig = -1;
    std::array<int, 6> marcas{-1, -1, -1, -1, -1, -1};
    std::optional<QStringDecoder> paginaCodigos; // Jet 3 text

    ~Datos()
    {
        if (tabla)
            mdb_free_tabledef(tabla);
        if (mdb)
            mdb_close(mdb);
    }

    [[noreturn]] void danado(const QString &detalle) const
    {
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("La base de datos de Access «%1» está dañada (%2). "
                                          "No se ha convertido nada.")
                               .arg(ruta, detalle));
    }

    MdbColumn *columna(int i) const
    {
        return static_cast<MdbColumn *>(g_ptr_array_index(tabla->columns, guint(i)));
    }

    // Bounds [ini, fin) and flags of row 'fila' of the page in 'pg'.
    bool limites(const unsigned char *pg, unsigned fila, int &ini, int &fin, quint16 &banderas) const
    {
        const int rco = mdb->fmt->row_count_offset;
        const int tam = int(mdb->fmt->pg_size);
        const unsigned n = le16(pg + rco);
        if (fila >= n || rco + 2 + 2 * int(n) > tam)
            return false;
        const quint16 bruto = le16(pg + rco + 2 + 2 * fila);
        banderas = bruto & ~kMascaraPosicion;
        ini = bruto & kMascaraPosicion;
        fin = fila == 0 ? tam : (le16(pg + rco + 2 * fila) & kMascaraPosicion);
        return ini >= rco + 2 + 2 * int(n) && ini <= fin && fin <= tam;
    }

    // Loads a page of this table into libmdb's page buffer (a no-op when it is there).
    void cargar(guint32 pg) const
    {
        if (mdb_read_pg(mdb, pg) != mdb->fmt->pg_size || mdb->pg_buf[0] != MDB_PAGE_DATA
            || le32(mdb->pg_buf + 4) != tabla->entry->table_pg)
            danado(QStringLiteral("la página %1 no es de la tabla «Palabras»").arg(pg));
    }

    // One row of a long-value page, read into libmdb's second page buffer.
    QByteArrayView filaLarga(quint32 puntero) const
    {
        const guint32 pg = puntero >> 8;
        int ini = 0, fin = 0;
        quint16 banderas = 0;
        if (pg == 0 || mdb_read_alt_pg(mdb, pg) != mdb->fmt->pg_size
            || mdb->alt_pg_buf[0] != MDB_PAGE_DATA || !limites(mdb->alt_pg_buf, puntero & 0xFF, ini, fin, banderas))
            return {};
        return QByteArrayView(mdb->alt_pg_buf + ini, fin - ini);
    }

    // The bytes of a long value whose head is at 'p' (n bytes in the row).
    std::optional<QByteArray> memo(const unsigned char *p, int n) const
    {
        if (n == 0)
            return QByteArray();
        if (n < kCabezaMemo)
            return std::nullopt;
        const quint32 cabeza = le32(p);
        const qint64 largo = cabeza & ~kTipoMemo;
        quint32 puntero = le32(p + 4);
        switch (cabeza & kTipoMemo) {
        case kMemoAqui:
            if (largo > n - kCabezaMemo)
                return std::nullopt;
            return QByteArray(reinterpret_cast<const char *>(p + kCabezaMemo), largo);
        case kMemoUnaFila: {
            const QByteArrayView fila = filaLarga(puntero);
            if (fila.size() < largo)
                return std::nullopt;
            return fila.first(largo).toByteArray();
        }
        case 0: {
            // A chain: each row starts with the pointer to the next one.
            QByteArray datos;
            datos.reserve(qMin<qint64>(largo, 1 << 24));
            std::set<quint32> vistas;
            while (datos.size() < largo) {
                if (!vistas.insert(puntero).second)
                    return std::nullopt;
                const QByteArrayView fila = filaLarga(puntero);
                if (fila.size() <= 4)
                    return std::nullopt;
                puntero = le32(reinterpret_cast<const unsigned char *>(fila.data()));
                datos.append(fila.sliced(4).first(qMin<qint64>(fila.size() - 4, largo - datos.size())));
            }
            return datos;
        }
        default:
            return std::nullopt;
        }
    }

    QString decodificar(const QByteArray &b)
    {
        if (paginaCodigos)
            return paginaCodigos->decode(b);
        const auto *p = reinterpret_cast<const unsigned char *>(b.constData());
        const qsizetype n = b.size();
        QString s;
        s.reserve(n / 2 + 1);
        if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
            // "Unicode compression": runs of one byte per character (the low
            // byte of UCS-2) and of two bytes per character, a zero byte
            // switching from one kind of run to the other.
            bool comprimido = true;
            for (qsizetype i = 2; i < n;) {
                if (p[i] == 0) {
                    comprimido = !comprimido;
                    ++i;
                } else if (comprimido) {
                    s.append(QChar(char16_t(p[i++])));
                } else if (i + 1 < n) {
                    s.append(QChar(le16(p + i)));
                    i += 2;
                } else {
                    break;
                }
            }
            return s;
        }
        // Plain UCS-2 (surrogate pairs kept as they are); a lone last byte
        // cannot hold a character.
        for (qsizetype i = 0; i + 1 < n; i += 2)
            s.append(QChar(le16(p + i)));
        return s;
    }
};

LectorAccess::LectorAccess(const QString &ruta) : d_(std::make_unique<Datos>())
{
    d_->ruta = ruta;
    auto error = [](const QString &m) { throw ErrorAlmacen(ErrorAlmacen::Tipo::General, m); };
    const QFileInfo info(ruta);
    if (!info.exists())
        throw ErrorAlmacen(ErrorAlmacen::Tipo::NoExiste, QStringLiteral("No se encuentra el archivo «%1».").arg(ruta));
    if (const QString m = Almacen::noEsArchivoNormal(ruta); !m.isEmpty())
        error(m);
    QFile f(ruta);
    if (info.isDir() || !f.open(QIODevice::ReadOnly))
        error(QStringLiteral("No se puede leer «%1».").arg(ruta));
    f.close();
    if (!Almacen::pareceAccess(ruta))
        error(QStringLiteral("«%1» no es una base de datos de Microsoft Access.").arg(ruta));

    d_->mdb = mdb_open(QFile::encodeName(ruta).constData(), MDB_NOFLAGS);
    if (!d_->mdb)
        error(QStringLiteral("«%1» no se puede abrir como base de datos de Microsoft Access "
                             "(está dañado o es de una versión desconocida).").arg(ruta));
    MdbHandle *mdb = d_->mdb;
    // Jet writes whole pages: anything else is a cut copy, whose missing end
    // libmdb would read as zeros.
    if (info.size() % mdb->fmt->pg_size != 0)
        d_->danado(QStringLiteral("el archivo está cortado"));
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        d_->danado(QStringLiteral("no se puede leer su catálogo"));
    MdbCatalogEntry *entrada = nullptr;
    for (guint i = 0; i < mdb->num_catalog && !entrada; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE
            && QString::fromUtf8(e->object_name).compare(QLatin1String("Palabras"), Qt::CaseInsensitive) == 0)
            entrada = e;
    }
    if (!entrada)
        error(QStringLiteral("La base de datos «%1» no tiene la tabla «Palabras»: no se ha convertido.").arg(ruta));
    d_->tabla = mdb_read_table(entrada);
    if (!d_->tabla || !mdb_read_columns(d_->tabla))
        d_->danado(QStringLiteral("no se puede leer la definición de la tabla «Palabras»"));

    auto buscar = [&](const char *nombre, bool (*tipoValido)(int), const QString &queTipo, bool obligatoria) {
        for (guint i = 0; i < d_->tabla->num_cols; ++i) {
            const MdbColumn *c = d_->columna(int(i));
            if (QString::fromUtf8(c->name).compare(QLatin1String(nombre), Qt::CaseInsensitive) != 0)
                continue;
            if (!tipoValido(c->col_type))
                error(QStringLiteral("La columna «%2» de la tabla «Palabras» de «%1» no es %3: "
                                     "no se ha convertido.").arg(ruta, QLatin1String(nombre), queTipo));
            return int(i);
        }
        if (obligatoria)
            error(QStringLiteral("La tabla «Palabras» de «%1» no tiene la columna «%2»: no se ha convertido.")
                      .arg(ruta, QLatin1String(nombre)));
        return -1;
    };
    const QString texto = QStringLiteral("de texto");
    d_->pal = buscar("Pal", esTexto, texto, true);
    d_->voc = buscar("Voc", esTexto, texto, true);
    d_->sig = buscar("Sig", esTexto, texto, true);
    for (int i = 0; i < 6; ++i)
        d_->marcas[i] = buscar(kMarcas[i], esMarca, QStringLiteral("de tipo Sí/No"), false);

    if (mdb->f->jet_version == MDB_VER_JET3) {
        const int cp = mdb->f->code_page ? mdb->f->code_page : 1252;
        d_->paginaCodigos.emplace(QStringLiteral("windows-%1").arg(cp).toLatin1().constData(),
                                  QStringDecoder::Flag::Stateless);
        if (!d_->paginaCodigos->isValid())
            d_->paginaCodigos.emplace("windows-1252", QStringDecoder::Flag::Stateless);
    }
}

LectorAccess::~LectorAccess() = default;

qint64 LectorAccess::filasDeclaradas() const { return d_->tabla->num_rows; }

void LectorAccess::recorrer(const std::function<void(const Fila &)> &visitar)
{
    Datos &d = *d_;
    MdbHandle *mdb = d.mdb;
    MdbTableDef *t = d.tabla;
    std::vector<MdbField> campos(qMax<guint>(t->num_cols, MDB_MAX_COLS));
    qint64 numero = 0;

    t->cur_pg_num = 1; // libmdb's table scan starts its page search here
    t->cur_row = 0;
    for (int pg; (pg = mdb_read_next_dpg(t)) > 0;) {
        d.cargar(guint32(pg));
        const unsigned filas = le16(mdb->pg_buf + mdb->fmt->row_count_offset);
        for (unsigned r = 0; r < filas; ++r) {
            d.cargar(guint32(pg)); // a moved row may have loaded another page
            int ini = 0, fin = 0;
            quint16 banderas = 0;
            if (!d.limites(mdb->pg_buf, r, ini, fin, banderas))
                d.danado(QStringLiteral("la fila %1 de la página %2 no es válida").arg(r).arg(pg));
            if (banderas & kFilaBorrada)
                continue;
            ++numero;
            // A moved row keeps, where it was, the row number and page of its data.
            for (int saltos = 0; banderas & kFilaMovida; ++saltos) {
                if (saltos == kSaltosMaximos || fin - ini < 4)
                    d.danado(QStringLiteral("la fila %1 apunta a datos que no existen").arg(numero));
                const unsigned char *p = mdb->pg_buf + ini;
                const unsigned filaDestino = p[0];
                d.cargar(le32(p) >> 8);
                if (!d.limites(mdb->pg_buf, filaDestino, ini, fin, banderas)
                    || (banderas & (kFilaBorrada | kFilaMovida)) == (kFilaBorrada | kFilaMovida))
                    d.danado(QStringLiteral("la fila %1 apunta a datos que no existen").arg(numero));
            }
            const int n = mdb_crack_row(t, ini, size_t(fin - ini), campos.data());
            if (n < 0)
                d.danado(QStringLiteral("la fila %1 no se puede descifrar").arg(numero));

            auto campo = [&](int col) -> const MdbField * {
                if (col < 0)
                    return nullptr;
                for (int i = 0; i < qMin<int>(n, int(campos.size())); ++i)
                    if (campos[i].colnum == col)
                        return &campos[i];
                return nullptr;
            };
            auto bytes = [&](const MdbField *c) {
                if (c->start < 0 || c->siz < 0 || c->start + c->siz > mdb->fmt->pg_size)
                    d.danado(QStringLiteral("la fila %1 tiene un valor fuera de su página").arg(numero));
                return mdb->pg_buf + c->start;
            };
            Fila fila;
            fila.id = numero;
            auto texto = [&](int col, std::optional<QString> &destino) {
                const MdbField *c = campo(col);
                if (!c || c->is_null)
                    return;
                const unsigned char *p = bytes(c);
                if (d.columna(col)->col_type == MDB_TEXT) {
                    destino = d.decodificar(QByteArray(reinterpret_cast<const char *>(p), c->siz));
                    return;
                }
                const std::optional<QByteArray> largo = d.memo(p, c->siz);
                if (!largo)
                    d.danado(QStringLiteral("el texto largo de la columna «%1» de la fila %2 («%3») no "
                                            "se puede leer entero")
                                 .arg(QString::fromUtf8(d.columna(col)->name), QString::number(numero),
                                      fila.pal.value_or(QString()).left(80)));
                destino = d.decodificar(*largo);
            };
            texto(d.pal, fila.pal);
            texto(d.voc, fila.voc);
            texto(d.sig, fila.sig);
            for (int i = 0; i < 6; ++i) {
                const MdbField *c = campo(d.marcas[i]);
                if (!c || c->is_null)
                    continue; // a Yes/No column keeps True as "not null"
                if (d.columna(d.marcas[i])->col_type == MDB_BOOL) {
                    fila.marcas[i] = true;
                } else {
                    const unsigned char *p = bytes(c);
                    fila.marcas[i] = std::any_of(p, p + c->siz, [](unsigned char b) { return b != 0; });
                }
            }
            visitar(fila);
        }
    }
}

} // namespace rimario
