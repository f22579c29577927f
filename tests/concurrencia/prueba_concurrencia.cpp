// Two copies of the program on one store. A write that meets the other's lock
// waits a bounded time: it goes through when the lock is freed in time, and
// otherwise says so and changes nothing. Both keep working, each sees the
// other's words after a refresh, and nothing is lost.

#include "lista_palabras.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../comun/ventana_prueba.h"
#include "../muerte/apoyo_muerte.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace rimario;
using namespace rimario::prueba;

namespace {

const QString kOtroPrograma = QStringLiteral("en uso por otro programa");
constexpr int kRondas = 30; // per copy

// Another program holding the file's lock.
class Bloqueo {
public:
    // ms < 0: held until soltar().
    bool tomar(const QString &ruta, const QString &modo, int ms)
    {
        QStringList args{QStringLiteral("bloquear"), ruta, modo};
        if (ms >= 0)
            args << QString::number(ms);
        p_.start(QStringLiteral(RIMARIO_HIJO_CONCURRENCIA), args);
        QByteArray leido;
        while (!(leido += p_.readAllStandardOutput()).contains("bloqueado"))
            if (!p_.waitForReadyRead(20000))
                return false;
        return true;
    }
    bool soltar()
    {
        if (p_.state() == QProcess::Running) {
            p_.write("\n");
            p_.waitForFinished(20000);
        }
        return p_.state() == QProcess::NotRunning && p_.exitStatus() == QProcess::NormalExit && p_.exitCode() == 0;
    }
    ~Bloqueo()
    {
        if (p_.state() == QProcess::Running) {
            p_.kill();
            p_.waitForFinished();
        }
    }

private:
    QProcess p_;
};

} // namespace

class PruebaConcurrencia : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ruta;

