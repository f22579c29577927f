#include "app/principal.h"

#include "app/principal_textos.h"

#include "language/caracteres.h"
#include "lookup/panel_web.h"
#include "rhyme/modelo_rimas.h"
#include "rhyme/rima.h"
#include "richtext/rtf.h"
#include "store/almacen.h"
#include "store/archivado.h"
#include "store/lista_palabras.h"
#include "store/modelo_palabras.h"
#include "taller/taller.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
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
// Qt takes time that grows with the square of the length to wrap a run of text
// with no break in it; a text with such a run this long is wrapped at word
// boundaries only (the run then stays on one line).
constexpr qsizetype kTramoSinCortes = 10000;

qsizetype tramoMasLargo(QStringView texto)
{
    qsizetype mayor = 0, actual = 0;
    for (const QChar c : texto) {
        actual = c.isSpace() ? 0 : actual + 1;
        mayor = std::max(mayor, actual);
    }
    return mayor;
}

// Puts the text into the view; the slow way of wrapping is never applied to
// such a run, old or new. The run is measured on the text shown (formatting
// codes between its letters make no break).
template <typename Poner>
void ponerConCortes(QTextEdit *vista, QStringView, Poner poner)
{
    vista->setWordWrapMode(QTextOption::WordWrap);
    poner();
    if (tramoMasLargo(vista->toPlainText()) <= kTramoSinCortes)
        vista->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

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

QString Principal::tag(const QWidget *w)
{
    return w->property("Tag").toString();
}

void Principal::ponerTag(QWidget *w, const QString &texto)
{
    w->setProperty("Tag", texto);
}

bool Principal::textoABooleano(const QString &texto)
{
    return texto.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString Principal::booleanoATexto(bool valor)
{
    return valor ? QStringLiteral("True") : QStringLiteral("False");
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
    ponerTag(Buscar, booleanoATexto(false));
    sw = false;
    servicios_ = Servicios::cargar(QCoreApplication::applicationDirPath());
    // The store opened (the first access to the file), the word list over it,
    // the six rhyme results empty.
    almacen_ = Almacen::abrir(rutaAlmacen_);
    if (QString m = almacen_->motivoSoloLectura(); !m.isEmpty())
        avisar(m.replace(0, 1, m.at(0).toUpper())); // opened read-only for a reason to tell
    DPal = new ListaPalabras(*almacen_, this);
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

void Principal::avisar(const QString &mensaje)
{
    QMessageBox::warning(this, windowTitle(), mensaje);
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
        avisar(e.mensaje());
    }
}

void Principal::Ind_Click()
{
    Ind_Change();
}

void Principal::mostrarSig(const std::optional<QString> &sig)
{
    const QStringView texto = sig ? QStringView(*sig) : QStringView();
    ponerConCortes(RT, texto, [&] { leerRtf(texto, RT->document()); });
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
    // Only a page that loaded as it should is archived; the offer of any other
    // is withdrawn.
    if (!WB->paginaLograda()) {
        Gua->setVisible(false);
        emit archivado(false);
        return;
    }
    archivando_ = true;
    // A large page takes seconds to copy: the window says so meanwhile, and the
    // button waits.
    const QString titulo = windowTitle();
    Gua->setEnabled(false);
    setWindowTitle(titulo + kTituloCopiando);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The whole page selected and copied; the rest runs once the copy is on the clipboard.
    WB->seleccionarTodoYCopiar([this, titulo](bool copiada) {
        QApplication::restoreOverrideCursor();
        setWindowTitle(titulo);
        Gua->setEnabled(true);
        terminarArchivo(copiada);
    });
}

void Principal::terminarArchivo(bool copiada)
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
        DPal->archivar(tag(Gua), sig);
    } catch (const ErrorAlmacen &e) {
        avisar(e.mensaje());
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
    QMessageBox pregunta(QMessageBox::NoIcon, QStringLiteral("¿Eliminar palabra?"),
                         QStringLiteral("Esta acción eliminará PERMANENTEMENTE la palabra seleccionada"),
                         QMessageBox::Yes | QMessageBox::No, this);
    pregunta.setDefaultButton(QMessageBox::Yes);
    pregunta.setObjectName(QStringLiteral("preguntaEliminar"));
    if (pregunta.exec() != QMessageBox::Yes)
        return;
    if (DPal && DPal->hayActual()) {
        try {
            // The list has no current record afterwards: the grid must not pick another.
            const QScopedValueRollback<bool> guarda(moviendoDB_, true);
            DPal->eliminarActual();
            DB->selectionModel()->clear();
        } catch (const ErrorAlmacen &e) {
            avisar(e.mensaje());
        }
    }
    leerRtf(QStringView(), RT->document());
}

// ---------------------------------------------------------------- rhyme search

void Principal::Rima_Click()
{
    const QString w = Pal->text();
    if (w.isEmpty())
        return;
    Buscando = true;
    const bool vocales = tag(Voc).toInt() != 0;
    Rima->setText(kRimaBuscando);
    Rima->setEnabled(false);
    Rima->repaint();
    const int k = SS->currentIndex();
    const int n = k + 2;
    // Whatever happens, the search ends idle with the mode's caption.
    const auto fin = qScopeGuard([this, vocales] {
        Rima->setEnabled(true);
        Rima->setText(vocales ? kRimaVocales : kRimaPalabras);
        Buscando = false;
    });
    // The caption names the word searched, wherever the list stands afterwards.
    auto cuenta = [this, k, w] {
        Eti[k]->setText(QStringLiteral("%1: %2 palabras").arg(w).arg(DRim[k]->rowCount()));
        Cuenta->setText(Eti[k]->text());
    };
    try {
        if (!vocales) {
            if (numeroDeCaracteres(w) < n)
                return;
            DRim[k]->poner(rimasCompletas(DPal->lexico(), w, n, MT->isChecked()));
            cuenta();
        } else {
            // The marks and the rows shown from one and the same state of the file;
            // a store that cannot be written gets the same rows, computed but not marked.
            std::optional<ResultadoRima> r;
            DPal->alDia([&] {
                r = almacen_->soloLectura() ? rimasVocalesDe(DPal->lexico(), w, n, MT->isChecked())
                                            : marcarRimasVocales(*almacen_, DPal->lexico(), w, n, MT->isChecked());
            });
            if (!r)
                return;
            DRim[k]->poner(std::move(*r));
            DPal->refrescar();
            Ind_Change();
            cuenta();
        }
    } catch (const Error &e) {
        avisar(e.mensaje());
    }
}

void Principal::menuDePalabra(const QString &palabra, const QPoint &donde)
{
    if (palabra.isEmpty())
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Rimas consonantes de «%1»\tF7").arg(palabra), this,
                   [this, palabra] { rimasPorClaveDe(palabra, true); });
    menu.addAction(QStringLiteral("Rimas asonantes de «%1»\tF8").arg(palabra), this,
                   [this, palabra] { rimasPorClaveDe(palabra, false); });
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
    menu.exec(donde);
}

