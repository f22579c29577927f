#pragma once
// Where a text's RTF starts: "{\\rtf" after leading white space and byte
// order marks; -1 when the text is not RTF (the reader takes it as plain text).

#include <QString>
#include <QStringView>

namespace rimario {

inline qsizetype inicioRtf(QStringView rtf)
{
    qsizetype inicio = 0;
    while (inicio < rtf.size() && (rtf[inicio].isSpace() || rtf[inicio] == QChar::ByteOrderMark))
        ++inicio;
    return rtf.sliced(inicio).startsWith(QLatin1String("{\\rtf")) ? inicio : -1;
}

} // namespace rimario
