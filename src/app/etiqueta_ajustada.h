#pragma once
// A one-line caption that keeps its place and size whatever its text: a text
// too wide for it is drawn in a smaller font, and when even the smallest one
// is too wide, shortened in the middle: in the middle of its leading part only
// when the end is fixed (the word of "palabra: 12 palabras" is cut, never its
// count). The whole text is always its tooltip.

#include <QLabel>

namespace rimario {

class EtiquetaAjustada : public QLabel {
public:
    using QLabel::QLabel;

    // Hides QLabel::setText: the caption is fitted as it is set. Its last
    // 'fijo' characters are never shortened.
    void setText(const QString &texto, qsizetype fijo = 0);
    // What is drawn: the text, or the text shortened.
    QString textoMostrado() const;

protected:
    void changeEvent(QEvent *evento) override;
    void paintEvent(QPaintEvent *evento) override;

private:
    void ajustar();
    int anchoUtil() const;
    QFont base_;
    bool tieneBase_ = false;
    bool ajustando_ = false;
    bool recortada_ = false;
    qsizetype fijo_ = 0;
};

} // namespace rimario
