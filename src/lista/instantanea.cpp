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
    esperarIndices();
    asegurarClaves();
    std::vector<uint32_t> desdeClave{0};
    QString textoClaves;
    for (const QString &k : clavesRima_) {
        textoClaves += k;
        desdeClave.push_back(uint32_t(textoClaves.size()));
    }
    const IndicesPropios &indices = indicesPropios_; // a list mapped unchanged is never written
    std::string lineas, palabra;
    lineas.reserve(arena_.size() + ids_.size() * 2);
    for (qsizetype i = 0; i < tamano(); ++i) {
        const QStringView p = pal(i);
        palabra.resize(size_t(p.size()) * 3);
        palabra.resize(size_t(escribirUtf8(palabra.data(), p) - palabra.data()));
        anadirLongitud(lineas, palabra.size());
        lineas += palabra;
    }
    // Each array by its part, with its bytes.
    std::pair<const void *, size_t> partes[std::size(kPartes)];
    auto poner = [&partes](Parte parte, const auto &arreglo) {
        partes[size_t(parte)] = {arreglo.data(), size_t(arreglo.size()) * sizeof(*arreglo.data())};
    };
    poner(Parte::Ids, ids_);
    poner(Parte::Fin1, fin1_);
    poner(Parte::Fin2, fin2_);
    poner(Parte::Mascara, mascara_);
    poner(Parte::Pares, pares_);
    poner(Parte::Rima, rima_);
    poner(Parte::Inicio, inicio_);
    poner(Parte::Largo, largo_);
    poner(Parte::ClaveVoc, claveVoc_);
    poner(Parte::DesdeClave, desdeClave);
    poner(Parte::PorFin, indices.porFin);
    poner(Parte::PorVocales, indices.porVocales);
    poner(Parte::PorConsonante, indices.porConsonante);
    poner(Parte::PorAsonante, indices.porAsonante);
    poner(Parte::Raras, indices.raras);
    poner(Parte::Texto, arena_);
    partes[size_t(Parte::TextoClaves)] = {textoClaves.utf16(), size_t(textoClaves.size()) * 2};
    poner(Parte::Lineas, lineas);
    // The blocks after the table of their sums, in the file's order.
    uint64_t antesDeLineas = 0;
    for (const DescripcionParte &d : kPartes)
        if (d.parte != Parte::Sumas && d.parte != Parte::Lineas)
            antesDeLineas += partes[size_t(d.parte)].second;
    SumasBloques suma(antesDeLineas);
    for (const DescripcionParte &d : kPartes)
        if (d.parte != Parte::Sumas)
            suma.anadir(partes[size_t(d.parte)].first, partes[size_t(d.parte)].second);
    const std::vector<uint64_t> sumas = suma.terminar();
    poner(Parte::Sumas, sumas);
    const CabeceraLista c = CabeceraLista::de(huella, ids_.size(), arena_.size(), clavesRima_.size(),
                                              uint64_t(textoClaves.size()), indices.raras.size(), lineas.size());
    // Every array as long as the header says it is.
    for (const DescripcionParte &d : kPartes)
        if (partes[size_t(d.parte)].second != c.tramo(d.parte).bytes)
            return;
    auto escribir = [&f](const void *datos, size_t n) {
        return f.write(static_cast<const char *>(datos), qint64(n)) == qint64(n);
    };
    bool bien = escribir(&c, sizeof c);
    for (const DescripcionParte &d : kPartes)
        bien = bien && escribir(partes[size_t(d.parte)].first, partes[size_t(d.parte)].second);
    if (bien)
        f.commit();
    else
        f.cancelWriting();
}

} // namespace rimario
