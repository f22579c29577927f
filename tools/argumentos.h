#pragma once
// The arguments of one command of rimario-cli, read by QCommandLineParser, with
// a help text and error messages in Spanish.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace rimario::cli {

class Argumentos {
public:
    // 'sinopsis': the usage lines ("Uso: rimario-cli buscar ..."); 'descripcion':
    // what the command does, for its help.
    Argumentos(QString orden, QString sinopsis, QString descripcion);

    // An option; with 'valor' it takes a value of that name.
    void opcion(const QStringList &nombres, const QString &descripcion, const QString &valor = QString());
    // A positional argument, for the help.
    void argumento(const QString &nombre, const QString &descripcion);

    // Reads the command's arguments. Returns the exit status when the command
    // ends here: 0 after printing the help (-h, --help), 2 after a usage error.
    // An argument that starts with a single "-" and is none of the options is a
    // word (a search may start with one), as is everything after "--".
    std::optional<int> leer(const QStringList &args);

    bool tiene(const QString &opcion) const { return p_.isSet(opcion); }
    QString valor(const QString &opcion) const { return p_.value(opcion); }
    QStringList posicionales() const { return p_.positionalArguments(); }

    // Prints the message and the usage lines on standard error; returns 2.
    int errorDeUso(const QString &mensaje = QString()) const;

private:
    QString ayuda() const;

    struct Opcion {
        QStringList nombres;
        QString descripcion, valor;
    };
    QCommandLineParser p_;
    QString orden_, sinopsis_, descripcion_;
    std::vector<Opcion> opciones_;
    std::vector<std::pair<QString, QString>> argumentos_;
};

// Puts QCommandLineParser's own messages in Spanish, for the whole process.
void ponerMensajesDelAnalizador();

} // namespace rimario::cli
