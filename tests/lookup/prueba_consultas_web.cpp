// The online lookups, archiving and deleting, end to end: the window with its
// real browser pane, pointed at a test server on 127.0.0.1, driven through its
// buttons.

#include "lookup/idioma.h"
#include "lookup/navegador/esquema_interno.h"
#include "lookup/navegador/panel_web_engine.h"
#include "richtext/rtf.h"
#include "servidor_prueba.h"
#include "lista/lista_palabras.h"

#include "../comun/ventana_prueba.h"

#include <QMenu>
#include <QWebEngineView>

#include <QClipboard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextDocument>

using namespace rimario;
using namespace rimario::prueba;

namespace {

constexpr int kEspera = 20000; // bound of every wait for the browser, in ms

// The address of a loopback port where nothing listens.
QString puertoCerrado()
{
    QTcpServer cerrado;
    cerrado.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("http://127.0.0.1:%1").arg(cerrado.serverPort());
}

} // namespace

class PruebaConsultasWeb : public QObject {
    Q_OBJECT
    ServidorPrueba servidor_;
    QTemporaryDir carpeta_;
    QString ruta_;
    std::unique_ptr<Principal> w_;
    PanelWebEngine *panel_ = nullptr;
    int numero_ = 0;

    // A column of the word's row, as stored.
    QString columna(const char *c, const QString &pal) const { return uno(ruta_, QStringLiteral("SELECT %1 FROM Palabras WHERE Pal = '%2'").arg(QLatin1String(c), QString(pal).replace(u'\'', QStringLiteral("''")))); }
    QString sigDe(const QString &pal) const
    {
        QTextDocument d;
        leerRtf(columna("Sig", pal), &d);
        return d.toPlainText();
    }
    void escribir(QLineEdit *caja, const QString &texto)
    {
        caja->clear();
        teclear(caja, texto);
    }
    void ponerDefiniciones(const QString &direccion) { qputenv("RIMARIO_DEFINICIONES", direccion.toUtf8()); }
    // Clicks a lookup button with the word in Pal and waits for its page (not
    // for the end of a load stopped before).
    void consultar(QPushButton *boton, const QString &palabra)
    {
        bool empezada = false;
        int completas = 0;
        QObject contexto;
        connect(w_->WB, &PanelWeb::cargaEmpezada, &contexto, [&] { empezada = true, completas = 0; });
        connect(w_->WB, &PanelWeb::documentoCompleto, &contexto, [&] { completas += empezada; });
        escribir(w_->Pal, palabra);
        QTest::mouseClick(boton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(completas > 0, kEspera);
    }
    void enReposo()
    {
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QCOMPARE(w_->Sinon->text(), QStringLiteral("<-- Sinónimos"));
        QVERIFY(w_->Buscar->isEnabled() && w_->Sinon->isEnabled() && !w_->RT->isVisible());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(ponerIdiomaEspanol(*qApp));
        qputenv("RIMARIO_TESAURO", RIMARIO_FUENTES "/tests/lookup/datos/th_prueba");
    }
    void init()
    {
        ruta_ = carpeta_.filePath(QStringLiteral("data%1.lop").arg(++numero_));
        crearAlmacen(ruta_, lista("o'higgins perro zapato"),
                     {{QStringLiteral("o'higgins"), QStringLiteral("{\\rtf1\\ansi definici\\'f3n vieja\\par}")}, {QStringLiteral("perro"), QStringLiteral("{\\rtf1\\ansi animal\\par}")}});
        // A skeleton and a mark of its own, which archiving must leave as they are.
        prueba::consultar(ruta_, QStringLiteral("UPDATE Palabras SET Voc = 'oii-propio', A3 = -1 WHERE Pal = 'o''higgins'"));
        w_ = std::make_unique<Principal>(ruta_, panel_ = new PanelWebEngine);
        w_->Form_Load();
        for (const DescripcionServicio &d : kServicios)
            qputenv(d.variable, servidor_.base().toUtf8());
        w_->show();
        w_->abrirLista();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        servidor_.olvidar();
    }
    void cleanup()
    {
        servidor_.soltar();
        w_.reset();
        for (const DescripcionServicio &d : kServicios)
            qunsetenv(d.variable);
    }

    // Loading, the lookup button is the stop button and the other waits; the
    // page then shows in the definition view's place, for the word as typed.
    void estadosYDetener()
    {
        QSignalSpy completo(w_->WB, &PanelWeb::documentoCompleto);
        escribir(w_->Pal, QStringLiteral("a b&c?ñ"));
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QCOMPARE(w_->Buscar->text(), QStringLiteral("Detener"));
        QVERIFY(w_->Buscar->isEnabled() && !w_->Sinon->isEnabled());
        QVERIFY(w_->RT->isVisible() && !w_->Gua->isVisible());
        QVERIFY(completo.wait(kEspera));
        enReposo();
        QVERIFY(w_->Gua->isVisible() && w_->WB->isVisible());
        QCOMPARE(w_->WB->geometry(), w_->RT->geometry());
        QVERIFY(QUrl::fromPercentEncoding(servidor_.peticiones().value(0).toLatin1()).endsWith(QStringLiteral("LEMA=a b&c?ñ")));
        // A slow page stopped at once, for either lookup, the other waiting for a
        // page; the pane then serves the next lookup.
        for (QPushButton *boton : {w_->Buscar, w_->Sinon}) {
            QSignalSpy llegada(&servidor_, &ServidorPrueba::peticion);
            escribir(w_->Pal, QStringLiteral("lento"));
            QTest::mouseClick(boton, Qt::LeftButton);
            QVERIFY(llegada.wait(kEspera));
            QCOMPARE(boton->text(), QStringLiteral("Detener"));
            QTest::mouseClick(boton, Qt::LeftButton);
            QVERIFY(boton->text() != QStringLiteral("Detener") && !(boton == w_->Buscar ? w_->Sinon : w_->Buscar)->isEnabled());
            servidor_.soltar();
            consultar(boton, QStringLiteral("perro"));
            enReposo();
        }
        QVERIFY(!w_->Gua->isVisible()); // a synonyms page is not archived
        // No word: nothing asked, both idle; the English lookup asks for the empty word.
        w_->Pal->clear();
        servidor_.olvidar();
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QVERIFY(w_->Buscar->isEnabled() && w_->Sinon->isEnabled() && servidor_.peticiones().isEmpty());
        w_->Command1->click();
        QVERIFY(completo.wait(kEspera));
        QCOMPARE(servidor_.peticiones(), QStringList{QStringLiteral("/idrisidic_2.asp?Site=1&Src_L=eng_eng1&DestLang=Ar&lpcWord=")});
    }

    // One click on Archivar, with the focus where the user left it, stores the
    // page shown once its text is on the clipboard; a page that did not load
    // as asked is not offered, and nothing but the page's text is stored.
    void archivarCasos_data() { datosDeArchivo("lookup/datos/tablas.tsv", "archivarCasos"); }
    void archivarCasos()
    {
        DATOS(QString, caso, QString, palabra, bool, ofrecido, bool, archivado);
        const auto antes = contenido(ruta_);
        consultar(w_->Buscar, QStringLiteral("zapato")); // archivable before: what follows must withdraw the offer
        if (caso == QLatin1String("caido"))
            ponerDefiniciones(puertoCerrado());
        if (caso == QLatin1String("detener")) {
            QSignalSpy llegada(&servidor_, &ServidorPrueba::peticion), completo(w_->WB, &PanelWeb::documentoCompleto);
            escribir(w_->Pal, palabra);
            QTest::mouseClick(w_->Buscar, Qt::LeftButton);
            QVERIFY(llegada.wait(kEspera) && !w_->Gua->isVisible());
            QTest::mouseClick(w_->Buscar, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(completo.size(), 1, kEspera); // zapato's page again, under the word lento
        } else {
            consultar(w_->Buscar, palabra);
        }
        QCOMPARE(w_->Gua->isVisible(), ofrecido);
        QVERIFY(!w_->RT->isVisible());
        if (!ofrecido) {
            QCOMPARE(contenido(ruta_), antes);
            return;
        }
        if (caso == QLatin1String("foco"))
            QTest::mouseClick(w_->Pal, Qt::LeftButton);
        QGuiApplication::clipboard()->setText(QStringLiteral("lo que había"));
        Dialogos dialogos;
        QSignalSpy hecho(w_.get(), &Principal::archivado);
        QTest::mouseClick(w_->Gua, Qt::LeftButton);
        // While the copy runs the window says so, and Archivar waits.
        QVERIFY(!w_->Gua->isEnabled() && w_->windowTitle().contains(QStringLiteral("copiando")));
        QTRY_COMPARE_WITH_TIMEOUT(hecho.size(), 1, kEspera);
        QCOMPARE(hecho.first().first().toBool(), archivado);
        QVERIFY(w_->Gua->isEnabled() && !w_->windowTitle().contains(QStringLiteral("copiando")));
        if (!archivado) {
            QVERIFY(dialogos.textos.size() == 1 && dialogos.textos[0].contains(QStringLiteral("no se ha archivado nada")));
            QCOMPARE(contenido(ruta_), antes);
            return;
        }
        const QString copiado = QGuiApplication::clipboard()->text();
        QVERIFY2(dialogos.textos.isEmpty() && (copiado.startsWith(ServidorPrueba::kCabecera) || palabra == QLatin1String("corto")), qPrintable(copiado.left(200)));
        // The word's row if it had one (its skeleton and marks as they were), else a new one, where the list stands.
        const QString w = palabra.toLower();
        QCOMPARE(sigDe(w), copiado.mid(22).replace(u'\n' + ServidorPrueba::kPie, QStringLiteral(" "))); // cut, without the footer
        QCOMPARE(contenido(ruta_).size(), antes.size() + !antes.contains(w));
        QCOMPARE(columna("Voc", w), w == QStringLiteral("o'higgins") ? QStringLiteral("oii-propio") : ExtraeVocales(w));
        QCOMPARE(columna("A3", w), w == QStringLiteral("o'higgins") ? QStringLiteral("-1") : QStringLiteral("0"));
        QVERIFY(w_->RT->isVisible() && w_->DPal->palActual() == w);
        QTRY_COMPARE(w_->RT->toPlainText(), sigDe(w)); // a large one is read while the window answers
        QVERIFY(caso != QLatin1String("grande") || (copiado.size() > 500'000 && copiado.endsWith(QStringLiteral("Fin de la página grande."))));
    }

    // Qt's own texts and the browser speak Spanish; an address that is not a
    // web one is refused with a message; what a page may try on its own comes to nothing.
    void espanolYDireccionesMalas()
    {
        QMessageBox caja(QMessageBox::Question, QStringLiteral("Rimario"), QStringLiteral("¿Seguro?"), QMessageBox::Yes | QMessageBox::Cancel);
        QCOMPARE(caja.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Sí"));
        QCOMPARE(caja.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Cancelar"));
        const int ventanas = QApplication::topLevelWidgets().size();
        consultar(w_->Buscar, QStringLiteral("hostil"));
        QVERIFY2(servidor_.idiomas().startsWith("es"), servidor_.idiomas().constData());
        QVERIFY(!QApplication::activeModalWidget() && QApplication::topLevelWidgets().size() == ventanas);
        QCOMPARE(w_->WB->direccion().scheme(), QStringLiteral("http"));
        // The pane's own menu, opened as a right click opens it (the engine asks for it in its own time).
        auto *vista = panel_->findChild<QWebEngineView *>();
        QVERIFY(vista && vista->focusProxy());
        QStringList entradas;
        QTimer mirar;
        connect(&mirar, &QTimer::timeout, this, [&] {
            if (auto *m = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : m->actions())
                    entradas << a->text().remove(u'&');
                m->close();
            }
        });
        mirar.start(20);
        QTest::mouseClick(vista->focusProxy(), Qt::RightButton, {}, QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(!entradas.isEmpty(), kEspera);
        QCOMPARE(entradas, QStringList({QStringLiteral("Atrás"), QStringLiteral("Adelante"), QStringLiteral("Volver a cargar"),
                                        QStringLiteral("Copiar"), QStringLiteral("Seleccionar todo")}));
        QVERIFY(!servidor_.peticiones().contains(QStringLiteral("/otra")));
        // The browser's own error page.
        ponerDefiniciones(puertoCerrado());
        consultar(w_->Buscar, QStringLiteral("perro"));
        auto texto = std::make_shared<QString>();
        QTRY_VERIFY_WITH_TIMEOUT((panel_->pagina()->toPlainText([texto](const QString &t) { *texto = t; }), !texto->isEmpty()), kEspera);
        QVERIFY2(texto->contains(QStringLiteral("No se puede")), qPrintable(*texto));
        Dialogos dialogos;
        ponerDefiniciones(QStringLiteral("file:///etc"));
        servidor_.olvidar();
        escribir(w_->Pal, QStringLiteral("casa"));
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QVERIFY(dialogos.textos.size() == 1 && dialogos.textos[0].contains(QStringLiteral("file:///etc")));
        QVERIFY(w_->Sinon->isEnabled() && w_->Buscar->text() == QStringLiteral("<-- Buscar palabra"));
        QVERIFY(servidor_.peticiones().isEmpty());
    }

    // The synonym service unreachable: the pane shows the synonyms from the
    // installed thesaurus (a page Archivar does not offer to store).
    void sinonimosSinConexion()
    {
        consultar(w_->Buscar, QStringLiteral("casa"));
        qputenv("RIMARIO_SINONIMOS", puertoCerrado().toUtf8());
        escribir(w_->Pal, QStringLiteral("casa"));
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w_->WB->direccion().scheme() == QLatin1String("rimario") && w_->WB->paginaLograda() && w_->Sinon->text() == QStringLiteral("<-- Sinónimos"), kEspera);
        enReposo();
        QVERIFY(!w_->Gua->isVisible()); // a synonyms page is not archived
        bool copiada = false;
        w_->WB->seleccionarTodoYCopiar([&copiada](bool ok) { copiada = ok; });
        QTRY_VERIFY_WITH_TIMEOUT(copiada, kEspera);
        const QString pagina = QGuiApplication::clipboard()->text();
        QVERIFY2(pagina.contains(QStringLiteral("Sinónimos de «casa»")) && pagina.contains(QStringLiteral("hogar")) && pagina.contains(QStringLiteral("edificio")), qPrintable(pagina));
    }
};

// The offline pages' scheme is known before the application is made.
static const bool kEsquema = (registrarEsquemaInterno(), true);
QTEST_MAIN(PruebaConsultasWeb)
#include "prueba_consultas_web.moc"
