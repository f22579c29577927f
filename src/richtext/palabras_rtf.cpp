#include "richtext/palabras_rtf.h"

#include <algorithm>
#include <iterator>

namespace rimario::rtf {
namespace {

// Sorted by name (checked below). Saltar: destinations whose text is not shown.
constexpr Entrada kPalabras[] = {
    {"aftncn", Cw::Saltar}, {"aftnsep", Cw::Saltar}, {"aftnsepc", Cw::Saltar},
    {"annotation", Cw::Saltar}, {"ansi", Cw::Ansi}, {"ansicpg", Cw::Ansicpg},
    {"atnauthor", Cw::Saltar}, {"atnid", Cw::Saltar}, {"author", Cw::Saltar}, {"b", Cw::B},
    {"bin", Cw::Bin}, {"bkmkend", Cw::Saltar}, {"bkmkstart", Cw::Saltar}, {"blue", Cw::Blue},
    {"bullet", Cw::Caracter, 0x2022}, {"buptim", Cw::Saltar}, {"cb", Cw::Cb},
    {"cell", Cw::Caracter, u'\t'}, {"cf", Cw::Cf}, {"colortbl", Cw::Colortbl},
    {"comment", Cw::Saltar}, {"creatim", Cw::Saltar}, {"datafield", Cw::Saltar},
    {"deff", Cw::Deff}, {"do", Cw::Saltar}, {"doccomm", Cw::Saltar}, {"docvar", Cw::Saltar},
    {"emdash", Cw::Caracter, 0x2014}, {"emspace", Cw::Caracter, 0x2003},
    {"endash", Cw::Caracter, 0x2013}, {"enspace", Cw::Caracter, 0x2002}, {"f", Cw::F},
    {"fcharset", Cw::Fcharset}, {"filetbl", Cw::Saltar}, {"fldinst", Cw::Saltar},
    {"fonttbl", Cw::Fonttbl}, {"footer", Cw::Saltar}, {"footerf", Cw::Saltar},
    {"footerl", Cw::Saltar}, {"footerr", Cw::Saltar}, {"footnote", Cw::Saltar},
    {"fs", Cw::Fs}, {"ftncn", Cw::Saltar}, {"ftnsep", Cw::Saltar}, {"ftnsepc", Cw::Saltar},
    {"generator", Cw::Saltar}, {"green", Cw::Green}, {"header", Cw::Saltar},
    {"headerf", Cw::Saltar}, {"headerl", Cw::Saltar}, {"headerr", Cw::Saltar},
    {"highlight", Cw::Cb}, {"i", Cw::I}, {"info", Cw::Saltar}, {"keywords", Cw::Saltar},
    {"ldblquote", Cw::Caracter, 0x201C}, {"line", Cw::Caracter, 0x2028},
    {"listoverridetable", Cw::Saltar}, {"listtable", Cw::Saltar},
    {"lquote", Cw::Caracter, 0x2018}, {"ltrmark", Cw::Caracter, 0x200E}, {"mac", Cw::Mac},
    {"nestcell", Cw::Caracter, u'\t'}, {"nestrow", Cw::Par}, {"nonshppict", Cw::Saltar},
    {"nosupersub", Cw::NoSuperSub}, {"objdata", Cw::Saltar}, {"object", Cw::Saltar},
    {"operator", Cw::Saltar}, {"page", Cw::Par}, {"par", Cw::Par}, {"pc", Cw::Pc},
    {"pca", Cw::Pca}, {"pict", Cw::Saltar}, {"plain", Cw::Plain}, {"pn", Cw::Saltar},
    {"printim", Cw::Saltar}, {"private", Cw::Saltar}, {"qmspace", Cw::Caracter, 0x2005},
    {"rdblquote", Cw::Caracter, 0x201D}, {"red", Cw::Red}, {"revtbl", Cw::Saltar},
    {"revtim", Cw::Saltar}, {"row", Cw::Par}, {"rquote", Cw::Caracter, 0x2019},
    {"rsidtbl", Cw::Saltar}, {"rtlmark", Cw::Caracter, 0x200F}, {"sect", Cw::Par},
    {"shp", Cw::Saltar}, {"shppict", Cw::Saltar}, {"strike", Cw::Strike},
    {"striked", Cw::Strike}, {"stylesheet", Cw::Saltar}, {"sub", Cw::Sub},
    {"subject", Cw::Saltar}, {"super", Cw::Super}, {"tab", Cw::Caracter, u'\t'},
    {"tc", Cw::Saltar}, {"template", Cw::Saltar}, {"themedata", Cw::Saltar},
    {"title", Cw::Saltar}, {"txe", Cw::Saltar}, {"u", Cw::U}, {"uc", Cw::Uc}, {"ul", Cw::Ul},
    {"uld", Cw::Ul}, {"uldash", Cw::Ul}, {"uldashd", Cw::Ul}, {"uldashdd", Cw::Ul},
    {"uldb", Cw::Ul}, {"ulhwave", Cw::Ul}, {"ulldash", Cw::Ul}, {"ulnone", Cw::UlNone},
    {"ulth", Cw::Ul}, {"ulthd", Cw::Ul}, {"ulthdash", Cw::Ul}, {"ulthdashd", Cw::Ul},
    {"ulthdashdd", Cw::Ul}, {"ulthldash", Cw::Ul}, {"ululdbwave", Cw::Ul}, {"ulw", Cw::Ul},
    {"ulwave", Cw::Ul}, {"userprops", Cw::Saltar}, {"xe", Cw::Saltar},
    {"xmlnstbl", Cw::Saltar}, {"zwj", Cw::Caracter, 0x200D}, {"zwnj", Cw::Caracter, 0x200C},
};
static_assert(std::ranges::is_sorted(kPalabras, {}, &Entrada::nombre));

} // namespace

const Entrada *buscarPalabra(QStringView nombre)
{
    char buf[32];
    if (nombre.size() > qsizetype(sizeof buf))
        return nullptr;
    for (qsizetype k = 0; k < nombre.size(); ++k)
        buf[k] = char(nombre[k].unicode()); // ASCII letters only
    const std::string_view clave(buf, size_t(nombre.size()));
    const auto it = std::ranges::lower_bound(kPalabras, clave, {}, &Entrada::nombre);
    return (it != std::end(kPalabras) && it->nombre == clave) ? it : nullptr;
}

int codigoDeCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0; // ANSI, default, symbol and the rest
    }
}

} // namespace rimario::rtf
