#include "principal.h"

#include "almacen.h"
#include "lista_palabras.h"
#include "modelo_palabras.h"
#include "modelo_rimas.h"
#include "panel_web.h"
#include "rima.h"
#include "rtf.h"
#include "vocales.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>

#include <limits>

namespace rimario {

namespace {

// Positions and sizes are designed in twips: 15 twips to a pixel.
QRect tw(int l, int t, int w, int h)
{
    return QRect(l / 15, t / 15, w / 15, h / 15);
}

const QColor kCianClaro(128, 255, 255);
const QColor kAzul(0, 0, 255);

const QString kCaptionBuscar = QStringLiteral("<-- Buscar palabra");
const QString kCaptionSinon = QStringLiteral("<-- Sinónimos");
const QString kCaptionDetener = QStringLiteral("Detener");
const QString kRimaPalabras = QStringLiteral("Buscar rimas (palabras) -->");
const QString kRimaVocales = QStringLiteral("Buscar rimas (vocales) -->");
const QString kRimaBuscando = QStringLiteral("Buscando ...");
const QString kVocSoloVocales = QStringLiteral("Rimar sólo vocales");
const QString kVocCompleta = QStringLiteral("Rimar palabla completa");
const QString kTipVocales = QStringLiteral("Buscar rimas de vocales solamente");
const QString kTipCompletas = QStringLiteral("Buscar rimas de palabras completas");
// Added to the window's title while archiving waits for the page's text.
const QString kTituloCopiando = QStringLiteral(" (copiando el texto de la página...)");
// The dictionary service's rights notice as the definition view writes it.
const QString kPie = QStringLiteral("\\par Real Academia Espa\\'f1ola \\'a9 Todos los derechos reservados");
constexpr int kRecorte = 22;
// A line edit holds 32767 characters unless told otherwise; a stored word may be longer.
constexpr int kSinLimite = std::numeric_limits<int>::max();
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
// such a run, old or new.
template <typename Poner>
void ponerConCortes(QTextEdit *vista, QStringView texto, Poner poner)
{
    const bool sinCortes = tramoMasLargo(texto) > kTramoSinCortes;
    if (sinCortes)
        vista->setWordWrapMode(QTextOption::WordWrap);
    poner();
    if (!sinCortes)
        vista->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

// The grids' editor: takes a word of any length.
class EditorSinLimite : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *padre, const QStyleOptionViewItem &opcion, const QModelIndex &indice) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(padre, opcion, indice);
        if (auto *linea = qobject_cast<QLineEdit *>(editor))
            linea->setMaxLength(kSinLimite);
        return editor;
    }
};

QFont fuente(double puntos, bool negrita)
{
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                   QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    return f;
}

QIcon icono()
{
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(kCianClaro);
    g.setPen(QPen(kAzul, 2));
    g.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    g.setFont(fuente(16, true));
    g.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("R"));
    return QIcon(p);
}

QPushButton *boton(QWidget *padre, const char *nombre, QRect r, const QString &caption,
                   const QString &tip, const QString &tag, bool negrita = true)
{
    auto *b = new QPushButton(caption, padre);
    b->setObjectName(QLatin1String(nombre));
    b->setGeometry(r);
    b->setToolTip(tip);
    b->setFont(fuente(8.25, negrita));
    b->setAutoDefault(false);
    Principal::ponerTag(b, tag);
    return b;
}

void prepararRejilla(QTableView *t)
{
    t->horizontalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    QHeaderView *v = t->verticalHeader();
    v->setVisible(true);
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(16);
    v->setMinimumSectionSize(12);
    v->setFixedWidth(14);
    v->setDefaultAlignment(Qt::AlignCenter);
    v->setSectionsClickable(false);
    t->setShowGrid(false);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                       | QAbstractItemView::SelectedClicked);
    t->setTabKeyNavigation(false);
    t->setWordWrap(false);
    t->setCornerButtonEnabled(false);
    t->setFont(fuente(8.25, false));
    t->setItemDelegate(new EditorSinLimite(t));
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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

Principal::~Principal() = default;

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

