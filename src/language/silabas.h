#pragma once
// Syllables, stress and rhyme keys of a Spanish word in its written form.
//
// The word is split by the Academy's orthographic rules: a, e, o are open
// vowels and i, u closed ones; an unaccented closed vowel next to another vowel
// forms a diphthong or triphthong with it (cau-sa, ciu-dad, buey), two open
// vowels, an accented closed vowel beside an open one (pa-ís, bú-ho) and
// doubled closed vowels (chi-i-ta) are in hiatus. The u of que, qui, gue, gui is
// silent, ü is pronounced, a silent h between vowels is passed over (prohi-bir,
// a-ho-ra) and y is a vowel when no vowel follows it (rey, hoy, y, sexy).
// Consonants between two vowels go with the second vowel except that a group
// that cannot begin a syllable is split: the last consonant, or the last two when
// they are pr, br, tr, dr, cr, gr, fr, pl, bl, cl, gl, fl, kr, kl or tl, begin
// the next syllable (a-bra-zo, cons-tan-te, ex-tra-ño). tl stays together as in
// most of America (a-tlas, a-tle-ta), the Academy accepting at-las as well.
// ch, ll and rr are single letters; x is one consonant (e-xa-men); prefixes
// follow the general rules (i-nú-til, de-sa-rro-llo) but sub-r is kept apart
// (sub-ra-yar).
//
// Stress: the vowel with the written accent; otherwise the last syllable but one
// when the word ends in a vowel, n or s (not after another consonant, robots) and
// the last syllable otherwise (final y after a vowel counts as a consonant:
// vi-rrey). Adverbs in -mente are stressed on -men- whatever accent the
// adjective keeps (rá-pi-da-men-te is llana). Within a diphthong the stressed
// vowel is the accented one, else the open one, else the second closed one
// (cui-da-do: i; ciu-dad: u).
//
// Rhyme keys are lower case and compare by plain equality:
// - consonant key: the letters from the stressed vowel to the end, accents and
//   diaeresis folded, h dropped but for the h of ch (ocho: "ocho"), y read as a
//   vowel written i (rey: "ei"); everything else as written, the silent u of
//   -que/-gue included (bosque: "osque");
// - assonant key: the stressed vowel, then the vowel of the last syllable when
//   the stress is not on it, glides dropped; an unstressed last i counts as e
//   and u as o (lápiz: "ae", Venus: "eo"). An aguda gives one vowel.
//
// Letter case does not matter; syllables keep the case and accents as written.
// Decomposed accents are composed first. A word is rejected with a Spanish
// reason, never guessed, when it is empty, longer than kMaxLetras letters, has no
// vowel, more than one written accent, or any character other than the letters
// of Spanish (a-z, ñ, á, é, í, ó, ú, ü in either case): blanks, hyphens, digits,
// apostrophes, foreign letters (ç, à, ö...), control characters and the like.

#include "language/silabeo.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace rimario {

struct AnalisisSilabico {
    bool valido = false;
    QString motivo;         // why the word cannot be split, when !valido
    QStringList silabas;    // as written: {"can", "ción"}
    int tonica = -1;        // index in silabas of the stressed syllable
    Acento acento = Acento::Llana; // a monosyllable is aguda
    QString claveConsonante; // "on" for canción
    QString claveAsonante;   // "ao" for pájaro, "o" for canción

    int numSilabas() const { return int(silabas.size()); }
    // The syllables joined by a separator: "can-ción".
    QString separada(QStringView separador = u"-") const;
};

// Total: every text gives a result; invalid words come back with valido false,
// a reason and nothing else.
AnalisisSilabico analizarPalabra(QStringView palabra);

// "aguda", "llana", "esdrújula", "sobresdrújula".
QString nombreAcento(Acento acento);

// What a reader is shown of a word: "can·ción — 2 sílabas, aguda", or why it
// cannot be split.
QString describirSilabas(QStringView palabra);

} // namespace rimario
