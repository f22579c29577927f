#include "app/principal.h"

#include "language/caracteres.h"
#include "language/silabas.h"
#include "language/vocales.h"
#include "lookup/panel_web.h"
#include "rhyme/modelo_rimas.h"
#include "rhyme/rima.h"
#include "richtext/rtf.h"
#include "store/almacen.h"
#include "store/lista_palabras.h"
#include "store/modelo_palabras.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolTip>

#include <algorithm>
#include <utility>
#include <vector>

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
const QString kSoloLecturaAviso = QStringLiteral(
    "No se puede cambiar nada en «%1»: el almacén solo se puede leer (el archivo o su carpeta están "
    "protegidos contra escritura). Se pueden consultar las palabras y buscar rimas.");
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

// A word too long for a tooltip line is shown in lines of this many characters,
// and no more lines than these.
constexpr qsizetype kAnchoAyuda = 60;
constexpr qsizetype kLineasAyuda = 40;

QString textoDeAyuda(const QString &palabra)
{
    QStringList lineas;
    for (qsizetype i = 0; i < palabra.size() && lineas.size() < kLineasAyuda; i += kAnchoAyuda) {
        qsizetype n = std::min(kAnchoAyuda, palabra.size() - i);
        if (n < palabra.size() - i && palabra.at(i + n - 1).isHighSurrogate())
            --n; // a pair stays on one line
        lineas << palabra.mid(i, n).toHtmlEscaped();
        i -= kAnchoAyuda - n;
    }
    QString html = QStringLiteral("<p style='white-space:pre'>") + lineas.join(QStringLiteral("<br>"));
    if (lineas.size() * kAnchoAyuda < palabra.size())
        html += QStringLiteral("<br>… (%1 caracteres en total)").arg(palabra.size());
    return html + QStringLiteral("</p>");
}

// The grids' cells: the editor takes a word of any length; the tooltip tells
// the word's syllables, and shows a word cut short on screen whole.
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
    bool helpEvent(QHelpEvent *evento, QAbstractItemView *vista, const QStyleOptionViewItem &opcion,
                   const QModelIndex &indice) override
    {
        if (!evento || !vista || evento->type() != QEvent::ToolTip || !indice.isValid())
            return QStyledItemDelegate::helpEvent(evento, vista, opcion, indice);
        const QString palabra = indice.data(Qt::DisplayRole).toString();
        if (palabra.isEmpty()) {
            QToolTip::hideText();
            evento->ignore();
            return true;
        }
        // Its syllables and stress; the whole word too when the cell cuts it.
        QString ayuda = QStringLiteral("<p>") + describirSilabas(palabra).toHtmlEscaped() + QStringLiteral("</p>");
        if (cortada(opcion, indice, palabra))
            ayuda = textoDeAyuda(palabra) + ayuda;
        QToolTip::showText(evento->globalPos(), ayuda, vista->viewport(), vista->visualRect(indice));
        return true;
    }

private:
    bool cortada(const QStyleOptionViewItem &opcion, const QModelIndex &indice, const QString &palabra) const
    {
        if (palabra.size() > 1000)
            return true; // wider than any cell
        QStyleOptionViewItem o(opcion);
        initStyleOption(&o, indice);
        const QWidget *w = o.widget;
        QStyle *estilo = w ? w->style() : QApplication::style();
        const QRect r = estilo->subElementRect(QStyle::SE_ItemViewItemText, &o, w);
        const int margen = estilo->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
        return o.fontMetrics.horizontalAdvance(palabra) > r.width() - 2 * margen;
    }
};

// The rows a grid has selected, in order, one word a line (the current row
// when none is selected). Goes by the selection's ranges: a whole list of a
// million rows selected is one range, not a million indexes.
QString filasSeleccionadas(const QTableView *t)
{
    const QAbstractItemModel *m = t->model();
    const QItemSelectionModel *s = t->selectionModel();
    if (!m || !s)
        return {};
    std::vector<std::pair<int, int>> tramos;
    for (const QItemSelectionRange &r : s->selection())
        if (r.isValid())
            tramos.emplace_back(r.top(), r.bottom());
    if (tramos.empty() && s->currentIndex().isValid())
        tramos.emplace_back(s->currentIndex().row(), s->currentIndex().row());
    std::sort(tramos.begin(), tramos.end());
    QString texto;
    int siguiente = 0; // rows before it are written
    bool primera = true;
    for (const auto &[desde, hasta] : tramos) {
        for (int fila = std::max(desde, siguiente); fila <= hasta && fila < m->rowCount(); ++fila) {
            if (!primera)
                texto += QLatin1Char('\n');
            texto += m->index(fila, 0).data(Qt::DisplayRole).toString();
            primera = false;
        }
        siguiente = std::max(siguiente, hasta + 1);
    }
    return texto;
}