void Principal::construir()
{
    setObjectName(QStringLiteral("Principal"));
    setWindowTitle(QStringLiteral("Rimario: diccionario de rimas"));
    setWindowIcon(icono());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(11880 / 15, 8595 / 15);
    setFont(fuente(8.25, false));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCianClaro);
    setPalette(pal);
    setAutoFillBackground(true);

    // Right area: the browser pane behind the definition view.
    if (!WB)
        WB = new PanelWebVacio(this);
    WB->setParent(this);
    WB->setObjectName(QStringLiteral("WB"));
    WB->setGeometry(tw(5040, 600, 6735, 6975));
    connect(WB, &PanelWeb::documentoCompleto, this, &Principal::WB_DocumentComplete);

    RT = new QTextEdit(this);
    RT->setObjectName(QStringLiteral("RT"));
    RT->setGeometry(tw(5040, 600, 6735, 6975));
    RT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RT->setAcceptRichText(true);
    RT->setFont(fuente(8.25, false));
    RT->raise();

    Buscar = boton(this, "Buscar", tw(6960, 7680, 1815, 375), kCaptionBuscar,
                   QStringLiteral("Buscar definición en Internet"), QStringLiteral("false"));
    Sinon = boton(this, "Sinon", tw(8880, 7680, 1815, 375), kCaptionSinon,
                  QStringLiteral("Buscar sinónimos en Internet"), QStringLiteral("false"));
    Gua = boton(this, "Gua", tw(10800, 7680, 975, 375), QStringLiteral("Archivar"),
                QStringLiteral("Guardar definición"), QString());
    Gua->setVisible(false);
    Eli = boton(this, "Eli", tw(120, 7680, 2175, 375), QStringLiteral("Eliminar"),
                QStringLiteral("Eliminar del diccionario"), QString());
    Rima = boton(this, "Rima", tw(2400, 7680, 2415, 375), kRimaPalabras,
                 QStringLiteral("Buscar palabras que rimen"), QString());
    Voc = boton(this, "Voc", tw(2400, 600, 2535, 375), kVocSoloVocales, kTipVocales, QStringLiteral("0"));
    Command1 = boton(this, "Command1", tw(6960, 8160, 1815, 375), kCaptionBuscar,
                     QStringLiteral("Buscar definición en Internet"), QStringLiteral("false"));
    Command1->setVisible(false);
    Vocal = boton(this, "Vocal", tw(5040, 8160, 1815, 375), QStringLiteral("Crear vocales"), QString(),
                  QString(), false);
    Vocal->setVisible(false);

    Ind = new QLineEdit(this);
    Ind->setObjectName(QStringLiteral("Ind"));
    Ind->setGeometry(tw(120, 600, 2175, 375));
    Ind->installEventFilter(this);
    Pal = new QLineEdit(this);
    Pal->setObjectName(QStringLiteral("Pal"));
    Pal->setGeometry(tw(5040, 7680, 1815, 375));
    Pal->setMaxLength(kSinLimite);

    MT = new QCheckBox(QStringLiteral("Palabras de igual tamaño"), this);
    MT->setObjectName(QStringLiteral("MT"));
    MT->setGeometry(tw(2400, 7320, 2535, 255));
    MT->setAutoFillBackground(true);

    Cuenta = new QLabel(this);
    Cuenta->setObjectName(QStringLiteral("Cuenta"));
    Cuenta->setGeometry(tw(2400, 7080, 2535, 255));
    Cuenta->setAlignment(Qt::AlignCenter);
    Cuenta->setFont(fuente(8.25, true));
    Cuenta->setAutoFillBackground(true);

    for (int k = 0; k < 6; ++k) {
        Eti[k] = new QLabel(this);
        Eti[k]->setObjectName(QStringLiteral("Eti%1").arg(k));
        Eti[k]->setGeometry(tw(0, 0, 735, 255));
        Eti[k]->setVisible(false);
    }

    Label1 = new QLabel(QStringLiteral("Rimario"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(120, 0, 4815, 495));
    Label1->setFont(fuente(24, true));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(tw(10440, 360, 1335, 255));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setFont(fuente(8.25, true));
    for (QLabel *l : {Label1, Label2}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, kAzul);
        p.setColor(QPalette::Window, kCianClaro);
        l->setPalette(p);
        l->setAutoFillBackground(true);
    }

    DB = new QTableView(this);
    DB->setObjectName(QStringLiteral("DB"));
    DB->setGeometry(tw(120, 1080, 2175, 6495));
    prepararRejilla(DB);

    SS = new QTabWidget(this);
    SS->setObjectName(QStringLiteral("SS"));
    SS->setGeometry(tw(2400, 1080, 2535, 5895));
    SS->setToolTip(QStringLiteral("Rimas de x letras"));
    SS->setAutoFillBackground(true);
    SS->setUsesScrollButtons(false);
    // Six narrow tabs share the strip's width in one row.
    SS->setStyleSheet(QStringLiteral("QTabBar::tab { width: 24px; padding: 3px 1px; }"
                                     " QTabBar::tab:selected { background: white; font-weight: bold; }"));
    for (int k = 0; k < 6; ++k) {
        auto *pagina = new QWidget;
        pagina->setObjectName(QStringLiteral("SS_pagina%1").arg(k));
        SS->addTab(pagina, QString::number(k + 2));
        DR[k] = new QTableView(pagina);
        DR[k]->setObjectName(QStringLiteral("DR%1").arg(k));
        prepararRejilla(DR[k]);
    }
    SS->setCurrentIndex(2);
    connect(SS, &QTabWidget::currentChanged, this, [this, anterior = 2](int) mutable {
        const int a = anterior;
        anterior = SS->currentIndex();
        SS_Click(a);
    });

    connect(Ind, &QLineEdit::textChanged, this, [this] { Ind_Change(); });
    connect(Gua, &QPushButton::clicked, this, &Principal::Gua_Click);
    connect(Eli, &QPushButton::clicked, this, &Principal::Eli_Click);
    connect(Rima, &QPushButton::clicked, this, &Principal::Rima_Click);
    connect(Voc, &QPushButton::clicked, this, &Principal::Voc_Click);
    connect(Buscar, &QPushButton::clicked, this, &Principal::Buscar_Click);
    connect(Sinon, &QPushButton::clicked, this, &Principal::Sinon_Click);
    connect(Command1, &QPushButton::clicked, this, &Principal::Command1_Click);
    connect(Vocal, &QPushButton::clicked, this, &Principal::Vocal_Click);

    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, Cuenta})
        w->setFocusPolicy(Qt::NoFocus);
    ordenDeTabulacion();
}

