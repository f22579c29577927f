// The online lookups, archiving and deleting, end to end: the window with its
// real browser pane, pointed at a test server on 127.0.0.1, driven through its
// buttons.

#include "almacen.h"
#include "lista_palabras.h"
#include "panel_web_engine.h"
#include "principal.h"
#include "rtf.h"
#include "servidor_prueba.h"
#include "vocales.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineView>

#include <sqlite3.h>

#include <memory>

using namespace rimario;

namespace {

constexpr int kEspera = 20000; // bound of every wait for the browser, in ms

// What a question or warning box showed, and the answer given to it.
struct Caja {
    QString titulo, texto;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QMessageBox::StandardButton porDefecto = QMessageBox::NoButton;
    bool vista = false;
};

// Answers the next modal message box with the button given, from inside its
// own event loop.
std::shared_ptr<Caja> responder(QMessageBox::StandardButton boton)
{
    auto caja = std::make_shared<Caja>();
    auto *reloj = new QTimer;
    reloj->setInterval(10);
    auto intentos = std::make_shared<int>(0);
    QObject::connect(reloj, &QTimer::timeout, [reloj, caja, boton, intentos] {
        auto *m = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!m) {
            if (++*intentos > 1000)
                reloj->deleteLater();
            return;
        }
        reloj->stop();
        reloj->deleteLater();
        caja->vista = true;
        caja->titulo = m->windowTitle();
        caja->texto = m->text();
        caja->icono = m->icon();
        caja->porDefecto = m->standardButton(m->defaultButton());
        QAbstractButton *b = m->button(boton);
        if (b)
            b->click();
        else
            m->reject();
    });
    reloj->start();
    return caja;
}

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
        std::vector<qint64> ids;
        a->recorrerEnOrden([&ids](qint64 id, const char *, int, bool, const char *, int) { ids.push_back(id); });
        std::vector<Fila> r;
        for (qint64 id : ids)
            r.push_back(*a->fila(id));
        return r;
    }
    std::optional<Fila> filaDe(const QString &pal) const
    {
        for (const Fila &f : filas())
            if (f.pal == pal)
                return f;
        return std::nullopt;
    }

    void escribir(QLineEdit *caja, const QString &texto)
    {
        caja->clear();
        for (QChar c : texto)
            QTest::sendKeyEvent(QTest::Click, caja, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(caja->text(), texto);
    }

    // Clicks a lookup button with the word in Pal and waits for the page.
    void consultar(QPushButton *boton, const QString &palabra)
    {
        QSignalSpy completo(w_->WB, &PanelWeb::documentoCompleto);
        escribir(w_->Pal, palabra);
        QTest::mouseClick(boton, Qt::LeftButton);
        QVERIFY(completo.wait(kEspera));
    }

    void archivar(bool debeSalirBien = true)
    {
        QVERIFY(w_->Gua->isVisible());
        QSignalSpy hecho(w_.get(), &Principal::archivado);
        QTest::mouseClick(w_->Gua, Qt::LeftButton);
        QVERIFY(hecho.wait(kEspera));
        QCOMPARE(hecho.first().first().toBool(), debeSalirBien);
    }

    void comprobarReposo()
    {
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QCOMPARE(w_->Sinon->text(), QStringLiteral("<-- Sinónimos"));
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("False"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("False"));
        QVERIFY(w_->Buscar->isEnabled());
        QVERIFY(w_->Sinon->isEnabled());
        QVERIFY(!w_->RT->isVisible());
    }

private slots:
    void init()
    {
        QVERIFY(carpeta_.isValid());
        ruta_ = carpeta_.filePath(QStringLiteral("data%1.lop").arg(++numero_));
        {
            auto a = Almacen::crear(ruta_);
            Almacen::Lote lote(*a);
            auto fila = [](const char *pal, const char *sig) {
                Fila f;
                f.pal = QString::fromUtf8(pal);
                f.voc = ExtraeVocales(*f.pal);
                if (sig)
                    f.sig = QString::fromUtf8(sig);
                return f;
            };
            Fila casa = fila("casa", "{\\rtf1\\ansi definici\\'f3n vieja\\par}");
            casa.voc = QStringLiteral("aa-propio"); // archiving must leave it as it is
            casa.marcas[1] = true;
            lote.insertar(casa);
            lote.insertar(fila("perro", "{\\rtf1\\ansi animal\\par}"));
            lote.insertar(fila("zapato", nullptr));
            lote.confirmar();
        }
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
        QVERIFY(w_->Buscar->isEnabled());
        QVERIFY(!w_->Sinon->isEnabled());
        QVERIFY(w_->sw);
        QCOMPARE(Principal::tag(w_->Gua), palabra);
        QVERIFY(w_->RT->isVisible());
        QVERIFY(!w_->Gua->isVisible());

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
        QVERIFY(!w_->sw);
        QVERIFY(Principal::tag(w_->Gua).isEmpty());
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
        QCOMPARE(servidor_.peticiones().value(0), QStringLiteral("/cgi-bin/tesauro.exe?T1=lento"));
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QCOMPARE(w_->Sinon->text(), QStringLiteral("<-- Sinónimos"));
        QCOMPARE(Principal::tag(w_->Sinon), QStringLiteral("False"));
        QVERIFY(!w_->Buscar->isEnabled());
        QVERIFY(!w_->sw);
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

        consultar(w_->Buscar, QStringLiteral("casa"));
        QVERIFY(w_->Gua->isVisible());
        consultar(w_->Sinon, QStringLiteral("hogar"));
        comprobarReposo();
        QVERIFY(w_->Gua->isVisible());
        QCOMPARE(Principal::tag(w_->Gua), QStringLiteral("casa"));

        archivar();
        const QString copiado = QGuiApplication::clipboard()->text();
        QVERIFY2(copiado.contains(QStringLiteral("Sinónimos de hogar")), qPrintable(copiado));
        QCOMPARE(textoDeRtf(*filaDe(QStringLiteral("casa"))->sig), esperado(copiado));
    }

    void marcos()
    {
        QSignalSpy completo(w_->WB, &PanelWeb::documentoCompleto);
        escribir(w_->Pal, QStringLiteral("marco"));
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QVERIFY(completo.wait(kEspera));
        // The frames' documents are part of the completed page.
        const QStringList p = servidor_.peticiones();
        QVERIFY2(p.contains(QStringLiteral("/marco/arriba.html")) && p.contains(QStringLiteral("/marco/abajo.html")),
                 qPrintable(p.join(QLatin1Char(' '))));
        comprobarReposo();
        QVERIFY(w_->Gua->isVisible());
    }

    void archivar_palabraNueva()
    {
        const qsizetype antes = filas().size();
        QGuiApplication::clipboard()->setText(QStringLiteral("lo que había"));
        consultar(w_->Buscar, QStringLiteral("alférez"));
        archivar();

        // The clipboard keeps the page's text.
        const QString copiado = QGuiApplication::clipboard()->text();
        QVERIFY2(copiado.startsWith(ServidorPrueba::kCabecera), qPrintable(copiado));
        QVERIFY(copiado.contains(ServidorPrueba::kPie));
        QVERIFY(copiado.contains(QStringLiteral("“comillas”, 5 €, ½ taza — Ærø, Ωμέγα, ∑, 😀.")));

        QCOMPARE(qsizetype(filas().size()), antes + 1);
        const auto f = filaDe(QStringLiteral("alférez"));
        QVERIFY(f && f->sig);
        QCOMPARE(*f->voc, ExtraeVocales(QStringLiteral("alférez")));
        QVERIFY(f->sig->startsWith(QStringLiteral("{\\rtf")));
        const QString texto = textoDeRtf(*f->sig);
        QCOMPARE(texto, esperado(copiado));
        QVERIFY(!texto.contains(QStringLiteral("Real Academia")));
        // The page's header line is exactly the part cut off.
        QVERIFY2(texto.startsWith(QStringLiteral("alférez\n\n1. f. Acción")), qPrintable(texto));
        QVERIFY(texto.endsWith(QStringLiteral("😀.\n ")));

        // The list stands on the new word, shown in front of the pane.
        QVERIFY(w_->RT->isVisible());
        QVERIFY(!w_->Gua->isVisible());
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("alférez"));
        QCOMPARE(w_->Pal->text(), QStringLiteral("alférez"));
        QCOMPARE(w_->RT->toPlainText(), texto);
        QCOMPARE(w_->DB->currentIndex().data().toString(), QStringLiteral("alférez"));
    }

    void archivar_palabraExistente()
    {
        const qsizetype antes = filas().size();
        const Fila vieja = *filaDe(QStringLiteral("casa"));
        // Typed in other letter case: the row is found all the same.
        consultar(w_->Buscar, QStringLiteral("CASA"));
        archivar();
        QCOMPARE(qsizetype(filas().size()), antes);
        const Fila nueva = *filaDe(QStringLiteral("casa"));
        QCOMPARE(nueva.id, vieja.id);
        QCOMPARE(nueva.voc, vieja.voc);
        QCOMPARE(nueva.marcas, vieja.marcas);
        const QString texto = textoDeRtf(*nueva.sig);
        QCOMPARE(texto, esperado(QGuiApplication::clipboard()->text()));
        QVERIFY(!texto.contains(QStringLiteral("vieja")));
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("casa"));
        QCOMPARE(w_->RT->toPlainText(), texto);
    }

    void archivar_apostrofo()
    {
        const QString palabra = QStringLiteral("O'Higgins");
        const qsizetype antes = filas().size();
        consultar(w_->Buscar, palabra);
        archivar();
        // A second time replaces the row it added.
        consultar(w_->Buscar, palabra);
        archivar();
        QCOMPARE(qsizetype(filas().size()), antes + 1);
        const auto f = filaDe(palabra);
        QVERIFY(f);
        QCOMPARE(*f->voc, ExtraeVocales(palabra));
        QCOMPARE(textoDeRtf(*f->sig), esperado(QGuiApplication::clipboard()->text()));
        QCOMPARE(w_->DPal->palActual(), palabra);
    }

    // Too short a page leaves an empty definition; the notice goes every time
    // it occurs, and only in its exact form.
    void archivar_recortes()
    {
        consultar(w_->Buscar, QStringLiteral("corto"));
        archivar();
        QCOMPARE(textoDeRtf(*filaDe(QStringLiteral("corto"))->sig), QString());

        consultar(w_->Buscar, QStringLiteral("doble"));
        archivar();
        const QString copiado = QGuiApplication::clipboard()->text();
        QCOMPARE(copiado.count(ServidorPrueba::kPie), 2);
        const QString texto = textoDeRtf(*filaDe(QStringLiteral("doble"))->sig);
        QCOMPARE(texto, esperado(copiado));
        QVERIFY(!texto.contains(ServidorPrueba::kPie));
        QVERIFY(texto.contains(QStringLiteral("real academia española © todos los derechos reservados")));
    }

    // A page whose text never reaches the clipboard: the user is told and
    // nothing is stored.
    void archivar_sinTexto()
    {
        panel_->ponerEsperaCopia(1500);
        consultar(w_->Buscar, QStringLiteral("vacio"));
        const auto antes = filas();
        const auto caja = responder(QMessageBox::Ok);
        archivar(false);
        QVERIFY(caja->vista);
        QVERIFY2(caja->texto.contains(QStringLiteral("no se ha archivado nada")), qPrintable(caja->texto));
        QCOMPARE(filas().size(), antes.size());
        QVERIFY(!filaDe(QStringLiteral("vacio")));
        // The offer stands; the window goes on working.
        QVERIFY(w_->Gua->isVisible());
        consultar(w_->Buscar, QStringLiteral("perro"));
        archivar();
        QCOMPARE(textoDeRtf(*filaDe(QStringLiteral("perro"))->sig), esperado(QGuiApplication::clipboard()->text()));
    }

    // The store refuses the write (another program holds it): the user is told,
    // the file keeps no trace, the prepared text stays in view, and a later
    // try succeeds.
    void archivar_almacenOcupado()
    {
        consultar(w_->Buscar, QStringLiteral("pingüino"));
        sqlite3 *otro = nullptr;
        QCOMPARE(sqlite3_open(ruta_.toUtf8().constData(), &otro), SQLITE_OK);
        QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const auto caja = responder(QMessageBox::Ok);
        archivar(false);
        sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(otro);
        QVERIFY(caja->vista);
        QVERIFY2(caja->texto.contains(QStringLiteral("en uso")), qPrintable(caja->texto));
        QVERIFY(!filaDe(QStringLiteral("pingüino")));
        const QString preparado = esperado(QGuiApplication::clipboard()->text());
        QCOMPARE(w_->RT->toPlainText(), preparado);
        QVERIFY(w_->Gua->isVisible());

        archivar();
        QCOMPARE(textoDeRtf(*filaDe(QStringLiteral("pingüino"))->sig), preparado);
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("pingüino"));
    }

    void direccionNoValida()
    {
        Servicios s = w_->servicios();
        s.definiciones = QStringLiteral("file:///etc");
        w_->ponerServicios(s);
        escribir(w_->Pal, QStringLiteral("casa"));
        const auto caja = responder(QMessageBox::Ok);
        QTest::mouseClick(w_->Buscar, Qt::LeftButton);
        QVERIFY(caja->vista);
        QVERIFY2(caja->texto.contains(QStringLiteral("file:///etc")), qPrintable(caja->texto));
        QVERIFY(!w_->sw);
        QCOMPARE(Principal::tag(w_->Buscar), QStringLiteral("False"));
        // Nothing loads, so nothing offers to stop: both buttons idle.
        QCOMPARE(w_->Buscar->text(), QStringLiteral("<-- Buscar palabra"));
        QVERIFY(w_->Sinon->isEnabled());
        QVERIFY(servidor_.peticiones().isEmpty());
        QVERIFY(w_->RT->isVisible());
        s.definiciones = QStringLiteral("http://127.0.0.1:1");
        s.sinonimos = QStringLiteral("file:///etc");
        w_->ponerServicios(s);
        const auto otra = responder(QMessageBox::Ok);
        QTest::mouseClick(w_->Sinon, Qt::LeftButton);
        QVERIFY(otra->vista);
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

    void eliminar()
    {
        // Select "perro" in the list through the search box.
        escribir(w_->Ind, QStringLiteral("per"));
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("perro"));
        const qint64 id = w_->DPal->idActual();
        QCOMPARE(w_->RT->toPlainText(), QStringLiteral("animal"));

        auto caja = responder(QMessageBox::No);
        QTest::mouseClick(w_->Eli, Qt::LeftButton);
        QVERIFY(caja->vista);
        QCOMPARE(caja->titulo, QStringLiteral("¿Eliminar palabra?"));
        QCOMPARE(caja->texto, QStringLiteral("Esta acción eliminará PERMANENTEMENTE la palabra seleccionada"));
        QCOMPARE(caja->icono, QMessageBox::NoIcon);
        QCOMPARE(caja->porDefecto, QMessageBox::Yes);
        QVERIFY(filaDe(QStringLiteral("perro")));
        QCOMPARE(w_->RT->toPlainText(), QStringLiteral("animal"));
        QCOMPARE(w_->DPal->palActual(), QStringLiteral("perro"));

        // Yes deletes the list's word, not what the user typed into Pal.
        escribir(w_->Pal, QStringLiteral("otra"));
        const qsizetype antes = filas().size();
        caja = responder(QMessageBox::Yes);
        QTest::mouseClick(w_->Eli, Qt::LeftButton);
        QVERIFY(caja->vista);
        QCOMPARE(qsizetype(filas().size()), antes - 1);
        QVERIFY(!Almacen::abrir(ruta_, true)->fila(id));
        QVERIFY(w_->RT->toPlainText().isEmpty());
        QCOMPARE(w_->Pal->text(), QStringLiteral("otra"));
        QVERIFY(!w_->DPal->hayActual());
        for (int i = 0; i < w_->DB->model()->rowCount(); ++i)
            QVERIFY(w_->DB->model()->index(i, 0).data().toString() != QLatin1String("perro"));

        // Without a current word a second Yes deletes nothing.
        caja = responder(QMessageBox::Yes);
        QTest::mouseClick(w_->Eli, Qt::LeftButton);
        QVERIFY(caja->vista);
        QCOMPARE(qsizetype(filas().size()), antes - 1);
        QVERIFY(!filaDe(QStringLiteral("perro")));
        QVERIFY(filaDe(QStringLiteral("casa")) && filaDe(QStringLiteral("zapato")));

        // A deleted word comes back by archiving it again.
        consultar(w_->Buscar, QStringLiteral("perro"));
        archivar();
        const auto f = filaDe(QStringLiteral("perro"));
        QVERIFY(f && f->id != id);
        QCOMPARE(*f->voc, ExtraeVocales(QStringLiteral("perro")));
    }
};

QTEST_MAIN(PruebaConsultasWeb)
#include "prueba_consultas_web.moc"
