#pragma once
// The captions and tips of the window's buttons that change with what the
// window is doing: set by the layout, changed back and forth by the handlers.

#include <QString>

namespace rimario {

inline const QString kCaptionDetener = QStringLiteral("Detener");
inline const QString kRimaPalabras = QStringLiteral("Buscar rimas (palabras) -->");
inline const QString kRimaVocales = QStringLiteral("Buscar rimas (vocales) -->");
inline const QString kRimaBuscando = QStringLiteral("Buscando ...");
inline const QString kVocSoloVocales = QStringLiteral("Rimar sólo vocales");
inline const QString kVocCompleta = QStringLiteral("Rimar palabla completa");
inline const QString kTipVocales = QStringLiteral("Buscar rimas de vocales solamente");
inline const QString kTipCompletas = QStringLiteral("Buscar rimas de palabras completas");

} // namespace rimario
