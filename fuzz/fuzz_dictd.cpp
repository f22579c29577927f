// The dictd reader on any pair of files (index and dictzip, gzip or plain
// data): it opens them or says why, and a lookup gives definitions (within the
// bounds) or a message, never both; any range of the text asked for comes back
// whole or with a message; the page escapes what the files say.

#include "lectores.h"
#include "lookup/paginas_sin_conexion.h"
#include "lookup/sin_conexion/dictd.h"

using namespace rimario;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const fuzz::Ficheros f = fuzz::escribirPar(datos, largo, "fuzz_dictd.index", "fuzz_dictd.dict.dz", '\t');
    const auto d = fuzz::abrir<Dictd>(f);
    if (!d)
        return 0;
    for (const QByteArray &p : f.palabras) {
        const ConsultaDict c = d->buscar(QString::fromUtf8(p));
        FUZZ_COMPROBAR(c.error.isEmpty() || !c.encontrada(), fuzz::mostrar(c.error));
        FUZZ_COMPROBAR(c.entradas.size() <= Dictd::kMaxEntradas, fuzz::mostrar(c.palabra));
        for (const EntradaDict &e : c.entradas)
            FUZZ_COMPROBAR(!e.encabezado.isEmpty() && e.acepciones.size() <= Dictd::kMaxLineas,
                           fuzz::mostrar(c.palabra));
        fuzz::comprobarPagina(paginaIngles(c));
    }
    // Ranges of the text, some across chunk boundaries.
    for (const auto &[desde, cuanto] : {std::pair<qint64, qint64>{0, 1}, {60, 10}, {100, 300}, {0, 5000}}) {
        QString e;
        const QByteArray b = d->leerTexto(desde, cuanto, &e);
        FUZZ_COMPROBAR(e.isEmpty() ? b.size() == cuanto : b.isEmpty(), fuzz::mostrar(e));
    }
    return 0;
}
