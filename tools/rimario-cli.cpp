// rimario-cli: the command-line companion of the rhyming dictionary. A search
// by ending or by vowels on a store whose list snapshot is current is
// answered here, without loading Qt; everything else is done by the whole
// program, rimario-cli-completo, beside this one.

#include "busqueda_directa.h"
#include "ubicacion/version.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("rimario-cli (Rimario) %s\n", RIMARIO_VERSION);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "buscar") == 0) {
        const std::vector<std::string> args(argv + 2, argv + argc);
        if (const auto r = rimario::cli::buscarDirecto(args, stdout))
            return *r;
    }
    char propio[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", propio, sizeof propio - 1);
    std::string completo = "rimario-cli-completo";
    if (n > 0) {
        const std::string ruta(propio, size_t(n));
        completo = ruta.substr(0, ruta.rfind('/') + 1) + completo;
    }
    ::execv(completo.c_str(), argv);
    std::fprintf(stderr, "No se pudo ejecutar «%s» (%s): la instalación de rimario-cli está incompleta.\n",
                 completo.c_str(), errno == ENOENT ? "no existe" : "no se puede ejecutar");
    return 1;
}
