#pragma once
// What the fuzz targets of the dictionary readers share: the input is a pair
// of files, "n (2 bytes, little-endian) | index (n bytes) | data (the rest)",
// written to the temporary folder; the words looked up are those the index
// lists (the text of each line before its first separator), and one more.

#include "comun.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

namespace rimario::fuzz {

struct Ficheros {
    QString indice, datos;
    QList<QByteArray> palabras;
};

inline Ficheros escribirPar(const uint8_t *d, size_t largo, const char *indice, const char *datos, char separador)
{
    Ficheros f;
    const QString carpeta = QDir::tempPath();
    f.indice = carpeta + QLatin1Char('/') + QLatin1String(indice);
    f.datos = carpeta + QLatin1Char('/') + QLatin1String(datos);
    size_t n = largo >= 2 ? size_t(d[0] | (d[1] << 8)) : 0;
    const uint8_t *resto = largo >= 2 ? d + 2 : d;
    const size_t queda = largo >= 2 ? largo - 2 : 0;
    n = std::min(n, queda);
    const QByteArray i(reinterpret_cast<const char *>(resto), qsizetype(n));
    const QByteArray x(reinterpret_cast<const char *>(resto + n), qsizetype(queda - n));
    for (const auto &[ruta, bytes] : {std::pair{f.indice, i}, std::pair{f.datos, x}}) {
        QFile a(ruta);
        if (!a.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fallo("No se puede escribir en la carpeta temporal");
        a.write(bytes);
    }
    for (const QByteArray &l : i.split('\n')) {
        const qsizetype s = l.indexOf(separador);
        if (s > 0 && f.palabras.size() < 16)
            f.palabras << l.left(s);
    }
    f.palabras << QByteArray("casa");
    return f;
}

// The reader on the files, or null once it has said why not.
template <typename Lector>
auto abrir(const Ficheros &f)
{
    QString error;
    auto l = Lector::abrir(f.indice, f.datos, &error);
    FUZZ_COMPROBAR(l || !error.isEmpty(), "sin mensaje");
    return l;
}

// A page made from the files: text of theirs never becomes markup.
inline void comprobarPagina(const QString &pagina)
{
    FUZZ_COMPROBAR(pagina.startsWith(QLatin1String("<!DOCTYPE html>")), mostrar(pagina));
    FUZZ_COMPROBAR(!pagina.contains(QLatin1String("<x")) && !pagina.contains(QLatin1String("<script")),
                   mostrar(pagina, 2000));
}

} // namespace rimario::fuzz
