#pragma once
// What the fuzz targets share: turning the fuzzer's bytes into text, and a
// check that stops the run with a message when an invariant fails.

#include <QChar>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace rimario::fuzz {

// The input as text. A first byte 0xFE takes the rest as UTF-16 code units
// (little-endian, unpaired surrogates included); anything else is UTF-8,
// invalid sequences turning into U+FFFD as when the store's text is read.
inline QString texto(const uint8_t *datos, size_t largo)
{
    if (largo > 0 && datos[0] == 0xFE) {
        QString s;
        s.reserve(qsizetype(largo / 2));
        for (size_t i = 1; i + 1 < largo; i += 2)
            s.append(QChar(char16_t(datos[i] | (datos[i + 1] << 8))));
        return s;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(datos), qsizetype(largo));
}

// The input as lines (split on LF only; CR, NUL and the rest are text).
inline QStringList lineas(const uint8_t *datos, size_t largo)
{
    return texto(datos, largo).split(QLatin1Char('\n'));
}

// Code points (an unpaired surrogate as itself), each simply case-folded: how
// the store compares letters, written out plainly for the references.
inline std::u32string plegado(QStringView s)
{
    std::u32string r;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        r.push_back(QChar::toCaseFolded(c));
    }
    return r;
}

// Shows a text with every byte outside printable ASCII percent-encoded.
inline QByteArray mostrar(QStringView s, qsizetype maximo = 200)
{
    return s.left(maximo).toUtf8().toPercentEncoding(" !\"#$&'()*+,/:;<=>?@[]^`{|}~") + (s.size() > maximo ? "..." : "");
}

[[noreturn]] inline void fallo(const char *que, const QByteArray &detalle = {})
{
    std::fprintf(stderr, "INVARIANTE ROTO: %s\n%s\n", que, detalle.constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace rimario::fuzz

#define FUZZ_COMPROBAR(cond, detalle) \
    do { \
        if (!(cond)) \
            ::rimario::fuzz::fallo(#cond, (detalle)); \
    } while (0)
