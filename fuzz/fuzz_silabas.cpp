// Syllables and rhyme keys: any text gets an answer; a word that is split
// comes back whole when its syllables are joined, with a stressed syllable, an
// accent class that agrees with it and keys made of lower-case letters; letter
// case changes nothing.

#include "comun.h"
#include "language/silabas.h"

using namespace rimario;

namespace {

bool esVocal(QChar c)
{
    return QStringView(u"aeiouyáéíóúü").contains(c.toLower());
}

QByteArray describir(const QString &w, const AnalisisSilabico &a)
{
    QByteArray r = fuzz::mostrar(w);
    r += " -> " + fuzz::mostrar(a.separada());
    r += " tonica " + QByteArray::number(a.tonica);
    r += " " + fuzz::mostrar(a.claveConsonante) + "/" + fuzz::mostrar(a.claveAsonante);
    return r;
}

void comprobar(const QString &w)
{
    const AnalisisSilabico a = analizarPalabra(w);
    if (!a.valido) {
        FUZZ_COMPROBAR(!a.motivo.isEmpty(), fuzz::mostrar(w));
        FUZZ_COMPROBAR(a.silabas.isEmpty() && a.claveConsonante.isEmpty() && a.claveAsonante.isEmpty(),
                       describir(w, a));
        return;
    }
    const QByteArray d = describir(w, a);
    FUZZ_COMPROBAR(a.motivo.isEmpty(), d);
    FUZZ_COMPROBAR(a.separada(u"") == w.normalized(QString::NormalizationForm_C), d);
    FUZZ_COMPROBAR(a.numSilabas() >= 1 && a.numSilabas() <= kMaxLetras, d);
    for (const QString &s : a.silabas)
        FUZZ_COMPROBAR(std::any_of(s.begin(), s.end(), esVocal), d);
    FUZZ_COMPROBAR(a.tonica >= 0 && a.tonica < a.numSilabas(), d);
    const int distancia = a.numSilabas() - 1 - a.tonica;
    const Acento esperado = distancia == 0 ? Acento::Aguda
        : distancia == 1                   ? Acento::Llana
        : distancia == 2                   ? Acento::Esdrujula
                                           : Acento::Sobresdrujula;
    FUZZ_COMPROBAR(a.acento == esperado, d);
    FUZZ_COMPROBAR(!a.claveConsonante.isEmpty() && !a.claveAsonante.isEmpty(), d);
    for (const QChar c : a.claveConsonante)
        FUZZ_COMPROBAR((c >= u'a' && c <= u'z') || c == u'ñ', d);
    for (const QChar c : a.claveAsonante)
        FUZZ_COMPROBAR(QStringView(u"aeiou").contains(c), d);
    FUZZ_COMPROBAR(a.claveAsonante.size() == (a.acento == Acento::Aguda ? 1 : 2), d);
    FUZZ_COMPROBAR(a.claveAsonante.front() == a.claveConsonante.front(), d);

    // Letter case aside, the same answer.
    for (const QString &otra : {w.toUpper(), w.toLower()}) {
        const AnalisisSilabico b = analizarPalabra(otra);
        FUZZ_COMPROBAR(b.valido && b.tonica == a.tonica && b.acento == a.acento
                           && b.claveConsonante == a.claveConsonante && b.claveAsonante == a.claveAsonante
                           && b.separada().toLower() == a.separada().toLower(),
                       d + "\n" + describir(otra, b));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t largo)
{
    // Each line a word, and the whole input as one text.
    const QStringList l = fuzz::lineas(datos, largo);
    for (qsizetype i = 0; i < l.size() && i < 16; ++i)
        comprobar(l[i]);
    if (l.size() > 1)
        comprobar(fuzz::texto(datos, largo));
    return 0;
}
