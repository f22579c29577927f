// rimario-cli silabas PALABRA...

#include "argumentos.h"
#include "language/silabas.h"
#include "ordenes.h"

namespace rimario::cli {

int ordenSilabas(const QStringList &args)
{
    Argumentos a(QStringLiteral("silabas"), QStringLiteral("Uso: rimario-cli silabas PALABRA..."),
                 QStringLiteral("Divide cada palabra en sílabas y dice su acento y sus claves de rima. Sale con 1\n"
                                "si alguna no se puede dividir."));
    a.argumento(QStringLiteral("PALABRA..."), QStringLiteral("las palabras"));
    if (const auto fin = a.leer(args))
        return *fin;
    const QStringList palabras = a.posicionales();
    if (palabras.isEmpty())
        return a.errorDeUso();
    int estado = 0;
    for (const QString &palabra : palabras) {
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
