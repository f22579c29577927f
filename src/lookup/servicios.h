#pragma once
// Addresses of the three online services. The hosts are configuration: built-in
// defaults, overridden by the file "rimario.ini" beside the program (section
// [servicios], keys definiciones, sinonimos, ingles) and, above that, by the
// environment variables RIMARIO_DEFINICIONES, RIMARIO_SINONIMOS and
// RIMARIO_INGLES. Paths and queries are fixed; the word is appended as typed.

#include <QString>

namespace rimario {

struct Servicios {
    QString definiciones;
    QString sinonimos;
    QString ingles;

    static Servicios porDefecto();
    // Defaults, then the ini file in 'carpeta' (if any), then the environment.
    static Servicios cargar(const QString &carpeta);

    QString direccionDefinicion(const QString &palabra) const;
    QString direccionSinonimos(const QString &palabra) const;
    QString direccionIngles(const QString &palabra) const;
};

} // namespace rimario
