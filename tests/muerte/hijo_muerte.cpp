// hijo_muerte OPERACION ALMACEN [--matar-en N] [--huellas]
//
// The child of the crash tests, for the changes that span several files or
// transactions:
//   convertir  the start-up conversion of an Access file at ALMACEN
//   abrir      the opening of a store of the older format, brought up to date
// It prints "hecho 1 P" once done (P: disk steps taken), then "pasos N" and
// "fin". With --matar-en N it kills itself just before the N-th disk step (a
// step of its own after the operation lets it die just after it, too). With
// --huellas it prints "huella I HEX", the store's fingerprint before (0) and
// after (1). RIMARIO_MUERTE_DIARIO set: every disk step on standard error.

#include "almacen.h"
#include "apoyo_muerte.h"
#include "conversion_access.h"
#include "muerte_programada.h"

#include <QFile>

#include <cstdio>

using namespace rimario;
using muerte::decir;

namespace {

void decirHuella(int i, sqlite3 *db)
{
    decir(QStringLiteral("huella %1 %2").arg(i).arg(QString::fromLatin1(muerte::huella(db).toHex())));
}

int ejecutar(const QString &tipo, const QString &ruta, qint64 matarEn, bool huellas)
{
    const bool abrir = tipo == QLatin1String("abrir");
    if (!abrir && tipo != QLatin1String("convertir")) {
        std::fprintf(stderr, "operación desconocida\n");
        return 2;
    }
    muerte::instalarMuerte();
    if (huellas && abrir) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        decirHuella(0, db);
        sqlite3_close(db);
    }
    muerte::armarMuerte(matarEn);
    if (!abrir)
        convertirAlAbrir(ruta);
    else if (Almacen::abrir(ruta)->formato() != kFormatoActual)
        throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("no se puso al día"));
    muerte::pasoPropio("hecho");
    decir(QStringLiteral("hecho 1 %1").arg(muerte::pasosDados()));
    decir(QStringLiteral("pasos %1").arg(muerte::pasosDados()));
    if (huellas)
        decirHuella(1, Almacen::abrir(ruta, true)->conexion());
    decir(QStringLiteral("fin"));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return muerte::ejecutarHijo(argc, argv, [](const QStringList &args) {
        if (args.size() < 2) {
            std::fprintf(stderr, "uso: hijo_muerte OPERACION ALMACEN [--matar-en N] [--huellas]\n");
            return 2;
        }
        const qsizetype m = args.indexOf(QStringLiteral("--matar-en"));
        const qint64 matarEn = m >= 0 ? args.value(m + 1).toLongLong() : 0;
        return ejecutar(args[0], args[1], matarEn, args.contains(QStringLiteral("--huellas")));
    });
}
