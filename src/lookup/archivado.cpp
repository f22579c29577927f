#include "lookup/archivado.h"

#include <algorithm>

namespace rimario {

namespace {

bool terminaParrafo(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

} // namespace

QString definicionArchivada(QStringView pagina)
{
    // The paragraphs, each break as one '\n'.
    QString texto;
    texto.reserve(pagina.size());
    for (qsizetype i = 0; i < pagina.size(); ++i) {
        const char16_t c = pagina[i].unicode();
        if (c == u'\r' && pagina.sliced(i + 1).startsWith(u'\n'))
            continue; // CR LF is one break: the LF writes it
        texto.append(terminaParrafo(c) ? QChar(u'\n') : QChar(c));
    }

    // The header goes, never half a character with it.
    qsizetype corte = std::min(kCabeceraDePagina, texto.size());
    if (corte < texto.size() && texto.at(corte - 1).isHighSurrogate() && texto.at(corte).isLowSurrogate())
        ++corte;
    texto.remove(0, corte);

    texto.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t' && c != u'\n'; });

    QString aviso = QStringLiteral("\n");
    aviso += kAvisoDeDerechos;
    texto.replace(aviso, QStringLiteral(" "));
    return texto;
}

} // namespace rimario
