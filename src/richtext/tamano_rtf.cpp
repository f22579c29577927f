// Whether a text is too large for the reader to show (see rtf.h): its
// characters, and its paragraphs and line breaks counted without reading it.

#include "richtext/inicio_rtf.h"
#include "richtext/rtf.h"

#include <QLocale>

namespace rimario {

namespace {

bool esLetra(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

QString demasiadoGrande(QStringView texto)
{
    const QLocale es(QLocale::Spanish);
    auto motivo = [&](qsizetype n, qsizetype maximo, const char *que) {
        return QStringLiteral("%1 %2; el máximo es %3").arg(es.toString(n), QString::fromUtf8(que), es.toString(maximo));
    };
    if (texto.size() > kCaracteresMaximos)
        return motivo(texto.size(), kCaracteresMaximos, "caracteres");
    // Paragraphs and line breaks, counted as the reader makes them (a control
    // word in skipped data may count too: the limit then comes a little early).
    qsizetype cortes = 0;
    if (inicioRtf(texto) < 0) {
        for (qsizetype i = 0; i < texto.size(); ++i)
            if (texto[i] == u'\n' || (texto[i] == u'\r' && (i + 1 == texto.size() || texto[i + 1] != u'\n')))
                ++cortes;
    } else {
        static const QLatin1String kCortes[] = {QLatin1String("par"), QLatin1String("page"), QLatin1String("row"),
                                                QLatin1String("sect"), QLatin1String("line")};
        for (qsizetype i = 0; i < texto.size(); ++i) {
            if (texto[i] != u'\\')
                continue;
            qsizetype j = i + 1;
            while (j < texto.size() && j - i <= 5 && esLetra(texto[j]))
                ++j;
            const QStringView palabra = texto.sliced(i + 1, j - i - 1);
            if (j < texto.size() && esLetra(texto[j]))
                continue;
            for (const QLatin1String &c : kCortes)
                if (palabra == c)
                    ++cortes;
            i = j - 1;
        }
    }
    if (cortes > kParrafosMaximos)
        return motivo(cortes, kParrafosMaximos, "párrafos y saltos de línea");
    return QString();
}

} // namespace rimario
