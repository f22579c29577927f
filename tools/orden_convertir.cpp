// rimario-cli convertir ACCESS_FILE STORE

#include "argumentos.h"
#include "language/numeros.h"
#include "ordenes.h"
#include "store/access/conversion_access.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace rimario::cli {

namespace {
int convertir(const QStringList &args);
}

int ordenConvertir(const QStringList &args)
{
    // A damaged Access file can make the library that reads it crash: the
    // conversion runs in a child process, so that a crash becomes a message.
    std::fflush(nullptr);
    const pid_t hijo = ::fork();
    if (hijo < 0)
        return convertir(args);
    if (hijo == 0) {
        const int estado = convertir(args);
        std::fflush(nullptr);
        ::_exit(estado);
    }
    int estado = 0;
    while (::waitpid(hijo, &estado, 0) < 0) {
    }
    if (WIFEXITED(estado))
        return WEXITSTATUS(estado);
    error(QStringLiteral("\nLa conversión se interrumpió: «%1» está dañado o no se puede leer. "
                         "No se ha convertido nada.")
              .arg(args.value(0)));
    return 1;
}

namespace {

int convertir(const QStringList &args)
{
    Argumentos a(QStringLiteral("convertir"), QStringLiteral("Uso: rimario-cli convertir ARCHIVO_ACCESS ALMACEN"),
                 QStringLiteral("Convierte un data.lop de Microsoft Access (97 o 2000) en un almacén nuevo, con sus\n"
                                "palabras, vocales, definiciones y marcas. Sale con 0 si lo consigue, 1 si falla (el\n"
                                "archivo de Access no se toca) y 2 si el uso es incorrecto."));
    a.argumento(QStringLiteral("ARCHIVO_ACCESS"), QStringLiteral("el archivo de Access, que solo se lee"));
    a.argumento(QStringLiteral("ALMACEN"), QStringLiteral("el almacén que se crea; no debe existir"));
    if (const auto fin = a.leer(args))
        return *fin;
    const QStringList rutas = a.posicionales();
    if (rutas.size() != 2)
        return a.errorDeUso();
    // Progress on standard error: one line redrawn on a terminal, a line every
    // tenth otherwise.
    const bool terminal = ::isatty(STDERR_FILENO);
    int ultimo = -1;
    auto progreso = [&](qint64 hechas, qint64 total) {
        const int cuanto = total > 0 ? int(hechas * 100 / total) : 100;
        if (cuanto == ultimo || (!terminal && cuanto % 10 != 0 && hechas != total))
            return;
        ultimo = cuanto;
        const QString t = QStringLiteral("Convirtiendo: %1 de %2 palabras (%3 %)").arg(numeroEscrito(hechas), numeroEscrito(total)).arg(cuanto);
        const QByteArray b = (terminal ? QLatin1Char('\r') + t : t + QLatin1Char('\n')).toUtf8();
        std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    };
    try {
        const qint64 n = convertirAccess(rutas[0], rutas[1], progreso);
        if (terminal)
            error(QString());
        error(QStringLiteral("Almacén «%1» creado con %2 de «%3».")
                  .arg(rutas[1], n == 1 ? QStringLiteral("la única palabra") : QStringLiteral("las %1 palabras").arg(numeroEscrito(n)),
                       rutas[0]));
        return 0;
    } catch (const ErrorAlmacen &e) {
        if (terminal && ultimo >= 0)
            error(QString());
        error(e.mensaje());
        return 1;
    }
}

} // namespace
} // namespace rimario::cli
