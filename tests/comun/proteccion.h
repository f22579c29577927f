#pragma once
// A file or folder made unwritable for as long as this lives: immutable
// (chattr +i) for the superuser, who writes through permission bits, and
// without write permission for anyone else.

#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace rimario::prueba {

class Proteccion {
public:
    Proteccion() = default;
    Proteccion(const Proteccion &) = delete;
    Proteccion &operator=(const Proteccion &) = delete;
    ~Proteccion() { quitar(); }

    // False where the file system cannot do it.
    bool poner(const QString &ruta)
    {
        permisos_ = QFile::permissions(ruta);
        if (!cambiar(ruta, true))
            return false;
        ruta_ = ruta;
        return true;
    }
    bool quitar()
    {
        const bool ok = ruta_.isEmpty() || cambiar(ruta_, false);
        ruta_.clear();
        return ok;
    }

private:
    bool cambiar(const QString &ruta, bool proteger) const
    {
        const auto escritura = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
        if (::geteuid() != 0)
            return QFile::setPermissions(ruta, proteger ? permisos_ & ~escritura : permisos_);
        return QProcess::execute(QStringLiteral("chattr"), {QString::fromLatin1(proteger ? "+i" : "-i"), ruta}) == 0;
    }
    QString ruta_;
    QFile::Permissions permisos_;
};

} // namespace rimario::prueba
