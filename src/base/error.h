#pragma once
// What every module throws when something cannot be done: the message, in
// Spanish, is the one the user is shown.

#include <QString>

#include <stdexcept>

namespace rimario {

class Error : public std::runtime_error {
public:
    // 'detalle': what a library said, in its own words, for the message box's
    // details (the message itself says it in Spanish).
    explicit Error(const QString &mensaje, const QString &detalle = QString())
        : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje), detalle_(detalle) {}
    QString mensaje() const { return mensaje_; }
    QString detalle() const { return detalle_; }

private:
    QString mensaje_;
    QString detalle_;
};

} // namespace rimario
