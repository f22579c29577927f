#include "lookup/sin_conexion/texto_8bits.h"

namespace rimario::sinconexion {

namespace {
// The eight places where ISO 8859-15 differs from ISO 8859-1.
constexpr struct {
    unsigned char byte;
    char16_t unidad;
} kLatin9[] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
               {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}};
} // namespace

Juego juegoDeNombre(QByteArrayView nombre)
{
    QByteArray n;
    for (char c : nombre)
        if (c != '-' && c != '_' && c != ' ' && c != '\t' && c != '\r')
            n += char(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (n == "UTF8")
        return Juego::Utf8;
    if (n == "ISO88591" || n == "LATIN1")
        return Juego::Latin1;
    if (n == "ISO885915" || n == "LATIN9")
        return Juego::Latin9;
    return Juego::Desconocido;
}

QString decodificar(Juego j, QByteArrayView b)
{
    if (j == Juego::Utf8)
        return QString::fromUtf8(b);
    QString s = QString::fromLatin1(b);
    if (j == Juego::Latin9)
        for (QChar &c : s)
            for (const auto &p : kLatin9)
                if (c.unicode() == p.byte)
                    c = QChar(p.unidad);
    return s;
}

bool codificar(Juego j, const QString &s, QByteArray *salida)
{
    if (j == Juego::Utf8) {
        *salida = s.toUtf8();
        return true;
    }
    salida->clear();
    salida->reserve(s.size());
    for (QChar c : s) {
        char16_t u = c.unicode();
        if (j == Juego::Latin9) {
            for (const auto &p : kLatin9) {
                if (u == p.unidad) {
                    u = p.byte;
                    break;
                }
                if (u == p.byte)
                    return false; // a Latin-1 character that Latin-9 replaced
            }
        }
        if (u > 0xFF)
            return false;
        salida->append(char(u));
    }
    return true;
}

} // namespace rimario::sinconexion
