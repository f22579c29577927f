#include "language/numeros.h"

#include <unicode/numberformatter.h>

namespace rimario {

QString numeroEscrito(qint64 n)
{
    // Spanish grouping with a leading group of two digits at least before the
    // first point: 9000 and 12.000, and every later group of three marked.
    static const icu::number::LocalizedNumberFormatter formato =
        icu::number::NumberFormatter::withLocale(icu::Locale("es")).grouping(UNUM_GROUPING_MIN2);
    UErrorCode e = U_ZERO_ERROR;
    const icu::UnicodeString s = formato.formatInt(n, e).toString(e);
    if (U_FAILURE(e))
        return QString::number(n);
    return QString(reinterpret_cast<const QChar *>(s.getBuffer()), s.length());
}

QString cantidadEscrita(qint64 n, const QString &singular, const QString &plural)
{
    return numeroEscrito(n) + QLatin1Char(' ') + (n == 1 ? singular : plural);
}

} // namespace rimario
