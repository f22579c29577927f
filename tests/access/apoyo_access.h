#pragma once
// Helpers of the Access conversion tests: the sample file, and altered copies
// of it built page by page (Jet 4 layout: 4096-byte pages, row count at 12,
// row offsets from 14).

#include "../comun/almacen_prueba.h"

#include <QByteArray>
#include <QString>
#include <QTest>
#include <QtEndian>

namespace apoyo {

using namespace rimario::prueba;

constexpr int kPagina = 4096;
constexpr int kPaginaPalabras = 29; // the data page of Palabras in the sample
constexpr int kDefinicionPalabras = 24;

inline int le16(const QByteArray &b, int i) { return qFromLittleEndian<quint16>(b.constData() + i); }
inline void pon16(QByteArray &b, int i, quint32 v) { qToLittleEndian<quint16>(quint16(v), b.data() + i); }
inline void pon32(QByteArray &b, int i, quint32 v) { qToLittleEndian<quint32>(v, b.data() + i); }
inline QByteArray ucs2(const QString &s) // little-endian hosts
{
    return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
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

// A long-value page holding the rows given.
inline QByteArray paginaLarga(const QList<QByteArray> &filas)
{
    QByteArray p(kPagina, '\0');
    p[0] = 1;
    p[1] = 1;
    p.replace(4, 4, "LVAL");
    pon16(p, 12, quint32(filas.size()));
    int fin = kPagina;
    for (int i = 0; i < filas.size(); ++i) {
        fin -= int(filas[i].size());
        p.replace(fin, filas[i].size(), filas[i]);
        pon16(p, 14 + 2 * i, quint32(fin));
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
