#pragma once
// The program speaks Spanish: Qt's own texts (the buttons of message boxes,
// the menus of text boxes...) come from Qt's Spanish translations, and the
// browser pane's engine takes Spanish as its language, for the pages it makes
// itself (its error pages) and for the languages it asks servers for.

class QCoreApplication;

namespace rimario {

// Installs Qt's Spanish translations into the application and makes Spanish
// the default locale. To be called after the application object exists and
// before the first browser pane is made (the engine takes its language then).
// Returns whether Qt's translations were found.
bool ponerIdiomaEspanol(QCoreApplication &app);

} // namespace rimario
