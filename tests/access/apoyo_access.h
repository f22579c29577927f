#pragma once
// Helpers of the Access conversion tests: the sample file, and altered copies
// of it built page by page (Jet 4 layout: 4096-byte pages, row count at 12,
// row offsets from 14).

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

namespace apoyo {

constexpr int kPagina = 4096;
constexpr int kPaginaPalabras = 29; // the data page of Palabras in the sample
constexpr int kDefinicionPalabras = 24;

inline QString muestra()
{
    const QString dir = qEnvironmentVariable("RIMARIO_FIXTURES", QStringLiteral(RIMARIO_FUENTES "/../shared/fixtures"));
    return QDir(dir).filePath(QStringLiteral("access2000-sample.lop"));
}

inline QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void escribir(const QString &ruta, const QByteArray &datos)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(datos), datos.size());
}

inline QByteArray huella(const QString &ruta)
{
    return QCryptographicHash::hash(leer(ruta), QCryptographicHash::Sha256);
}

inline int le16(const QByteArray &b, int i) { return quint8(b[i]) | (quint8(b[i + 1]) << 8); }
inline void pon16(QByteArray &b, int i, quint32 v)
{
    b[i] = char(v & 0xFF);
    b[i + 1] = char((v >> 8) & 0xFF);
}
inline void pon32(QByteArray &b, int i, quint32 v)
{
    pon16(b, i, v & 0xFFFF);
    pon16(b, i + 2, v >> 16);
}

inline QByteArray ucs2(const QString &s)
{
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

// Position in the file of row 'fila' of the page, and its length.
inline std::pair<int, int> fila(const QByteArray &db, int pagina, int fila)
{
    const int base = pagina * kPagina;
    const int ini = le16(db, base + 14 + 2 * fila) & 0x1FFF;
    const int fin = fila == 0 ? kPagina : (le16(db, base + 12 + 2 * fila) & 0x1FFF);
    return {base + ini, fin - ini};
}

// Position in the file of the k-th variable-length value (0 Pal, 1 Voc, 2 Sig)
// of a row of Palabras (ten columns: two bytes of null mask at its end).
inline int valor(const QByteArray &db, int numFila, int k)
{
    const auto [ini, largo] = fila(db, kPaginaPalabras, numFila);
    return ini + le16(db, ini + largo - 2 - 2 - 2 * (k + 1));
}

// A data page holding the rows given; 'propietario' is the table's definition
// page, or 0 for a long-value page. 'bandera' is or-ed into every row offset.
inline QByteArray pagina(const QList<QByteArray> &filas, quint32 propietario, quint16 bandera = 0)
{
    QByteArray p(kPagina, '\0');
    p[0] = 1;
    p[1] = 1;
    if (propietario)
        pon32(p, 4, propietario);
    else
        p.replace(4, 4, "LVAL");
    pon16(p, 12, quint32(filas.size()));
    int fin = kPagina;
    for (int i = 0; i < filas.size(); ++i) {
        fin -= int(filas[i].size());
        p.replace(fin, filas[i].size(), filas[i]);
        pon16(p, 14 + 2 * i, quint32(fin) | bandera);
    }
    pon16(p, 2, quint32(fin - 14 - 2 * filas.size()));
    return p;
}

// Replaces the one occurrence of 'viejo' (UCS-2) by 'nuevo' of the same length.
inline void renombrar(QByteArray &db, const QString &viejo, const QString &nuevo)
{
    const QByteArray a = ucs2(viejo), b = ucs2(nuevo);
    const qsizetype i = db.indexOf(a);
    QVERIFY(i >= 0 && db.indexOf(a, i + 1) < 0 && a.size() == b.size());
    db.replace(i, b.size(), b);
}

} // namespace apoyo
