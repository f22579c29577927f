#include "lookup/idioma.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace rimario {

bool ponerIdiomaEspanol(QCoreApplication &app)
{
    const QLocale espanol(QLocale::Spanish, QLocale::Spain);
    QLocale::setDefault(espanol);
    const QString carpeta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool alguna = false;
    // "qt" loads the translations of every module installed (qtbase, qtwebengine...).
    for (const char *nombre : {"qt", "qtbase", "qtwebengine"}) {
        auto *t = new QTranslator(&app);
        if (t->load(espanol, QLatin1String(nombre), QStringLiteral("_"), carpeta)) {
            app.installTranslator(t);
            alguna = true;
        } else {
            delete t;
        }
    }
    return alguna;
}

} // namespace rimario
