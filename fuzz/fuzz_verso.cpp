// Scansion: any text gets an answer whose count is its pattern's length, a
// pattern of + and - only (ending in - after a +, when there are syllables), the
// same with every blank doubled; a poem of those lines agrees line by line.

#include "comun.h"
#include "verso/poema.h"

using namespace rimario;

namespace {

std::u16string u16(const QString &s) { return std::u16string(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size())); }

void comprobarLectura(const verso::Lectura &l, const QString &w)
{
    FUZZ_COMPROBAR(l.silabas == int(l.patron.size()), fuzz::mostrar(w));
    FUZZ_COMPROBAR(l.patron.find_first_not_of("+-") == std::string::npos, fuzz::mostrar(w));
    if (l.silabas > 0)
        FUZZ_COMPROBAR(l.silabas >= 2 && l.patron.back() == '-' && l.patron[l.patron.size() - 2] == '+', fuzz::mostrar(w));
}

void comprobar(const QString &w)
{
    const std::u16string t = u16(w);
    const verso::VersoPreparado v = verso::preparar(t);
    const verso::Lectura l = verso::leer(v);
    comprobarLectura(l, w);
    FUZZ_COMPROBAR(l.silabas == v.silabasPorDefecto, fuzz::mostrar(w));
    FUZZ_COMPROBAR(v.silabas.empty() == verso::separar(t, v, l).empty(), fuzz::mostrar(w));
    for (int metro : {8, 11}) {
        const verso::Lectura m = verso::leer(v, metro);
        comprobarLectura(m, w);
        FUZZ_COMPROBAR(m.silabas == metro || m.silabas == l.silabas, fuzz::mostrar(w));
    }
    QString doble = w;
    doble.replace(QStringLiteral(" "), QStringLiteral("  "));
    const verso::VersoPreparado d = verso::preparar(u16(doble));
    FUZZ_COMPROBAR(verso::leer(d).patron == l.patron && verso::leer(d, 11).patron == verso::leer(v, 11).patron,
                   fuzz::mostrar(w));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const QStringList l = fuzz::lineas(datos, largo);
    std::vector<std::u16string> lineas;
    for (qsizetype i = 0; i < l.size() && i < 32; ++i) {
        comprobar(l[i]);
        lineas.push_back(u16(l[i]));
    }
    std::vector<std::u16string_view> vistas(lineas.begin(), lineas.end());
    verso::Analizador a;
    const verso::PoemaAnalizado p = a.analizar(vistas);
    FUZZ_COMPROBAR(p.versos.size() == vistas.size(), fuzz::mostrar(fuzz::texto(datos, largo)));
    for (const verso::VersoAnalizado &v : p.versos)
        FUZZ_COMPROBAR(v.silabas == int(v.patron.size()) && v.vacio == v.patron.empty() && !(v.vacio && v.fueraDeMetro),
                       fuzz::mostrar(fuzz::texto(datos, largo)));
    return 0;
}
