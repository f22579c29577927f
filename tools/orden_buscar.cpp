#include "ordenes.h"

namespace rimario::cli {

int ordenBuscar(const QStringList &)
{
    error(QStringLiteral("La orden «buscar» aún no está disponible."));
    return 2;
}

} // namespace rimario::cli
