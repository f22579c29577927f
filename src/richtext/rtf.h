#pragma once
#include <QString>
#include <QStringView>
class QTextDocument;
namespace rimario {
void leerRtf(QStringView rtf, QTextDocument *documento);
QString escribirRtf(const QTextDocument *documento);
}
