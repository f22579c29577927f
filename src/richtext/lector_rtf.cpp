// RTF reader: a single pass over the text with an explicit stack of group states.
// Text is gathered into runs of equal formatting and inserted a run at a time.

#include "language/numeros.h"
#include "richtext/cp1252.h"
#include "richtext/palabras_rtf.h"
#include "richtext/rtf.h"


#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace rimario {
namespace {

using rtf::buscarPalabra;
using rtf::codigoDeCharset;
using rtf::Cw;
using rtf::Entrada;

// Where the text of the current group goes.
enum class Destino : quint8 { Texto, Ignorar, Fuentes, Colores };

// Character formatting as RTF states it; turned into a QTextCharFormat per run.
struct Formato {
    bool negrita = false, cursiva = false, subrayado = false, tachado = false;
    qint8 vertical = 0; // 1 superscript, -1 subscript
    int medias = 24;    // \fs: size in half-points (RTF's default is 24)
    int fuente = -1;    // \f: index in the font table; -1 is the default font (\deff)
    int color = 0;      // \cf: index in the colour table; 0 is usually "automatic"
    int fondo = 0;      // \cb, \highlight
    bool operator==(const Formato &) const = default;
};

struct Estado {
    Formato formato;
    int uc = 1; // \uc: fallback characters after \u
    Destino destino = Destino::Texto;
};

struct Fuente {
    QString nombre;
    int charset = 0;
};

// A code page other than 1252: a table for single-byte pages, else a decoder.
struct Pagina {
    std::array<char16_t, 256> tabla{};
    std::optional<QStringDecoder> decodificador;
};

inline bool esLetra(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
inline bool esDigito(char16_t c) { return c >= u'0' && c <= u'9'; }
inline int valorHex(char16_t c)
{
    if (esDigito(c))
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// What the layout of a text will have to do, counted as the reader makes the
// document: every break the layout honours (a new block, or a line separator
// inside one), the height those lines and the wrapping of the text take, in
// lines of 12 points (a character is taken as wide as its size, a tab as a
// fifth of the view), and the runs of one formatting: Qt's wrapping takes time
// that grows with the square of a word's length when the word is split into
// many runs, so a run that starts inside a word weighs more the longer the
// word is by then.
//
// Qt lays a paragraph out whole, at once, when it is first shown: the
// characters and the runs of the largest paragraph are counted too.
struct Carga {
    qsizetype cortes = 0;
    qsizetype letras = 0; // characters of text
    double alto = 0;
    double tramos = 0;
    qsizetype palabra = 0; // characters since the last place a line may break
    qsizetype letrasParrafo = 0, maxLetrasParrafo = 0;
    double tramosParrafo = 0, maxTramosParrafo = 0;
    std::unordered_set<uint64_t> fuentes; // up to one past the limit

    // A break in text of the given size (half-points): of paragraph, or of line alone.
    void corte(int medias, bool deParrafo = true)
    {
        ++cortes;
        alto += std::max(medias, 6) / 24.0;
        palabra = 0;
        if (deParrafo)
            letrasParrafo = 0, tramosParrafo = 0;
    }
    // A run in a font (its family, size and style: what Qt finds a font for
    // when it first lays one out).
    void tramo(const Formato &f)
    {
        if (fuentes.size() <= size_t(kFuentesMaximas))
            fuentes.insert(uint64_t(uint32_t(f.fuente)) << 32 | uint64_t(uint32_t(f.medias) & 0xFFFFFF) << 8
                           | uint64_t(f.negrita) | uint64_t(f.cursiva) << 1 | uint64_t(f.vertical + 1) << 2);
        const double peso = 1 + double(palabra) / kLetrasPorTramo;
        tramos += peso;
        tramosParrafo += peso;
        maxTramosParrafo = std::max(maxTramosParrafo, tramosParrafo);
    }
    // Text of the given size; its breaks are counted here too.
    void texto(QStringView t, int medias)
    {
        const double k = std::max(medias, 6) / 24.0;
        letras += t.size();
        for (const QChar c : t) {
            switch (c.unicode()) {
            case 0x2029: case 0xFDD0: case 0xFDD1: case u'\n': case u'\r': // QTextCursor::insertText makes blocks of these
                corte(medias);
                continue;
            case 0x2028: case 0x000B: case 0x000C:
                corte(medias, false);
                break;
            case u'\t': alto += k * 0.2; palabra = 0; break;
            case u' ': alto += k * k / kCaracteresPorLinea; palabra = 0; break;
            default: alto += k * k / kCaracteresPorLinea; ++palabra; break;
            }
            maxLetrasParrafo = std::max(maxLetrasParrafo, ++letrasParrafo);
        }
    }
    static constexpr double kCaracteresPorLinea = 27; // 12-point characters one em wide, across the view
    static constexpr double kLetrasPorTramo = 500;     // a run inside a word weighs one more for each so many letters before it
};

class Lector {
public:
    // cursor null: the text is only measured (carga).
    Lector(QStringView s, QTextCursor *cursor, Carga &carga) : s(s), n(s.size()), cursor(cursor), carga(carga) {}
    void leer(qsizetype desde);

private:
    void controlar();
    void palabra(const Entrada *e, bool hay, int p);
    void simbolo(char16_t c);
    void abrirGrupo();
    void cerrarGrupo();
    bool ignorando() const { return exceso > 0 || actual.destino == Destino::Ignorar; }
    void caracter(char16_t c);
    void emitir(QStringView t);
    void texto(QStringView t);
    void parrafo();
    void nuevoParrafo();
    void volcarTexto();
    void volcarBytes();
    void cerrarFuente();
    void cerrarColor();
    int paginaActual() const;
    Pagina *pagina(int cp);
    QTextCharFormat formatoQt(const Formato &f) const;

    QStringView s;
    qsizetype n;
    qsizetype i = 0;
    bool fin = false;
    QTextCursor *cursor;
    Carga &carga;

    std::vector<Estado> pila; // states of the enclosing groups
    Estado actual;
    int exceso = 0;  // groups opened beyond kProfundidadMaxima; their content is skipped
    int saltar = 0;  // fallback characters still to skip after \u

    int deff = 0;
    int cpDocumento = 1252;
    QHash<int, Fuente> fuentes;
    int fuenteIndice = -1, fuenteCharset = 0;
    QString fuenteNombre;
    std::vector<QColor> colores; // invalid colour: automatic
    int rojo = 0, verde = 0, azul = 0;
    bool colorTiene = false;
    QHash<int, std::shared_ptr<Pagina>> paginas;

    QByteArray bytes; // consecutive \'hh not yet decoded
    int cpBytes = 1252;
    QString buffer;   // text not yet inserted, all in formatoBuffer
    Formato formatoBuffer;
    bool parrafoPendiente = false; // a \par seen; the paragraph opens when text follows
    Formato formatoParrafo;
};

void Lector::leer(qsizetype desde)
{
    i = desde;
    while (i < n && !fin) {
        const char16_t c = s[i].unicode();
        switch (c) {
        case u'\\': controlar(); continue;
        case u'{': ++i; abrirGrupo(); continue;
        case u'}': ++i; cerrarGrupo(); continue;
        case u'\r': case u'\n': ++i; continue; // ignored, even between \'hh bytes
        default: break;
        }
        volcarBytes();
        if (ignorando() && saltar == 0) { // e.g. the hex data of a picture
            while (i < n && s[i] != u'\\' && s[i] != u'{' && s[i] != u'}')
                ++i;
            continue;
        }
        if (saltar > 0 || (c < 0x20 && c != u'\t')) {
            if (saltar > 0 && !(c < 0x20 && c != u'\t'))
                --saltar;
            ++i;
            continue;
        }
        qsizetype j = i + 1; // a run of plain characters
        while (j < n) {
            const char16_t d = s[j].unicode();
            if (d == u'\\' || d == u'{' || d == u'}' || (d < 0x20 && d != u'\t'))
                break;
            ++j;
        }
        emitir(s.mid(i, j - i));
        i = j;
    }
    volcarBytes();
    volcarTexto(); // a pending paragraph is the one the last \par closed: dropped
}

void Lector::controlar()
{
    ++i; // the backslash
    if (i >= n)
        return;
    const char16_t c = s[i].unicode();
    if (!esLetra(c)) {
        ++i;
        simbolo(c);
        return;
    }
    const qsizetype inicio = i;
    while (i < n && esLetra(s[i].unicode()))
        ++i;
    const QStringView nombre = s.mid(inicio, i - inicio);
    bool negativo = false, hay = false;
    qint64 v = 0;
    if (i + 1 < n && s[i] == u'-' && esDigito(s[i + 1].unicode())) {
        negativo = true;
        ++i;
    }
    while (i < n && esDigito(s[i].unicode())) {
        hay = true;
        if (v < (qint64(1) << 40)) // saturates; every digit is still consumed
            v = v * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    if (i < n && s[i] == u' ')
        ++i; // the delimiter belongs to the control word
    v = std::clamp<qint64>(negativo ? -v : v, INT_MIN, INT_MAX);
    palabra(buscarPalabra(nombre), hay, int(v));
}

void Lector::palabra(const Entrada *e, bool hay, int p)
{
    if (e && e->cw == Cw::Bin) { // binary data is skipped wherever it is
        if (hay && p > 0)
            i += std::min<qsizetype>(p, n - i);
    }
    volcarBytes();
    if (saltar > 0) { // a control word counts as one fallback character
        --saltar;
        return;
    }
    if (ignorando() || !e)
        return;
    Formato &f = actual.formato;
    const bool activo = !hay || p != 0;
    switch (e->cw) {
    case Cw::Caracter: caracter(e->caracter); break;
    case Cw::Par:
        if (actual.destino == Destino::Texto)
            parrafo();
        break;
    case Cw::B: f.negrita = activo; break;
    case Cw::I: f.cursiva = activo; break;
    case Cw::Ul: f.subrayado = activo; break;
    case Cw::UlNone: f.subrayado = false; break;
    case Cw::Strike: f.tachado = activo; break;
    case Cw::Fs: f.medias = (!hay || p <= 0) ? 24 : std::min(p, 3276); break;
    case Cw::F:
        if (actual.destino == Destino::Fuentes) {
            fuenteIndice = hay ? p : 0;
            fuenteCharset = 0;
            fuenteNombre.clear();
        } else {
            f.fuente = std::max(p, -1);
        }
        break;
    case Cw::Cf: f.color = std::max(p, 0); break;
    case Cw::Cb: f.fondo = std::max(p, 0); break;
    case Cw::Plain: f = Formato{}; break;
    case Cw::Super: f.vertical = 1; break;
    case Cw::Sub: f.vertical = -1; break;
    case Cw::NoSuperSub: f.vertical = 0; break;
    case Cw::Deff: deff = p; break;
    case Cw::Ansicpg:
        if (p > 0 && p < 65536)
            cpDocumento = p;
        break;
    case Cw::Ansi: cpDocumento = 1252; break;
    case Cw::Mac: cpDocumento = 10000; break;
    case Cw::Pc: cpDocumento = 437; break;
    case Cw::Pca: cpDocumento = 850; break;
    case Cw::Fcharset: fuenteCharset = p; break;
    case Cw::Red: rojo = std::clamp(p, 0, 255); colorTiene = true; break;
    case Cw::Green: verde = std::clamp(p, 0, 255); colorTiene = true; break;
    case Cw::Blue: azul = std::clamp(p, 0, 255); colorTiene = true; break;
    case Cw::U: {
        if (!hay) // no digits: not a character
            break;
        if (p < 0 && p >= -32768) {
            caracter(char16_t(p + 65536));
        } else if (p >= 0 && p <= 0xFFFF) {
            caracter(char16_t(p));
        } else if (p > 0xFFFF && p <= 0x10FFFF) { // not RTF, but some writers do it
            const char32_t cp = char32_t(p);
            const char16_t par[2] = {QChar::highSurrogate(cp), QChar::lowSurrogate(cp)};
            emitir(QStringView(par, 2));
        } else {
            caracter(QChar::ReplacementCharacter);
        }
        saltar = actual.uc;
        break;
    }
    case Cw::Uc: actual.uc = hay ? std::max(p, 0) : 1; break;
    case Cw::Bin: break;
    case Cw::Fonttbl:
        actual.destino = Destino::Fuentes;
        fuenteIndice = -1;
        fuenteNombre.clear();
        break;
    case Cw::Colortbl:
        actual.destino = Destino::Colores;
        colores.clear();
        colorTiene = false;
        break;
    case Cw::Saltar: actual.destino = Destino::Ignorar; break;
    }
}

void Lector::simbolo(char16_t c)
{
    if (c == u'\'') {
        const int alto = i < n ? valorHex(s[i].unicode()) : -1;
        const int bajo = (alto >= 0 && i + 1 < n) ? valorHex(s[i + 1].unicode()) : -1;
        i += (alto >= 0) + (bajo >= 0); // a truncated escape is dropped
        if (saltar > 0) {
            --saltar;
            return;
        }
        if (bajo < 0 || ignorando())
            return;
        const int cp = paginaActual();
        if (!bytes.isEmpty() && cp != cpBytes)
            volcarBytes();
        cpBytes = cp;
        bytes.append(char(alto * 16 + bajo));
        return;
    }
    volcarBytes();
    if (saltar > 0) {
        --saltar;
        return;
    }
    if (ignorando())
        return;
    switch (c) {
    case u'\\': case u'{': case u'}': caracter(c); break;
    case u'~': caracter(0x00A0); break;
    case u'-': caracter(0x00AD); break;
    case u'_': caracter(0x2011); break;
    case u'*': actual.destino = Destino::Ignorar; break;
    case u'\r': case u'\n':
        if (actual.destino == Destino::Texto)
            parrafo();
        break;
    default: break; // \| \: and the rest
    }
}

void Lector::abrirGrupo()
{
    volcarBytes();
    saltar = 0;
    if (exceso > 0 || pila.size() >= size_t(kProfundidadMaxima)) {
        ++exceso;
        return;
    }
    pila.push_back(actual);
}

void Lector::cerrarGrupo()
{
    volcarBytes();
    saltar = 0;
    if (exceso > 0) {
        --exceso;
        return;
    }
    if (actual.destino == Destino::Fuentes && !fuenteNombre.trimmed().isEmpty())
        cerrarFuente(); // a font name without its ';'
    if (actual.destino == Destino::Colores && colorTiene)
        cerrarColor(); // the last colour without its ';'
    if (pila.empty()) {
        fin = true;
        return;
    }
    actual = pila.back();
    pila.pop_back();
    if (pila.empty())
        fin = true; // the document's group is closed; what follows is not RTF
}

void Lector::caracter(char16_t c)
{
    if (c < 0x20 && c != u'\t')
        return;
    emitir(QStringView(&c, 1));
}

void Lector::emitir(QStringView t)
{
    switch (actual.destino) {
    case Destino::Texto: texto(t); break;
    case Destino::Fuentes:
        for (const QChar ch : t) {
            if (ch == u';')
                cerrarFuente();
            else if (fuenteNombre.size() < 256)
                fuenteNombre.append(ch);
        }
        break;
    case Destino::Colores:
        for (const QChar ch : t)
            if (ch == u';')
                cerrarColor();
        break;
    case Destino::Ignorar: break;
    }
}

void Lector::texto(QStringView t)
{
    if (parrafoPendiente)
        nuevoParrafo();
    if (!buffer.isEmpty() && !(actual.formato == formatoBuffer))
        volcarTexto();
    if (buffer.isEmpty()) {
        formatoBuffer = actual.formato;
        carga.tramo(formatoBuffer);
    }
    carga.texto(t, formatoBuffer.medias);
    if (cursor)
        buffer.append(t);
    else if (buffer.isEmpty())
        buffer.append(u' '); // measuring: the run's text is not kept, only that there is one
}

void Lector::parrafo()
{
    if (parrafoPendiente)
        nuevoParrafo();
    parrafoPendiente = true;
    formatoParrafo = actual.formato;
}

void Lector::nuevoParrafo()
{
    volcarTexto();
    carga.corte(formatoParrafo.medias);
    if (cursor)
        cursor->insertBlock(QTextBlockFormat(), formatoQt(formatoParrafo));
    parrafoPendiente = false;
}

void Lector::volcarTexto()
{
    if (buffer.isEmpty())
        return;
    if (cursor)
        cursor->insertText(buffer, formatoQt(formatoBuffer));
    buffer.clear();
}

void Lector::volcarBytes()
{
    if (bytes.isEmpty())
        return;
    const QByteArray b = std::exchange(bytes, QByteArray());
    Pagina *pg = pagina(cpBytes);
    if (pg && pg->decodificador) {
        QStringDecoder &d = *pg->decodificador;
        d.resetState();
        const QString t = d(b);
        for (const QChar ch : t)
            caracter(ch.unicode());
        return;
    }
    for (const char byte : b) {
        const auto u = static_cast<unsigned char>(byte);
        caracter(pg ? pg->tabla[u] : cp1252::aUnicode(u));
    }
}

void Lector::cerrarFuente()
{
    if (fuenteIndice >= 0)
        fuentes.insert(fuenteIndice, Fuente{fuenteNombre.trimmed(), fuenteCharset});
    fuenteNombre.clear();
}

void Lector::cerrarColor()
{
    colores.push_back(colorTiene ? QColor(rojo, verde, azul) : QColor());
    rojo = verde = azul = 0;
    colorTiene = false;
}

int Lector::paginaActual() const
{
    int charset = 0;
    if (actual.destino == Destino::Fuentes) {
        charset = fuenteCharset;
    } else {
        const auto it = fuentes.constFind(actual.formato.fuente < 0 ? deff : actual.formato.fuente);
        if (it != fuentes.cend())
            charset = it->charset;
    }
    const int cp = codigoDeCharset(charset);
    return cp ? cp : cpDocumento;
}

// nullptr: decode as 1252 (the page itself, or one that Qt cannot decode).
Pagina *Lector::pagina(int cp)
{
    if (cp == 1252)
        return nullptr;
    if (const auto it = paginas.constFind(cp); it != paginas.cend())
        return it->get();
    std::shared_ptr<Pagina> pg;
    const QByteArray num = QByteArray::number(cp);
    const QByteArray nombres[] = {cp == 10000 ? QByteArray("macintosh") : "windows-" + num,
                                  "cp" + num, "ibm-" + num};
    for (const QByteArray &nombre : nombres) {
        QStringDecoder d(nombre.constData());
        if (!d.isValid())
            continue;
        QByteArray todos(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            todos[b] = char(b);
        const QString t = d(todos);
        pg = std::make_shared<Pagina>();
        if (t.size() == 256) { // one character per byte: a single-byte page
            for (int b = 0; b < 256; ++b)
                pg->tabla[b] = t[b].unicode();
        } else {
            pg->decodificador.emplace(nombre.constData());
        }
        break;
    }
    paginas.insert(cp, pg);
    return pg.get();
}

QTextCharFormat Lector::formatoQt(const Formato &f) const
{
    QTextCharFormat r;
    if (f.negrita)
        r.setFontWeight(QFont::Bold);
    if (f.cursiva)
        r.setFontItalic(true);
    if (f.subrayado)
        r.setFontUnderline(true);
    if (f.tachado)
        r.setFontStrikeOut(true);
    if (f.vertical)
        r.setVerticalAlignment(f.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                              : QTextCharFormat::AlignSubScript);
    r.setFontPointSize(f.medias / 2.0);
    const auto fu = fuentes.constFind(f.fuente < 0 ? deff : f.fuente);
    if (fu != fuentes.cend() && !fu->nombre.isEmpty())
        r.setFontFamilies(QStringList{fu->nombre});
    if (size_t(f.color) < colores.size() && colores[size_t(f.color)].isValid())
        r.setForeground(colores[size_t(f.color)]);
    if (size_t(f.fondo) < colores.size() && colores[size_t(f.fondo)].isValid())
        r.setBackground(colores[size_t(f.fondo)]);
    return r;
}

// Input that is not RTF: plain text, one paragraph per line.
QString textoPlano(QStringView texto)
{
    QString t = texto.toString();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    t.remove(QChar(0));
    return t;
}

qsizetype inicioRtf(QStringView rtf)
{
    qsizetype inicio = 0;
    while (inicio < rtf.size() && (rtf[inicio].isSpace() || rtf[inicio] == QChar::ByteOrderMark))
        ++inicio;
    return rtf.sliced(inicio).startsWith(QLatin1String("{\\rtf")) ? inicio : -1;
}

} // namespace

QString demasiadoGrande(QStringView texto)
{
    auto motivo = [&](qsizetype n, qsizetype maximo, const char *que) {
        return QStringLiteral("%1 %2; el máximo es %3").arg(numeroEscrito(n), QString::fromUtf8(que), numeroEscrito(maximo));
    };
    if (texto.size() > kCaracteresMaximos)
        return motivo(texto.size(), kCaracteresMaximos, "caracteres");
    // Measured as the reader makes the document, without making it.
    Carga carga;
    if (const qsizetype inicio = inicioRtf(texto); inicio >= 0) {
        Lector lector(texto, nullptr, carga);
        lector.leer(inicio);
    } else {
        carga.texto(textoPlano(texto), 17); // the size the view shows it at, and the writer writes it with
        carga.tramos = 1;
    }
    if (carga.letras > kLetrasMaximas)
        return motivo(carga.letras, kLetrasMaximas, "caracteres de texto");
    if (carga.cortes > kParrafosMaximos)
        return motivo(carga.cortes, kParrafosMaximos, "párrafos y saltos de línea");
    if (carga.alto > double(kLineasMaximas))
        return motivo(qsizetype(carga.alto), kLineasMaximas, "líneas de 12 puntos de alto");
    if (carga.tramos > kTramosMaximos)
        return motivo(qsizetype(carga.tramos), kTramosMaximos, "cambios de formato");
    if (qsizetype(carga.fuentes.size()) > kFuentesMaximas)
        return QStringLiteral("más de %1 tipos de letra distintos; el máximo es %1").arg(numeroEscrito(kFuentesMaximas));
    if (carga.maxLetrasParrafo > kLetrasPorParrafo)
        return motivo(carga.maxLetrasParrafo, kLetrasPorParrafo, "caracteres en un párrafo");
    if (carga.maxTramosParrafo > double(kTramosPorParrafo))
        return motivo(qsizetype(carga.maxTramosParrafo), kTramosPorParrafo, "cambios de formato en un párrafo");
    return QString();
}

qsizetype tramoMasLargo(QStringView texto)
{
    qsizetype mayor = 0, actual = 0;
    for (const QChar c : texto) {
        actual = c.isSpace() ? 0 : actual + 1;
        mayor = std::max(mayor, actual);
    }
    return mayor;
}

void leerRtf(QStringView rtf, QTextDocument *documento)
{
    if (!documento)
        return;
    const bool deshacer = documento->isUndoRedoEnabled();
    documento->setUndoRedoEnabled(false);
    documento->clear();
    QTextCursor cursor(documento);
    cursor.beginEditBlock();
    try {
        const qsizetype inicio = inicioRtf(rtf);
        if (const QString motivo = demasiadoGrande(rtf); !motivo.isEmpty()) {
            cursor.insertText(QStringLiteral("Esta definición es demasiado grande para mostrarla (%1). "
                                             "Se conserva intacta en el almacén.").arg(motivo));
        } else if (inicio >= 0) {
            Carga carga;
            Lector lector(rtf, &cursor, carga);
            lector.leer(inicio);
        } else {
            cursor.insertText(textoPlano(rtf));
        }
    } catch (...) {
        // Out of memory on a hostile input: the document keeps what was inserted.
    }
    cursor.endEditBlock();
    documento->setUndoRedoEnabled(deshacer);
}

} // namespace rimario
