// rimario-cli metrica [--tsv] [ARCHIVO]

#include "argumentos.h"
#include "ordenes.h"
#include "verso/poema.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdio>

namespace rimario::cli {

namespace {

// Why a file cannot be opened, in words of our own (the system's are English).
QString motivo(const QString &nombre)
{
    const QFileInfo i(nombre);
    if (!i.exists())
        return QStringLiteral("no existe");
    if (i.isDir())
        return QStringLiteral("es una carpeta, no un archivo");
    if (!i.isReadable())
        return QStringLiteral("no tiene permiso para leerlo");
    return QStringLiteral("el sistema no lo permite");
}

// The whole of a file, or of standard input without a name.
bool leerTodo(const QString &nombre, QByteArray &datos)
{
    QFile f;
    if (!nombre.isEmpty() && QFileInfo(nombre).isDir()) {
        error(QStringLiteral("No se puede abrir «%1»: %2.").arg(nombre, motivo(nombre)));
        return false;
    }
    const bool abierto = nombre.isEmpty() ? f.open(stdin, QIODevice::ReadOnly) : (f.setFileName(nombre), f.open(QIODevice::ReadOnly));
    if (!abierto) {
        error(QStringLiteral("No se puede abrir «%1»: %2.").arg(nombre, motivo(nombre)));
        return false;
    }
    datos = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        error(QStringLiteral("No se puede leer %1: falló la lectura a medias.").arg(nombre.isEmpty() ? QStringLiteral("la entrada") : QStringLiteral("«%1»").arg(nombre)));
        return false;
    }
    return true;
}

void anadir(std::string &s, const QString &t) { s += t.toStdString(); }

} // namespace

int ordenMetrica(const QStringList &args)
{
    Argumentos a(QStringLiteral("metrica"), QStringLiteral("Uso: rimario-cli metrica [--tsv] [ARCHIVO]"),
                 QStringLiteral("Mide los versos del archivo (o de la entrada estándar), uno por línea, con una línea en\n"
                                "blanco entre estrofas y dos entre poemas: sílabas métricas, acentos (+ tónica, - átona),\n"
                                "rima (A, B... consonante; a, b... asonante; - sin rima), metro y estrofa."));
    a.opcion({QStringLiteral("tsv")}, QStringLiteral("una línea por verso, SILABAS, PATRON, RIMA y METRO separados por tabuladores;\n"
                                                     "una línea en blanco por cada línea en blanco"));
    a.argumento(QStringLiteral("ARCHIVO"), QStringLiteral("el texto, en UTF-8 (la entrada estándar si no se da)"));
    if (const auto fin = a.leer(args))
        return *fin;
    const QStringList pos = a.posicionales();
    if (pos.size() > 1)
        return a.errorDeUso(QStringLiteral("Sobran argumentos: dé un solo archivo."));
    const QString nombre = pos.isEmpty() ? QString() : pos.first();
    const QString mostrado = nombre.isEmpty() ? QStringLiteral("La entrada") : QStringLiteral("El archivo «%1»").arg(nombre);

    QByteArray datos;
    if (!leerTodo(nombre, datos))
        return 1;
    if (datos.contains('\0')) {
        error(QStringLiteral("%1 no es un texto: tiene bytes nulos (¿un archivo binario?).").arg(mostrado));
        return 1;
    }
    // Each line decoded on its own: one that is not UTF-8 is reported by its
    // number and read as a line without words; the others are analysed.
    QStringList lineas;
    QList<qsizetype> malas;
    for (const QByteArray &b : datos.split('\n')) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        lineas.append(utf8.decode(b));
        if (utf8.hasError()) {
            malas.append(lineas.size());
            lineas.last() = QStringLiteral("\uFFFD");
        }
    }
    if (!lineas.isEmpty() && lineas.first().startsWith(QChar(0xFEFF)))
        lineas.first().remove(0, 1);
    if (!lineas.isEmpty() && lineas.last().isEmpty())
        lineas.removeLast();
    if (!malas.isEmpty()) {
        QStringList numeros;
        for (qsizetype i = 0; i < malas.size() && i < 10; ++i)
            numeros.append(QString::number(malas[i]));
        if (malas.size() > 10)
            numeros.append(QStringLiteral("y %1 más").arg(malas.size() - 10));
        error(QStringLiteral("%1 no está en UTF-8 válido en %2 %3 (se lee sin palabras); guárdelo como UTF-8 y vuelva a probar.")
                  .arg(mostrado, malas.size() == 1 ? QStringLiteral("la línea") : QStringLiteral("las líneas"), numeros.join(QStringLiteral(", "))));
    }
    std::vector<std::u16string_view> vistas;
    vistas.reserve(size_t(lineas.size()));
    for (QString &l : lineas) {
        if (l.endsWith(u'\r'))
            l.chop(1);
        vistas.emplace_back(reinterpret_cast<const char16_t *>(l.utf16()), size_t(l.size()));
    }

    verso::Analizador analizador;
    const verso::PoemaAnalizado r = analizador.analizar(vistas);
    std::string s;
    s.reserve(size_t(lineas.size()) * 40);
    const bool tsv = a.tiene(QStringLiteral("tsv"));
    size_t estrofa = 0;
    for (size_t i = 0; i < r.versos.size(); ++i) {
        const verso::VersoAnalizado &v = r.versos[i];
        if (tsv) {
            if (!lineas[qsizetype(i)].trimmed().isEmpty())
                s += std::to_string(v.silabas) + '\t' + v.patron + '\t' + (v.vacio ? "-" : v.rima) + '\t' + v.metro;
            s += '\n';
            continue;
        }
        if (v.vacio) {
            s += '\n';
            continue;
        }
        char cuenta[8];
        std::snprintf(cuenta, sizeof cuenta, "%2d", v.silabas);
        s += std::string(cuenta) + "  " + v.patron + "  " + v.rima + "  " + v.metro + (v.fueraDeMetro ? " (fuera del metro)" : "") + '\n';
        s += "    ";
        anadir(s, QString::fromStdU16String(v.separada));
        s += '\n';
        while (estrofa < r.estrofas.size() && r.estrofas[estrofa].ultima <= int(i)) {
            if (!r.estrofas[estrofa].nombre.empty())
                s += "    (" + r.estrofas[estrofa].nombre + ")\n";
            ++estrofa;
        }
    }
    if (!tsv)
        for (const std::string &p : r.poemas)
            if (!p.empty())
                s += "Poema: " + p + '\n';
    std::fwrite(s.data(), 1, s.size(), stdout);
    return malas.isEmpty() ? 0 : 1;
}

} // namespace rimario::cli
