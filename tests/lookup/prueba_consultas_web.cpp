// The online lookups, archiving and deleting, end to end: the window with its
// real browser pane, pointed at a test server on 127.0.0.1, driven through its
// buttons.

#include "almacen.h"
#include "esquema_interno.h"
#include "idioma.h"
#include "lista_palabras.h"
#include "panel_web_engine.h"
#include "principal.h"
#include "rtf.h"
#include "servidor_prueba.h"
#include "vocales.h"

#include "../comun/almacen_prueba.h"
#include "../comun/dialogos.h"
#include "../comun/ventana_prueba.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QWebEngineView>

#include <memory>

using namespace rimario;
using rimario::prueba::Dialogos;

namespace {

constexpr int kEspera = 20000; // bound of every wait for the browser, in ms

QString textoDeRtf(const QString &rtf)
{
    QTextDocument d;
    leerRtf(rtf, &d);
    return d.toPlainText();
}

// What archiving the copied page text must store, as plain text.
QString esperado(const QString &copiado)
{
    QString t = copiado.mid(22);
    t.replace(QLatin1Char('\n') + ServidorPrueba::kPie, QStringLiteral(" "));
    return t;
}

} // namespace

class PruebaConsultasWeb : public QObject {
    Q_OBJECT

private:
    ServidorPrueba servidor_;
    QTemporaryDir carpeta_;
    QString ruta_;
    std::unique_ptr<Principal> w_;
    PanelWebEngine *panel_ = nullptr;
    int numero_ = 0;

    // The rows of the store file, read afresh.
    std::vector<Fila> filas() const
    {
        auto a = Almacen::abrir(ruta_, true);
        std::vector<Fila> r;
        a->recorrerEnOrden([&](qint64 id, const char *, int, bool, const char *, int) { r.push_back(*a->fila(id)); });
        return r;
    }
    std::optional<Fila> filaDe(const QString &pal) const
    {
        for (const Fila &f : filas())
            if (f.pal == pal)
                return f;
        return std::nullopt;
    }
    QString sigDe(const QString &pal) const { return textoDeRtf(filaDe(pal).value_or(Fila()).sig.value_or(QString())); }

