// The word list in memory and its patterns: finds, rhyme scans and edits on a
// small list with the usual troublemakers (the fuzz targets check the same
// against plain scans on random lists).

#include "lexico.h"
#include "patron.h"
#include "rima.h"

#include "../comun/almacen_prueba.h"

#include <QTemporaryDir>
#include <QTest>

using namespace rimario;
using namespace rimario::prueba;

namespace {
QStringList palabrasDe(const ResultadoRima &r)
{
    QStringList s;
    for (qsizetype i = 0; i < r.tamano(); ++i)
        s << r.pal(i).toString();
    return s;
}
} // namespace

class PruebaLexico : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<Lexico> lexico;

private slots:
    void initTestCase()
    {
        almacen = Almacen::abrir(crearAlmacen(dir.filePath(QStringLiteral("l.lop")), palabrasDePrueba() + lista("canciones CANCIÓN pá😀a Ñu")));
        lexico = std::make_unique<Lexico>(almacen->colador());
        lexico->cargar(*almacen);
    }

    void busquedas_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("prefijo"); // the first word in list order that "texto*" matches
        QTest::addColumn<QString>("igual");   // the first equal to it, letter case aside
        for (const char *fila : {"ca camino -", "CANC canción -", "canción canción canción", "CANCIÓN canción canción", "á árbol -",
                                 "a a*b -", "ñ ñandú -", "n nido -", "ñu Ñu Ñu", "l' l'amour -", "o'H o'higgins -", "zz - -",
                                 "c?s casa -", "[cp]a camino -", "# 123 -", "arbol - -", "pá😀 pá😀a -", "ca[ - -", "' - -"}) {
            const QStringList c = QString::fromUtf8(fila).split(u' ');
            QTest::newRow(fila) << c[0] << (c[1] == u"-" ? QString() : c[1]) << (c[2] == u"-" ? QString() : c[2]);
        }
    }
    void busquedas()
    {
        QFETCH(QString, texto);
        QFETCH(QString, prefijo);
        QFETCH(QString, igual);
        const qsizetype p = lexico->buscarPrefijo(texto), q = lexico->buscarIgual(texto);
        QCOMPARE(p < 0 ? QString() : lexico->pal(p).toString(), prefijo);
        QCOMPARE(q < 0 ? QString() : lexico->pal(q).toString(), igual);
    }

    void rimas()
    {
        QCOMPARE(palabrasDe(rimasCompletas(*lexico, u"CORAZÓN", 2, false)), lista("avión camión canción canción CANCIÓN ilusión pasión razón"));
        QCOMPARE(palabrasDe(rimasCompletas(*lexico, u"camión", 3, true)), lista("pasión"));
        QCOMPARE(palabrasDe(rimasCompletas(*lexico, u"xasa", 3, false)), lista("casa masa pasa"));
        QCOMPARE(palabrasDe(rimasCompletas(*lexico, u"pa*b", 2, false)), lista("a*b"));
        QCOMPARE(palabrasDe(rimasCompletas(*lexico, u"c?sa", 4, false)), lista("casa cosa"));
        QVERIFY_THROWS_EXCEPTION(ErrorRima, rimasCompletas(*lexico, u"ab[c", 2, false));
        QCOMPARE(palabrasDe(rimasVocales(*lexico, u"ao", std::nullopt)), lista("amor Amor árbol ÁRBOL caracol corazón farol razón"));
        QCOMPARE(palabrasDe(rimasVocales(*lexico, u"aio", qsizetype(6))), lista("camino camión pasión"));
        QVERIFY(rimasVocales(*lexico, u"xa", std::nullopt).vacio());
    }

    void cambiosEnMemoriaComoAlReleer()
    {
        Lexico l(almacen->colador());
        l.cargar(*almacen);
        for (int i = 0; i < 30; ++i) {
            const qsizetype p = (i * 7) % l.tamano();
            const QString w = QStringLiteral("%1ña%2").arg(QChar(u'a' + i % 26)).arg(i);
            if (i % 3 == 0)
                l.insertar(almacen->anadir(w, ExtraeVocales(w), std::nullopt), w, ExtraeVocales(w));
            else if (i % 3 == 1)
                almacen->cambiarPal(l.id(p), w), l.cambiar(p, w, ExtraeVocales(w));
            else
                almacen->eliminar(l.id(p)), l.eliminar(p);
        }
        Lexico fresco(almacen->colador());
        fresco.cargar(*almacen);
        QCOMPARE(l.tamano(), fresco.tamano());
        for (qsizetype i = 0; i < l.tamano(); ++i)
            QCOMPARE(l.pal(i), fresco.pal(i));
    }

    void patrones_data()
    {
        QTest::addColumn<QString>("patron");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("coincide");
        for (const char *fila : {"ca* canción 1", "ca* acá 0", "*ón cancion 0", "a*b*c aXXbYY 0", "CA* canción 1", "á* Árbol 1",
                                 "a* árbol 0", "n* ñandú 0", "c?n c😀n 1", "#* a1 0", "[!cp]asa masa 1", "[a-c]* Bote 1",
                                 "[m-o]andú ñandú 1", "[m-n]andú ñandú 0", "[a-a]baco ÁBACO 1", "[a]baco ábaco 0", "*[*]* ab 0",
                                 "a[]b ab 1", "o'h* O'Higgins 1"}) {
            const QStringList c = QString::fromUtf8(fila).split(u' ');
            QTest::newRow(fila) << c[0] << c[1] << (c[2] == u"1");
        }
    }
    void patrones()
    {
        QFETCH(QString, patron);
        QFETCH(QString, texto);
        QFETCH(bool, coincide);
        QCOMPARE(Patron::compilar(patron)->coincide(texto), coincide);
    }

    void patronesNoValidos()
    {
        QString error;
        for (const auto &[p, motivo] : {std::pair{u"ab[c", "corchete"}, {u"[z-a]", "al revés"}, {u"[o-ñ]", "al revés"}}) {
            QVERIFY(!Patron::compilar(p, &error));
            QVERIFY2(error.contains(QString::fromUtf8(motivo)), qPrintable(error));
        }
        QVERIFY(Patron::compilar(u"[á-a]")); // one letter there
        // Many stars against a long text that does not match: ends quickly.
        QVERIFY(!Patron::compilar(QString(30, u'*') + QStringLiteral("a*b*c*d*e*f*z"))->coincide(QString(20000, u'a') + QStringLiteral("bcdef")));
    }
};

QTEST_GUILESS_MAIN(PruebaLexico)
#include "prueba_lexico.moc"
