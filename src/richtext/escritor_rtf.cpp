// RTF writer in the style of the old rich-text box (RichEdit), see rtf.h.

#include "richtext/cp1252.h"
#include "richtext/rtf.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <charconv>

namespace rimario {
namespace {

constexpr QLatin1StringView kFuenteDefecto("MS Sans Serif");
constexpr int kMediasDefecto = 17; // \fs17: 8.5 points, the view's default size
constexpr qint64 kAutomatico = -1; // colour not set

// Formatting as it is written; the header leaves the state at the default values.
struct Formato {
    bool negrita = false, cursiva = false, subrayado = false, tachado = false;
    qint8 vertical = 0; // 1 superscript, -1 subscript
    int medias = kMediasDefecto;
    QString familia; // empty: the default font \f0
    qint64 color = kAutomatico, fondo = kAutomatico; // RGB
    bool operator==(const Formato &) const = default;
};

// Characters that are not written: control characters other than tab (the document
// keeps none that matter) and QTextDocument's frame markers.
inline bool seEscribe(char16_t c)
{
    return (c >= 0x20 || c == u'\t') && c != 0xFDD0 && c != 0xFDD1 && c != 0x2029;
}

// A font name as the reader will read it back: no ';' (the name's end), trimmed.
QString nombreFuente(const QString &familia)
{
    QString r;
    for (const QChar ch : familia)
        if (seEscribe(ch.unicode()) && ch != u';' && ch != u'\t' && ch != QChar::LineSeparator)
            r.append(ch);
    return r.trimmed().left(256).trimmed();
}

qint64 colorDe(const QTextCharFormat &cf, QTextFormat::Property propiedad)
{
    if (!cf.hasProperty(propiedad))
        return kAutomatico;
    const QBrush b = cf.brushProperty(propiedad);
    return b.style() == Qt::NoBrush ? kAutomatico : qint64(b.color().rgb() & 0xFFFFFFu);
}

Formato formatoDe(const QTextCharFormat &cf)
{
    Formato r;
    r.negrita = cf.fontWeight() >= QFont::DemiBold;
    r.cursiva = cf.fontItalic();
    r.subrayado = cf.fontUnderline() || cf.underlineStyle() != QTextCharFormat::NoUnderline;
    r.tachado = cf.fontStrikeOut();
    switch (cf.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript: r.vertical = 1; break;
    case QTextCharFormat::AlignSubScript: r.vertical = -1; break;
    default: break;
    }
    if (cf.hasProperty(QTextFormat::FontPointSize) && cf.fontPointSize() > 0)
        r.medias = int(std::clamp<qreal>(qRound(cf.fontPointSize() * 2), 1, 3276));
    const QStringList familias = cf.fontFamilies().toStringList();
    r.familia = nombreFuente(familias.isEmpty() ? cf.stringProperty(QTextFormat::FontFamily) : familias.first());
    if (r.familia.compare(kFuenteDefecto, Qt::CaseInsensitive) == 0)
        r.familia.clear();
    r.color = colorDe(cf, QTextFormat::ForegroundBrush);
    r.fondo = colorDe(cf, QTextFormat::BackgroundBrush);
    return r;
}

void numero(QString &o, qint64 v)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    o.append(QLatin1StringView(buf, res.ptr - buf));
}

class Escritor {
public:
    QString escribir(const QTextDocument *doc);

private:
    void cambiar(const Formato &f);
    void escribirTexto(QString &o, QStringView t, const Formato *f);
    bool tieneTexto(QStringView t) const;
    int indiceFuente(const QString &familia);
    int indiceColor(qint64 rgb);

    QString cuerpo;
    Formato actual;
    QStringList fuentes;      // \f1, \f2 ...
    QList<qint64> colores;    // \colortbl entries 1, 2 ... (0 is automatic)
};

QString Escritor::escribir(const QTextDocument *doc)
{
    if (doc)
        cuerpo.reserve(doc->characterCount() + doc->characterCount() / 8 + 64);
    int k = 0;
    for (QTextBlock b = doc ? doc->begin() : QTextBlock(); b.isValid(); b = b.next(), ++k) {
        if (k > 0) {
            // The new paragraph's formatting goes before its \par, so that "\par " is
            // directly followed by the text.
            Formato inicial = formatoDe(b.charFormat());
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                if (tieneTexto(it.fragment().text())) {
                    inicial = formatoDe(it.fragment().charFormat());
                    break;
                }
            }
            cambiar(inicial);
            cuerpo += QLatin1StringView("\r\n\\par ");
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            if (fr.isValid()) {
                const Formato f = formatoDe(fr.charFormat());
                escribirTexto(cuerpo, fr.text(), &f);
            }
        }
    }
    cuerpo += QLatin1StringView("\r\n\\par\r\n}\r\n");