    void escribir(QLineEdit *caja, const QString &texto)
    {
        caja->clear();
        for (QChar c : texto)
            QTest::sendKeyEvent(QTest::Click, caja, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(caja->text(), texto);
    }

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

    void archivar(bool debeSalirBien = true)
    {
        QVERIFY(w_->Gua->isVisible());
        QSignalSpy hecho(w_.get(), &Principal::archivado);
        QTest::mouseClick(w_->Gua, Qt::LeftButton);
        QVERIFY(hecho.wait(kEspera));
        QCOMPARE(hecho.first().first().toBool(), debeSalirBien);
    }

    // The address of a loopback port where nothing listens.
    static QString puertoCerrado()
    {
        QTcpServer cerrado;
        cerrado.listen(QHostAddress::LocalHost, 0);
        return QStringLiteral("http://127.0.0.1:%1").arg(cerrado.serverPort());
    }

    void comprobarReposo()
    {
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QCOMPARE(w_->Sinon->text(), QStringLiteral("<-- Sinónimos"));
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("False"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("False"));
        QVERIFY(w_->Buscar->isEnabled() && w_->Sinon->isEnabled());
        QVERIFY(!w_->RT->isVisible());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(ponerIdiomaEspanol(*qApp));
        qputenv("RIMARIO_TESAURO", RIMARIO_FUENTES "/tests/lookup/datos/th_prueba");
    }

    void init()
    {
        QVERIFY(carpeta_.isValid());
        ruta_ = carpeta_.filePath(QStringLiteral("data%1.lop").arg(++numero_));
        prueba::crearAlmacen(ruta_, prueba::lista("o'higgins perro zapato"),
                             {{QStringLiteral("o'higgins"), QStringLiteral("{\\rtf1\\ansi definici\\'f3n vieja\\par}")},
                              {QStringLiteral("perro"), QStringLiteral("{\\rtf1\\ansi animal\\par}")}});
        // A skeleton and a mark of its own, which archiving must leave as they are.
        prueba::consultar(ruta_, QStringLiteral("UPDATE Palabras SET Voc = 'oii-propio', A3 = -1 WHERE Pal = 'o''higgins'"));
        panel_ = new PanelWebEngine;
        w_ = std::make_unique<Principal>(ruta_, panel_);
        w_->Form_Load();
        Servicios s;
        s.definiciones = s.sinonimos = s.ingles = servidor_.base();
        w_->ponerServicios(s);
        w_->show();
        w_->abrirLista();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        servidor_.olvidar();
    }

    void cleanup()
    {
        servidor_.soltar();
        w_.reset();
    }

    void definicion_estadosYDireccion()
    {
        QSignalSpy completo(w_->WB, &PanelWeb::documentoCompleto);
        const QString palabra = QStringLiteral("a b&c?ñ");
        escribir(w_->Pal, palabra);
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        // Loading: the button is the stop button; the word waits for archiving.
        QCOMPARE(w_->Buscar->text(), QStringLiteral("Detener"));
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("True"));
        QVERIFY(w_->Buscar->isEnabled() && !w_->Sinon->isEnabled());
        QVERIFY(w_->sw);
        QCOMPARE(Principal::tag(w_->Gua), palabra);
        QVERIFY(w_->RT->isVisible() && !w_->Gua->isVisible());

        QVERIFY(completo.wait(kEspera));
        comprobarReposo();
        QVERIFY(w_->Gua->isVisible());
        // The page shows in the definition view's place.
        QVERIFY(w_->WB->isVisible());
        QCOMPARE(w_->WB->geometry(), w_->RT->geometry());
        QCOMPARE(panel_->vista()->size(), w_->WB->size());
        // The word went out as typed, after the fixed path and query.
        QCOMPARE(servidor_.peticionesLegibles().value(0),
                 QStringLiteral("/draeI/SrvltGUIBusUsual?TIPO_HTML=2&LEMA=") + palabra);
    }

    void consultas_conPalabraVacia()
    {
        w_->Pal->clear();
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("False"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("false"));
        QVERIFY(w_->Sinon->isEnabled() && w_->Buscar->isEnabled());
        QVERIFY(!w_->sw && Principal::tag(w_->Gua).isEmpty());
        // The English lookup has no such test: it asks for the empty word.
        QSignalSpy completo(w_->WB, &PanelWeb::documentoCompleto);
        w_->Command1->click();
        QVERIFY(completo.wait(kEspera));
        QCOMPARE(servidor_.peticiones(),
                 QStringList{QStringLiteral("/idrisidic_2.asp?Site=1&Src_L=eng_eng1&DestLang=Ar&lpcWord=")});
        comprobarReposo();
        QVERIFY(!w_->Gua->isVisible()); // no definition lookup yet
    }

