// The thesaurus reader on any pair of files: it opens them or says why, and a
// lookup gives meanings (each with synonyms, within the bounds) or a message,
// never both; the page made from it escapes what the files say.

#include "lectores.h"
#include "lookup/paginas_sin_conexion.h"
#include "lookup/sin_conexion/tesauro.h"

using namespace rimario;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const fuzz::Ficheros f = fuzz::escribirPar(datos, largo, "fuzz_tesauro.idx", "fuzz_tesauro.dat", '|');
    const auto t = fuzz::abrir<Tesauro>(f);
    if (!t)
        return 0;
    for (const QByteArray &p : f.palabras)
        for (const QString &w : {QString::fromLatin1(p), QString::fromUtf8(p)}) {
            const ConsultaTesauro c = t->buscar(w);
            FUZZ_COMPROBAR(c.error.isEmpty() || !c.encontrada(), fuzz::mostrar(c.error));
            FUZZ_COMPROBAR(c.acepciones.size() <= Tesauro::kMaxAcepciones, fuzz::mostrar(w));
            for (const AcepcionTesauro &a : c.acepciones) {
                FUZZ_COMPROBAR(!a.sinonimos.isEmpty() && a.sinonimos.size() <= Tesauro::kMaxSinonimos,
                               fuzz::mostrar(w));
                for (const QString &s : a.sinonimos)
                    FUZZ_COMPROBAR(!s.isEmpty() && s == s.trimmed(), fuzz::mostrar(s));
            }
            fuzz::comprobarPagina(paginaSinonimos(c));
        }
    return 0;
}
