// The snapshot of the word list: the arrays of a Lexico as they stand after a
// read of the store, in one file of the user's cache, with the state of the
// store file they were read from. A later start on the very same state maps
// the file instead of reading a million rows; any other state reads the rows.
//
// Layout: a header, then the arrays one after the other, each aligned to its
// own element size: ids, fin1, fin2, mascara, pares, rima (8 bytes each),
// inicio, largo, claveVoc and where each rhyme key starts, the four ending
// indexes and the rows checked in full (4 bytes), the words' text and the
// rhyme keys' text (2 bytes), and the words once more in UTF-8, each after its
// length (what the command line writes out, read through the file). Written
// to a temporary file, synced and renamed over the old one, so that a reader
// finds the old snapshot or the new one.

#include "store/instantanea.h"

#include "language/utf8.h"
#include "store/almacen.h"
#include "store/lexico.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rimario {

namespace {

constexpr char kMagia[8] = {'R', 'I', 'M', 'A', 'L', 'S', 'T', '1'};
// Changes whenever what the arrays hold (or how their keys are made) changes.
constexpr quint32 kVersion = 7;
constexpr quint32 kOrdenBytes = 0x01020304;
constexpr int kMaxColacion = 60;

struct Cabecera {
    char magia[8];
    quint32 version;
    quint32 ordenBytes;
    quint64 filas;
    quint64 unidades; // UTF-16 units of the words' text
    quint64 claves, unidadesClaves; // rhyme keys (the empty one first) and their UTF-16 units
    quint64 raras;                  // rows whose ending the keys cannot tell
    quint64 bytesLineas;            // of the words in UTF-8
    quint64 dispositivo, nodo, tamano;
    qint64 modificado;
    quint32 cambios, paginas;
    qint32 formato;
    quint32 largoColacion;
    char16_t colacion[kMaxColacion];
    quint64 suma; // of every byte above
};
static_assert(sizeof(Cabecera) % 8 == 0);

quint64 sumar(const void *datos, size_t n)
{
    // FNV-1a, over a few hundred bytes.
    quint64 h = 14695981039346656037ull;
    const auto *b = static_cast<const unsigned char *>(datos);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ b[i]) * 1099511628211ull;
    return h;
}

Cabecera cabeceraDe(const Huella &h, quint64 filas, quint64 unidades, quint64 claves, quint64 unidadesClaves,
                    quint64 raras, quint64 bytesLineas)
{
    Cabecera c;
    std::memset(&c, 0, sizeof c);
    std::memcpy(c.magia, kMagia, sizeof kMagia);
    c.version = kVersion;
    c.ordenBytes = kOrdenBytes;
    c.filas = filas;
    c.unidades = unidades;
    c.claves = claves;
    c.unidadesClaves = unidadesClaves;
    c.raras = raras;
    c.bytesLineas = bytesLineas;
    c.dispositivo = h.dispositivo;
    c.nodo = h.nodo;
    c.tamano = h.tamano;
    c.modificado = h.modificado;
    c.cambios = h.cambios;
    c.paginas = h.paginas;
    c.formato = h.formato;
    c.largoColacion = quint32(std::min<qsizetype>(h.colacion.size(), kMaxColacion));
    std::memcpy(c.colacion, h.colacion.utf16(), c.largoColacion * sizeof(char16_t));
    c.suma = sumar(&c, offsetof(Cabecera, suma));
    return c;
}

quint64 tamanoEsperado(const Cabecera &c)
{
    return sizeof(Cabecera) + c.filas * (6 * 8 + 7 * 4) + (c.claves + 1) * 4 + c.raras * 4
        + (c.unidades + c.unidadesClaves) * 2 + c.bytesLineas;
}

// Where the words' lines start in the file.
quint64 desdeLineas(const Cabecera &c)
{
    return tamanoEsperado(c) - c.bytesLineas;
}

void anadirLongitud(std::string &s, size_t n)
{
    for (; n >= 0x80; n >>= 7)
        s += char(0x80 | (n & 0x7F));
    s += char(n);
}

