// The command line's direct search against the list's own searches: the same
// words, or no answer at all (the whole program then answers).

#include "busqueda_directa.h"
#include "language/caracteres.h"
#include "language/patron.h"
#include "language/unidades.h"
#include "language/vocales.h"
#include "rhyme/rima.h"
#include "store/almacen.h"
#include "lista/formato_lista.h"
#include "lista/instantanea.h"
#include "lista/lexico.h"

#include "../comun/almacen_prueba.h"

#include <QProcess>
#include <QtEndian>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

using namespace rimario;
using namespace rimario::prueba;

namespace {

// What the direct search writes, or "(ninguna)" when it leaves it.
QString directa(const QStringList &args)
{
    std::vector<std::string> a;
    for (const QString &s : args)
        a.push_back(s == u"<ff>" ? std::string("\xff") : s.toStdString());
    char *datos = nullptr;
    size_t largo = 0;
    std::FILE *f = open_memstream(&datos, &largo);
    const auto r = cli::buscarDirecto(a, f);
    std::fclose(f);
    const QString texto = QString::fromUtf8(datos, qsizetype(largo));
    std::free(datos);
    if (!r)
        return texto.isEmpty() ? QStringLiteral("(ninguna)") : QStringLiteral("(ninguna, y escribió)");
    return *r == 0 ? texto : QStringLiteral("(salida %1)").arg(*r);
}

// The list as the whole program reads it.
struct Leida {
    std::unique_ptr<Almacen> a;
    Lexico l{a->colador()};
    explicit Leida(const QString &ruta) : a(Almacen::abrir(ruta, true)) { l.cargar(*a); }
};

// What the list gives for the same search; "(error)" when the whole program
// refuses the word.
QString dellista(const QString &ruta, const QString &palabra, const ModoRima &modo)
{
    Leida d(ruta);
    Lexico &l = d.l;
    std::vector<qsizetype> pos;
    try {
        pos = posicionesDe(l, palabra, modo).value_or(pos);
    } catch (const Error &) {
        return QStringLiteral("(error)");
    }
    std::string s;
    l.lineasUtf8(pos, [&](const char *p, size_t k) { s.append(p, k); });
    return QString::fromStdString(s);
}

} // namespace

class PruebaDirecta : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString ruta_, cache_;

    void hacerInstantanea() { Leida(ruta_).l.esperarInstantanea(); }

