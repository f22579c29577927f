// The window's layout: every control, where it stands, what it says and how
// it looks, the order Tab walks them in, and the parts the grids and the tab
// strip are made of. The handlers are in principal.cpp.

#include "app/principal.h"
#include "app/definicion_en_vista.h"
#include "app/principal_textos.h"

#include "language/numeros.h"
#include "language/silabas.h"
#include "lista/lista_palabras.h"
#include "lookup/panel_web.h"
#include "taller/taller.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace rimario {

namespace {

// Positions and sizes are designed in twips: 15 twips to a pixel.
QRect tw(int l, int t, int w, int h)
{
    return QRect(l / 15, t / 15, w / 15, h / 15);
}

const QColor kCianClaro(128, 255, 255);
const QColor kAzul(0, 0, 255);

// A line edit holds 32767 characters unless told otherwise; a stored word may be longer.
constexpr int kSinLimite = std::numeric_limits<int>::max();

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
        html += QStringLiteral("<br>… (%1 caracteres en total)").arg(numeroEscrito(palabra.size()));
    return html + QStringLiteral("</p>");
}

// The grids' cells: the editor takes a word of any length; the tooltip tells
// the word's syllables, and shows a word cut short on screen whole.
// An edit the window refuses (a store that cannot be written) opens no editor:
// 'rehusar' says why and answers true.
class EditorSinLimite : public QStyledItemDelegate {
public:
    EditorSinLimite(QObject *padre, std::function<bool()> rehusar)
        : QStyledItemDelegate(padre), rehusar_(std::move(rehusar)) {}
    QWidget *createEditor(QWidget *padre, const QStyleOptionViewItem &opcion, const QModelIndex &indice) const override
    {
        if (rehusar_ && rehusar_())
            return nullptr;
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
    std::function<bool()> rehusar_;
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
                   const QString &tip, bool negrita = true)
{
    auto *b = new QPushButton(caption, padre);
    b->setObjectName(QLatin1String(nombre));
    b->setGeometry(r);
    b->setToolTip(tip);
    b->setFont(fuente(8.25, negrita));
    b->setAutoDefault(false);
    return b;
}

void prepararRejilla(QTableView *t, std::function<bool()> rehusarEdicion)
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
    t->setItemDelegate(new EditorSinLimite(t, std::move(rehusarEdicion)));
    new AyudanteRejilla(t);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

} // namespace

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
    definicion_ = new DefinicionEnVista(RT, this);
    RT->setObjectName(QStringLiteral("RT"));
    RT->setGeometry(tw(5040, 600, 6735, 6975));
    RT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RT->setAcceptRichText(true);
    RT->setTabChangesFocus(true);
    RT->installEventFilter(this);
    RT->setFont(fuente(8.25, false));
    RT->raise();

    auto botonDeServicio = [this](Servicio servicio, const char *nombre, QRect r) {
        const DescripcionServicio &d = descripcion(servicio);
        return boton(this, nombre, r, d.caption.toString(), d.tip.toString());
    };
    Buscar = botonDeServicio(Servicio::Definiciones, "Buscar", tw(6960, 7680, 1815, 375));
    Sinon = botonDeServicio(Servicio::Sinonimos, "Sinon", tw(8880, 7680, 1815, 375));
    Gua = boton(this, "Gua", tw(10800, 7680, 975, 375), QStringLiteral("Archivar"), QStringLiteral("Guardar definición"));
    Gua->setVisible(false);
    Eli = boton(this, "Eli", tw(120, 7680, 2175, 375), QStringLiteral("Eliminar"),
                QStringLiteral("Eliminar del diccionario"));
    Rima = boton(this, "Rima", tw(2400, 7680, 2415, 375), kRimaPalabras, QStringLiteral("Buscar palabras que rimen"));
    Voc = boton(this, "Voc", tw(2400, 600, 2535, 375), kVocSoloVocales, kTipVocales);
    Command1 = botonDeServicio(Servicio::Ingles, "Command1", tw(6960, 8160, 1815, 375));
    Command1->setVisible(false);
    Vocal = boton(this, "Vocal", tw(5040, 8160, 1815, 375), QStringLiteral("Crear vocales"), QString(), false);
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
    prepararRejilla(DB, [this] { return rehusarSiSoloLectura(); });

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
        prepararRejilla(DR[k], [this] { return rehusarSiSoloLectura(); });
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
    // Pal's menu: editing the text, as every text box has it, then the word's entries.
    Pal->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Pal, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        const std::unique_ptr<QMenu> edicion(Pal->createStandardContextMenu());
        menuDePalabra(Pal->text(), Pal->mapToGlobal(p), edicion.get());
    });
    // Enter in Pal looks its word up, as the button beside it does.
    connect(Pal, &QLineEdit::returnPressed, this, [this] {
        if (Buscar->isEnabled() && !(cargando_ && cargando_->servicio == Servicio::Definiciones))
            Buscar->click();
    });
    // Ctrl+Z undoes the latest change of the store (a text box keeps it for its own text).
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, &Principal::Deshacer_Click);
    connect(new QShortcut(QKeySequence(Qt::Key_F7), this), &QShortcut::activated, this,
            [this] { rimasPorClaveDe(Pal->text(), TipoRima::Consonante); });
    connect(new QShortcut(QKeySequence(Qt::Key_F8), this), &QShortcut::activated, this,
            [this] { rimasPorClaveDe(Pal->text(), TipoRima::Asonante); });

    Taller = new TallerVersos(this);
    connect(Taller, &TallerVersos::rimasPedidas, this, &Principal::rimasPorClaveDe);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, Taller, &TallerVersos::mostrar);

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

void Principal::paintEvent(QPaintEvent *evento)
{
    QWidget::paintEvent(evento);
    // The window is up: the list's own work may start (what it waited for).
    if (DPal)
        DPal->empezar();
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
} // namespace rimario
