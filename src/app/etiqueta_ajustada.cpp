#include "app/etiqueta_ajustada.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace rimario {

namespace {
// The smallest sizes still read well on screen.
constexpr double kMenorNegrita = 7.0;
constexpr double kMenor = 6.5;
} // namespace

void EtiquetaAjustada::setText(const QString &texto)
{
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
    const QString corta = QFontMetrics(font()).elidedText(text(), Qt::ElideMiddle, anchoUtil());
    p.drawText(contentsRect().adjusted(margin(), margin(), -margin(), -margin()), int(alignment()), corta);
}

} // namespace rimario
