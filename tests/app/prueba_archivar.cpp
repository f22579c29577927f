// Archiving, driven as a user drives it: one click stores the page as plain
// text, only a definitions page under the word it was looked up for, and an
// archiving that cannot be done says why once and changes nothing.

#include "lista/lista_palabras.h"
#include "richtext/rtf.h"

#include "../comun/proteccion.h"
#include "../comun/ventana_prueba.h"

#include <QTextCursor>

using namespace rimario;
using namespace rimario::prueba;

class PruebaArchivar : public QObject, VentanaFija {
    Q_OBJECT

private slots:
    void init() { preparar(); }
    void cleanup() { terminar(); }

    // Archiving stores the page's text as plain text: the definition shown
    // before, and the formatting where its cursor stood, lend it none. The
    // list then stands on the new word, shown in the view; the offer is gone.
    void archivoEnTextoLlano()
    {
        QSignalSpy fin(v.get(), &Principal::archivado);
        QTest::keyClicks(v->Ind, QStringLiteral("amor"));
        QTextCursor enNegrita(v->RT->document());
        enNegrita.setPosition(2);
        QTest::mouseClick(v->RT->viewport(), Qt::LeftButton, {}, v->RT->cursorRect(enNegrita).center());
        QVERIFY(v->RT->textCursor().charFormat().fontWeight() >= QFont::Bold);
        escribirEnPal(QStringLiteral("zampoña"));
        QTest::mouseClick(v->Buscar, Qt::LeftButton);
        QTRY_VERIFY(v->Gua->isVisible());
        const QString titulo = v->windowTitle();
        QTest::mouseClick(v->Gua, Qt::LeftButton);
        // While the copy runs the window says so, and Archivar waits.
        QVERIFY(!v->Gua->isEnabled() && v->windowTitle().contains(QStringLiteral("copiando")));
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        QTRY_COMPARE(fin.size(), 1);
        QVERIFY(fin[0][0].toBool());
        QVERIFY(v->Gua->isEnabled() && v->windowTitle() == titulo && !QApplication::overrideCursor());
        QCOMPARE(contenido(ruta).value(QStringLiteral("zampoña")),
                 QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
                                "\\viewkind4\\uc1\\pard\\f0\\fs17 Otra definici\\'f3n.\r\n\\par\r\n}\r\n"));
        QCOMPARE(v->Pal->text(), QStringLiteral("zampoña"));
        QCOMPARE(v->RT->toPlainText(), QStringLiteral("Otra definición."));
        QVERIFY(v->RT->isVisible() && !v->Gua->isVisible());
    }

    // Archivar stores a definition page, under the word it was looked up for
    // (which its tip names), whatever is typed since; after a synonyms page it
    // is not offered, and the stored definition stays.
    void archivoDeLaDefinicionConsultada_data() { datosDeArchivo("app/datos/ventana.tsv", "archivoDeLaDefinicionConsultada"); }
    void archivoDeLaDefinicionConsultada()
    {
        DATOS(QString, despues, bool, sinonimos, bool, ofrecido);
        QSignalSpy fin(v.get(), &Principal::archivado);
        const QString antes = contenido(ruta).value(QStringLiteral("casa"));
        escribirEnPal(QStringLiteral("casa"));
        QTest::mouseClick(v->Buscar, Qt::LeftButton);
        QTRY_VERIFY(v->Gua->isVisible());
        escribirEnPal(despues);
        if (sinonimos) {
            QTest::mouseClick(v->Sinon, Qt::LeftButton);
            QTRY_VERIFY(v->Buscar->isEnabled());
        }
        QCOMPARE(v->Gua->isVisible(), ofrecido);
        if (ofrecido) {
            QVERIFY(v->Gua->toolTip().contains(QStringLiteral("«casa»")));
            QTest::mouseClick(v->Gua, Qt::LeftButton);
            QTRY_COMPARE(fin.size(), 1);
        }
        const auto filas = contenido(ruta);
        QCOMPARE(filas.value(QStringLiteral("casa")).contains(QStringLiteral("Otra definici")), ofrecido);
        QVERIFY(ofrecido || filas.value(QStringLiteral("casa")) == antes);
        QVERIFY(!filas.contains(QStringLiteral("perro")));
    }

    // Another program's session keeps the store open in write-ahead-log mode
    // (its commits go to the log, the file stays as it was). The word it adds
    // while the window is open is found when archived: one row, with the
    // definition. A word deleted in the window stays deleted in the next
    // window after that program wrote again, and the archived word is there once.
    void archivoConOtroProgramaEnRegistro()
    {
        v.reset();
        sqlite3 *sesion = otroPrograma(ruta, "PRAGMA journal_mode = WAL");
        const auto fin = qScopeGuard([&] { sqlite3_close(sesion); });
        mostrar();
        const auto ejecutarEnSesion = [&](const char *sql) { QCOMPARE(sqlite3_exec(sesion, sql, nullptr, nullptr, nullptr), SQLITE_OK); };
        ejecutarEnSesion("INSERT INTO Palabras (Pal, Voc) VALUES ('perro', 'eo')");
        QSignalSpy hecho(v.get(), &Principal::archivado);
        escribirEnPal(QStringLiteral("perro"));
        QTest::mouseClick(v->Buscar, Qt::LeftButton);
        QTRY_VERIFY(v->Gua->isVisible());
        QTest::mouseClick(v->Gua, Qt::LeftButton);
        QTRY_COMPARE(hecho.size(), 1);
        const QString perros = QStringLiteral("SELECT Pal || ':' || (Sig LIKE '%Otra definici%') FROM Palabras WHERE Pal = 'perro'");
        QCOMPARE(consultar(ruta, perros), QStringList{QStringLiteral("perro:1")});
        Dialogos dialogos(QMessageBox::Yes);
        QTest::keyClicks(v->Ind, QStringLiteral("rosa"));
        QCOMPARE(v->DPal->palActual(), QStringLiteral("rosa"));
        QTest::mouseClick(v->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 1);
        ejecutarEnSesion("UPDATE Palabras SET Sig = 'otra' WHERE Pal = 'casa'");
        v.reset();
        mostrar();
        const QStringList palabras = filas(v->DB);
        QVERIFY(!palabras.contains(QStringLiteral("rosa")));
        QCOMPARE(palabras.count(QStringLiteral("perro")), 1);
        QCOMPARE(consultar(ruta, perros), QStringList{QStringLiteral("perro:1")});
    }

    // An archiving that cannot be done: the copy fails, the page is too large
    // to keep, the store is read-only or another program holds its lock. One
    // message, nothing written, the page and the offer left as they were, the
    // window idle again; once the obstacle is gone, a click archives.
    void archivoQueNoSeHace_data() { datosDeArchivo("app/datos/ventana.tsv", "archivoQueNoSeHace"); }
    void archivoQueNoSeHace()
    {
        DATOS(QString, obstaculo, QString, aviso);
        auto *panel = static_cast<PanelWebVacio *>(v->WB);
        Proteccion proteccion;
        sqlite3 *otro = nullptr;
        qputenv("RIMARIO_ESPERA_BLOQUEO_MS", "200");
        Dialogos dialogos;
        if (obstaculo == QLatin1String("solo lectura")) {
            v.reset();
            if (!proteccion.poner(ruta))
                QSKIP(qPrintable(kSinProteccion));
            mostrar();
            panel = static_cast<PanelWebVacio *>(v->WB);
            dialogos.textos.clear();
        }
        QSignalSpy fin(v.get(), &Principal::archivado);
        QTest::keyClicks(v->Ind, QStringLiteral("amor"));
        const QString definicion = v->RT->toPlainText(), titulo = v->windowTitle();
        escribirEnPal(QStringLiteral("zampoña"));
        QTest::mouseClick(v->Buscar, Qt::LeftButton);
        QTRY_VERIFY(v->Gua->isVisible());
        const QByteArray bytes = leerArchivo(ruta);
        if (obstaculo == QLatin1String("copia"))
            panel->ponerCopiaFallida(true);
        if (obstaculo == QLatin1String("grande"))
            panel->ponerTexto(kPaginaCopiada + QString(kParrafosMaximos + 1, u'\n'));
        if (obstaculo == QLatin1String("bloqueo"))
            otro = otroPrograma(ruta, "BEGIN IMMEDIATE; UPDATE Meta SET Valor = Valor");
        QTest::mouseClick(v->Gua, Qt::LeftButton);
        QTRY_COMPARE(fin.size(), 1);
        QVERIFY(!fin[0][0].toBool());
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY2(dialogos.textos[0].contains(aviso), qPrintable(dialogos.textos[0]));
        sqlite3_close(otro);
        QCOMPARE(leerArchivo(ruta), bytes);
        QVERIFY(v->Gua->isVisible() && v->Gua->isEnabled() && !v->RT->isVisible());
        QVERIFY(v->windowTitle() == titulo && !QApplication::overrideCursor());
        QCOMPARE(v->Pal->text(), QStringLiteral("zampoña"));
        // The view holds the text kept once it got that far; the list is untouched.
        QCOMPARE(v->RT->toPlainText(), obstaculo == QLatin1String("bloqueo") ? QStringLiteral("Otra definición.") : definicion);
        QCOMPARE(v->DPal->palActual(), QStringLiteral("amor"));
        if (obstaculo == QLatin1String("solo lectura"))
            return; // read-only for the whole session
        panel->ponerCopiaFallida(false);
        panel->ponerTexto(kPaginaCopiada);
        QTest::mouseClick(v->Gua, Qt::LeftButton);
        QTRY_COMPARE(fin.size(), 2);
        QVERIFY(fin[1][0].toBool());
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY(contenido(ruta).value(QStringLiteral("zampoña")).contains(QStringLiteral("Otra definici")));
    }
};

QTEST_MAIN(PruebaArchivar)
#include "prueba_archivar.moc"