// Copying from a grid, and a plain click after a selection of many rows.
class AyudanteRejilla : public QObject {
public:
    explicit AyudanteRejilla(QTableView *t) : QObject(t), t_(t), vista_(t->viewport())
    {
        t->installEventFilter(this);
        vista_->installEventFilter(this);
    }
    bool eventFilter(QObject *objeto, QEvent *evento) override
    {
        if (objeto == t_ && evento->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(evento)->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(filasSeleccionadas(t_));
            return true;
        }
        if (objeto == vista_ && evento->type() == QEvent::MouseButtonPress) {
            const auto *e = static_cast<QMouseEvent *>(evento);
            // A plain click picks one row: the others are let go first, so that
            // only a click on the current row, as ever, starts an edit.
            if (e->button() == Qt::LeftButton && !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
                soloLaActual();
        }
        return false;
    }

private:
    void soloLaActual()
    {
        QItemSelectionModel *s = t_->selectionModel();
        if (!s)
            return;
        const QModelIndex actual = s->currentIndex();
        const QItemSelection sel = s->selection();
        const bool una = sel.size() == 1 && sel.first().top() == actual.row() && sel.first().bottom() == actual.row();
        if (una || sel.isEmpty())
            return;
        if (actual.isValid())
            s->select(actual, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            s->clearSelection();
    }
    QTableView *t_;
    QObject *vista_; // kept: while the table is torn down it can no longer be asked for it
};

// The tab strip's tabs in two rows of three, as the strip was designed.
class BarraDosFilas : public QTabBar {
public:
    using QTabBar::QTabBar;
    static constexpr int kPorFila = 3;

    QSize sizeHint() const override
    {
        const int alto = fontMetrics().height() + 8;
        return QSize(parentWidget() ? parentWidget()->width() : 3 * 40, 2 * alto);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

    QRect rectangulo(int i) const
    {
        const int filas = (count() + kPorFila - 1) / kPorFila;
        const int alto = height() / std::max(filas, 1);
        const int ancho = width() / kPorFila;
        const int puesto = i / kPorFila;
        const int col = i % kPorFila;
        const int w = col == kPorFila - 1 ? width() - col * ancho : ancho;
        return QRect(col * ancho, puesto * alto, w, alto);
    }
    int pestanaEn(const QPoint &p) const
    {
        for (int i = 0; i < count(); ++i)
            if (rectangulo(i).contains(p))
                return i;
        return -1;
    }

protected:
    QSize tabSizeHint(int) const override { return QSize(width() / kPorFila, height() / 2); }
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter g(this);
        for (int i = 0; i < count(); ++i) {
            QStyleOptionTab o;
            initStyleOption(&o, i);
            o.rect = rectangulo(i);
            o.position = QStyleOptionTab::Middle;
            o.selectedPosition = QStyleOptionTab::NotAdjacent;
            if (i == currentIndex())
                o.state |= QStyle::State_Selected;
            else
                o.state &= ~QStyle::State_Selected;
            g.drawControl(QStyle::CE_TabBarTab, o);
        }
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        const int i = pestanaEn(e->position().toPoint());
        if (i >= 0)
            setCurrentIndex(i);
        update();
    }
    void mouseMoveEvent(QMouseEvent *) override {}
    void mouseReleaseEvent(QMouseEvent *) override {}
};

class TiraPestanas : public QTabWidget {
public:
    explicit TiraPestanas(QWidget *padre) : QTabWidget(padre)
    {
        auto *barra = new BarraDosFilas(this);
        barra->setUsesScrollButtons(false);
        barra->setExpanding(false);
        setTabBar(barra);
        connect(this, &QTabWidget::currentChanged, barra, [barra] { barra->update(); });
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

QPalette cian(QPalette p)
{
    p.setColor(QPalette::Window, kCianClaro);
    p.setColor(QPalette::Button, kCianClaro);
    return p;
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
    // Several rows may be selected (to copy them); the current row stays the picked word.
    t->setSelectionMode(QAbstractItemView::ExtendedSelection);
    t->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                       | QAbstractItemView::SelectedClicked);
    t->setTabKeyNavigation(false);
    t->setWordWrap(false);
    t->setCornerButtonEnabled(false);
    t->setFont(fuente(8.25, false));
    t->setItemDelegate(new EditorSinLimite(t));
    new AyudanteRejilla(t);
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
    Q_ASSERT(WB);
    WB->setParent(this);
    WB->setObjectName(QStringLiteral("WB"));
    WB->setGeometry(tw(5040, 600, 6735, 6975));
    connect(WB, &PanelWeb::documentoCompleto, this, &Principal::WB_DocumentComplete);

    RT = new QTextEdit(this);
    RT->setObjectName(QStringLiteral("RT"));
    RT->setGeometry(tw(5040, 600, 6735, 6975));
    RT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RT->setAcceptRichText(true);
    RT->setTabChangesFocus(true);
    RT->installEventFilter(this);
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
    // A button fills its background with the button colour.
    MT->setPalette(cian(MT->palette()));
    MT->setAutoFillBackground(true);

    Cuenta = new EtiquetaAjustada(this);
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

    // The contact label's lower edge reaches into the definition view's border:
    // the view is drawn over it.
    Label2->stackUnder(WB);

    DB = new QTableView(this);
    DB->setObjectName(QStringLiteral("DB"));
    DB->setGeometry(tw(120, 1080, 2175, 6495));
    prepararRejilla(DB);

    SS = new TiraPestanas(this);
    SS->setObjectName(QStringLiteral("SS"));
    SS->setGeometry(tw(2400, 1080, 2535, 5895));
    SS->setToolTip(QStringLiteral("Rimas de x letras"));
    {
        QPalette p = SS->palette();
        p.setColor(QPalette::Window, kCianClaro);
        SS->setPalette(p);
    }
    SS->setAutoFillBackground(true);
    SS->tabBar()->setPalette(cian(SS->tabBar()->palette()));
    SS->tabBar()->setAutoFillBackground(true);
    for (int k = 0; k < 6; ++k) {
        auto *pagina = new QWidget;
        pagina->setObjectName(QStringLiteral("SS_pagina%1").arg(k));
        QPalette pp = pagina->palette();
        pp.setColor(QPalette::Window, kCianClaro);
        pagina->setPalette(pp);
        pagina->setAutoFillBackground(true);
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

    // The word under the pointer (or in Pal) offers its consonant and assonant
    // rhymes and the English lookup; F7 and F8 search them for Pal's word.
    for (QTableView *t : {DB, DR[0], DR[1], DR[2], DR[3], DR[4], DR[5]}) {
        t->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(t, &QWidget::customContextMenuRequested, this, [this, t](const QPoint &p) {
            const QModelIndex i = t->indexAt(p);
            if (i.isValid())
                menuDePalabra(i.data(Qt::DisplayRole).toString(), t->viewport()->mapToGlobal(p));
        });
    }
    Pal->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Pal, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { menuDePalabra(Pal->text(), Pal->mapToGlobal(p)); });
    connect(new QShortcut(QKeySequence(Qt::Key_F7), this), &QShortcut::activated, this,
            [this] { rimasPorClaveDe(Pal->text(), true); });
    connect(new QShortcut(QKeySequence(Qt::Key_F8), this), &QShortcut::activated, this,
            [this] { rimasPorClaveDe(Pal->text(), false); });

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
    qApp->installEventFilter(this);
}

void Principal::ordenDeTabulacion()
{
    ordenFoco_ = {WB,    Buscar, Pal,   RT,    Gua,   DB,    Eli,   Ind,   Rima,  SS, DR[0],
                  MT,    DR[1],  DR[2], DR[3], DR[4], DR[5], Sinon, Voc,   Vocal, Command1};
    for (size_t i = 0; i + 1 < ordenFoco_.size(); ++i)
        setTabOrder(ordenFoco_[i], ordenFoco_[i + 1]);
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

void Principal::showEvent(QShowEvent *evento)
{
    QWidget::showEvent(evento);
    if (tamanoFijado_)
        return;
    tamanoFijado_ = true;
    // Typing goes into the search box from the start.
    Ind->setFocus(Qt::OtherFocusReason);
    // The outer size is 800 by 600 pixels whatever the frame takes.
    const QSize marco = frameGeometry().size() - size();
    if (marco.width() > 0 || marco.height() > 0)
        setFixedSize(QSize(800, 600) - marco);
    move(0, 0);
    // The result grids keep their place in the tab strip's pages.
    for (int k = 0; k < 6; ++k) {
        QWidget *pagina = SS->widget(k);
        const QPoint origen = pagina->mapTo(SS, QPoint(0, 0));
        // Every tab's grid in the same place, so that nothing jumps when the tab changes.
        const QRect r = tw(120, 780, 2175, 5000);
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
    if (const QString motivo = demasiadoGrande(pagina); !motivo.isEmpty()) {
        avisar(QStringLiteral("La página es demasiado grande para archivarla (%1): no se ha archivado nada.").arg(motivo));
        emit archivado(false);
        return;
    }
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
