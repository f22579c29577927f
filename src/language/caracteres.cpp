#include "language/caracteres.h"

#include <algorithm>

namespace rimario {

qsizetype numeroDeCaracteres(QStringView texto)
{
    qsizetype n = texto.size();
    for (qsizetype i = 1; i < texto.size(); ++i)
        if (texto[i].isLowSurrogate() && texto[i - 1].isHighSurrogate())
            --n;
    return n;
}

QString ultimosCaracteres(QStringView texto, qsizetype n)
{
    qsizetype i = texto.size();
    while (n > 0 && i > 0) {
        --i;
        if (texto[i].isLowSurrogate() && i > 0 && texto[i - 1].isHighSurrogate())
            --i;
        --n;
    }
    return texto.mid(i).toString();
}

bool tieneComodines(QStringView texto)
{
    return std::any_of(texto.begin(), texto.end(), esComodin);
}

} // namespace rimario
