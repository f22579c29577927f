// A damaged snapshot of the word list. The input overwrites bytes of a good
// snapshot past its header (each four bytes: a place, taken within the
// arrays, then the byte put there), as a failing disk or another program
// could leave the file. The header still matches the store, so the list is
// mapped; every read, search, write-out and edit must keep within the file
// and give positions of the list, each once, in list order. (The words a
// damaged file gives may be wrong: mapping does not read the arrays through;
// the sums of their blocks, which the window checks meanwhile and the direct
// search for what it reads, find the damage.)

#include "comun.h"

#include "language/vocales.h"
#include "store/almacen.h"
#include "lista/formato_lista.h"
#include "lista/instantanea.h"
#include "lista/lexico.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace rimario;

namespace {

// What the header takes: the bytes the input never touches.
constexpr qsizetype kCabecera = qsizetype(sizeof(rimario::CabeceraLista));

struct Escenario {
    QTemporaryDir carpeta;
    std::unique_ptr<Almacen> almacen;
    QString rutaLista;
    QByteArray buena;
};

// Made once; its folder is removed at exit.
std::unique_ptr<Escenario> escenario;

void comprobarPosiciones(const Lexico &l, const std::vector<qsizetype> &p)
{
    for (size_t i = 0; i < p.size(); ++i) {
        FUZZ_COMPROBAR(p[i] >= 0 && p[i] < l.tamano(), QByteArray::number(p[i]));
        FUZZ_COMPROBAR(i == 0 || p[i - 1] < p[i], QByteArray::number(p[i]));
    }
}

// Every search on the list, and each result written out.
void recorrer(const Lexico &l)
{
    std::vector<qsizetype> todas;
    size_t letras = 0;
    for (qsizetype i = 0; i < l.tamano(); ++i) {
        letras += size_t(l.pal(i).size()) + size_t(l.caracteres(i)) + size_t(l.palNula(i));
        todas.push_back(i);
    }
    std::vector<std::vector<qsizetype>> resultados{todas};
    for (const char16_t *fin : {u"a", u"sa", u"ón", u"os", u"ción", u"\U0001D11Eos"}) {
        for (const qsizetype caracteres : {qsizetype(-1), qsizetype(4)}) {
            resultados.emplace_back();
            l.terminadasEn(fin, u"casa", caracteres, resultados.back());
        }
    }
    for (const char16_t *fin : {u"a", u"ia", u"oa", u"eioaeio"}) {
        resultados.emplace_back();
        l.vocalesTerminadasEn(fin, -1, resultados.back());
    }
    for (const auto &[tipo, clave] : {std::pair{TipoRima::Consonante, u"asa"}, {TipoRima::Asonante, u"a"}, {TipoRima::Consonante, u"on"}, {TipoRima::Asonante, u"io"}}) {
        for (const int silabas : {-1, 2}) {
            resultados.emplace_back();
            l.riman(tipo, clave, silabas, resultados.back());
        }
    }
    for (const auto &r : resultados) {
        comprobarPosiciones(l, r);
        size_t bytes = 0;
        l.lineasUtf8(r, [&](const char *, size_t n) { bytes += n; });
        // The words as the list holds them (three bytes a unit at most) or as
        // the file's lines do, a line break each.
        FUZZ_COMPROBAR(bytes <= letras * 3 + size_t(escenario->buena.size()) + r.size(),
                       QByteArray::number(qulonglong(bytes)));
    }
    const qsizetype p = l.buscarPrefijo(u"ca"), q = l.buscarIgual(u"casa");
    FUZZ_COMPROBAR(p >= Lexico::kNinguna && p < l.tamano() && q >= Lexico::kNinguna && q < l.tamano(), "posición");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    escenario = std::make_unique<Escenario>();
    const QString cache = escenario->carpeta.filePath(QStringLiteral("cache"));
    qputenv("RIMARIO_CACHE", cache.toUtf8());
    const QString ruta = escenario->carpeta.filePath(QStringLiteral("data.lop"));
    {
        auto a = Almacen::crear(ruta);
        Almacen::Lote lote(*a);
        for (const char *p : {"a", "casa", "Casa", "mesa", "pesa", "canción", "Canción", "camión", "ñandú", "pingüino",
                              "árbol", "cantamos", "inoportunamente", "luz", "\xF0\x9D\x84\x9Eos", "x"}) {
            Fila f;
            f.pal = QString::fromUtf8(p);
            f.voc = ExtraeVocales(*f.pal);
            lote.insertar(f);
        }
        lote.confirmar();
    }
    escenario->almacen = Almacen::abrir(ruta, true);
    {
        Lexico l(escenario->almacen->colador());
        l.cargar(*escenario->almacen);
        l.esperarInstantanea();
    }
    escenario->rutaLista = rutaInstantanea(ruta);
    QFile f(escenario->rutaLista);
    if (!f.open(QIODevice::ReadOnly))
        fuzz::fallo("sin instantánea");
    escenario->buena = f.readAll();
    if (escenario->buena.size() <= kCabecera)
        fuzz::fallo("instantánea corta");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    QByteArray b = escenario->buena;
    const auto resto = size_t(b.size() - kCabecera);
    for (size_t i = 0; i + 4 <= largo; i += 4) {
        const size_t donde = (size_t(datos[i]) | size_t(datos[i + 1]) << 8 | size_t(datos[i + 2]) << 16) % resto;
        b[qsizetype(kCabecera + donde)] = char(datos[i + 3]);
    }
    {
        QFile f(escenario->rutaLista);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(b) != b.size())
            fuzz::fallo("no se pudo escribir la instantánea");
    }
    Lexico l(escenario->almacen->colador());
    l.cargar(*escenario->almacen);
    recorrer(l);
    // A change copies the damaged arrays and brings their indexes along.
    if (l.tamano() > 0)
        l.eliminar(l.tamano() / 2);
    l.insertar(1000, u"brisa", u"ia");
    recorrer(l);
    l.esperarInstantanea();
    return 0;
}
