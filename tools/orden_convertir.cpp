// rimario-cli convertir ACCESS_FILE STORE

#include "conversion_access.h"
#include "ordenes.h"

#include <cstdio>
#include <unistd.h>

namespace rimario::cli {

int ordenConvertir(const QStringList &args)
{
    const QString uso = QStringLiteral("Uso: rimario-cli convertir ARCHIVO_ACCESS ALMACEN");
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) || args[1].startsWith(QLatin1String("--"))) {
        error(uso);
        return 2;
    }
    // Progress on standard error: one line redrawn on a terminal, a line every
    // tenth otherwise.
    const bool terminal = ::isatty(STDERR_FILENO);
    int ultimo = -1;
    auto progreso = [&](qint64 hechas, qint64 total) {
        const int cuanto = total > 0 ? int(hechas * 100 / total) : 100;
        if (cuanto == ultimo || (!terminal && cuanto % 10 != 0 && hechas != total))
            return;
        ultimo = cuanto;
        const QString t = QStringLiteral("Convirtiendo: %1 de %2 palabras (%3 %)").arg(hechas).arg(total).arg(cuanto);
        const QByteArray b = (terminal ? QLatin1Char('\r') + t : t + QLatin1Char('\n')).toUtf8();
        std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    };
    try {
        const qint64 n = convertirAccess(args[0], args[1], progreso);
        if (terminal)
            error(QString());
        error(QStringLiteral("Almacén «%1» creado con las %2 palabras de «%3».").arg(args[1], QString::number(n), args[0]));
        return 0;
    } catch (const ErrorAlmacen &e) {
        if (terminal && ultimo >= 0)
            error(QString());
        error(e.mensaje());
        return 1;
    }
}

} // namespace rimario::cli
