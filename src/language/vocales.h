#pragma once
// Vowel skeleton of a word: its vowels in order, lower case, accents folded,
// "y" counted as "i". The mapping is part of the store's format: the column Voc
// of every row holds ExtraeVocales(Pal).

#include <QString>
#include <QStringView>

namespace rimario {

QString ExtraeVocales(QStringView palabra);

// The skeleton letter for one UTF-16 unit, or 0 when the unit adds nothing.
char16_t vocalDe(char16_t c);

} // namespace rimario