    QString r = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082"
                               "{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}");
    for (qsizetype f = 0; f < fuentes.size(); ++f) {
        r += QLatin1StringView("{\\f");
        numero(r, f + 1);
        r += QLatin1StringView("\\fnil\\fcharset0 ");
        escribirTexto(r, fuentes[f], nullptr);
        r += QLatin1StringView(";}");
    }
    r += QLatin1StringView("}\r\n");
    if (!colores.isEmpty()) {
        r += QLatin1StringView("{\\colortbl ;");
        for (const qint64 c : colores) {
            r += QLatin1StringView("\\red");
            numero(r, (c >> 16) & 0xFF);
            r += QLatin1StringView("\\green");
            numero(r, (c >> 8) & 0xFF);
            r += QLatin1StringView("\\blue");
            numero(r, c & 0xFF);
            r += u';';
        }
        r += QLatin1StringView("}\r\n");
    }
    r += QLatin1StringView("\\viewkind4\\uc1\\pard\\f0\\fs17 ");
    r += cuerpo;
    return r;
}

// Writes the control words that turn the current formatting into f, and their
// delimiting space.
void Escritor::cambiar(const Formato &f)
{
    if (f == actual)
        return;
    QString &o = cuerpo;
    const auto palabra = [&o](const char *cw) { o += QLatin1StringView(cw); };
    if (f.familia != actual.familia) {
        palabra("\\f");
        numero(o, indiceFuente(f.familia));
    }
    if (f.medias != actual.medias) {
        palabra("\\fs");
        numero(o, f.medias);
    }
    if (f.color != actual.color) {
        palabra("\\cf");
        numero(o, indiceColor(f.color));
    }
    if (f.fondo != actual.fondo) {
        palabra("\\highlight");
        numero(o, indiceColor(f.fondo));
    }
    if (f.negrita != actual.negrita)
        palabra(f.negrita ? "\\b" : "\\b0");
    if (f.cursiva != actual.cursiva)
        palabra(f.cursiva ? "\\i" : "\\i0");
    if (f.subrayado != actual.subrayado)
        palabra(f.subrayado ? "\\ul" : "\\ulnone");
    if (f.tachado != actual.tachado)
        palabra(f.tachado ? "\\strike" : "\\strike0");
    if (f.vertical != actual.vertical)
        palabra(f.vertical > 0 ? "\\super" : f.vertical < 0 ? "\\sub" : "\\nosupersub");
    o += u' ';
    actual = f;
}

bool Escritor::tieneTexto(QStringView t) const
{
    return std::any_of(t.begin(), t.end(), [](QChar c) { return seEscribe(c.unicode()); });
}

// Escapes the text into o. With f, the formatting is changed to f before the first
// character written (a fragment that writes nothing changes nothing).
void Escritor::escribirTexto(QString &o, QStringView t, const Formato *f)
{
    static constexpr char kHex[] = "0123456789abcdef";
    for (const QChar ch : t) {
        const char16_t c = ch.unicode();
        if (!seEscribe(c))
            continue;
        if (f) {
            cambiar(*f);
            f = nullptr;
        }
        switch (c) {
        case u'\\': o += QLatin1StringView("\\\\"); continue;
        case u'{': o += QLatin1StringView("\\{"); continue;
        case u'}': o += QLatin1StringView("\\}"); continue;
        case u'\t': o += QLatin1StringView("\\tab "); continue;
        case QChar::LineSeparator: o += QLatin1StringView("\\line "); continue;
        default: break;
        }
        if (c < 0x80) {
            o += ch;
        } else if (const int b = cp1252::aByte(c); b >= 0) {
            const char esc[4] = {'\\', '\'', kHex[b >> 4], kHex[b & 15]};
            o += QLatin1StringView(esc, 4);
        } else {
            o += QLatin1StringView("\\u");
            numero(o, qint16(c)); // surrogates one by one: two \u for a non-BMP character
            o += u'?';
        }
    }
}

int Escritor::indiceFuente(const QString &familia)
{
    if (familia.isEmpty())
        return 0;
    qsizetype k = fuentes.indexOf(familia);
    if (k < 0) {
        fuentes.append(familia);
        k = fuentes.size() - 1;
    }
    return int(k + 1);
}

int Escritor::indiceColor(qint64 rgb)
{
    if (rgb == kAutomatico)
        return 0;
    qsizetype k = colores.indexOf(rgb);
    if (k < 0) {
        colores.append(rgb);
        k = colores.size() - 1;
    }
    return int(k + 1);
}

} // namespace

QString escribirRtf(const QTextDocument *documento)
{
    return Escritor().escribir(documento);
}

} // namespace rimario