    void definicion_detener()
    {
        QSignalSpy llegada(&servidor_, &ServidorPrueba::peticion);
        escribir(w_->Pal, QStringLiteral("lento"));
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QVERIFY(llegada.wait(kEspera));
        QCOMPARE(w_->Buscar->text(), QStringLiteral("Detener"));
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        // Stopped at once, without waiting for the browser.
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("False"));
        QVERIFY(!w_->Sinon->isEnabled());
        servidor_.soltar();
        // The pane still serves the next lookup.
        consultar(w_->Buscar, QStringLiteral("perro"));
        comprobarReposo();
        QVERIFY(w_->Gua->isVisible());
        QCOMPARE(Principal::tag(w_->Gua), QStringLiteral("perro"));
    }

    void sinonimos_detener()
    {
        QSignalSpy llegada(&servidor_, &ServidorPrueba::peticion);
        escribir(w_->Pal, QStringLiteral("lento"));
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QCOMPARE(w_->Sinon->text(), QStringLiteral("Detener"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("True"));
        QVERIFY(!w_->Buscar->isEnabled());
        QVERIFY(llegada.wait(kEspera));
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QCOMPARE(w_->Sinon->text(), QStringLiteral("<-- Sinónimos"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("False"));
        QVERIFY(!w_->Buscar->isEnabled() && !w_->sw);
    }

    // Gua is offered only once a definition lookup has started; then every
    // page offers it, for the word of that lookup; archiving stores whatever
    // page is shown.
    void sinonimos_yArchivarOtraPagina()
    {
        consultar(w_->Sinon, QStringLiteral("perro"));
        comprobarReposo();
        QVERIFY(!w_->Gua->isVisible());
        QCOMPARE(servidor_.peticiones().value(0), QStringLiteral("/cgi-bin/tesauro.exe?T1=perro"));

        consultar(w_->Buscar, QStringLiteral("zapato"));
        QVERIFY(w_->Gua->isVisible());
        consultar(w_->Sinon, QStringLiteral("hogar"));
        comprobarReposo();
        QVERIFY(w_->Gua->isVisible());
        QCOMPARE(Principal::tag(w_->Gua), QStringLiteral("zapato"));

        archivar();
        const QString copiado = QGuiApplication::clipboard()->text();
        QVERIFY2(copiado.contains(QStringLiteral("Sinónimos de hogar")), qPrintable(copiado));
        QCOMPARE(sigDe(QStringLiteral("zapato")), esperado(copiado));
    }

    void marcos()
    {
        consultar(w_->Buscar, QStringLiteral("marco"));
        // The frames' documents are part of the completed page.
        const QStringList p = servidor_.peticiones();
        QVERIFY2(p.contains(QStringLiteral("/marco/arriba.html")) && p.contains(QStringLiteral("/marco/abajo.html")),
                 qPrintable(p.join(QLatin1Char(' '))));
        comprobarReposo();
        QVERIFY(w_->Gua->isVisible());
    }

    void archivar_palabraNueva()
    {
        const size_t antes = filas().size();
        QGuiApplication::clipboard()->setText(QStringLiteral("lo que había"));
        consultar(w_->Buscar, QStringLiteral("alférez"));
        archivar();

        // The clipboard keeps the page's text.
        const QString copiado = QGuiApplication::clipboard()->text();
        QVERIFY2(copiado.startsWith(ServidorPrueba::kCabecera), qPrintable(copiado));
        QVERIFY(copiado.contains(ServidorPrueba::kPie));
        QVERIFY(copiado.contains(QStringLiteral("“comillas”, 5 €, ½ taza — Ærø, Ωμέγα, ∑, 😀.")));

        QCOMPARE(filas().size(), antes + 1);
        const auto f = filaDe(QStringLiteral("alférez"));
        QVERIFY(f && f->sig && f->sig->startsWith(QStringLiteral("{\\rtf")));
        QCOMPARE(*f->voc, QStringLiteral("aee"));
        const QString texto = textoDeRtf(*f->sig);
        QCOMPARE(texto, esperado(copiado));
        // The page's header line is exactly the part cut off, the rights notice is gone.
        QVERIFY2(texto.startsWith(QStringLiteral("alférez\n\n1. f. Acción")), qPrintable(texto));
        QVERIFY(texto.endsWith(QStringLiteral("😀.\n ")));
        QVERIFY(!texto.contains(QStringLiteral("Real Academia")));

        // The list stands on the new word, shown in front of the pane.
        QVERIFY(w_->RT->isVisible() && !w_->Gua->isVisible());
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("alférez"));
        QCOMPARE(w_->Pal->text(), QStringLiteral("alférez"));
        QCOMPARE(w_->RT->toPlainText(), texto);
        QCOMPARE(w_->DB->currentIndex().data().toString(), QStringLiteral("alférez"));
    }

    // Typed in other letter case, a word with an apostrophe finds its row:
    // only the definition changes.
    void archivar_palabraExistente()
    {
        const size_t antes = filas().size();
        const Fila vieja = *filaDe(QStringLiteral("o'higgins"));
        QVERIFY(vieja.marcas[1] && vieja.voc == QStringLiteral("oii-propio"));
        consultar(w_->Buscar, QStringLiteral("O'HIGGINS"));
        archivar();
        QCOMPARE(filas().size(), antes);
        const Fila nueva = *filaDe(QStringLiteral("o'higgins"));
        QCOMPARE(nueva.id, vieja.id);
        QCOMPARE(nueva.voc, vieja.voc);
        QCOMPARE(nueva.marcas, vieja.marcas);
        const QString texto = textoDeRtf(*nueva.sig);
        QCOMPARE(texto, esperado(QGuiApplication::clipboard()->text()));
        QVERIFY(!texto.contains(QStringLiteral("vieja")));
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("o'higgins"));
        QCOMPARE(w_->RT->toPlainText(), texto);
    }

    // Too short a page leaves an empty definition; the notice goes every time
    // it occurs, and only in its exact form.
    void archivar_recortes()
    {
        consultar(w_->Buscar, QStringLiteral("corto"));
        archivar();
        QCOMPARE(sigDe(QStringLiteral("corto")), QString());

        consultar(w_->Buscar, QStringLiteral("doble"));
        archivar();
        const QString copiado = QGuiApplication::clipboard()->text();
        QCOMPARE(copiado.count(ServidorPrueba::kPie), 2);
        const QString texto = sigDe(QStringLiteral("doble"));
        QCOMPARE(texto, esperado(copiado));
        QVERIFY(!texto.contains(ServidorPrueba::kPie));
        QVERIFY(texto.contains(QStringLiteral("real academia española © todos los derechos reservados")));
    }

    // One click on Archivar, with the focus where the user left it, stores the
    // page shown once its text is on the clipboard; a page that did not load
    // as asked is not offered, and nothing but the page's text is stored.
    void archivarCasos_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<bool>("ofrecido");
        QTest::addColumn<bool>("archivado");
        QTest::newRow("foco en Pal") << "foco" << "perro" << true << true;
        QTest::newRow("página grande") << "grande" << "grande" << true << true;
        QTest::newRow("HTTP 404") << "404" << "falta" << false << false;
        QTest::newRow("servidor caído") << "caido" << "perro" << false << false;
        QTest::newRow("detenida") << "detener" << "lento" << false << false;
        QTest::newRow("página sin texto") << "vacio" << "vacio" << true << false;
    }
    void archivarCasos()
    {
        QFETCH(QString, caso);
        QFETCH(QString, palabra);
        QFETCH(bool, ofrecido);
        QFETCH(bool, archivado);
        const auto antes = prueba::contenido(ruta_);
        // A page archivable before: what follows must withdraw the offer.
        consultar(w_->Buscar, QStringLiteral("zapato"));
        QVERIFY(w_->Gua->isVisible());
        if (caso == QLatin1String("caido")) {
            Servicios s = w_->servicios();
            s.definiciones = puertoCerrado();
            w_->ponerServicios(s);
        }
        if (caso == QLatin1String("detener")) {
            QSignalSpy llegada(&servidor_, &ServidorPrueba::peticion);
            escribir(w_->Pal, palabra);
            QTest::mouseClick(w_->Buscar, Qt::LeftButton);
            QVERIFY(llegada.wait(kEspera));
            QVERIFY(!w_->Gua->isVisible());
            QSignalSpy completo(w_->WB, &PanelWeb::documentoCompleto);
            QTest::mouseClick(w_->Buscar, Qt::LeftButton);
            // The stopped load completes; the pane shows zapato's page again,
            // under the word lento.
            QTRY_COMPARE_WITH_TIMEOUT(completo.size(), 1, kEspera);
        } else {
            consultar(w_->Buscar, palabra);
        }
        QCOMPARE(w_->Gua->isVisible(), ofrecido);
        QCOMPARE(w_->RT->isVisible(), false);
        if (!ofrecido) {
            QCOMPARE(prueba::contenido(ruta_), antes);
            return;
        }
        if (caso == QLatin1String("foco"))
            QTest::mouseClick(w_->Pal, Qt::LeftButton);
        const QString viejo = QStringLiteral("lo que había");
        QGuiApplication::clipboard()->setText(viejo);
        Dialogos dialogos;
        QSignalSpy hecho(w_.get(), &Principal::archivado);
        QTest::mouseClick(w_->Gua, Qt::LeftButton);
        // While the copy runs the window says so, and Archivar waits.
        QVERIFY(!w_->Gua->isEnabled());
        QVERIFY2(w_->windowTitle().contains(QStringLiteral("copiando")), qPrintable(w_->windowTitle()));
        QTRY_COMPARE_WITH_TIMEOUT(hecho.size(), 1, kEspera);
        QCOMPARE(hecho.first().first().toBool(), archivado);
        QVERIFY(w_->Gua->isEnabled());
        QVERIFY(!w_->windowTitle().contains(QStringLiteral("copiando")));
        if (!archivado) {
            QCOMPARE(dialogos.textos.size(), 1);
            QVERIFY2(dialogos.textos[0].contains(QStringLiteral("no se ha archivado nada")),
                     qPrintable(dialogos.textos[0]));
            QCOMPARE(prueba::contenido(ruta_), antes);
            return;
        }
        QVERIFY(dialogos.textos.isEmpty());
        const QString copiado = QGuiApplication::clipboard()->text();
        QVERIFY(copiado != viejo);
        QVERIFY2(copiado.startsWith(ServidorPrueba::kCabecera), qPrintable(copiado.left(200)));
        QCOMPARE(sigDe(palabra), esperado(copiado));
        if (caso == QLatin1String("grande")) {
            QVERIFY(copiado.size() > 3'000'000);
            QVERIFY(copiado.endsWith(QStringLiteral("Fin de la página grande.")));
        }
    }

    // Qt's own texts and the browser speak Spanish.
    void espanol()
    {
        QMessageBox caja(QMessageBox::Question, QStringLiteral("Rimario"), QStringLiteral("¿Seguro?"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(caja.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Sí"));
        QCOMPARE(caja.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Cancelar"));
        consultar(w_->Buscar, QStringLiteral("perro"));
        QVERIFY2(servidor_.idiomas().startsWith("es"), servidor_.idiomas().constData());
        // The browser's own error page.
        Servicios s = w_->servicios();
        s.definiciones = puertoCerrado();
        w_->ponerServicios(s);
        consultar(w_->Buscar, QStringLiteral("perro"));
        auto texto = std::make_shared<QString>();
        QTRY_VERIFY_WITH_TIMEOUT((panel_->pagina()->toPlainText([texto](const QString &t) { *texto = t; }),
                                  !texto->isEmpty()),
                                 kEspera);
        QVERIFY2(texto->contains(QStringLiteral("No se puede")), qPrintable(*texto));
    }

    void direccionNoValida()
    {
        Servicios s = w_->servicios();
        s.definiciones = QStringLiteral("file:///etc");
        w_->ponerServicios(s);
        escribir(w_->Pal, QStringLiteral("casa"));
        Dialogos dialogos;
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 1);
        QVERIFY2(dialogos.textos[0].contains(QStringLiteral("file:///etc")), qPrintable(dialogos.textos[0]));
        // Nothing loads, so nothing offers to stop: both buttons idle.
        QVERIFY(!w_->sw);
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("False"));
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QVERIFY(w_->Sinon->isEnabled() && w_->RT->isVisible());
        QVERIFY(servidor_.peticiones().isEmpty());
        s.sinonimos = QStringLiteral("file:///etc");
        w_->ponerServicios(s);
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 2);
        QCOMPARE(w_->Sinon->text(), QStringLiteral("<-- Sinónimos"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("false"));
        QVERIFY(w_->Buscar->isEnabled());
    }

    // What a page may try on its own comes to nothing.
    void paginaHostil()
    {
        const int ventanas = QApplication::topLevelWidgets().size();
        consultar(w_->Buscar, QStringLiteral("hostil"));
        QTRY_VERIFY_WITH_TIMEOUT(servidor_.peticiones().size() >= 1, kEspera);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(QApplication::topLevelWidgets().size(), ventanas);
        QCOMPARE(w_->WB->direccion().scheme(), QStringLiteral("http"));
        QVERIFY(!servidor_.peticiones().contains(QStringLiteral("/otra")));
        comprobarReposo();

        for (const char *mala : {"file:///etc/passwd", "data:text/html,hola", "ftp://127.0.0.1/x",
                                 "javascript:alert(1)", "chrome://settings", "view-source:http://127.0.0.1/"})
            QVERIFY2(!PaginaWeb::esquemaPermitido(QUrl(QLatin1String(mala))), mala);
        for (const char *buena : {"http://127.0.0.1/", "https://127.0.0.1/", "about:blank"})
            QVERIFY2(PaginaWeb::esquemaPermitido(QUrl(QLatin1String(buena))), buena);
    }

    // The synonym service unreachable (a closed loopback port): the pane shows
    // the synonyms from the installed thesaurus, and Archivar stores that page.
    void sinonimosSinConexion()
    {
        consultar(w_->Buscar, QStringLiteral("casa"));
        Servicios s;
        s.definiciones = s.ingles = servidor_.base();
        s.sinonimos = puertoCerrado();
        w_->ponerServicios(s);
        escribir(w_->Pal, QStringLiteral("casa"));
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w_->WB->direccion().scheme() == QLatin1String("rimario") && w_->WB->paginaLograda()
                                     && w_->Sinon->text() == QStringLiteral("<-- Sinónimos"),
                                 kEspera);
        comprobarReposo();
        archivar();
        const QString sig = textoDeRtf(Almacen::abrir(ruta_, true)->sig(w_->DPal->lexico().id(w_->DPal->actual())).value_or(QString()));
        // All of it from the title on.
        QVERIFY2(sig.trimmed().startsWith(QStringLiteral("Sinónimos de «casa»")) && sig.contains(QStringLiteral("hogar"))
                     && sig.contains(QStringLiteral("edificio")),
                 qPrintable(sig));
    }

    void eliminar()
    {
        // "perro" chosen in the list through the search box.
        escribir(w_->Ind, QStringLiteral("per"));
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("perro"));
        const qint64 id = w_->DPal->idActual();
        QCOMPARE(w_->RT->toPlainText(), QStringLiteral("animal"));

        Dialogos dialogos(QMessageBox::No);
        QTest::mouseClick(w_->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.titulos, QStringList{QStringLiteral("¿Eliminar palabra?")});
        QCOMPARE(dialogos.textos, QStringList{QStringLiteral("Esta acción eliminará PERMANENTEMENTE la palabra seleccionada")});
        QCOMPARE(dialogos.iconos.value(0), QMessageBox::NoIcon);
        QCOMPARE(dialogos.porDefecto.value(0), QMessageBox::Yes);
        QVERIFY(filaDe(QStringLiteral("perro")));
        QCOMPARE(w_->RT->toPlainText(), QStringLiteral("animal"));
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("perro"));

        // Yes deletes the list's word, not what the user typed into Pal.
        escribir(w_->Pal, QStringLiteral("otra"));
        const size_t antes = filas().size();
        dialogos.responder(QMessageBox::Yes);
        QTest::mouseClick(w_->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 2);
        QCOMPARE(filas().size(), antes - 1);
        QVERIFY(!Almacen::abrir(ruta_, true)->fila(id));
        QVERIFY(w_->RT->toPlainText().isEmpty());
        QCOMPARE(w_->Pal->text(), QStringLiteral("otra"));
        QVERIFY(!w_->DPal->hayActual());
        QCOMPARE(prueba::filas(w_->DB), (QStringList{QStringLiteral("o'higgins"), QStringLiteral("zapato")}));

        // Without a current word a second Yes deletes nothing.
        QTest::mouseClick(w_->Eli, Qt::LeftButton);
        QCOMPARE(dialogos.textos.size(), 3);
        QCOMPARE(filas().size(), antes - 1);
    }
};

// The offline pages' scheme is known before the application is made.
static const bool kEsquema = (registrarEsquemaInterno(), true);
QTEST_MAIN(PruebaConsultasWeb)
#include "prueba_consultas_web.moc"
