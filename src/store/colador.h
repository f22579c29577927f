#pragma once
// Spanish text order of the store (ICU collation "es": ñ after n, accents and
// then case as lesser differences). One collator per connection/thread.

#include "store/huella.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

struct UCollator;

namespace rimario {

class Colador {
public:
    Colador();
    ~Colador();
    Colador(const Colador &) = delete;
    Colador &operator=(const Colador &) = delete;

    // Full comparison (list order): <0, 0, >0.
    int comparar(const char16_t *a, qsizetype na, const char16_t *b, qsizetype nb) const;
    // Comparison of base letters only (accents and case ignored).
    int compararBase(const char16_t *a, qsizetype na, const char16_t *b, qsizetype nb) const;
    // Sort key: byte order of keys equals the list order of the texts.
    QByteArray clave(QStringView texto) const;
    // Identifies the collation rules; keys made under another version must be remade.
    QString version() const;
    // The files of the ICU libraries this program runs with, which make the
    // collation (its code and its data), as they are now.
    static void archivosIcu(Huella::ArchivoIcu (&archivos)[Huella::kArchivosIcu]);

private:
    UCollator *completo_ = nullptr;
    UCollator *base_ = nullptr;
};

} // namespace rimario
