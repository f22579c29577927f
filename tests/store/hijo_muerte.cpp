// hijo_muerte (convertir|abrir) ALMACEN [MATAR_EN]
//
// The child of the crash tests: the start-up conversion of an Access file at
// ALMACEN, or the opening of a store of the older format (brought up to date).
// With MATAR_EN it kills itself just before that disk step (a step of its own
// after the operation lets it die just after it, too). Run to the end it
// prints "pasos N", the steps it took.

#include "muerte_programada.h"
#include "store/access/conversion_access.h"
#include "store/almacen.h"

#include <cstdio>

using namespace rimario;

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    muerte::instalarMuerte();
    muerte::armarMuerte(argc > 3 ? std::atoll(argv[3]) : 0);
    try {
        if (std::string_view(argv[1]) == "convertir")
            convertirAlAbrir(QString::fromLocal8Bit(argv[2]));
        else if (Almacen::abrir(QString::fromLocal8Bit(argv[2]))->formato() != kFormatoActual)
            return 1;
    } catch (const ErrorAlmacen &e) {
        std::fprintf(stderr, "%s\n", e.mensaje().toLocal8Bit().constData());
        return 1;
    }
    muerte::pasoPropio("hecho");
    std::printf("pasos %lld\n", static_cast<long long>(muerte::pasosDados()));
    return 0;
}
