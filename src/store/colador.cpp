#include "store/colador.h"

#include <unicode/ucol.h>

#include <stdexcept>
#include <iterator>
#include <string>
#include <vector>

#include <link.h>
#include <sys/stat.h>

namespace rimario {

Colador::Colador()
{
    UErrorCode e = U_ZERO_ERROR;
    completo_ = ucol_open("es", &e);
    if (U_FAILURE(e))
        throw std::runtime_error("no se pudo abrir la colación española de ICU");
    base_ = ucol_clone(completo_, &e);
    if (U_FAILURE(e))
        throw std::runtime_error("no se pudo abrir la colación española de ICU");
    ucol_setStrength(base_, UCOL_PRIMARY);
}

Colador::~Colador()
{
    if (base_)
        ucol_close(base_);
    if (completo_)
        ucol_close(completo_);
}

static int signo(UCollationResult r)
{
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

int Colador::comparar(const char16_t *a, qsizetype na, const char16_t *b, qsizetype nb) const
{
    return signo(ucol_strcoll(completo_, a, int32_t(na), b, int32_t(nb)));
}

int Colador::compararBase(const char16_t *a, qsizetype na, const char16_t *b, qsizetype nb) const
{
    return signo(ucol_strcoll(base_, a, int32_t(na), b, int32_t(nb)));
}

QByteArray Colador::clave(QStringView texto) const
{
    QByteArray k(64, Qt::Uninitialized);
    const auto *s = reinterpret_cast<const UChar *>(texto.utf16());
    int32_t n = ucol_getSortKey(completo_, s, int32_t(texto.size()),
                                reinterpret_cast<uint8_t *>(k.data()), int32_t(k.size()));
    if (n > k.size()) {
        k.resize(n);
        n = ucol_getSortKey(completo_, s, int32_t(texto.size()),
                            reinterpret_cast<uint8_t *>(k.data()), int32_t(k.size()));
    }
    k.resize(n > 0 ? n - 1 : 0); // drop the terminating zero byte
    return k;
}

QString Colador::version() const
{
    UVersionInfo v;
    ucol_getVersion(completo_, v);
    char txt[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(v, txt);
    return QStringLiteral("es-%1").arg(QString::fromLatin1(txt));
}

void Colador::archivosIcu(Huella::ArchivoIcu (&archivos)[Huella::kArchivosIcu])
{
    // Where the loader found them, looked up once.
    static const std::vector<std::string> rutas = [] {
        std::vector<std::string> r(Huella::kArchivosIcu);
        dl_iterate_phdr(
            [](dl_phdr_info *info, size_t, void *datos) {
                static const char *const kNombres[] = {"libicui18n.so", "libicuuc.so", "libicudata.so"};
                static_assert(std::size(kNombres) == Huella::kArchivosIcu);
                auto &r = *static_cast<std::vector<std::string> *>(datos);
                const std::string ruta = info->dlpi_name ? info->dlpi_name : "";
                const std::string nombre = ruta.substr(ruta.rfind('/') + 1);
                for (size_t i = 0; i < r.size(); ++i)
                    if (ruta[0] == '/' && nombre.rfind(kNombres[i], 0) == 0 && ruta.size() < Huella::kLargoRutaIcu)
                        r[i] = ruta;
                return 0;
            },
            &r);
        return r;
    }();
    for (int i = 0; i < Huella::kArchivosIcu; ++i) {
        archivos[i] = {};
        struct stat st;
        if (!rutas[size_t(i)].empty() && ::stat(rutas[size_t(i)].c_str(), &st) == 0)
            archivos[i] = {rutas[size_t(i)], identidadDe(st)};
    }
}

} // namespace rimario
