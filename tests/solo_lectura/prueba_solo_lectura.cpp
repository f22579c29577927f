// A store that cannot be written, because the file or its folder is protected
// (chattr +i: not even root may write): the window starts and browses, each
// write is refused with one clear message, the file stays byte for byte as it
// was, and the program goes on.

#include "almacen.h"
#include "lista_palabras.h"
#include "panel_web.h"
#include "principal.h"
#include "silabas.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../concurrencia/apoyo_ventana.h"
#include "../muerte/apoyo_muerte.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace rimario;
using prueba::filas;

namespace {

const QString kSigAmor = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0 \\b amor.\\b0 \\par 1. m. Sentimiento.\\par}");

bool chattr(const QString &signo, const QString &ruta)
{
    QProcess p;
    p.start(QStringLiteral("chattr"), {signo + QLatin1Char('i'), ruta});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A file or folder made unwritable (chattr +i) for as long as this lives,
// however the test ends.
class Proteccion {
public:
    Proteccion() = default;
    Proteccion(const Proteccion &) = delete;
    Proteccion &operator=(const Proteccion &) = delete;
    ~Proteccion() { quitar(); }
    bool poner(const QString &ruta)
    {
        if (!chattr(QStringLiteral("+"), ruta))
            return false;
        ruta_ = ruta;
        return true;
    }
    bool quitar()
    {
        const bool ok = ruta_.isEmpty() || chattr(QStringLiteral("-"), ruta_);
        ruta_.clear();
        return ok;
    }

private:
    QString ruta_;
};

QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PruebaSoloLectura : public QObject {
    Q_OBJECT
    QTemporaryDir raiz;
    QString carpeta, ruta;
    QByteArray bytes;
    QStringList contenido;
    std::unique_ptr<Principal> v;

    QStringList listado() const
    {
        return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Nothing written: the same bytes, no journal or other file left beside it.
    void sinCambios()
    {
        QCOMPARE(leer(ruta), bytes);
        QCOMPARE(listado(), contenido);
    }
    // Exactly one new message, clear and in Spanish; the window idle again.
    void unAviso(prueba::Dialogos &d, int antes)
    {
        QCOMPARE(d.textos.size(), antes + 1);
        const QString m = d.textos.last();
        QVERIFY2(m.contains(QStringLiteral("solo se puede leer")) && m.contains(QStringLiteral("protegidos contra escritura")),
                 qPrintable(m));
        QVERIFY(v->isVisible());
        QVERIFY(v->Rima->isEnabled() && !v->Buscando);
    }

private slots:
    void init()
    {
        carpeta = raiz.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_')
                                + QLatin1Char('_') + QString::fromLatin1(QTest::currentTestFunction()));
        QVERIFY(QDir().mkpath(carpeta));
        ruta = QDir(carpeta).filePath(QStringLiteral("data.lop"));
        prueba::crearAlmacen(ruta, prueba::palabrasDePrueba(), {{QStringLiteral("amor"), kSigAmor}});
        {
            // Marks of an earlier vowel-mode search: an edit must not lose them either.
            auto a = Almacen::abrir(ruta);
            a->marcarVocales(2, QStringLiteral("ao"), std::nullopt);
        }
        bytes = leer(ruta);
        contenido = listado();
    }
    void cleanup() { v.reset(); }

    void cadaEscrituraSeRehusa_data()
    {
        QTest::addColumn<bool>("laCarpeta");
        QTest::newRow("archivo protegido") << false;
        QTest::newRow("carpeta protegida") << true;
    }

    void cadaEscrituraSeRehusa()
    {
        QFETCH(bool, laCarpeta);
        const QString objetivo = laCarpeta ? carpeta : ruta;
        Proteccion proteccion;
        if (!proteccion.poner(objetivo))
            QSKIP("chattr +i no funciona aquí (hace falta ext4 o similar y ser root)");
        QFile prueba(laCarpeta ? QDir(carpeta).filePath(QStringLiteral("otro")) : ruta);
        QVERIFY2(!prueba.open(QIODevice::ReadWrite | (laCarpeta ? QIODevice::NewOnly : QIODevice::ExistingOnly)),
                 "la protección no impide escribir");

        // It starts and browses.
        prueba::Dialogos dialogos(QMessageBox::Yes);
        v = prueba::abrirVentana(ruta, QString(22, u'x') + QStringLiteral("amor. 1. m. Otra definición."));
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        QVERIFY(v->almacen()->soloLectura());
        QCOMPARE(filas(v->DB).size(), prueba::palabrasDePrueba().size());
        QTest::keyClicks(v->Ind, QStringLiteral("amo"));
        QCOMPARE(v->Pal->text(), QStringLiteral("amor"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento")));
        v->SS->setCurrentIndex(0);
        v->Pal->setText(QStringLiteral("canción"));
        QTest::mouseClick(v->Rima, Qt::LeftButton); // whole-word rhymes only read
        QVERIFY(filas(v->DR[0]).contains(QStringLiteral("corazón")));
        QVERIFY(dialogos.textos.isEmpty());
        COMPROBAR(sinCambios());

        // A vowel-mode search: refused, the grid and its count as they were.
        const QStringList rimas = filas(v->DR[0]);
        const QString cuenta = v->Cuenta->text();
        QTest::mouseClick(v->Voc, Qt::LeftButton);
        v->Pal->setText(QStringLiteral("amor"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        COMPROBAR(unAviso(dialogos, 0));
        QCOMPARE(filas(v->DR[0]), rimas);
        QCOMPARE(v->Cuenta->text(), cuenta);
        QCOMPARE(v->Rima->text(), QStringLiteral("Buscar rimas (vocales) -->"));
        COMPROBAR(sinCambios());

        // Archiving, of a word in the list and of a new one.
        QSignalSpy archivado(v.get(), &Principal::archivado);
        for (const QString &w : {QStringLiteral("amor"), QStringLiteral("zampoña")}) {
            const int n = int(dialogos.textos.size());
            Principal::ponerTag(v->Gua, w);
            v->Gua->setVisible(true);
            v->Gua_Click();
            QTRY_COMPARE(archivado.size(), n);
            QCOMPARE(archivado.last().value(0).toBool(), false);
            COMPROBAR(unAviso(dialogos, n));
            COMPROBAR(sinCambios());
        }
        QVERIFY(!filas(v->DB).contains(QStringLiteral("zampoña")));

        // Deleting: the question, answered yes, then the refusal; the word stays.
        v->Ind->setText(QStringLiteral("rosa"));
        QCOMPARE(v->Pal->text(), QStringLiteral("rosa"));
        int n = int(dialogos.textos.size());
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.textos.value(n), QStringLiteral("Esta acción eliminará PERMANENTEMENTE la palabra seleccionada"));
        COMPROBAR(unAviso(dialogos, n + 1));
        QVERIFY(filas(v->DB).contains(QStringLiteral("rosa")));
        COMPROBAR(sinCambios());

        // In-place edits, in the word grid and in a rhyme grid.
        n = int(dialogos.textos.size());
        const int fila = int(filas(v->DB).indexOf(QStringLiteral("queso")));
        QVERIFY(!v->DB->model()->setData(v->DB->model()->index(fila, 0), QStringLiteral("zapato")));
        COMPROBAR(unAviso(dialogos, n));
        QCOMPARE(v->DB->model()->index(fila, 0).data().toString(), QStringLiteral("queso"));
        QVERIFY(!filas(v->DB).contains(QStringLiteral("zapato")));
        QVERIFY(!v->DR[0]->model()->setData(v->DR[0]->model()->index(0, 0), QStringLiteral("zapato")));
        COMPROBAR(unAviso(dialogos, n + 1));
        QCOMPARE(filas(v->DR[0]), rimas);
        COMPROBAR(sinCambios());

        // And it goes on browsing.
        v->Ind->clear();
        QCOMPARE(v->Pal->text(), QStringLiteral("123"));
        QCOMPARE(dialogos.textos.size(), n + 2);
        COMPROBAR(sinCambios());
    }

    // The protection comes while the window has the store open for writing.
    void protegidoConLaVentanaAbierta_data() { cadaEscrituraSeRehusa_data(); }
    void protegidoConLaVentanaAbierta()
    {
        QFETCH(bool, laCarpeta);
        prueba::Dialogos dialogos(QMessageBox::Yes);
        v = prueba::abrirVentana(ruta);
        QVERIFY(!v->almacen()->soloLectura());
        const QString objetivo = laCarpeta ? carpeta : ruta;
        Proteccion proteccion;
        if (!proteccion.poner(objetivo))
            QSKIP("chattr +i no funciona aquí (hace falta ext4 o similar y ser root)");

        QTest::mouseClick(v->Voc, Qt::LeftButton);
        v->SS->setCurrentIndex(0);
        v->Pal->setText(QStringLiteral("canción"));
        QTest::mouseClick(v->Rima, Qt::LeftButton);
        COMPROBAR(unAviso(dialogos, 0));
        v->Ind->setText(QStringLiteral("rosa"));
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        COMPROBAR(unAviso(dialogos, 2));
        const int fila = int(filas(v->DB).indexOf(QStringLiteral("queso")));
        QVERIFY(!v->DB->model()->setData(v->DB->model()->index(fila, 0), QStringLiteral("zapato")));
        COMPROBAR(unAviso(dialogos, 3));
        QCOMPARE(leer(ruta), bytes);

        // Once the protection is lifted the store is as it was and takes writes again.
        QVERIFY(proteccion.quitar());
        v->Ind->clear();
        v->Ind->setText(QStringLiteral("rosa"));
        QCOMPARE(v->Pal->text(), QStringLiteral("rosa"));
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 5); // the question only
        QVERIFY(!filas(v->DB).contains(QStringLiteral("rosa")));
        v.reset();
        auto a = Almacen::abrir(ruta);
        QCOMPARE(a->comprobarIntegridad(), QString());
        QCOMPARE(a->contarFilas(), qint64(prueba::palabrasDePrueba().size() - 1));
        QCOMPARE(a->estadoMarcas().reglas[0].fin, std::optional<QString>(QStringLiteral("ao")));
    }

    // A store of the older format cannot be brought up to date there: it is
    // read as it stands.
    void formatoAntiguoProtegido_data() { cadaEscrituraSeRehusa_data(); }
    void formatoAntiguoProtegido()
    {
        QFETCH(bool, laCarpeta);
        QVERIFY(muerte::volverAlFormato1(ruta));
        bytes = leer(ruta);
        const QString objetivo = laCarpeta ? carpeta : ruta;
        Proteccion proteccion;
        if (!proteccion.poner(objetivo))
            QSKIP("chattr +i no funciona aquí (hace falta ext4 o similar y ser root)");
        prueba::Dialogos dialogos;
        v = prueba::abrirVentana(ruta);
        QVERIFY(v->almacen()->soloLectura());
        QCOMPARE(v->almacen()->formato(), 1);
        QCOMPARE(filas(v->DB).size(), prueba::palabrasDePrueba().size());
        const auto rimas = v->almacen()->palabrasQueRiman(
            Almacen::TipoRima::Consonante, analizarPalabra(u"canción").claveConsonante, std::nullopt);
        QVERIFY(std::find(rimas.begin(), rimas.end(), QStringLiteral("corazón")) != rimas.end());
        QVERIFY(dialogos.textos.isEmpty());
        COMPROBAR(sinCambios());
    }
};

QTEST_MAIN(PruebaSoloLectura)
#include "prueba_solo_lectura.moc"
