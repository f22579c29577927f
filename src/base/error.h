#pragma once
// What every module throws when something cannot be done: the message, in
// Spanish, is the one the user is shown.

#include <QString>

#include <stdexcept>

namespace rimario {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &mensaje) : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje) {}
    QString mensaje() const { return mensaje_; }

private:
    QString mensaje_;
};

} // namespace rimario
