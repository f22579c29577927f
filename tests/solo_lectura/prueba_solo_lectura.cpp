// A store that cannot be written, because the file or its folder is protected:
// the window starts and browses, each write is refused with one clear message,
// the file stays byte for byte as it was, and the program goes on.

#include "lista_palabras.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../comun/proteccion.h"
#include "../comun/ventana_prueba.h"

#include <QTemporaryDir>
#include <QTextEdit>

using namespace rimario;
using namespace rimario::prueba;

namespace {

const QString kSigAmor = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0 \\b amor.\\b0 \\par 1. m. Sentimiento.\\par}");
const QString kSinProteccion = QStringLiteral("la protección no funciona aquí (hace falta chattr +i, ext4 o similar)");

} // namespace

class PruebaSoloLectura : public QObject {
    Q_OBJECT
    QTemporaryDir raiz;
    QString carpeta, ruta;
    QByteArray bytes;
    QStringList archivos;
    std::unique_ptr<Principal> v;
    int numero = 0;

    // Nothing written: the same bytes, no journal or other file left beside it.
    void sinCambios()
    {
        QCOMPARE(leerArchivo(ruta), bytes);
        QCOMPARE(archivosDe(carpeta), archivos);
    }

private slots:
    void init()
    {
        carpeta = raiz.filePath(QString::number(++numero));
        QVERIFY(QDir().mkpath(carpeta));
        ruta = QDir(carpeta).filePath(QStringLiteral("data.lop"));
        crearAlmacen(ruta, palabrasDePrueba(), {{QStringLiteral("amor"), kSigAmor}});
        // Marks of an earlier vowel-mode search: an edit must not lose them either.
        Almacen::abrir(ruta)->marcarVocales(2, QStringLiteral("ia"), std::nullopt);
        bytes = leerArchivo(ruta);
        archivos = archivosDe(carpeta);
    }
    void cleanup() { v.reset(); }

    void escrituraRehusada_data()
    {
        QTest::addColumn<QString>("operacion");
        QTest::addColumn<bool>("laCarpeta");
        QTest::addColumn<bool>("alAbrir"); // protected before the window opens the store, or after
        // Every write refused up front, and found by the write itself once the
        // file or (in turn) the folder is protected under the open window.
        bool laCarpeta = false;
        for (const QString &op : kEscrituras) {
            QTest::addRow("%s, protegido al abrir", qPrintable(op)) << op << false << true;
            QTest::addRow("%s, %s protegido después", qPrintable(op), laCarpeta ? "carpeta" : "archivo")
                << op << laCarpeta << false;
            laCarpeta = !laCarpeta;
        }
        QTest::addRow("vocales, carpeta protegida al abrir") << QStringLiteral("vocales") << true << true;
    }

