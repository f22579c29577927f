// The vowel skeleton: only a, e, i, o, u come out, never more letters than the
// word has, and the result is that of a table applied one character at a time
// (here with ICU's lower case, not Qt's, so that the two are checked against
// each other).

#include "comun.h"
#include "language/vocales.h"

#include <unicode/uchar.h>

using namespace rimario;

namespace {

char16_t referencia(char16_t c)
{
    if (c >= 0xD800 && c <= 0xDFFF)
        return 0;
    switch (u_tolower(c)) {
    case u'a': case u'\u00e1': return u'a';
    case u'e': case u'\u00e9': return u'e';
    case u'i': case u'\u00ed': case u'y': return u'i';
    case u'o': case u'\u00f3': return u'o';
    case u'u': case u'\u00fa': return u'u';
    default: return 0;
    }
}

} // namespace

// Every UTF-16 unit once, before any input.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    for (uint32_t c = 0; c <= 0xFFFF; ++c)
        FUZZ_COMPROBAR(vocalDe(char16_t(c)) == referencia(char16_t(c)),
                       QByteArray::number(c, 16) + " -> " + QByteArray::number(vocalDe(char16_t(c)), 16));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const QString palabra = fuzz::texto(datos, largo);
    const QString esqueleto = ExtraeVocales(palabra);
    FUZZ_COMPROBAR(esqueleto.size() <= palabra.size(), fuzz::mostrar(palabra));
    QString esperado;
    for (const QChar c : palabra) {
        FUZZ_COMPROBAR(vocalDe(c.unicode()) == referencia(c.unicode()), fuzz::mostrar(QStringView(&c, 1)));
        if (const char16_t v = referencia(c.unicode()))
            esperado += QChar(v);
    }
    for (const QChar c : esqueleto)
        FUZZ_COMPROBAR(QStringView(u"aeiou").contains(c), fuzz::mostrar(esqueleto));
    FUZZ_COMPROBAR(esqueleto == esperado, fuzz::mostrar(palabra) + " -> " + fuzz::mostrar(esqueleto)
                                              + " / " + fuzz::mostrar(esperado));
    // The skeleton of a skeleton is itself, and cutting a word cuts its skeleton.
    FUZZ_COMPROBAR(ExtraeVocales(esqueleto) == esqueleto, fuzz::mostrar(esqueleto));
    const qsizetype mitad = palabra.size() / 2;
    FUZZ_COMPROBAR(ExtraeVocales(QStringView(palabra).first(mitad)) + ExtraeVocales(QStringView(palabra).sliced(mitad))
                       == esqueleto,
                   fuzz::mostrar(palabra));
    return 0;
}
