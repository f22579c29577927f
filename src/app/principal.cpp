#include "app/principal.h"

#include "app/principal_textos.h"

#include "deshacer/deshacer.h"
#include "language/caracteres.h"
#include "language/numeros.h"
#include "lookup/panel_web.h"
#include "app/modelo_rimas.h"
#include "rhyme/rima.h"
#include "richtext/rtf.h"
#include "store/almacen.h"
#include "lookup/archivado.h"
#include "lista/lista_palabras.h"
#include "app/modelo_palabras.h"
#include "ubicacion/ubicacion.h"
#include "ubicacion/version.h"
#include "taller/taller.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <utility>

namespace rimario {

namespace {

// Added to the window's title while archiving waits for the page's text.
const QString kTituloCopiando = QStringLiteral(" (copiando el texto de la página...)");
const QString kSoloLecturaAviso = QStringLiteral(
    "No se puede cambiar nada en «%1»: el almacén solo se puede leer (el archivo o su carpeta están "
    "protegidos contra escritura). Se pueden consultar las palabras y buscar rimas.");
} // namespace

Principal::Principal(QString almacen, PanelWeb *panel, QWidget *parent)
    : QWidget(parent), rutaAlmacen_(std::move(almacen))
{
    WB = panel;
    construir();
    // A page that starts loading is no longer one to archive.
    connect(WB, &PanelWeb::cargaEmpezada, this, [this] { Gua->setVisible(false); });
}

Principal::~Principal()
{
    // The list as this session left it is what the next start maps.
    if (DPal)
        DPal->conservar();
}

bool Principal::puedeTenerFoco(QWidget *w) const
{
    // The browser pane counts only while the definition view does not cover it.
    if (w == WB)
        return WB->isVisible() && !RT->isVisible();
    QWidget *destino = w->focusProxy() ? w->focusProxy() : w;
    return w->isVisible() && w->isEnabled() && (destino->focusPolicy() & Qt::TabFocus);
}

bool Principal::focusNextPrevChild(bool siguiente)
{
    // Tab and Shift+Tab walk the controls that can be seen, in the window's
    // order, and go round at the ends.
    const int n = int(ordenFoco_.size());
    QWidget *foco = focusWidget();
    int actual = -1, profundidad = -1;
    for (int i = 0; i < n; ++i) {
        QWidget *w = ordenFoco_[size_t(i)];
        if (foco && (w == foco || w->isAncestorOf(foco))) {
            // The innermost control that holds the focus (a grid inside the tab strip).
            int d = 0;
            for (QWidget *p = w; p; p = p->parentWidget())
                ++d;
            if (d > profundidad) {
                profundidad = d;
                actual = i;
            }
        }
    }
    for (int paso = 1; paso <= n; ++paso) {
        const int i = ((actual < 0 ? (siguiente ? -1 : 0) : actual) + (siguiente ? paso : -paso) % n + n) % n;
        QWidget *w = ordenFoco_[size_t(i)];
        if (puedeTenerFoco(w)) {
            w->setFocus(siguiente ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void Principal::Form_Load()
{
    // The program's own directory is the current one, so "data.lop" is the
    // file beside the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    // Top-left corner, 800 by 600 pixels outside.
    move(0, 0);
    // No lookup running, and no definition looked up yet (nothing to archive).
    cargando_.reset();
    mostrada_.reset();
    // The store opened (the first access to the file), the word list over it,
    // the six rhyme results empty.
    almacen_ = Almacen::abrir(rutaAlmacen_);
    if (QString m = almacen_->motivoSoloLectura(); !m.isEmpty())
        avisar(m.replace(0, 1, m.at(0).toUpper())); // opened read-only for a reason to tell
    DPal = new ListaPalabras(*almacen_, this);
    deshacer_ = new Deshacer(*DPal, this);
    modeloDB_ = new ModeloPalabras(*DPal, this);
    DB->setModel(modeloDB_);
    connect(modeloDB_, &ModeloPalabras::errorAlEscribir, this, &Principal::avisar);
    if (almacen_->soloLectura()) {
        // Said where it is always seen: the window's title and the top corner.
        setWindowTitle(windowTitle() + QStringLiteral(" — solo lectura"));
        Label2->setText(QStringLiteral("Solo lectura"));
        Label2->setToolTip(kSoloLecturaAviso.arg(QDir::toNativeSeparators(almacen_->ruta())));
    }
    connect(DB->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &actual, const QModelIndex &) {
                if (!moviendoDB_ && actual.isValid()) {
                    const QScopedValueRollback<bool> guarda(movidoEnRejilla_, true);
                    DPal->irA(actual.row());
                }
            });
    connect(DPal, &ListaPalabras::actualMovido, this, [this](qsizetype pos) { moverDB(pos); });
    connect(DPal, &ListaPalabras::errorAlReleer, this, &Principal::avisar);
    // An edit of the current word, here or in a result grid, may move it in the
    // list: the grid's current row and selection have followed it; the word box
    // and the view show it again.
    connect(DPal, &ListaPalabras::palabraCambiada, this, [this](qsizetype pos) {
        if (pos != DPal->actual())
            return;
        const QScopedValueRollback<bool> guarda(movidoEnRejilla_, true);
        moverDB(pos);
    });
    for (int i = 0; i < 6; ++i) {
        DRim[i] = new ModeloRimas(*DPal, this);
        DR[i]->setModel(DRim[i]);
        connect(DRim[i], &ModeloRimas::errorAlEscribir, this, &Principal::avisar);
        connect(DR[i]->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this, i](const QModelIndex &actual, const QModelIndex &) {
                    if (!actual.isValid())
                        return;
                    DRim[i]->ponerFilaActual(actual.row());
                    DR_RowColChange(i);
                });
        DRim[i]->poner(ResultadoRima());
    }
    // No rhyme search running.
    Buscando = false;
}

void Principal::abrirLista()
{
    DPal->releer();
    DPal->refrescar();
}

void Principal::moverDB(qsizetype pos)
{
    // The grid follows the list's current record and shows it.
    {
        const QScopedValueRollback<bool> guarda(moviendoDB_, true);
        if (pos >= 0 && pos < modeloDB_->rowCount()) {
            const QModelIndex i = modeloDB_->index(int(pos), 0);
            // A row the user reached in the grid is current there already, with
            // the rows the user selected; a move by the program selects its row.
            if (!movidoEnRejilla_)
                DB->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect
                                                             | QItemSelectionModel::Rows);
            // A word found by the program heads the grid, with the words that follow it;
            // a row the user picked stays where it is.
            DB->scrollTo(i, movidoEnRejilla_ ? QAbstractItemView::EnsureVisible
                                             : QAbstractItemView::PositionAtTop);
        } else {
            DB->selectionModel()->clear();
        }
    }
    DB_RowColChange();
}

bool Principal::eventFilter(QObject *objeto, QEvent *evento)
{
    // The page would keep Tab to itself: the pane is one stop of the walk.
    if (evento->type() == QEvent::KeyPress && objeto->isWidgetType()
        && WB->isAncestorOf(static_cast<QWidget *>(objeto))) {
        const auto *tecla = static_cast<QKeyEvent *>(evento);
        const bool atras = tecla->key() == Qt::Key_Backtab
            || (tecla->key() == Qt::Key_Tab && (tecla->modifiers() & Qt::ShiftModifier));
        if ((tecla->key() == Qt::Key_Tab || atras) && !(tecla->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            focusNextPrevChild(!atras);
            return true;
        }
    }
    // Enter presses the button that has the focus, as Space does.
    if (evento->type() == QEvent::KeyPress) {
        const auto *tecla = static_cast<QKeyEvent *>(evento);
        auto *boton = qobject_cast<QPushButton *>(objeto);
        if (boton && (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter)
            && !(tecla->modifiers() & ~Qt::KeypadModifier) && isAncestorOf(boton) && boton->hasFocus()
            && boton->isEnabled()) {
            boton->click();
            return true;
        }
    }
    // The page goes behind the definition view: the focus must not stay in it.
    if (objeto == RT && evento->type() == QEvent::Show) {
        QWidget *foco = QApplication::focusWidget();
        if (foco && (foco == WB || WB->isAncestorOf(foco)))
            RT->setFocus(Qt::OtherFocusReason);
    }
    if (objeto == Ind && evento->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(evento)->button() == Qt::LeftButton)
        Ind_Click();
    return QWidget::eventFilter(objeto, evento);
}

// ---------------------------------------------------------------- word list

void Principal::Ind_Change()
{
    if (!DPal)
        return;
    const QString texto = Ind->text();
    try {
        if (texto.isEmpty())
            DPal->refrescar();
        else
            DPal->buscarPrefijo(texto); // no match: the list stays where it is
    } catch (const ErrorAlmacen &e) {
        avisarError(e);
    }
}

void Principal::Ind_Click()
{
    Ind_Change();
}

void Principal::DB_RowColChange()
{
    // Each step goes on when the one before fails (no current record).
    try {
        Pal->setText(DPal->palActual());
    } catch (const ErrorAlmacen &) {
    }
    Gua->setVisible(false);
    RT->setVisible(true);
    try {
        mostrarSig(DPal->sigActual());
    } catch (const ErrorAlmacen &) {
    }
}

// ---------------------------------------------------------------- archiving

void Principal::Gua_Click()
{
    if (archivando_ || !DPal)
        return;
    if (rehusarSiSoloLectura()) {
        emit archivado(false);
        return;
    }
    // Only a definition page that loaded as it should is archived, under the
    // word it was looked up for; the offer of any other is withdrawn.
    const Consulta *pagina = paginaArchivable();
    if (!pagina) {
        Gua->setVisible(false);
        emit archivado(false);
        return;
    }
    archivando_ = true;
    const QString palabra = pagina->palabra;
    // A large page takes seconds to copy: the window says so meanwhile, and the
    // button waits.
    const QString titulo = windowTitle();
    Gua->setEnabled(false);
    setWindowTitle(titulo + kTituloCopiando);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The whole page selected and copied; the rest runs once the copy is on the clipboard.
    WB->seleccionarTodoYCopiar([this, titulo, palabra](bool copiada) {
        QApplication::restoreOverrideCursor();
        setWindowTitle(titulo);
        Gua->setEnabled(true);
        terminarArchivo(copiada, palabra);
    });
}

void Principal::terminarArchivo(bool copiada, const QString &palabra)
{
    if (!copiada) {
        archivando_ = false;
        avisar(QStringLiteral("No se pudo copiar el texto de la página: no se ha archivado nada."));
        emit archivado(false);
        return;
    }
    const auto fin = qScopeGuard([this] { archivando_ = false; });
    const QString pagina = QGuiApplication::clipboard()->text();
    if (const QString motivo = demasiadoGrande(pagina); !motivo.isEmpty()) {
        avisar(QStringLiteral("La página es demasiado grande para archivarla (%1): no se ha archivado nada.").arg(motivo));
        emit archivado(false);
        return;
    }
    // What is kept of the page, as plain text: the formatting where the view's
    // cursor stood does not spill into it. The view shows it, and it is what is
    // stored, whatever finding the row shows meanwhile.
    QTextDocument definicion;
    definicion.setPlainText(definicionArchivada(pagina));
    const QString sig = escribirRtf(&definicion);
    mostrarSig(sig);
    try {
        deshacer_->archivar(palabra, sig);
    } catch (const ErrorAlmacen &e) {
        avisarError(e);
        emit archivado(false);
        return;
    }
    // The definition view back in front of the page, the offer withdrawn, the
    // page's selection let go.
    RT->setVisible(true);
    Gua->setVisible(false);
    WB->limpiarSeleccion();
    WB->borrarSeleccion();
    emit archivado(true);
}

// ---------------------------------------------------------------- deleting

bool Principal::rehusarSiSoloLectura()
{
    if (!almacen_ || !almacen_->soloLectura())
        return false;
    avisar(kSoloLecturaAviso.arg(QDir::toNativeSeparators(almacen_->ruta())));
    return true;
}

void Principal::Eli_Click()
{
    // A change that would be refused is refused before anything is asked.
    if (rehusarSiSoloLectura())
        return;
    // Only the current word goes, however many rows the grid has selected; the
    // question says so when there are others.
    QString texto = QStringLiteral("Esta acción eliminará PERMANENTEMENTE la palabra seleccionada");
    qsizetype seleccionadas = 0;
    for (const QItemSelectionRange &r : DB->selectionModel()->selection())
        seleccionadas += r.height();
    if (seleccionadas > 1 && DPal && DPal->hayActual())
        texto += QStringLiteral(" «%1». Solo se elimina esa palabra: %2.")
                     .arg(DPal->palActual().left(80),
                          seleccionadas == 2 ? QStringLiteral("la otra fila seleccionada se conserva")
                                             : QStringLiteral("las otras %1 filas seleccionadas se conservan")
                                                   .arg(numeroEscrito(seleccionadas - 1)));
    QMessageBox pregunta(QMessageBox::NoIcon, QStringLiteral("¿Eliminar palabra?"), texto,
                         QMessageBox::Yes | QMessageBox::No, this);
    pregunta.setDefaultButton(QMessageBox::Yes);
    pregunta.setObjectName(QStringLiteral("preguntaEliminar"));
    if (pregunta.exec() != QMessageBox::Yes)
        return;
    if (DPal && DPal->hayActual()) {
        try {
            // The list has no current record afterwards: the grid must not pick another.
            const QScopedValueRollback<bool> guarda(moviendoDB_, true);
            deshacer_->eliminarActual();
            DB->selectionModel()->clear();
        } catch (const ErrorAlmacen &e) {
            avisarError(e);
        }
    }
    mostrarSig(std::nullopt);
}

// ---------------------------------------------------------------- rhyme search

void Principal::Rima_Click()
{
    const QString w = Pal->text();
    if (w.isEmpty())
        return;
    Buscando = true;
    const ModoRima modo{tipoRima_, SS->currentIndex() + 2, MT->isChecked(), std::nullopt};
    Rima->setText(kRimaBuscando);
    Rima->setEnabled(false);
    Rima->repaint();
    const int k = SS->currentIndex(), n = modo.letras;
    // Whatever happens, the search ends idle with the mode's caption.
    const auto fin = qScopeGuard([this, modo] {
        Rima->setEnabled(true);
        Rima->setText(modo.tipo == TipoRima::Vocales ? kRimaVocales : kRimaPalabras);
        Buscando = false;
    });
    // The caption names the word searched, wherever the list stands afterwards.
    auto cuenta = [this, k, w] {
        ponerCuenta(k, w, QStringLiteral(": %1 palabras").arg(numeroEscrito(DRim[k]->rowCount())));
    };
    try {
        if (modo.tipo == TipoRima::Completa) {
            if (numeroDeCaracteres(w) < n)
                return;
            DRim[k]->poner(rimasCompletas(DPal->lexico(), w, n, modo.igualTamano));
            cuenta();
        } else {
            // The marks and the rows shown from one and the same state of the file;
            // a store that cannot be written gets the same rows, computed but not marked.
            std::optional<ResultadoRima> r;
            DPal->alDia([&] {
                r = almacen_->soloLectura() ? rimasVocalesDe(DPal->lexico(), w, n, modo.igualTamano)
                                            : marcarRimasVocales(*almacen_, DPal->lexico(), w, n, modo.igualTamano);
            });
            if (!r)
                return;
            DRim[k]->poner(std::move(*r));
            // The list back on the search box's word, or at its top: one move,
            // the definition laid out once.
            const QString texto = Ind->text();
            if (texto.isEmpty() || !DPal->buscarPrefijo(texto))
                DPal->refrescar();
            cuenta();
        }
    } catch (const Error &e) {
        avisarError(e);
    }
}

void Principal::menuDePalabra(const QString &palabra, const QPoint &donde, QMenu *edicion)
{
    QMenu menu(this);
    if (!palabra.isEmpty())
        entradasDePalabra(menu, palabra);
    if (edicion) {
        if (!menu.isEmpty())
            menu.addSeparator();
        menu.addActions(edicion->actions());
    } else if (deshacer_ && deshacer_->hay()) {
        // A grid's menu offers to undo the latest change, named.
        menu.addSeparator();
        menu.addAction(deshacer_->descripcion() + QStringLiteral("\tCtrl+Z"), this, &Principal::Deshacer_Click);
    }
    if (!menu.isEmpty())
        menu.exec(donde);
}

void Principal::entradasDePalabra(QMenu &menu, const QString &palabra)
{
    menu.addAction(QStringLiteral("Rimas consonantes de «%1»\tF7").arg(palabra), this,
                   [this, palabra] { rimasPorClaveDe(palabra, TipoRima::Consonante); });
    menu.addAction(QStringLiteral("Rimas asonantes de «%1»\tF8").arg(palabra), this,
                   [this, palabra] { rimasPorClaveDe(palabra, TipoRima::Asonante); });
    QAction *silabas = menu.addAction(QStringLiteral("Solo palabras con las mismas sílabas"));
    silabas->setCheckable(true);
    silabas->setChecked(mismasSilabas_);
    connect(silabas, &QAction::toggled, this, [this](bool si) { mismasSilabas_ = si; });
    menu.addSeparator();
    menu.addAction(QStringLiteral("Buscar en inglés"), this, [this, palabra] {
        Pal->setText(palabra);
        Command1_Click();
    });
    menu.addAction(QStringLiteral("Taller de versos\tCtrl+T"), Taller, &TallerVersos::mostrar);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Acerca de Rimario"), this, [this] {
        QMessageBox::about(this, QStringLiteral("Acerca de Rimario"),
                           QStringLiteral("<p><b>Rimario %1</b></p><p>Diccionario de rimas del español.</p>"
                                          "<p>Almacén de palabras: %2</p>")
                               .arg(QStringLiteral(RIMARIO_VERSION),
                                    almacen_ ? QDir::toNativeSeparators(almacen_->ruta()).toHtmlEscaped() : QString()));
    });
}

void Principal::rimasPorClaveDe(const QString &palabra, TipoRima tipo)
{
    if (palabra.isEmpty() || !DPal || Buscando)
        return;
    const int k = SS->currentIndex();
    try {
        DRim[k]->poner(rimasPorClave(DPal->lexico(), palabra, tipo, mismasSilabas_));
    } catch (const Error &e) {
        avisarError(e);
        return;
    }
    ponerCuenta(k, palabra, QStringLiteral(" — %1: %2 palabras")
                                .arg(tipo == TipoRima::Consonante ? QStringLiteral("consonantes") : QStringLiteral("asonantes"),
                                     numeroEscrito(DRim[k]->rowCount())));
}

void Principal::ponerCuenta(int k, const QString &palabra, const QString &resto)
{
    // The tab's caption keeps how much of its end is the kind and the count.
    Eti[k]->setText(palabra + resto);
    finEti_[size_t(k)] = resto.size();
    Cuenta->setText(Eti[k]->text(), resto.size());
}

void Principal::SS_Click(int)
{
    const int k = SS->currentIndex();
    Cuenta->setText(Eti[k]->text(), finEti_[size_t(k)]);
}

void Principal::DR_RowColChange(int)
{
    if (Buscando || !DPal)
        return;
    const int k = SS->currentIndex();
    ModeloRimas *r = DRim[k];
    if (r->rowCount() <= 0)
        return;
    const int fila = r->filaActual();
    if (fila < 0 || fila >= r->rowCount())
        return;
    const QString p = r->resultado().pal(fila).toString();
    try {
        DPal->buscarIgual(p);
    } catch (const ErrorAlmacen &e) {
        avisarError(e);
    }
}

void Principal::Voc_Click()
{
    tipoRima_ = tipoRima_ == TipoRima::Vocales ? TipoRima::Completa : TipoRima::Vocales;
    if (tipoRima_ == TipoRima::Vocales) {
        Voc->setText(kVocCompleta);
        Voc->setToolTip(kTipCompletas);
        Rima->setText(kRimaVocales);
    } else {
        Voc->setText(kVocSoloVocales);
        Voc->setToolTip(kTipVocales);
        Rima->setText(kRimaPalabras);
    }
}

// ---------------------------------------------------------------- online lookups

QPushButton *Principal::botonDe(Servicio servicio) const
{
    switch (servicio) {
    case Servicio::Definiciones:
        return Buscar;
    case Servicio::Sinonimos:
        return Sinon;
    case Servicio::Ingles:
        break;
    }
    return nullptr;
}

const Principal::Consulta *Principal::paginaArchivable() const
{
    if (!mostrada_ || mostrada_->servicio != Servicio::Definiciones || !WB->paginaLograda())
        return nullptr;
    return &*mostrada_;
}

void Principal::ofrecerArchivo()
{
    const Consulta *pagina = paginaArchivable();
    if (pagina)
        Gua->setToolTip(QStringLiteral("Guardar la definición de «%1»").arg(pagina->palabra));
    Gua->setVisible(pagina != nullptr);
}

void Principal::consultar(Servicio servicio)
{
    QPushButton *boton = botonDe(servicio);
    const DescripcionServicio &d = descripcion(servicio);
    if (boton && cargando_ && cargando_->servicio == servicio) {
        // The button of the lookup loading stops it; what the pane holds then
        // is no page of any lookup.
        consultaSinConexion_.reset();
        cargando_.reset();
        mostrada_.reset();
        WB->detener();
        boton->setText(d.caption.toString());
        return;
    }
    // A button asks about the word typed, none or not; the English lookup
    // asks even for no word.
    if (boton && Pal->text().isEmpty())
        return;
    consultaSinConexion_.reset();
    // While one lookup loads, the others' buttons wait.
    auto esperanLosDemas = [&](bool esperan) {
        for (const DescripcionServicio &otro : kServicios)
            if (QPushButton *b = botonDe(otro.servicio); b && b != boton)
                b->setEnabled(!esperan);
    };
    if (boton) {
        esperanLosDemas(true);
        boton->setText(kCaptionDetener);
    }
    const std::optional<Consulta> antes = std::exchange(cargando_, Consulta{servicio, Pal->text()});
    try {
        // Read at each lookup: a change to rimario.ini or to the environment
        // applies to the next one.
        const Servicios servicios = Servicios::cargar(QString::fromStdString(ubicacion::carpetaDeConfiguracion()));
        WB->navegar(servicios.direccion(servicio, cargando_->palabra));
    } catch (const Error &e) {
        // Nothing is loading: the buttons stay idle rather than offer to stop nothing.
        cargando_ = antes;
        if (boton) {
            esperanLosDemas(false);
            boton->setText(d.caption.toString());
        }
        avisarError(e);
        return;
    }
    if (d.sinConexion)
        consultaSinConexion_ = cargando_;
}

void Principal::Buscar_Click()
{
    consultar(Servicio::Definiciones);
}

void Principal::WB_DocumentComplete(const QUrl &direccion)
{
    // A synonym or English lookup that the service could not answer is
    // answered from the dictionaries installed here.
    if (const auto consulta = std::exchange(consultaSinConexion_, std::nullopt);
        consulta && !WB->paginaLograda() && direccion.scheme() != QLatin1String(kEsquemaInterno)) {
        try {
            WB->navegar(direccionSinConexion(*descripcion(consulta->servicio).sinConexion, consulta->palabra));
            return;
        } catch (const Error &) {
        }
    }
    RT->setVisible(false);
    for (const DescripcionServicio &d : kServicios)
        if (QPushButton *b = botonDe(d.servicio)) {
            b->setEnabled(true);
            b->setText(d.caption.toString());
        }
    // The page shown is the lookup's that loaded; a page the user reached from
    // it by a link stays that lookup's.
    if (cargando_)
        mostrada_ = std::exchange(cargando_, std::nullopt);
    // Archiving is offered for a definition page that loaded as it should, not
    // for an error page nor for what a stopped load left in the pane.
    ofrecerArchivo();
}

void Principal::Sinon_Click()
{
    consultar(Servicio::Sinonimos);
}

void Principal::Command1_Click()
{
    consultar(Servicio::Ingles);
}

void Principal::Vocal_Click() {}

// ---------------------------------------------------------------- undoing

void Principal::Deshacer_Click()
{
    if (!deshacer_ || !deshacer_->hay() || Buscando || archivando_)
        return;
    try {
        deshacer_->deshacer();
    } catch (const Error &e) {
        avisarError(e);
    }
}

} // namespace rimario
