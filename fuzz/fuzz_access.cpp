// Converting damaged Access files: the input is written as the Access file and
// converted. Either the conversion succeeds and the new store holds as many
// rows as it reports, or it fails with a Spanish message; the Access file is
// never changed and a failure leaves nothing beside it.

#include "comun.h"
#include "store/access/conversion_access.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

using namespace rimario;

namespace {

QString carpeta;

QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The working folder lies in TMPDIR: ejecutar.sh points it at a folder of
// its own (in memory where there is one), removed however the run ends.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QByteArray plantilla = QFile::encodeName(QDir::tempPath()) + "/rimario-fuzz-access-XXXXXX";
    if (!::mkdtemp(plantilla.data()))
        fuzz::fallo("no se pudo crear la carpeta de trabajo", plantilla);
    carpeta = QFile::decodeName(plantilla);
    std::atexit([] { QDir(carpeta).removeRecursively(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const QDir d(carpeta);
    const QString origen = d.filePath(QStringLiteral("data.lop"));
    const QString destino = d.filePath(QStringLiteral("nuevo.lop"));
    const QByteArray entrada(reinterpret_cast<const char *>(datos), qsizetype(largo));
    {
        QFile f(origen);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(entrada) != entrada.size())
            fuzz::fallo("no se pudo escribir la entrada", QFile::encodeName(origen));
    }
    try {
        const qint64 filas = convertirAccess(origen, destino);
        const auto a = Almacen::abrir(destino, true);
        FUZZ_COMPROBAR(a->contarFilas() == filas, QByteArray::number(filas));
        FUZZ_COMPROBAR(a->comprobarIntegridad().isEmpty(), a->comprobarIntegridad().toUtf8());
    } catch (const ErrorAlmacen &e) {
        FUZZ_COMPROBAR(!e.mensaje().isEmpty(), QByteArray());
        FUZZ_COMPROBAR(!QFile::exists(destino), e.mensaje().toUtf8());
    }
    FUZZ_COMPROBAR(leer(origen) == entrada, "el archivo de Access ha cambiado");
    const QStringList resto = d.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &n : resto)
        FUZZ_COMPROBAR(n == QLatin1String("data.lop") || n == QLatin1String("nuevo.lop"), n.toUtf8());
    QFile::remove(destino);
    return 0;
}