void Principal::ordenDeTabulacion()
{
    const std::vector<QWidget *> orden = {WB,    Buscar, Pal,   RT,    Gua,   DB,    Eli,
                                          Ind,   Rima,   SS,    DR[0], MT,    DR[1], DR[2],
                                          DR[3], DR[4],  DR[5], Sinon, Voc,   Vocal, Command1};
    WB->setFocusPolicy(Qt::StrongFocus);
    for (size_t i = 0; i + 1 < orden.size(); ++i)
        setTabOrder(orden[i], orden[i + 1]);
}

void Principal::showEvent(QShowEvent *evento)
{
    QWidget::showEvent(evento);
    if (tamanoFijado_)
        return;
    tamanoFijado_ = true;
    // The outer size is 800 by 600 pixels whatever the frame takes.
    const QSize marco = frameGeometry().size() - size();
    if (marco.width() > 0 || marco.height() > 0)
        setFixedSize(QSize(800, 600) - marco);
    move(0, 0);
    // The result grids keep their place in the tab strip's pages.
    for (int k = 0; k < 6; ++k) {
        QWidget *pagina = SS->widget(k);
        const QPoint origen = pagina->mapTo(SS, QPoint(0, 0));
        const QRect r = k == 4 ? tw(120, 720, 2175, 4995) : tw(120, 780, 2175, 5000);
        QRect enPagina = r.translated(-origen);
        if (enPagina.top() < 0)
            enPagina.moveTop(0);
        enPagina.setBottom(std::min(enPagina.bottom(), pagina->height() - 1));
        DR[k]->setGeometry(enPagina);
    }
}