    void escrituraRehusada()
    {
        QFETCH(QString, operacion);
        QFETCH(bool, laCarpeta);
        QFETCH(bool, alAbrir);
        Proteccion proteccion;
        const QString objetivo = laCarpeta ? carpeta : ruta;
        if (alAbrir && !proteccion.poner(objetivo))
            QSKIP(qPrintable(kSinProteccion));
        Dialogos dialogos(QMessageBox::Yes);
        v = abrirVentana(ruta);
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        QCOMPARE(v->almacen()->soloLectura(), alAbrir);
        QCOMPARE(v->windowTitle().contains(QStringLiteral("solo lectura")), alAbrir); // said from the start
        if (!alAbrir && !proteccion.poner(objetivo))
            QSKIP(qPrintable(kSinProteccion));
        QFile prueba(laCarpeta ? QDir(carpeta).filePath(QStringLiteral("otro")) : ruta);
        QVERIFY2(!prueba.open(QIODevice::ReadWrite | (laCarpeta ? QIODevice::NewOnly : QIODevice::ExistingOnly)),
                 "la protección no impide escribir");

        // It browses and reads.
        QTest::keyClicks(v->Ind, QStringLiteral("amo"));
        QCOMPARE(v->Pal->text(), QStringLiteral("amor"));
        QVERIFY(v->RT->toPlainText().contains(QStringLiteral("Sentimiento")));
        const Escritura e = escritura(operacion);
        e.preparar(*v);
        QVERIFY(dialogos.textos.isEmpty());

        // A store known to be read-only from the start computes vowel-mode
        // rhymes without marking them, and refuses any other write with one
        // clear message before anything is asked. A protection that came later
        // is found by the write itself (after the deletion's question). Either
        // way nothing is written, the same in view, the window idle again.
        const QStringList antes = vista(*v);
        e.hacer(*v);
        const bool calculada = alAbrir && operacion == QLatin1String("vocales");
        const QStringList avisos = dialogos.textos.filter(QStringLiteral("solo se puede leer"));
        QCOMPARE(avisos.size(), calculada ? 0 : 1);
        QCOMPARE(dialogos.textos.size(), calculada ? 0 : operacion == QLatin1String("eliminar") && !alAbrir ? 2 : 1);
        if (!calculada)
            QVERIFY2(avisos[0].contains(QStringLiteral("protegidos contra escritura")), qPrintable(avisos[0]));
        QVERIFY(v->isVisible() && v->Rima->isEnabled() && !v->Buscando);
        QVERIFY(v->Rima->text().startsWith(QStringLiteral("Buscar rimas (")));
        if (calculada)
            QCOMPARE(filas(v->DR[0]), lista("amor Amor árbol ÁRBOL caracol corazón farol razón"));
        else
            QCOMPARE(vista(*v), antes);
        QCOMPARE(leerArchivo(ruta), bytes);
        if (alAbrir || laCarpeta) // a journal may stay beside a file protected in use
            COMPROBAR(sinCambios());
        if (operacion == QLatin1String("archivar nueva") && !alAbrir) {
            // What was done stays done: the prepared text in view, the offer to archive it again.
            QCOMPARE(v->RT->toPlainText(), QStringLiteral("Otra definición."));
            QVERIFY(v->Gua->isVisible());
        }
        // Once the protection is lifted a store open for writing takes the write.
        QVERIFY(proteccion.quitar());
        if (!alAbrir) {
            const qsizetype n = dialogos.textos.size();
            e.hacer(*v);
            QVERIFY(dialogos.textos.mid(n).filter(QStringLiteral("solo se puede leer")).isEmpty());
            QVERIFY(e.hecha(ruta));
        }
        // It goes on browsing.
        v->Ind->clear();
        QCOMPARE(v->Pal->text(), QStringLiteral("123"));
        QCOMPARE(Almacen::abrir(ruta, true)->comprobarIntegridad(), QString());
    }

    // A store of the older format cannot be brought up to date there: it is
    // read as it stands.
    void formatoAntiguoProtegido_data()
    {
        QTest::addColumn<bool>("laCarpeta");
        QTest::newRow("archivo protegido") << false;
        QTest::newRow("carpeta protegida") << true;
    }
    void formatoAntiguoProtegido()
    {
        QFETCH(bool, laCarpeta);
        QVERIFY(volverAlFormato1(ruta));
        bytes = leerArchivo(ruta);
        Proteccion proteccion;
        if (!proteccion.poner(laCarpeta ? carpeta : ruta))
            QSKIP(qPrintable(kSinProteccion));
        Dialogos dialogos;
        v = abrirVentana(ruta);
        QVERIFY(v->almacen()->soloLectura());
        QCOMPARE(v->almacen()->formato(), 1);
        QCOMPARE(filas(v->DB).size(), palabrasDePrueba().size());
        QVERIFY(dialogos.textos.isEmpty());
        COMPROBAR(sinCambios());
    }
};

QTEST_MAIN(PruebaSoloLectura)
#include "prueba_solo_lectura.moc"
