#include "lexico.h"
#include "patron.h"
#include "rima.h"

#include "../comun/almacen_prueba.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;

namespace {

QStringList todas(const Lexico &l)
{
    QStringList r;
    for (qsizetype i = 0; i < l.tamano(); ++i)
        r << l.pal(i).toString();
    return r;
}

QStringList palabrasDe(const ResultadoRima &r)
{
    QStringList s;
    for (qsizetype i = 0; i < r.tamano(); ++i)
        s << r.pal(i).toString();
    return s;
}

// The reference: what the store's "like" says, row by row, in list order.
QStringList porFuerzaBruta(const Lexico &l, const QString &patron, const QString &excluida, qsizetype largo)
{
    const auto p = Patron::compilar(patron);
    QStringList r;
    for (qsizetype i = 0; i < l.tamano(); ++i) {
        const QString w = l.pal(i).toString();
        if (!p->coincide(w) || w.compare(excluida, Qt::CaseInsensitive) == 0)
            continue;
        if (largo >= 0 && numeroDeCaracteres(w) != largo)
            continue;
        r << w;
    }
    return r;
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
        QStringList palabras = prueba::palabrasDePrueba();
        // Plus generated words that share endings, accents and case variants.
        const QStringList raices = {QStringLiteral("can"), QStringLiteral("Cor"), QStringLiteral("pá"),
                                    QStringLiteral("ñu"), QStringLiteral("sol"), QStringLiteral("lu")};
        const QStringList finales = {QStringLiteral("ción"), QStringLiteral("cion"), QStringLiteral("ar"),
                                     QStringLiteral("ÓN"), QStringLiteral("a"), QStringLiteral("ito"),
                                     QStringLiteral("ería"), QStringLiteral("😀a")};
        for (const QString &r : raices)
            for (const QString &f : finales)
                palabras << r + f;
        prueba::crearAlmacen(dir.filePath(QStringLiteral("l.lop")), palabras);
        almacen = Almacen::abrir(dir.filePath(QStringLiteral("l.lop")));
        lexico = std::make_unique<Lexico>(almacen->colador());
        lexico->cargar(*almacen);
    }

    void busquedaPorPrefijo_data()
    {
        QTest::addColumn<QString>("texto");
        for (const char *t : {"ca", "CA", "can", "canc", "cor", "á", "a", "Á", "ñ", "n", "ñu", "l'", "o'H", "zz", "c?n",
                              "*ción", "[cp]a", "#", "a*b", "sol", "SOLAR", "😀"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void busquedaPorPrefijo()
    {
        // The first word in list order matching "texto*", exactly as a scan would find it.
        QFETCH(QString, texto);
        const QStringList ref = porFuerzaBruta(*lexico, texto + QLatin1Char('*'), QString(), -1);
        const qsizetype p = lexico->buscarPrefijo(texto);
        if (ref.isEmpty()) {
            QCOMPARE(p, Lexico::kNinguna);
        } else {
            QVERIFY(p >= 0);
            QCOMPARE(lexico->pal(p).toString(), ref.first());
            for (qsizetype i = 0; i < p; ++i) // nothing earlier matches
                QVERIFY(!Patron::compilar(texto + QLatin1Char('*'))->coincide(lexico->pal(i)));
        }
    }

    void busquedaPorPrefijoNoValido()
    {
        QCOMPARE(lexico->buscarPrefijo(u"ca["), Lexico::kNinguna);
        QCOMPARE(lexico->buscarPrefijo(u"'"), Lexico::kNinguna);
    }

    void busquedaExacta()
    {
        const qsizetype p = lexico->buscarIgual(u"AMOR");
        QVERIFY(p >= 0);
        QCOMPARE(lexico->pal(p).toString().toLower(), QStringLiteral("amor"));
        QVERIFY(lexico->buscarIgual(u"amor") == p); // the first of the duplicates in list order
        QCOMPARE(lexico->buscarIgual(u"arbol"), Lexico::kNinguna); // accents count
        QVERIFY(lexico->buscarIgual(u"l'amour") >= 0);
        QCOMPARE(lexico->buscarIgual(u""), Lexico::kNinguna);
    }

    void rimasCompletasComoUnaBusquedaLike()
    {
        for (const QString &w : {QStringLiteral("canción"), QStringLiteral("CORAZÓN"), QStringLiteral("casa"),
                                QStringLiteral("camino"), QStringLiteral("ñuería"), QStringLiteral("x😀a"),
                                QStringLiteral("pa*b"), QStringLiteral("a?a"), QStringLiteral("l'amour")}) {
            for (int n = 2; n <= 7; ++n) {
                if (numeroDeCaracteres(w) < n)
                    continue;
                for (bool igual : {false, true}) {
                    const QString fin = ultimosCaracteres(w, n);
                    const QStringList ref =
                        porFuerzaBruta(*lexico, QLatin1Char('*') + fin, w, igual ? numeroDeCaracteres(w) : -1);
                    QCOMPARE(palabrasDe(rimasCompletas(*lexico, w, n, igual)), ref);
                }
            }
        }
        QVERIFY_THROWS_EXCEPTION(ErrorRima, rimasCompletas(*lexico, u"ab[c", 2, false));
    }

    void rimasVocalesPorEsqueleto()
    {
        const QStringList ref = [&] {
            QStringList r;
            for (const QString &w : todas(*lexico))
                if (ExtraeVocales(w).endsWith(QStringLiteral("ao")))
                    r << w;
            return r;
        }();
        QVERIFY(ref.contains(QStringLiteral("amor")));
        QCOMPARE(palabrasDe(rimasVocales(*lexico, u"ao", std::nullopt)), ref);
        QStringList seis;
        for (const QString &w : todas(*lexico))
            if (ExtraeVocales(w).endsWith(QStringLiteral("aio")) && numeroDeCaracteres(w) == 6)
                seis << w;
        QVERIFY(seis.contains(QStringLiteral("camión")) && !seis.contains(QStringLiteral("canción")));
        QCOMPARE(palabrasDe(rimasVocales(*lexico, u"aio", qsizetype(6))), seis);
        QVERIFY(rimasVocales(*lexico, u"xa", std::nullopt).vacio());
    }

    void cambiosEnMemoriaComoAlReleer()
    {
        // Inserting, editing and deleting keep the same order a fresh read gives.
        Lexico l(almacen->colador());
        l.cargar(*almacen);
        QRandomGenerator azar(7);
        for (int i = 0; i < 40; ++i) {
            const int op = int(azar.bounded(3));
            if (op == 0 || l.tamano() < 5) {
                const QString w = QStringLiteral("n%1ña").arg(azar.bounded(1000));
                const qint64 id = almacen->anadir(w, ExtraeVocales(w), std::nullopt);
                l.insertar(id, w, ExtraeVocales(w));
            } else if (op == 1) {
                const qsizetype p = azar.bounded(int(l.tamano()));
                const QString w = QStringLiteral("Ñ%1").arg(azar.bounded(100));
                almacen->cambiarPal(l.id(p), w);
                l.cambiar(p, w, ExtraeVocales(w));
            } else {
                const qsizetype p = azar.bounded(int(l.tamano()));
                almacen->eliminar(l.id(p));
                l.eliminar(p);
            }
        }
        Lexico fresco(almacen->colador());
        fresco.cargar(*almacen);
        QCOMPARE(todas(l), todas(fresco));
    }
};

QTEST_GUILESS_MAIN(PruebaLexico)
#include "prueba_lexico.moc"
