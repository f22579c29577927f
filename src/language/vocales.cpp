#include "language/vocales.h"

#include <QChar>

namespace rimario {

char16_t vocalDe(char16_t c)
{
    // Fast path for plain lower-case ASCII, the bulk of any word list.
    switch (c) {
    case u'a': return u'a';
    case u'e': return u'e';
    case u'i': case u'y': return u'i';
    case u'o': return u'o';
    case u'u': return u'u';
    default: break;
    }
    if (c < 0x41)
        return 0;
    if (QChar::isSurrogate(c))
        return 0; // nothing outside the basic plane is in the table
    if (c == u'\u0130')
        return u'i'; // İ: QChar::toLower keeps it (its full lower case is two characters)
    const char16_t l = static_cast<char16_t>(QChar::toLower(c));
    switch (l) {
    case u'a': case u'\u00e1': return u'a';
    case u'e': case u'\u00e9': return u'e';
    case u'i': case u'\u00ed': case u'y': return u'i';
    case u'o': case u'\u00f3': return u'o';
    case u'u': case u'\u00fa': return u'u';
    default: return 0;
    }
}

QString ExtraeVocales(QStringView palabra)
{
    QString r;
    if (palabra.isEmpty())
        return r;
    r.reserve(qMin<qsizetype>(palabra.size(), 64));
    for (const QChar ch : palabra) {
        if (const char16_t v = vocalDe(ch.unicode()))
            r.append(QChar(v));
    }
    return r;
}

} // namespace rimario
