#include "language/silabas.h"

#include "language/utf8.h"

#include <QChar>

namespace rimario {

namespace {

QString codigo(char32_t cp)
{
    return QStringLiteral("U+%1").arg(uint(cp), 4, 16, QLatin1Char('0')).toUpper();
}

// Why the character at i keeps the word from being split.
QString motivoCaracter(QStringView p, qsizetype i)
{
    const QChar c = p[i];
    if (c.isSurrogate()) {
        if (c.isHighSurrogate() && i + 1 < p.size() && p[i + 1].isLowSurrogate()) {
            const char32_t cp = QChar::surrogateToUcs4(c, p[i + 1]);
            if (QChar::isLetter(cp))
                return QStringLiteral("la palabra contiene una letra ajena al español: «%1»")
                    .arg(p.mid(i, 2));
            if (QChar::isDigit(cp))
                return QStringLiteral("la palabra contiene cifras");
            if (QChar::isPrint(cp) && QChar::category(cp) != QChar::Other_PrivateUse)
                return QStringLiteral("la palabra contiene un carácter que no es una letra: «%1»")
                    .arg(p.mid(i, 2));
            return QStringLiteral("la palabra contiene un carácter que no es una letra (%1)")
                .arg(codigo(cp));
        }
        return QStringLiteral("la palabra contiene un carácter que no es una letra (%1)")
            .arg(codigo(c.unicode()));
    }
    if (c.isSpace())
        return QStringLiteral("la palabra contiene espacios; escriba una sola palabra");
    if (c.category() == QChar::Punctuation_Dash)
        return QStringLiteral("la palabra contiene un guion; analice cada parte por separado");
    if (c.isNumber())
        return QStringLiteral("la palabra contiene cifras");
    if (c.isLetter())
        return QStringLiteral("la palabra contiene una letra ajena al español: «%1»").arg(c);
    if (c.isPrint() && !c.isMark() && c.category() != QChar::Other_PrivateUse)
        return QStringLiteral("la palabra contiene un carácter que no es una letra: «%1»").arg(c);
    return QStringLiteral("la palabra contiene un carácter que no es una letra (%1)")
        .arg(codigo(c.unicode()));
}

AnalisisSilabico invalido(QString motivo)
{
    AnalisisSilabico r;
    r.motivo = std::move(motivo);
    return r;
}

bool tieneAcentoSuelto(QStringView p)
{
    for (const QChar c : p)
        if (c.unicode() >= 0x0300 && c.unicode() <= 0x036f)
            return true;
    return false;
}

} // namespace

QString AnalisisSilabico::separada(QStringView separador) const
{
    return silabas.join(separador);
}

AnalisisSilabico analizarPalabra(QStringView palabra)
{
    if (palabra.isEmpty())
        return invalido(QStringLiteral("la palabra está vacía"));
    const auto demasiado = [] {
        return invalido(
            QStringLiteral("la palabra es demasiado larga (más de %1 letras)").arg(kMaxLetras));
    };
    if (palabra.size() > 4 * kMaxLetras)
        return demasiado();
    QString compuesta;
    if (tieneAcentoSuelto(palabra)) {
        compuesta = palabra.toString().normalized(QString::NormalizationForm_C);
        palabra = compuesta;
    }
    if (palabra.size() > kMaxLetras)
        return demasiado();
    const Silabeo s = silabear(unidades(palabra));
    switch (s.fallo) {
    case Silabeo::Fallo::Ninguno: break;
    case Silabeo::Fallo::Vacia: return invalido(QStringLiteral("la palabra está vacía"));
    case Silabeo::Fallo::Larga: return demasiado();
    case Silabeo::Fallo::Caracter: return invalido(motivoCaracter(palabra, s.caracter));
    case Silabeo::Fallo::SinVocales: return invalido(QStringLiteral("la palabra no tiene vocales"));
    case Silabeo::Fallo::Tildes: return invalido(QStringLiteral("la palabra lleva más de una tilde"));
    }
    AnalisisSilabico r;
    r.valido = true;
    r.silabas.reserve(s.silabas);
    for (int k = 0; k < s.silabas; ++k)
        r.silabas.append(palabra.mid(s.inicios[k], s.inicios[k + 1] - s.inicios[k]).toString());
    r.tonica = s.tonica;
    r.acento = s.acento;
    r.claveConsonante = QString::fromUtf16(s.consonante, s.largoConsonante);
    r.claveAsonante = QString::fromUtf16(s.asonante, s.largoAsonante);
    return r;
}

QString nombreAcento(Acento acento)
{
    switch (acento) {
    case Acento::Aguda: return QStringLiteral("aguda");
    case Acento::Llana: return QStringLiteral("llana");
    case Acento::Esdrujula: return QStringLiteral("esdrújula");
    case Acento::Sobresdrujula: return QStringLiteral("sobresdrújula");
    }
    return {};
}

QString describirSilabas(QStringView palabra)
{
    const AnalisisSilabico a = analizarPalabra(palabra);
    if (!a.valido)
        return QStringLiteral("«%1»: no se puede dividir en sílabas (%2)").arg(palabra, a.motivo);
    return QStringLiteral("%1 — %2 %3, %4")
        .arg(a.separada(u"·"))
        .arg(a.numSilabas())
        .arg(a.numSilabas() == 1 ? QStringLiteral("sílaba") : QStringLiteral("sílabas"), nombreAcento(a.acento));
}

} // namespace rimario
