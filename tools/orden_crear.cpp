// rimario-cli crear --lista PALABRAS.txt ALMACEN

#include "argumentos.h"
#include "language/numeros.h"
#include "ordenes.h"
#include "store/almacen.h"
#include "store/crear_lista.h"

namespace rimario::cli {

int ordenCrear(const QStringList &args)
{
    Argumentos a(QStringLiteral("crear"), QStringLiteral("Uso: rimario-cli crear --lista PALABRAS.txt ALMACEN"),
                 QStringLiteral("Crea un almacén nuevo con las palabras de una lista en UTF-8, una por línea (las líneas\n"
                                "en blanco y las repetidas se saltan). No sobrescribe nada: ALMACEN no debe existir."));
    a.argumento(QStringLiteral("ALMACEN"), QStringLiteral("el almacén que se crea"));
    a.opcion({QStringLiteral("lista")}, QStringLiteral("la lista de palabras"), QStringLiteral("PALABRAS.txt"));
    if (const auto fin = a.leer(args))
        return *fin;
    const QString lista = a.valor(QStringLiteral("lista"));
    const QStringList posicionales = a.posicionales();
    if (posicionales.size() > 1)
        return a.errorDeUso(QStringLiteral("Argumento no válido: «%1».").arg(posicionales[1]));
    const QString destino = posicionales.value(0);
    if (lista.isEmpty() || destino.isEmpty())
        return a.errorDeUso();
    qint64 escritas = 0;
    try {
        escritas = crearDesdeLista(lista, destino, [](const QString &aviso) { error(aviso); });
    } catch (const ErrorAlmacen &e) {
        error(e.mensaje());
        return 1;
    }
    error(QStringLiteral("Almacén «%1» creado con %2.")
              .arg(destino, cantidadEscrita(escritas, QStringLiteral("palabra"), QStringLiteral("palabras"))));
    return 0;
}

} // namespace rimario::cli
