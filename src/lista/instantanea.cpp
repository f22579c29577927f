// The snapshot of the word list: the arrays of a Lexico as they stand after a
// read of the store, in one file of the user's cache, with the state of the
// store file they were read from. A later start on the very same state maps
// the file instead of reading a million rows; any other state reads the rows.
// Written to a temporary file, synced and renamed over the old one, so that a
// reader finds the old snapshot or the new one. (The layout: formato_lista.h.)

#include "lista/instantanea.h"

#include "language/utf8.h"
#include "store/almacen.h"
#include "lista/formato_lista.h"
#include "lista/lexico.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <string>
#include <vector>

namespace rimario {

namespace {

void anadirLongitud(std::string &s, size_t n)
{
    for (; n >= 0x80; n >>= 7)
        s += char(0x80 | (n & 0x7F));
    s += char(n);
}

} // namespace

QString rutaInstantanea(const QString &rutaAlmacen)
{
    const QFileInfo info(rutaAlmacen);
    const QString nombre = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    return QFile::decodeName(rutaInstantaneaDe(QFile::encodeName(nombre).toStdString()).c_str());
}

bool Lexico::mapear(const QString &ruta, const Huella &huella)
{
    auto m = mapearLista(QFile::encodeName(ruta).toStdString(), huella);
    if (!m)
        return false;
    const VistaLista &v = m->vista;
    const size_t n = v.filas;
    tablaMapeada_ = TablaMapeada{m->desdeClave, m->textoClaves, m->claves};
    indices_ = v.indices;
    numerosClave_.clear();
    ids_.prestar(reinterpret_cast<const qint64 *>(v.ids), n);
    fin1_.prestar(v.fin1, n);
    fin2_.prestar(v.fin2, n);
    mascara_.prestar(m->mascara, n);
    pares_.prestar(m->pares, n);
    rima_.prestar(v.rima, n);
    inicio_.prestar(v.inicio, n);
    largo_.prestar(v.largo, n);
    claveVoc_.prestar(v.claveVoc, n);
    arena_.prestar(v.arena, v.unidades);
    lineas_ = v.lineas;
    mapa_ = std::move(m->mapa);
    comprobacion_ = [mapa = mapa_, fd = v.lineas.fd, cabecera = m->cabecera](const std::atomic<bool> &parar) {
        return datosIntactos(fd, cabecera, parar);
    };
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
    // The arrays in the file's order, summed before the header that carries the sum.
    const std::pair<const void *, size_t> partes[] = {
        {ids_.data(), ids_.size() * 8}, {fin1_.data(), fin1_.size() * 8}, {fin2_.data(), fin2_.size() * 8},
        {mascara_.data(), mascara_.size() * 8}, {pares_.data(), pares_.size() * 8}, {rima_.data(), rima_.size() * 8},
        {inicio_.data(), inicio_.size() * 4}, {largo_.data(), largo_.size() * 4},
        {claveVoc_.data(), claveVoc_.size() * 4}, {desdeClave.data(), desdeClave.size() * 4},
        {indices.porFin.data(), indices.porFin.size() * 4}, {indices.porVocales.data(), indices.porVocales.size() * 4},
        {indices.porConsonante.data(), indices.porConsonante.size() * 4},
        {indices.porAsonante.data(), indices.porAsonante.size() * 4}, {indices.raras.data(), indices.raras.size() * 4},
        {arena_.data(), arena_.size() * 2}, {textoClaves.utf16(), size_t(textoClaves.size()) * 2},
        {lineas.data(), lineas.size()}};
    SumaDatos suma;
    for (const auto &[datos, n] : partes)
        suma.anadir(datos, n);
    const CabeceraLista c = CabeceraLista::de(huella, ids_.size(), arena_.size(), clavesRima_.size(),
                                              uint64_t(textoClaves.size()), indices.raras.size(), lineas.size(),
                                              suma.valor());
    auto escribir = [&f](const void *datos, size_t n) {
        return f.write(static_cast<const char *>(datos), qint64(n)) == qint64(n);
    };
    bool bien = escribir(&c, sizeof c);
    for (const auto &[datos, n] : partes)
        bien = bien && escribir(datos, n);
    if (bien)
        f.commit();
    else
        f.cancelWriting();
}

} // namespace rimario