void Principal::Form_Load()
{
    // 1. The program's own directory is the current one, so "data.lop" is the
    //    file beside the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    // 2. Top-left corner, 800 by 600 pixels outside.
    move(0, 0);
    // 3, 4. No lookup running.
    ponerTag(Buscar, booleanoATexto(false));
    sw = false;
    servicios_ = Servicios::cargar(QCoreApplication::applicationDirPath());
    // 5, 6. The word list's source; the six result sources empty. The first
    //    access to the file happens here.
    almacen_ = Almacen::abrir(rutaAlmacen_);
    DPal = new ListaPalabras(*almacen_, this);
    modeloDB_ = new ModeloPalabras(*DPal, this);
    DB->setModel(modeloDB_);
    connect(modeloDB_, &ModeloPalabras::errorAlEscribir, this, &Principal::avisar);
    connect(DB->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &actual, const QModelIndex &) {
                if (!moviendoDB_ && actual.isValid()) {
                    const QScopedValueRollback<bool> guarda(movidoEnRejilla_, true);
                    DPal->irA(actual.row());
                }
            });
    connect(DPal, &ListaPalabras::actualMovido, this, [this](qsizetype pos) { moverDB(pos); });
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
    // 7. No rhyme search running.
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
    // Only a page that loaded as it should is archived; the offer of any other
    // is withdrawn.
    if (!WB->paginaLograda()) {
        Gua->setVisible(false);
        return;
    }
    archivando_ = true;
    // A large page takes seconds to copy: the window says so meanwhile, and the
    // button waits.
    const QString titulo = windowTitle();
    Gua->setEnabled(false);
    setWindowTitle(titulo + kTituloCopiando);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // 1, 2. Select the page and copy it; the rest runs once the copy is on the clipboard.
    WB->seleccionarTodoYCopiar([this, titulo](bool ok) {
        QApplication::restoreOverrideCursor();
        setWindowTitle(titulo);
        Gua->setEnabled(true);
        if (!ok) {
            archivando_ = false;
            avisar(QStringLiteral("No se pudo copiar el texto de la página: no se ha archivado nada."));
            emit archivado(false);
            return;
        }
        terminarArchivo();
    });
}

void Principal::terminarArchivo()
{
    const auto fin = qScopeGuard([this] { archivando_ = false; });
    // 3, 4. The page's text into the definition view.
    const QString pagina = QGuiApplication::clipboard()->text();
    ponerConCortes(RT, pagina, [&] { RT->setPlainText(pagina); });
    // 5. The first 22 characters go.
    QTextCursor c(RT->document());
    c.setPosition(0);
    c.setPosition(std::min(kRecorte, RT->document()->characterCount() - 1), QTextCursor::KeepAnchor);
    c.removeSelectedText();
    // 6. The rights notice goes.
    QString rtf = escribirRtf(RT->document());
    rtf.replace(kPie, QStringLiteral(" "));
    leerRtf(rtf, RT->document());
    // What is stored is this text, whatever finding the row shows meanwhile.
    const QString sig = escribirRtf(RT->document());
    const QString palabra = tag(Gua);
    try {
        // 7-10. The word's row gets the definition, or a new row is added.
        qsizetype pos;
        if (DPal->buscarIgual(palabra)) {
            pos = DPal->actual();
            DPal->cambiarSig(pos, sig);
        } else {
            pos = DPal->anadir(palabra, ExtraeVocales(palabra), sig);
        }
        // 11. The list stands on the row just written.
        DPal->irA(pos);
    } catch (const ErrorAlmacen &e) {
        avisar(e.mensaje());
        emit archivado(false);
        return;
    }
    // 12-15.
    RT->setVisible(true);
    Gua->setVisible(false);
    WB->limpiarSeleccion();
    WB->borrarSeleccion();
    emit archivado(true);
}

// ---------------------------------------------------------------- deleting

void Principal::Eli_Click()
{
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
    auto cuenta = [this, k] {
        Eti[k]->setText(QStringLiteral("%1: %2 palabras").arg(Pal->text()).arg(DRim[k]->rowCount()));
        Cuenta->setText(Eti[k]->text());
    };
    try {
        if (!vocales) {
            if (numeroDeCaracteres(w) < n)
                return;
            DRim[k]->poner(rimasCompletas(DPal->lexico(), w, n, MT->isChecked()));
            cuenta();
        } else {
            auto r = marcarRimasVocales(*almacen_, DPal->lexico(), w, n, MT->isChecked());
            if (!r)
                return;
            DRim[k]->poner(std::move(*r));
            DPal->refrescar();
            Ind_Change();
            cuenta();
        }
    } catch (const ErrorAlmacen &e) {
        avisar(e.mensaje());
    } catch (const ErrorRima &e) {
        avisar(e.mensaje());
    }
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
    Sinon->setEnabled(false);
    Buscar->setText(kCaptionDetener);
    try {
        WB->navegar(servicios_.direccionDefinicion(Pal->text()));
    } catch (const ErrorNavegador &e) {
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

void Principal::WB_DocumentComplete(const QUrl &)
{
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
    } catch (const ErrorNavegador &e) {
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
    } catch (const ErrorNavegador &e) {
        avisar(e.mensaje());
    }
}

void Principal::Vocal_Click() {}

} // namespace rimario
