#include "store/comprobacion.h"

#include "language/vocales.h"
#include "store/almacen_interno.h"
#include "store/sentencia.h"

namespace rimario {

std::vector<Discrepancia> comprobarVocales(const Almacen &a)
{
    std::vector<Discrepancia> r;
    Sentencia s(a.conexion(), "SELECT Id, Pal, Voc FROM Palabras ORDER BY Id");
    int rc = s.rc();
    while (s.ok() && (rc = s.paso()) == SQLITE_ROW) {
        const QString pal = s.esNulo(1) ? QString() : s.texto(1);
        std::optional<QString> voc = s.textoNulo(2);
        QString esperado = ExtraeVocales(pal);
        if (voc.value_or(QString()) != esperado)
            r.push_back({s.entero(0), pal, std::move(voc), std::move(esperado)});
    }
    if (rc != SQLITE_DONE)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General,
                           QStringLiteral("No se pudieron leer las palabras de «%1»: %2.")
                               .arg(a.ruta(), textoMotor(rc)), mensajeMotor(a.conexion()));
    return r;
}

} // namespace rimario
