// rimario-cli silabas PALABRA...

#include "language/silabas.h"
#include "ordenes.h"

namespace rimario::cli {

int ordenSilabas(const QStringList &args)
{
    if (args.isEmpty()) {
        error(QStringLiteral("Uso: rimario-cli silabas PALABRA..."));
        return 2;
    }
    int estado = 0;
    for (const QString &palabra : args) {
        const AnalisisSilabico a = analizarPalabra(palabra);
        if (!a.valido) {
            salida(QStringLiteral("%1: no se puede dividir en sílabas (%2)").arg(palabra, a.motivo));
            estado = 1;
            continue;
        }
        salida(QStringLiteral("%1: %2 (%3, %4 %5; rima consonante -%6, asonante %7)")
                   .arg(palabra, a.separada(), nombreAcento(a.acento))
                   .arg(a.numSilabas())
                   .arg(a.numSilabas() == 1 ? QStringLiteral("sílaba") : QStringLiteral("sílabas"),
                        a.claveConsonante, a.claveAsonante));
    }
    return estado;
}

} // namespace rimario::cli