void Principal::rimasPorClaveDe(const QString &palabra, bool consonante)
{
    if (palabra.isEmpty() || !DPal || Buscando)
        return;
    const int k = SS->currentIndex();
    try {
        DRim[k]->poner(rimasPorClave(DPal->lexico(), palabra, consonante, mismasSilabas_));
    } catch (const Error &e) {
        avisar(e.mensaje());
        return;
    }
    Eti[k]->setText(QStringLiteral("%1 — %2: %3 palabras")
                        .arg(palabra, consonante ? QStringLiteral("consonantes") : QStringLiteral("asonantes"),
                             QLocale().toString(DRim[k]->rowCount())));
    Cuenta->setText(Eti[k]->text());
}

void Principal::SS_Click(int)
{
    const int k = SS->currentIndex();
    Cuenta->setText(Eti[k]->text());
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
        avisar(e.mensaje());
    }
}

void Principal::Voc_Click()
{
    if (tag(Voc).toInt() == 0) {
        ponerTag(Voc, QStringLiteral("1"));
        Voc->setText(kVocCompleta);
        Voc->setToolTip(kTipCompletas);
        Rima->setText(kRimaVocales);
    } else {
        ponerTag(Voc, QStringLiteral("0"));
        Voc->setText(kVocSoloVocales);
        Voc->setToolTip(kTipVocales);
        Rima->setText(kRimaPalabras);
    }
}

// ---------------------------------------------------------------- online lookups

void Principal::Buscar_Click()
{
    if (textoABooleano(tag(Buscar))) {
        WB->detener();
        Buscar->setText(kCaptionBuscar);
        ponerTag(Buscar, booleanoATexto(false));
        return;
    }
    if (Pal->text().isEmpty())
        return;
    consultaSinConexion_.reset();
    Sinon->setEnabled(false);
    Buscar->setText(kCaptionDetener);
    try {
        WB->navegar(servicios_.direccionDefinicion(Pal->text()));
    } catch (const Error &e) {
        // Nothing is loading: the buttons stay idle rather than offer to stop nothing.
        Sinon->setEnabled(true);
        Buscar->setText(kCaptionBuscar);
        avisar(e.mensaje());
        return;
    }
    sw = true;
    ponerTag(Gua, Pal->text());
    ponerTag(Buscar, booleanoATexto(true));
}

void Principal::WB_DocumentComplete(const QUrl &direccion)
{
    // A synonym or English lookup that the service could not answer is
    // answered from the dictionaries installed here.
    if (const auto consulta = std::exchange(consultaSinConexion_, std::nullopt);
        consulta && !WB->paginaLograda() && direccion.scheme() != QLatin1String(kEsquemaInterno)) {
        try {
            WB->navegar(direccionSinConexion(consulta->first, consulta->second));
            return;
        } catch (const Error &) {
        }
    }
    RT->setVisible(false);
    Buscar->setEnabled(true);
    Sinon->setEnabled(true);
    Buscar->setText(kCaptionBuscar);
    Sinon->setText(kCaptionSinon);
    ponerTag(Buscar, booleanoATexto(false));
    ponerTag(Sinon, booleanoATexto(false));
    // Archiving is offered for a page that loaded as it should, not for an
    // error page nor for what a stopped load left in the pane.
    Gua->setVisible(sw && WB->paginaLograda());
}

void Principal::Sinon_Click()
{
    if (textoABooleano(tag(Sinon))) {
        consultaSinConexion_.reset();
        WB->detener();
        Sinon->setText(kCaptionSinon);
        ponerTag(Sinon, booleanoATexto(false));
        return;
    }
    if (Pal->text().isEmpty())
        return;
    Buscar->setEnabled(false);
    Sinon->setText(kCaptionDetener);
    try {
        WB->navegar(servicios_.direccionSinonimos(Pal->text()));
        consultaSinConexion_ = std::pair(FuenteSinConexion::Sinonimos, Pal->text());
    } catch (const Error &e) {
        Buscar->setEnabled(true);
        Sinon->setText(kCaptionSinon);
        avisar(e.mensaje());
        return;
    }
    ponerTag(Sinon, booleanoATexto(true));
}

void Principal::Command1_Click()
{
    try {
        WB->navegar(servicios_.direccionIngles(Pal->text()));
        consultaSinConexion_ = std::pair(FuenteSinConexion::Ingles, Pal->text());
    } catch (const Error &e) {
        avisar(e.mensaje());
    }
}

void Principal::Vocal_Click() {}

} // namespace rimario
