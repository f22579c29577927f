#pragma once
// The columns of a table-driven test named once: COLUMNAS(int, n, QString, w)
// in the _data function adds them, DATOS(int, n, QString, w) in the test
// fetches them (up to four columns). A longer table is kept in a data file
// and read by datosDeArchivo.

#include <QFile>
#include <QTest>

#include <deque>

#define TABLA_COLUMNA_(tipo, nombre) QTest::addColumn<tipo>(#nombre);
#define TABLA_DATO_(tipo, nombre) QFETCH(tipo, nombre);
#define TABLA_1_(m, t, n) m(t, n)
#define TABLA_2_(m, t, n, ...) m(t, n) TABLA_1_(m, __VA_ARGS__)
#define TABLA_3_(m, t, n, ...) m(t, n) TABLA_2_(m, __VA_ARGS__)
#define TABLA_4_(m, t, n, ...) m(t, n) TABLA_3_(m, __VA_ARGS__)
#define TABLA_ELEGIR_(a, b, c, d, e, f, g, h, N, ...) N
#define TABLA_PARES_(m, ...) TABLA_ELEGIR_(__VA_ARGS__, TABLA_4_, , TABLA_3_, , TABLA_2_, , TABLA_1_, )(m, __VA_ARGS__)
#define COLUMNAS(...) TABLA_PARES_(TABLA_COLUMNA_, __VA_ARGS__)
#define DATOS(...) TABLA_PARES_(TABLA_DATO_, __VA_ARGS__)

namespace rimario::prueba {

// A field of a data file: \n, \r, \t, \\ and \uXXXX (one UTF-16 unit) stand
// for those characters.
inline QString desescapar(const QString &s)
{
    QString r;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i] == u'\\' && i + 1 < s.size() ? s[++i] : QChar();
        if (c.isNull())
            r += s[i];
        else if (c == u'u')
            r += QChar(s.mid(i + 1, 4).toUShort(nullptr, 16)), i += 4;
        else
            r += c == u'n' ? u'\n' : c == u'r' ? u'\r' : c == u't' ? u'\t' : c;
    }
    return r;
}

// The rows of a table in a tab-separated file under tests/ ('#' lines and
// blank lines skipped): the first line names the columns after the rows'
// names, "nombre:int" a number, "nombre:bool" sí or no, text otherwise. A file
// of several tables heads each with "[tabla]", the name it is read by.
inline void datosDeArchivo(const char *archivo, const char *tabla = nullptr)
{
    static std::deque<QByteArray> nombres; // QTest keeps the columns' names by pointer
    QFile f(QStringLiteral(RIMARIO_FUENTES "/tests/") + QLatin1String(archivo));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("%s", archivo);
    const QString seccion = u'[' + QString::fromUtf8(tabla) + u']';
    QStringList tipos;
    bool dentro = !tabla;
    for (const QString &linea : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (linea.startsWith(u'['))
            dentro = linea == seccion, tipos.clear();
        if (!dentro || linea.isEmpty() || linea.startsWith(u'#') || linea.startsWith(u'['))
            continue;
        const QStringList campos = linea.split(u'\t');
        if (tipos.isEmpty()) {
            for (const QString &c : campos.mid(1)) {
                tipos << c.section(u':', 1);
                const char *nombre = nombres.emplace_back(c.section(u':', 0, 0).toUtf8()).constData();
                tipos.last() == u"int" ? QTest::addColumn<int>(nombre)
                : tipos.last() == u"bool" ? QTest::addColumn<bool>(nombre)
                                          : QTest::addColumn<QString>(nombre);
            }
            continue;
        }
        if (campos.size() != tipos.size() + 1)
            qFatal("%s: %s", archivo, qPrintable(linea));
        QTestData &fila = QTest::newRow(qPrintable(campos[0]));
        for (qsizetype i = 1; i < campos.size(); ++i)
            tipos[i - 1] == u"int" ? void(fila << campos[i].toInt())
            : tipos[i - 1] == u"bool" ? void(fila << (campos[i] == u"sí"))
                                      : void(fila << desescapar(campos[i]));
    }
}

} // namespace rimario::prueba
