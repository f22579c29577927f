#include "language/caracteres.h"

#include "language/unidades.h"

#include <algorithm>

namespace rimario {

namespace {
std::u16string_view unidades(QStringView t)
{
    return {reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size())};
}
} // namespace

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
