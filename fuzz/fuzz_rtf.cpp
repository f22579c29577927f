// The RTF reader takes any text without harm, and the writer's output is a
// fixed point: written, read and written again it comes out the same, in
// 7-bit ASCII with balanced braces, and it keeps the document's text.

#include "comun.h"
#include "richtext/rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

using namespace rimario;

namespace {

bool llavesEquilibradas(QStringView rtf)
{
    int nivel = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == u'\\')
            ++i; // \{ \} \\ and the first letter of a control word
        else if (rtf[i] == u'{')
            ++nivel;
        else if (rtf[i] == u'}' && --nivel < 0)
            return false;
    }
    return nivel == 0;
}

// The document's text as the writer keeps it: control characters other than
// tab (and the document's own frame marks) are not written.
QString textoEscribible(const QTextDocument &d)
{
    QString t = d.toRawText();
    t.removeIf([](QChar c) {
        return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
    });
    return t;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    const QString entrada = fuzz::texto(datos, largo);
    QTextDocument leido;
    leerRtf(entrada, &leido);
    const QString escrito = escribirRtf(&leido);

    FUZZ_COMPROBAR(escrito.startsWith(QLatin1String("{\\rtf1")), fuzz::mostrar(escrito));
    for (const QChar c : escrito)
        FUZZ_COMPROBAR(c.unicode() < 0x80, fuzz::mostrar(escrito));
    FUZZ_COMPROBAR(llavesEquilibradas(escrito), fuzz::mostrar(escrito, 2000));

    QTextDocument releido;
    leerRtf(escrito, &releido);
    FUZZ_COMPROBAR(releido.toRawText() == textoEscribible(leido),
                   fuzz::mostrar(textoEscribible(leido)) + "\n" + fuzz::mostrar(releido.toRawText()));
    const QString otraVez = escribirRtf(&releido);
    FUZZ_COMPROBAR(otraVez == escrito, fuzz::mostrar(escrito, 4000) + "\n" + fuzz::mostrar(otraVez, 4000));
    return 0;
}
