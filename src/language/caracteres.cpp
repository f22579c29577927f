#include "language/caracteres.h"

#include "language/utf8.h"

#include <algorithm>

namespace rimario {

qsizetype numeroDeCaracteres(QStringView texto)
{
    return qsizetype(contarCaracteres(unidades(texto)));
}

QString ultimosCaracteres(QStringView texto, qsizetype n)
{
    const std::u16string_view u = ultimosDe(unidades(texto), size_t(std::max<qsizetype>(n, 0)));
    return QString(reinterpret_cast<const QChar *>(u.data()), qsizetype(u.size()));
}

bool tieneComodines(QStringView texto)
{
    return std::any_of(texto.begin(), texto.end(), esComodin);
}

} // namespace rimario
