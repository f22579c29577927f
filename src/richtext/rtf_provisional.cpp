#include "rtf.h"
#include <QTextDocument>
namespace rimario {
void leerRtf(QStringView rtf, QTextDocument *d) { d->setPlainText(rtf.toString()); }
QString escribirRtf(const QTextDocument *d) { return d->toPlainText(); }
}
