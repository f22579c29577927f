// rimario-cli: the command-line companion of the rhyming dictionary.

#include "argumentos.h"
#include "ordenes.h"
#include "store/almacen.h"
#include "ubicacion/version.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace rimario::cli {

void error(const QString &mensaje)
{
    const QByteArray b = (mensaje + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
}

void salida(const QString &linea)
{
    const QByteArray b = (linea + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
}

namespace {

struct Orden {
    const char *nombre;
    int (*ejecutar)(const QStringList &);
    const char *uso;
};

const Orden kOrdenes[] = {
    {"crear", ordenCrear, "crear --lista PALABRAS.txt ALMACEN   crea un almacén a partir de una lista de palabras"},
    {"buscar", ordenBuscar, "buscar [--almacen ALMACEN] [--vocales] [--igual-tamano] -n N PALABRA   busca rimas por terminación"},
    {"buscar", ordenBuscar, "buscar [--almacen ALMACEN] (--consonante | --asonante) [--silabas N] PALABRA   busca rimas desde la vocal tónica"},
    {"silabas", ordenSilabas, "silabas PALABRA...   divide las palabras en sílabas y dice su acento"},
    {"metrica", ordenMetrica, "metrica [--tsv] [ARCHIVO]   mide los versos: sílabas, acentos, rima, metro y estrofa"},
    {"convertir", ordenConvertir, "convertir ARCHIVO_ACCESS ALMACEN   convierte un data.lop de Access (97/2000) en un almacén nuevo;\n"
                                  "      sale con 0 si lo consigue, 1 si falla (el archivo de Access no se toca), 2 si el uso es incorrecto"},
    {"comprobar", ordenComprobar, "comprobar ALMACEN   lista las palabras cuya Voc no es la que les corresponde, sin cambiar nada;\n"
                                  "      sale con 0 si no hay ninguna, 1 si las hay, 2 si hay un error"},
};

QString uso()
{
    QString t = QStringLiteral("Uso: rimario-cli ORDEN [opciones]\nÓrdenes:\n");
    for (const Orden &o : kOrdenes)
        t += QStringLiteral("  ") + QString::fromUtf8(o.uso) + QLatin1Char('\n');
    return t + QStringLiteral("«rimario-cli ORDEN --help» explica cada orden; «rimario-cli --version» dice la versión.");
}

} // namespace
} // namespace rimario::cli

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    rimario::cli::ponerMensajesDelAnalizador();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        rimario::cli::error(rimario::cli::uso());
        return 2;
    }
    if (args.first() == QLatin1String("--version") && args.size() == 1) {
        rimario::cli::salida(QStringLiteral("rimario-cli (Rimario) " RIMARIO_VERSION));
        return 0;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        rimario::cli::salida(rimario::cli::uso());
        return 0;
    }
    const QString nombre = args.takeFirst();
    // A command is one operation: it waits for another program once, and says so.
    const rimario::PlazoDeEspera plazo;
    rimario::Almacen::ponerAvisoEspera([dicho = false](int esperadoMs) mutable {
        constexpr int kEsperaCallada = 300; // a wait this short is not worth a word
        if (!dicho && esperadoMs >= kEsperaCallada) {
            dicho = true;
            rimario::cli::error(QStringLiteral("Esperando a que otro programa termine con el almacén…"));
        }
        return true;
    });
    for (const auto &o : rimario::cli::kOrdenes) {
        if (nombre == QLatin1String(o.nombre))
            return o.ejecutar(args);
    }
    rimario::cli::error(QStringLiteral("Orden desconocida: «%1».\n").arg(nombre) + rimario::cli::uso());
    return 2;
}