// Unmaps and closes the file when the last array stops borrowing from it.
struct Mapa {
    void *base = MAP_FAILED;
    size_t largo = 0;
    int fd = -1;
    ~Mapa()
    {
        if (base != MAP_FAILED)
            ::munmap(base, largo);
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads a part of the lines through a buffer of its own.
class LectorLineas {
public:
    LectorLineas(int fd, quint64 desde, quint64 bytes) : fd_(fd), desde_(desde), bytes_(bytes), bufer_(kBufer) {}
    static constexpr size_t kBufer = size_t(1) << 16;
    quint64 bytes() const { return bytes_; }
    // The n bytes at 'donde' of the lines (n <= kBufer), or null.
    const char *leer(quint64 donde, size_t n)
    {
        if (n > kBufer || donde > bytes_ || n > bytes_ - donde)
            return nullptr;
        if (donde < inicio_ || donde + n > inicio_ + lleno_) {
            const size_t quiero = size_t(std::min<quint64>(kBufer, bytes_ - donde));
            const ssize_t r = ::pread(fd_, bufer_.data(), quiero, off_t(desde_ + donde));
            if (r < ssize_t(n))
                return nullptr;
            inicio_ = donde;
            lleno_ = size_t(r);
        }
        return bufer_.data() + (donde - inicio_);
    }

private:
    int fd_;
    quint64 desde_, bytes_;
    std::vector<char> bufer_;
    quint64 inicio_ = 0;
    size_t lleno_ = 0;
};

// Hands 'poner' the lines of the rows at the positions (of 'filas' rows, in
// list order); returns how many it gave: it stops at a position out of order
// or out of the list, at a word longer than a read, and where the lines do
// not hold together.
template <class F>
size_t recorrerLineas(LectorLineas &lector, const std::vector<qsizetype> &pos, qsizetype filas, F &&poner)
{
    const quint64 total = lector.bytes();
    quint64 donde = 0;                       // where p stands in the lines
    const char *p = nullptr, *fin = nullptr; // what the reader holds from there on
    // At least n bytes at p (fewer only at the end of the lines).
    auto tener = [&](size_t n) {
        if (size_t(fin - p) >= n)
            return true;
        const size_t quiero = size_t(std::min<quint64>(LectorLineas::kBufer, total - donde));
        p = lector.leer(donde, quiero);
        fin = p ? p + quiero : nullptr;
        return p && quiero >= n;
    };
    qsizetype fila = 0;
    for (size_t k = 0; k < pos.size(); ++k) {
        const qsizetype buscada = pos[k];
        if (buscada < fila || buscada >= filas)
            return k;
        for (;;) {
            // The length: at most five bytes.
            if (donde == total || !tener(size_t(std::min<quint64>(5, total - donde))))
                return k;
            quint64 largo = 0;
            size_t b = 0;
            for (;; ++b) {
                if (b == 5 || p + b == fin)
                    return k;
                largo |= quint64(uchar(p[b]) & 0x7F) << (7 * b);
                if (!(uchar(p[b]) & 0x80))
                    break;
            }
            p += b + 1;
            donde += b + 1;
            if (largo > total - donde)
                return k;
            if (fila++ == buscada) {
                if (!tener(size_t(largo))) // longer than a read
                    return k;
                poner(p, size_t(largo));
                p += largo;
                donde += largo;
                break;
            }
            if (largo <= quint64(fin - p))
                p += largo;
            else
                p = fin = nullptr; // read again where the next length is
            donde += largo;
        }
    }
    return pos.size();
}

} // namespace

QString rutaInstantanea(const QString &rutaAlmacen)
{
    QString carpeta;
    if (qEnvironmentVariableIsSet("RIMARIO_CACHE"))
        carpeta = qEnvironmentVariable("RIMARIO_CACHE"); // empty: no snapshots
    else if (const QString c = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation); !c.isEmpty())
        carpeta = c + QStringLiteral("/rimario");
    if (carpeta.isEmpty())
        return QString();
    const QFileInfo info(rutaAlmacen);
    const QString nombre = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray h = QCryptographicHash::hash(QFile::encodeName(nombre), QCryptographicHash::Sha1).toHex();
    return carpeta + QLatin1Char('/') + QString::fromLatin1(h.left(24)) + QStringLiteral(".lista");
}