private slots:
    void init()
    {
        ruta = dir.filePath(QStringLiteral("%1-%2.lop")
                                .arg(QString::fromLatin1(QTest::currentTestFunction()),
                                     QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_')));
        crearAlmacen(ruta, palabrasDePrueba(),
                             {{QStringLiteral("amor"), QStringLiteral("{\\rtf1 amor}")}});
        auto a = Almacen::abrir(ruta);
        a->marcarVocales(2, QStringLiteral("ia"), std::nullopt);
    }
    void cleanup() { qunsetenv("RIMARIO_ESPERA_BLOQUEO_MS"); }

    void escrituraConElArchivoBloqueado_data()
    {
        QTest::addColumn<QString>("operacion");
        QTest::addColumn<QString>("modo");
        QTest::addColumn<bool>("aTiempo"); // the lock is freed before the wait ends
        QTest::addColumn<bool>("esperaPropia"); // the program's own wait, not a short one
        // Every write once against a lock never freed, the two kinds of lock in turn.
        bool exclusivo = false;
        for (const QString &op : kEscrituras) {
            QTest::addRow("%s, otro no suelta", qPrintable(op)) << op << (exclusivo ? "exclusivo" : "inmediato") << false << false;
            exclusivo = !exclusivo;
        }
        QTest::addRow("archivar, otro suelta a tiempo") << QStringLiteral("archivar nueva") << "exclusivo" << true << true;
        // A lock never freed ends in a message with the program's own wait too.
        QTest::addRow("vocales, espera propia") << QStringLiteral("vocales") << "inmediato" << false << true;
    }

    void escrituraConElArchivoBloqueado()
    {
        QFETCH(QString, operacion);
        QFETCH(QString, modo);
        QFETCH(bool, aTiempo);
        QFETCH(bool, esperaPropia);
        if (!esperaPropia)
            qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "200");
        Dialogos dialogos(QMessageBox::Yes);
        auto v = abrirVentana(ruta);
        const Escritura e = escritura(operacion);
        e.preparar(*v);
        const QByteArray antes = muerte::huellaDe(ruta);
        const QStringList vistaAntes = vista(*v);
        const qsizetype avisos = dialogos.textos.size();
        // The messages after a point, the deletion's question aside.
        auto errores = [&dialogos](qsizetype desde) {
            QStringList r;
            for (const QString &t : dialogos.textos.mid(desde))
                if (!t.startsWith(QStringLiteral("Esta acción eliminará")))
                    r << t;
            return r;
        };

        Bloqueo otro;
        QVERIFY(otro.tomar(ruta, modo, aTiempo ? 300 : -1));
        e.hacer(*v);
        if (aTiempo) {
            // It waited for the other program and went through.
            QVERIFY(otro.soltar());
            QVERIFY2(errores(avisos).isEmpty(), qPrintable(errores(avisos).join(u'\n')));
            QVERIFY(e.hecha(ruta));
            return;
        }
        // One message; nothing changed, in the file or in view; the window goes on, idle,
        // and the write goes through later.
        QVERIFY(v->isVisible() && v->Rima->isEnabled() && !v->Buscando);
        QCOMPARE(vista(*v), vistaAntes);
        QVERIFY(v->Rima->text().startsWith(QStringLiteral("Buscar rimas (")));
        QVERIFY(otro.soltar());
        const QStringList fallos = errores(avisos);
        QCOMPARE(fallos.size(), 1);
        QVERIFY2(fallos.first().contains(kOtroPrograma), qPrintable(fallos.first()));
        QCOMPARE(muerte::huellaDe(ruta), antes);
        QVERIFY(!e.hecha(ruta));
        const qsizetype despues = dialogos.textos.size();
        e.hacer(*v);
        QVERIFY2(errores(despues).isEmpty(), qPrintable(errores(despues).join(u'\n')));
        QVERIFY(e.hecha(ruta));
    }

    // Two windows on one file: each sees the other's writes after a refresh,
    // and a word the other removed is never mistaken for another.
    void dosVentanas()
    {
        Dialogos dialogos(QMessageBox::Yes);
        auto a = abrirVentana(ruta);
        auto b = abrirVentana(ruta);

        // A archives a new word; B sees it once its list is refreshed, and
        // archiving it there changes that row instead of adding another.
        const Escritura nueva = escritura(QStringLiteral("archivar nueva"));
        nueva.hacer(*a);
        QVERIFY(!filas(b->DB).contains(QStringLiteral("zampoña")));
        b->Ind->setText(QStringLiteral("x"));
        b->Ind->clear();
        QVERIFY(filas(b->DB).contains(QStringLiteral("zampoña")));
        nueva.hacer(*b);
        QCOMPARE(contenido(ruta).keys().count(QStringLiteral("zampoña")), 1);
        QCOMPARE(filas(a->DB).count(QStringLiteral("zampoña")), 1);
        QVERIFY(dialogos.textos.isEmpty());

        // A stands on "rosa"; B deletes it; A's delete must not take another word.
        const qsizetype filasAntes = contenido(ruta).size();
        a->Ind->setText(QStringLiteral("rosa"));
        QCOMPARE(a->Pal->text(), QStringLiteral("rosa"));
        b->Ind->setText(QStringLiteral("rosa"));
        QTest::mouseClick(b->Eli, Qt::LeftButton);
        QCOMPARE(contenido(ruta).size(), filasAntes - 1);
        QTest::mouseClick(a->Eli, Qt::LeftButton);
        QCOMPARE(contenido(ruta).size(), filasAntes - 1);
        QCOMPARE(dialogos.textos.size(), 3); // two questions and one message
        QVERIFY2(dialogos.textos.last().contains(QStringLiteral("ya no está")), qPrintable(dialogos.textos.last()));
        QVERIFY(!filas(a->DB).contains(QStringLiteral("rosa")));

        // B edits a word that A deleted meanwhile: a message, nothing written.
        a->Ind->setText(QStringLiteral("queso"));
        QTest::mouseClick(a->Eli, Qt::LeftButton);
        const int fila = int(filas(b->DB).indexOf(QStringLiteral("queso")));
        QVERIFY(fila >= 0);
        const QByteArray antes = muerte::huellaDe(ruta);
        QVERIFY(!editar(b->DB, fila, QStringLiteral("zapato")));
        QCOMPARE(dialogos.textos.size(), 5);
        QVERIFY(dialogos.textos.last().contains(QStringLiteral("ya no está")));
        QCOMPARE(muerte::huellaDe(ruta), antes);

        // B's edit reaches A's list at A's next find, without a refresh.
        QVERIFY(editar(b->DB, int(filas(b->DB).indexOf(QStringLiteral("casa"))), QStringLiteral("caza")));
        a->Ind->setText(QStringLiteral("caz"));
        QCOMPARE(a->Pal->text(), QStringLiteral("caza"));
        QCOMPARE(dialogos.textos.size(), 5);
        QCOMPARE(Almacen::abrir(ruta, true)->comprobarIntegridad(), QString());
    }

    // Two copies hard at work at once, plus this window reading meanwhile.
    void dosCopiasTrabajando()
    {
        const QString base = ruta;
        const QMap<QString, QString> previo = contenido(base);
        QList<QProcess *> copias;
        for (const QString &nombre : {QStringLiteral("alfa"), QStringLiteral("beta")}) {
            copias << new QProcess(this);
            copias.last()->start(QStringLiteral(RIMARIO_HIJO_CONCURRENCIA), {QStringLiteral("copia"), base, nombre, QString::number(kRondas)});
        }
        Dialogos dialogos;
        auto v = abrirVentana(ruta);
        QByteArray salidas[2];
        bool soltadas = false;
        while (copias[0]->state() != QProcess::NotRunning || copias[1]->state() != QProcess::NotRunning) {
            v->Ind->clear(); // refreshes the list when a copy has written
            v->Ind->setText(QStringLiteral("alfa"));
            QTest::qWait(30);
            bool hechas = true;
            for (int k : {0, 1}) {
                salidas[k] += copias[k]->readAllStandardOutput();
                hechas = hechas && (salidas[k].contains("hecho") || copias[k]->state() == QProcess::NotRunning);
            }
            // Once both are done, they read the list each.
            for (QProcess *p : copias)
                if (hechas && !soltadas)
                    p->write("\n");
            soltadas = soltadas || hechas;
        }
        QStringList listas;
        for (int k : {0, 1}) {
            QVERIFY2(copias[k]->exitStatus() == QProcess::NormalExit && copias[k]->exitCode() == 0,
                     qPrintable(QString::fromLocal8Bit(copias[k]->readAllStandardError())));
            listas << QString::fromUtf8(salidas[k] + copias[k]->readAllStandardOutput()).section(u'\n', -2, -2);
        }
        QVERIFY2(dialogos.textos.isEmpty(), qPrintable(dialogos.textos.join(u'\n')));

        // Every write of both is there, and nothing else changed.
        QMap<QString, QString> esperado = previo;
        for (const QString &nombre : {QStringLiteral("alfa"), QStringLiteral("beta")})
            for (int i = 0; i < kRondas; ++i) {
                const QString w = nombre + QString::number(i);
                const int destino = muerte::destinoDeCopia(i);
                const QString sig = muerte::definicionDeCopia(w, destino == 1 ? 2 : 1);
                if (destino == 2)
                    esperado.insert(w + QLatin1Char('x'), sig);
                else if (destino != 3)
                    esperado.insert(w, sig);
            }
        QCOMPARE(contenido(base), esperado);
        QCOMPARE(Almacen::abrir(base, true)->comprobarIntegridad(), QString());
        // Both copies saw the same final list: everyone's words.
        auto a = Almacen::abrir(base, true);
        ListaPalabras lista(*a);
        lista.releer();
        const QString final = muerte::huellaDeLista(lista);
        QCOMPARE(listas[0], final);
        QCOMPARE(listas[1], final);
        v->Ind->clear();
        QCOMPARE(filas(v->DB).size(), lista.tamano());
    }
};

QTEST_MAIN(PruebaConcurrencia)
#include "prueba_concurrencia.moc"
