// rimario-cli comprobar ALMACEN

#include "argumentos.h"
#include "language/numeros.h"
#include "ordenes.h"
#include "store/comprobacion.h"

namespace rimario::cli {

int ordenComprobar(const QStringList &args)
{
    Argumentos a(QStringLiteral("comprobar"), QStringLiteral("Uso: rimario-cli comprobar ALMACEN"),
                 QStringLiteral("Lista las palabras cuya Voc no es la que les corresponde, sin cambiar nada. Sale con 0\n"
                                "si no hay ninguna, 1 si las hay y 2 si hay un error."));
    a.argumento(QStringLiteral("ALMACEN"), QStringLiteral("el almacén, que solo se lee"));
    if (const auto fin = a.leer(args))
        return *fin;
    if (a.posicionales().size() != 1)
        return a.errorDeUso();
    try {
        const auto almacen = Almacen::abrir(a.posicionales()[0], true);
        const std::vector<Discrepancia> malas = comprobarVocales(*almacen);
        for (const Discrepancia &d : malas)
            salida(QStringLiteral("%1\t%2\tVoc: %3\tesperado: «%4»")
                       .arg(d.id)
                       .arg(d.pal, d.voc ? QStringLiteral("«%1»").arg(*d.voc) : QStringLiteral("Nulo"), d.esperado));
        const qint64 total = almacen->contarFilas();
        if (malas.empty())
            salida(QStringLiteral("Las %1 palabras tienen la Voc que les corresponde.").arg(numeroEscrito(total)));
        else
            salida(QStringLiteral("%1 de %2 palabras tienen una Voc distinta de la que les corresponde "
                                  "(no se ha cambiado nada).").arg(numeroEscrito(qint64(malas.size())), numeroEscrito(total)));
        return malas.empty() ? 0 : 1;
    } catch (const ErrorAlmacen &e) {
        if (e.tipo() == ErrorAlmacen::Tipo::EsAccess)
            error(e.mensaje() + QStringLiteral(" Conviértalo antes con «rimario-cli convertir»."));
        else
            error(e.mensaje());
        return 2;
    }
}

} // namespace rimario::cli