bool Lexico::mapear(const QString &ruta, const Huella &huella)
{
    if (!huella.leida)
        return false;
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    Cabecera c;
    const bool cabeceraBien = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
        && ::pread(fd, &c, sizeof c, 0) == ssize_t(sizeof c);
    if (!cabeceraBien) {
        ::close(fd);
        return false;
    }
    // Only a snapshot of this very state of the store, whole, is taken.
    const Cabecera esperada =
        cabeceraDe(huella, c.filas, c.unidades, c.claves, c.unidadesClaves, c.raras, c.bytesLineas);
    if (std::memcmp(&c, &esperada, sizeof c) != 0 || c.filas > (quint64(1) << 32) || c.unidades > (quint64(1) << 32)
        || c.raras > c.filas || c.bytesLineas > c.unidades * 3 + c.filas * 5
        || c.claves < 1 || c.claves > (quint64(1) << 24) || c.unidadesClaves > (quint64(1) << 32)
        || quint64(st.st_size) != tamanoEsperado(c)) {
        ::close(fd);
        return false;
    }
    auto mapa = std::make_shared<Mapa>();
    mapa->largo = size_t(st.st_size);
    mapa->base = ::mmap(nullptr, mapa->largo, PROT_READ, MAP_PRIVATE, fd, 0);
    mapa->fd = fd; // kept open for the lines
    if (mapa->base == MAP_FAILED)
        return false;
    const size_t n = size_t(c.filas), u = size_t(c.unidades), k = size_t(c.claves);
    const char *p = static_cast<const char *>(mapa->base) + sizeof(Cabecera);
    const auto *ids = reinterpret_cast<const qint64 *>(p);
    const auto *fin1 = reinterpret_cast<const uint64_t *>(p + 8 * n);
    const auto *fin2 = reinterpret_cast<const uint64_t *>(p + 16 * n);
    const auto *mascara = reinterpret_cast<const uint64_t *>(p + 24 * n);
    const auto *pares = reinterpret_cast<const uint64_t *>(p + 32 * n);
    const auto *rima = reinterpret_cast<const uint64_t *>(p + 40 * n);
    const auto *inicio = reinterpret_cast<const uint32_t *>(p + 48 * n);
    const auto *largo = reinterpret_cast<const uint32_t *>(p + 52 * n);
    const auto *claveVoc = reinterpret_cast<const uint32_t *>(p + 56 * n);
    const auto *desdeClave = reinterpret_cast<const uint32_t *>(p + 60 * n);
    const auto *indices = reinterpret_cast<const uint32_t *>(p + 60 * n + 4 * (k + 1));
    const size_t raras = size_t(c.raras);
    const auto *arena = reinterpret_cast<const char16_t *>(indices + 4 * n + raras);
    const auto *arenaClaves = arena + u;
    // The rhyme keys' table must hold together. The rows' arrays are not read
    // here (a pass over them would cost more than most searches): a word that
    // lies outside the text reads as empty, and key numbers are only compared.
    if (desdeClave[0] != 0)
        return false;
    for (size_t i = 0; i < k; ++i)
        if (desdeClave[i] > desdeClave[i + 1] || desdeClave[i + 1] > c.unidadesClaves)
            return false;
    tablaMapeada_ = TablaMapeada{desdeClave, arenaClaves, k};
    indices_ = Indices{indices, indices + n, indices + 2 * n, indices + 3 * n, indices + 4 * n, raras};
    numerosClave_.clear();
    ids_.prestar(ids, n);
    fin1_.prestar(fin1, n);
    fin2_.prestar(fin2, n);
    mascara_.prestar(mascara, n);
    pares_.prestar(pares, n);
    rima_.prestar(rima, n);
    inicio_.prestar(inicio, n);
    largo_.prestar(largo, n);
    claveVoc_.prestar(claveVoc, n);
    arena_.prestar(arena, u);
    lineas_ = Lineas{fd, desdeLineas(c), c.bytesLineas};
    mapa_ = std::move(mapa);
    return true;
}

