#include "app/etiqueta_ajustada.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace rimario {

namespace {
// The smallest sizes still read well on screen.
constexpr double kMenorNegrita = 7.0;
constexpr double kMenor = 6.5;
} // namespace

void EtiquetaAjustada::setText(const QString &texto, qsizetype fijo)
{
    fijo_ = std::clamp<qsizetype>(fijo, 0, texto.size());
    QLabel::setText(texto);
    ajustar();
}

void EtiquetaAjustada::changeEvent(QEvent *evento)
{
    // A font set from outside is the one the caption is designed in.
    if (evento->type() == QEvent::FontChange && !ajustando_) {
        base_ = font();
        tieneBase_ = true;
        QLabel::changeEvent(evento);
        ajustar();
        return;
    }
    QLabel::changeEvent(evento);
}

int EtiquetaAjustada::anchoUtil() const
{
    return contentsRect().width() - 2 * margin() - 2;
}

void EtiquetaAjustada::ajustar()
{
    if (ajustando_)
        return;
    if (!tieneBase_) {
        base_ = font();
        tieneBase_ = true;
    }
    const QString t = text();
    const int ancho = anchoUtil();
    auto cabe = [&](const QFont &f) { return QFontMetrics(f).horizontalAdvance(t) <= ancho; };
    QFont elegida = base_;
    recortada_ = false;
    if (!t.isEmpty() && !cabe(elegida)) {
        const double tamano = base_.pointSizeF() > 0 ? base_.pointSizeF() : 8.25;
        bool hallada = false;
        // Smaller in the design's weight first, then in the normal weight.
        for (const bool negrita : {base_.bold(), false}) {
            const double menor = negrita ? kMenorNegrita : kMenor;
            for (double p = tamano; p >= menor - 1e-9 && !hallada; p -= 0.25) {
                QFont f = base_;
                f.setBold(negrita);
                f.setPointSizeF(p);
                elegida = f;
                hallada = cabe(f);
            }
            if (hallada || !base_.bold())
                break;
        }
        recortada_ = !hallada;
    }
    {
        ajustando_ = true;
        setFont(elegida);
        ajustando_ = false;
    }
    setToolTip(t);
    update();
}

void EtiquetaAjustada::paintEvent(QPaintEvent *evento)
{
    if (!recortada_) {
        QLabel::paintEvent(evento);
        return;
    }
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    p.drawText(contentsRect().adjusted(margin(), margin(), -margin(), -margin()), int(alignment()), textoMostrado());
}

QString EtiquetaAjustada::textoMostrado() const
{
    const QString t = text();
    if (!recortada_)
        return t;
    const QFontMetrics m(font());
    const QString cola = t.right(fijo_);
    const int resto = anchoUtil() - m.horizontalAdvance(cola);
    // The fixed end is kept whole while the leading part can show a letter
    // each side of the ellipsis; a narrower caption is shortened as a whole.
    if (fijo_ > 0 && resto >= m.horizontalAdvance(QStringLiteral("m…m")))
        return m.elidedText(t.left(t.size() - fijo_), Qt::ElideMiddle, resto) + cola;
    return m.elidedText(t, Qt::ElideMiddle, anchoUtil());
}

} // namespace rimario