private slots:
    void initTestCase()
    {
        cache_ = dir_.filePath(QStringLiteral("cache"));
        qputenv("RIMARIO_CACHE", cache_.toUtf8());
        ruta_ = crearAlmacen(dir_.filePath(QStringLiteral("data.lop")),
                             lista("canción camión Canción acción razón CAMIÓN pasión amor temor ámbar árbol "
                                   "mármol pingüino Pingüino cigüeña ñandú tabú casa masa pasa paso río frío "
                                   "Kelvin ＫELVIN STRASSE straße soñé perdí reí rey ley hoy muy "
                                   "estáis cantáis 𝒜ción ción ón n \u212Aelvin rápidamente mente "
                                   "bosque busque ocho bache lápiz madre Venus cielo huir guion buey"));
        hacerInstantanea();
    }

    // The text functions without Qt give what the Qt ones give, for every
    // code point.
    void tablasComoQt()
    {
        for (char32_t c = 0; c <= 0x10FFFF; ++c)
            if (plegarPunto(c) != plegar(c))
                QFAIL(qPrintable(QStringLiteral("plegar U+%1").arg(uint(c), 0, 16)));
        for (uint c = 0; c <= 0xFFFF; ++c)
            QCOMPARE(vocalDeUnidad(char16_t(c)), vocalDe(char16_t(c)));
        const QByteArray malos[] = {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80", "\xE2\x82"};
        std::u16string u;
        for (const QByteArray &m : malos)
            QVERIFY2(!leerUtf8(m.toStdString(), u), m.toHex().constData());
        QVERIFY(leerUtf8("can\xC3\xA7\xC3\xB3n \xF0\x9D\x92\x9C", u));
        QCOMPARE(QString::fromStdU16String(u), QString::fromUtf8("canç" "ón 𝒜"));
    }

    // Every kind of rhyme: the list's words (the word itself, in any case, left
    // out of the consonant and assonant ones), or the whole program's answer
    // for an ending outside the basic plane or a word it cannot analyse as written.
    void comoLaLista_data()
    {
        COLUMNAS(QString, palabra, int, tipo, int, n, bool, igual);
        const char *palabras[] = {"canción", "CANCIÓN", "camión", "amor", "pingüino", "straße", "kelvin", "río",
                                  "rey", "ción", "𝒜ción", "cantáis", "x", "ñandú"};
        for (const char *p : palabras)
            for (int n : {2, 3, 4, 7})
                for (TipoRima t : {TipoRima::Completa, TipoRima::Vocales})
                    for (bool i : {false, true})
                        QTest::addRow("%s %d %d%s", p, n, int(t), i ? " igual" : "") << QString::fromUtf8(p) << int(t) << n << i;
        const char *porClave[] = {"canción", "CANCIÓN", "Camión", "amor", "pingüino", "río", "rey", "hoy",
                                  "rápidamente", "bosque", "ocho", "lápiz", "Venus", "guion", "buey", "árbol",
                                  "casa", "x", "cantáis", "cancio\u0301n", "straße", "𝒜ción", "sóñé", "zzz"};
        for (const char *p : porClave)
            for (TipoRima t : {TipoRima::Consonante, TipoRima::Asonante})
                for (int silabas : {-1, 1, 2, 3})
                    QTest::addRow("%s %d sílabas %d", p, int(t), silabas) << QString::fromUtf8(p) << int(t) << silabas << false;
    }
    void comoLaLista()
    {
        DATOS(QString, palabra, int, tipo, int, n, bool, igual);
        const ModoRima modo{TipoRima(tipo), n, igual, n > 0 ? std::optional(n) : std::nullopt};
        QStringList args{QStringLiteral("--almacen"), ruta_};
        if (modo.porClave())
            args << (modo.tipo == TipoRima::Consonante ? QStringLiteral("--consonante") : QStringLiteral("--asonante"));
        if (modo.porClave() && n > 0)
            args << QStringLiteral("--silabas") << QString::number(n);
        if (!modo.porClave())
            args << QStringLiteral("-n") << QString::number(n);
        if (modo.tipo == TipoRima::Vocales)
            args << QStringLiteral("--vocales");
        if (igual)
            args << QStringLiteral("--igual-tamano");
        const QString d = directa(args + QStringList{palabra});
        const QString l = dellista(ruta_, palabra, modo.porClave() ? ModoRima{modo.tipo, 0, false, modo.silabas} : ModoRima{modo.tipo, n, igual, std::nullopt});
        const QString fin = modo.porClave() ? QString() : ultimosCaracteres(palabra, n);
        const bool suya = modo.porClave() ? l == u"(error)" || palabra.contains(QChar(0x0301))
                                          : modo.tipo == TipoRima::Completa && numeroDeCaracteres(palabra) >= n && fin.size() != numeroDeCaracteres(fin);
        QCOMPARE(d, suya ? QStringLiteral("(ninguna)") : l);
    }

    // A byte changed in an array a search reads (of the word's row, or the
    // rhyme keys' table): no word of the damaged snapshot is written; the
    // direct search leaves it, and the whole program finds the damage too and
    // answers from the rows, then keeps a whole snapshot again. A byte of a
    // key the search may not have read ('leida' false) may also be answered
    // directly, with the right words.
    void danadaNoSeCree_data() { datosDeArchivo("tools/directa.tsv", "danadaNoSeCree"); }
    void danadaNoSeCree()
    {
        DATOS(QString, args, int, parte, QString, palabra, bool, leida);
        static_assert(int(Parte::Lineas) == 18, "the numbers of tools/directa.tsv");
        const QStringList todos = QStringList{QStringLiteral("--almacen"), ruta_} + args.split(u' ');
        const QString buena = directa(todos); // an untouched snapshot: answered directly
        QVERIFY(!buena.isEmpty() && !buena.startsWith(u'('));
        const QString snap = rutaInstantanea(ruta_);
        const QByteArray intacta = leerArchivo(snap);
        const auto fin = qScopeGuard([&] { escribirArchivo(snap, intacta); });
        CabeceraLista c;
        std::memcpy(&c, intacta.constData(), sizeof c);
        qsizetype fila = 0;
        for (Leida d(ruta_); fila < d.l.tamano() && d.l.pal(fila) != palabra;)
            ++fila;
        const CabeceraLista::Tramo t = c.tramo(Parte(parte));
        auto u32 = [&](uint64_t donde) { return qFromLittleEndian<quint32>(intacta.constData() + donde); };
        qsizetype donde = qsizetype(t.desde + t.bytes / 2); // the keys' table
        if (Parte(parte) == Parte::Texto)
            donde = qsizetype(t.desde + 2 * u32(c.tramo(Parte::Inicio).desde + 4 * uint64_t(fila)));
        else if (Parte(parte) == Parte::Lineas)
            donde = intacta.indexOf(palabra.toUtf8(), qsizetype(t.desde));
        else if (Parte(parte) >= Parte::PorFin && Parte(parte) <= Parte::PorAsonante)
            for (donde = qsizetype(t.desde); u32(uint64_t(donde)) != uint32_t(fila);)
                donde += 4;
        else if (Parte(parte) == Parte::DesdeClave)
            donde = qsizetype(t.desde + 4);
        else if (Parte(parte) != Parte::TextoClaves)
            donde = qsizetype(t.desde + t.bytes / c.filas * uint64_t(fila));
        QVERIFY(donde >= qsizetype(t.desde) && uint64_t(donde) < t.desde + t.bytes);
        QByteArray b = intacta;
        b[donde] = char(b[donde] ^ 1);
        QVERIFY(escribirArchivo(snap, b));
        const QString d = directa(todos);
        QVERIFY2(d == u"(ninguna)" || (!leida && d == buena), qPrintable(d));
        QProcess p;
        p.start(QStringLiteral(RIMARIO_CLI), QStringList{QStringLiteral("buscar")} + todos);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), buena);
        QCOMPARE(directa(todos), buena);
    }

    // What it leaves to the whole program: other forms, patterns, a store
    // that is not in the state of its snapshot, or being written.
    void laDejaAlPrograma_data() { datosDeArchivo("tools/directa.tsv", "laDejaAlPrograma"); }
    void laDejaAlPrograma()
    {
        DATOS(QString, lineaArgs, QString, estado);
        const QStringList args = lineaArgs.split(u' ');
        QVERIFY(directa({QStringLiteral("--almacen"), ruta_, QStringLiteral("-n"), QStringLiteral("2"),
                         QStringLiteral("amor")}) != u"(ninguna)");
        QByteArray instantanea;
        const QString snap = rutaInstantanea(ruta_);
        sqlite3 *otro = nullptr;
        pid_t hijo = -1;
        int suelta = -1;
        const auto fin = qScopeGuard([&] {
            if (hijo > 0) {
                char c = 'x';
                (void)!::write(suelta, &c, 1);
                ::waitpid(hijo, nullptr, 0);
            }
            if (otro)
                sqlite3_close(otro);
            if (!instantanea.isEmpty())
                escribirArchivo(snap, instantanea);
            if (estado == u"wal" || estado == u"cambiar") {
                consultar(ruta_, QStringLiteral("PRAGMA journal_mode = DELETE"));
                hacerInstantanea();
            }
        });
        if (estado == u"cambiar") {
            consultar(ruta_, QStringLiteral("UPDATE PalabrasBase SET Id = Id + 100 WHERE Pal = 'amor'"));
        } else if (estado == u"wal") {
            consultar(ruta_, QStringLiteral("PRAGMA journal_mode = WAL"));
            otro = otroPrograma(ruta_, "SELECT 1");
        } else if (estado == u"icu") {
            // The same snapshot, said to come from other ICU files.
            instantanea = leerArchivo(snap);
            QByteArray b = instantanea;
            CabeceraLista c;
            std::memcpy(&c, b.constData(), sizeof c);
            Huella h = c.huella();
            h.icu[2].identidad.modificado += 1;
            c = CabeceraLista::de(h, c.filas, c.unidades, c.claves, c.unidadesClaves, c.raras, c.bytesLineas);
            b.replace(0, sizeof c, QByteArray(reinterpret_cast<const char *>(&c), sizeof c));
            QVERIFY(escribirArchivo(snap, b));
        } else if (!estado.isEmpty()) {
            // Another process: the locks of one process never stop each other.
            int ida[2], vuelta[2];
            QVERIFY(::pipe(ida) == 0 && ::pipe(vuelta) == 0);
            hijo = ::fork();
            if (hijo == 0) {
                sqlite3 *db = otroPrograma(ruta_, estado.toUtf8().constData());
                char c = 'x';
                (void)!::write(ida[1], &c, 1);
                (void)!::read(vuelta[0], &c, 1);
                sqlite3_close(db);
                ::_exit(0);
            }
            char c = 0;
            QVERIFY(::read(ida[0], &c, 1) == 1);
            suelta = vuelta[1];
        }
        QStringList todos = args;
        if (!todos.contains(u"--almacen"))
            todos = QStringList{QStringLiteral("--almacen"), ruta_} + todos;
        QCOMPARE(directa(todos), QStringLiteral("(ninguna)"));
        if (estado == u"icu") {
            // Nor does the whole program take it.
            auto a = Almacen::abrir(ruta_, true);
            Lexico l(a->colador());
            QCOMPARE(l.cargar(*a), Lexico::Origen::Filas);
        }
    }
};

QTEST_GUILESS_MAIN(PruebaDirecta)
#include "prueba_directa.moc"