void Lexico::escribirInstantanea(const QString &ruta, const Huella &huella) const
{
    if (!huella.leida || !QDir().mkpath(QFileInfo(ruta).absolutePath()))
        return;
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly))
        return;
    asegurarClaves();
    std::vector<uint32_t> desdeClave{0};
    QString textoClaves;
    for (const QString &k : clavesRima_) {
        textoClaves += k;
        desdeClave.push_back(uint32_t(textoClaves.size()));
    }
    const IndicesPropios indices = hacerIndices();
    std::string lineas, palabra;
    lineas.reserve(arena_.size() + ids_.size() * 2);
    for (qsizetype i = 0; i < tamano(); ++i) {
        const QStringView p = pal(i);
        palabra.resize(size_t(p.size()) * 3);
        palabra.resize(size_t(escribirUtf8(palabra.data(), p) - palabra.data()));
        anadirLongitud(lineas, palabra.size());
        lineas += palabra;
    }
    const Cabecera c = cabeceraDe(huella, ids_.size(), arena_.size(), clavesRima_.size(), quint64(textoClaves.size()),
                                  indices.raras.size(), lineas.size());
    auto escribir = [&f](const void *datos, size_t n) {
        return f.write(static_cast<const char *>(datos), qint64(n)) == qint64(n);
    };
    const bool bien = escribir(&c, sizeof c) && escribir(ids_.data(), ids_.size() * 8)
        && escribir(fin1_.data(), fin1_.size() * 8) && escribir(fin2_.data(), fin2_.size() * 8)
        && escribir(mascara_.data(), mascara_.size() * 8) && escribir(pares_.data(), pares_.size() * 8)
        && escribir(rima_.data(), rima_.size() * 8)
        && escribir(inicio_.data(), inicio_.size() * 4) && escribir(largo_.data(), largo_.size() * 4)
        && escribir(claveVoc_.data(), claveVoc_.size() * 4) && escribir(desdeClave.data(), desdeClave.size() * 4)
        && escribir(indices.porFin.data(), indices.porFin.size() * 4)
        && escribir(indices.porVocales.data(), indices.porVocales.size() * 4)
        && escribir(indices.porConsonante.data(), indices.porConsonante.size() * 4)
        && escribir(indices.porAsonante.data(), indices.porAsonante.size() * 4)
        && escribir(indices.raras.data(), indices.raras.size() * 4)
        && escribir(arena_.data(), arena_.size() * 2) && escribir(textoClaves.utf16(), size_t(textoClaves.size()) * 2)
        && escribir(lineas.data(), lineas.size());
    if (bien)
        f.commit();
    else
        f.cancelWriting();
}

size_t Lexico::lineasUtf8(const std::vector<qsizetype> &pos,
                          const std::function<void(const char *, size_t)> &escribir) const
{
    std::string bufer(size_t(1) << 16, '\0');
    size_t lleno = 0;
    // Room for n bytes and a line break.
    auto sitio = [&](size_t n) {
        if (bufer.size() - lleno < n + 1) {
            if (lleno)
                escribir(bufer.data(), lleno);
            lleno = 0;
            if (bufer.size() < n + 1)
                bufer.resize(n + 1);
        }
        return bufer.data() + lleno;
    };
    auto poner = [&](const char *p, size_t n) {
        std::memcpy(sitio(n), p, n);
        lleno += n;
        bufer[lleno++] = '\n';
    };
    // From the file when the words are many (a sixty-fourth of the list and
    // more): reading all the lines costs less than touching most pages of the
    // mapped text, as so many words spread over the list do.
    size_t hechas = 0;
    if (lineas_ && qsizetype(pos.size()) >= tamano() / 64) {
        LectorLineas lector(lineas_->fd, lineas_->desde, lineas_->bytes);
        hechas = recorrerLineas(lector, pos, tamano(), poner);
    }
    for (size_t k = hechas; k < pos.size(); ++k) {
        const QStringView p = pal(pos[k]);
        char *d = sitio(size_t(p.size()) * 3);
        lleno += size_t(escribirUtf8(d, p) - d);
        bufer[lleno++] = '\n';
    }
    if (lleno)
        escribir(bufer.data(), lleno);
    return hechas;
}

} // namespace rimario
