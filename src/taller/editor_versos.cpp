#include "taller/editor_versos.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>

namespace rimario {

class MargenVersos : public QWidget {
public:
    explicit MargenVersos(EditorVersos *e) : QWidget(e), e_(e) { setObjectName(QStringLiteral("margen")); }

protected:
    void paintEvent(QPaintEvent *evento) override { e_->pintarMargen(evento); }
    bool event(QEvent *evento) override
    {
        if (evento->type() == QEvent::ToolTip) {
            auto *h = static_cast<QHelpEvent *>(evento);
            const QString t = e_->detalle(e_->lineaEn(h->pos().y()));
            if (t.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(h->globalPos(), t, this);
            return true;
        }
        return QWidget::event(evento);
    }

private:
    EditorVersos *e_;
};

namespace {
constexpr int kAnchoMargen = 210;
}

EditorVersos::EditorVersos(QWidget *padre) : QPlainTextEdit(padre), margen_(new MargenVersos(this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setViewportMargins(kAnchoMargen, 0, 0, 0);
    connect(this, &QPlainTextEdit::textChanged, this, &EditorVersos::analizar);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &r, int dy) {
        if (dy)
            margen_->scroll(0, dy);
        else
            margen_->update(0, r.y(), margen_->width(), r.height());
    });
    analizar();
}

void EditorVersos::analizar()
{
    QStringList lineas;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lineas.append(b.text());
    std::vector<std::u16string_view> v;
    v.reserve(size_t(lineas.size()));
    for (const QString &l : lineas)
        v.emplace_back(reinterpret_cast<const char16_t *>(l.utf16()), size_t(l.size()));
    verso::PoemaAnalizado nuevo = analizador_.analizar(v);
    // Only the lines whose margin changes are painted again.
    const auto igual = [](const verso::VersoAnalizado &a, const verso::VersoAnalizado &b) {
        return a.vacio == b.vacio && a.silabas == b.silabas && a.rima == b.rima && a.metro == b.metro
            && a.fueraDeMetro == b.fueraDeMetro;
    };
    const bool mismasLineas = nuevo.versos.size() == poema_.versos.size();
    std::vector<int> cambiadas;
    if (mismasLineas)
        for (size_t i = 0; i < nuevo.versos.size(); ++i)
            if (!igual(nuevo.versos[i], poema_.versos[i]))
                cambiadas.push_back(int(i));
    poema_ = std::move(nuevo);
    if (!mismasLineas) {
        margen_->update();
        return;
    }
    for (int i : cambiadas) {
        const QTextBlock b = document()->findBlockByNumber(i);
        const QRect r = blockBoundingGeometry(b).translated(contentOffset()).toAlignedRect();
        margen_->update(0, r.top(), margen_->width(), r.height());
    }
}

QString EditorVersos::textoDelMargen(int linea) const
{
    if (linea < 0 || size_t(linea) >= poema_.versos.size() || poema_.versos[size_t(linea)].vacio)
        return QString();
    const verso::VersoAnalizado &v = poema_.versos[size_t(linea)];
    return (v.fueraDeMetro ? QStringLiteral("≠ ") : QString())
        + QStringLiteral("%1 %2 %3").arg(v.silabas).arg(QString::fromStdString(v.rima), QString::fromStdString(v.metro));
}

QString EditorVersos::detalle(int linea) const
{
    if (linea < 0 || size_t(linea) >= poema_.versos.size() || poema_.versos[size_t(linea)].vacio)
        return QString();
    const verso::VersoAnalizado &v = poema_.versos[size_t(linea)];
    QString t = QStringLiteral("%1\n%2 (%3 sílabas)")
                    .arg(QString::fromStdU16String(v.separada), QString::fromStdString(v.patron))
                    .arg(v.silabas);
    if (v.fueraDeMetro)
        t += QStringLiteral("\nNo tiene el metro de los demás versos de su estrofa.");
    return t;
}

QString EditorVersos::ultimaPalabra(int linea) const
{
    const QString t = document()->findBlockByNumber(linea).text();
    qsizetype fin = t.size();
    while (fin > 0 && !t[fin - 1].isLetter())
        --fin;
    qsizetype ini = fin;
    while (ini > 0 && t[ini - 1].isLetter())
        --ini;
    return t.mid(ini, fin - ini);
}

void EditorVersos::resizeEvent(QResizeEvent *evento)
{
    QPlainTextEdit::resizeEvent(evento);
    const QRect c = contentsRect();
    margen_->setGeometry(QRect(c.left(), c.top(), kAnchoMargen, c.height()));
}

int EditorVersos::lineaEn(int y) const
{
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
        const QRectF r = blockBoundingGeometry(b).translated(contentOffset());
        if (r.top() > y)
            break;
        if (y < r.bottom())
            return b.blockNumber();
    }
    return -1;
}

bool EditorVersos::viewportEvent(QEvent *evento)
{
    if (evento->type() == QEvent::ToolTip) {
        auto *h = static_cast<QHelpEvent *>(evento);
        const QString t = detalle(lineaEn(h->pos().y()));
        if (t.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(h->globalPos(), t, viewport());
        return true;
    }
    return QPlainTextEdit::viewportEvent(evento);
}

void EditorVersos::keyPressEvent(QKeyEvent *evento)
{
    if ((evento->key() == Qt::Key_F7 || evento->key() == Qt::Key_F8) && evento->modifiers() == Qt::NoModifier) {
        const QString palabra = ultimaPalabra(textCursor().blockNumber());
        if (!palabra.isEmpty())
            emit rimasPedidas(palabra, evento->key() == Qt::Key_F7 ? TipoRima::Consonante : TipoRima::Asonante);
        evento->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(evento);
}

void EditorVersos::pintarMargen(QPaintEvent *evento)
{
    QPainter p(margen_);
    p.fillRect(evento->rect(), palette().color(QPalette::AlternateBase));
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(kAnchoMargen - 1, evento->rect().top(), kAnchoMargen - 1, evento->rect().bottom());
    const int alto = fontMetrics().height();
    QFont negrita = font();
    negrita.setBold(true);
    const QColor texto = palette().color(QPalette::Text), rojo(0xB0, 0x00, 0x20);
    p.setFont(font());
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
        const QRectF r = blockBoundingGeometry(b).translated(contentOffset());
        if (r.top() > evento->rect().bottom())
            break;
        if (r.bottom() < evento->rect().top())
            continue;
        const int n = b.blockNumber();
        const QString t = textoDelMargen(n);
        if (t.isEmpty())
            continue;
        const bool fuera = poema_.versos[size_t(n)].fueraDeMetro;
        p.setPen(fuera ? rojo : texto);
        if (fuera)
            p.setFont(negrita);
        p.drawText(QPointF(4, r.top() + (alto + fontMetrics().ascent() - fontMetrics().descent()) / 2.0), t);
        if (fuera)
            p.setFont(font());
    }
}

} // namespace rimario
