#include "argumentos.h"

#include "ordenes.h"

#include <QCoreApplication>
#include <QTranslator>

#include <algorithm>

namespace rimario::cli {

Argumentos::Argumentos(QString orden, QString sinopsis, QString descripcion)
    : orden_(std::move(orden)), sinopsis_(std::move(sinopsis)), descripcion_(std::move(descripcion))
{
    p_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    opcion({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("muestra esta ayuda"));
}

void Argumentos::opcion(const QStringList &nombres, const QString &descripcion, const QString &valor)
{
    p_.addOption(QCommandLineOption(nombres, descripcion, valor));
    opciones_.push_back({nombres, descripcion, valor});
}

void Argumentos::argumento(const QString &nombre, const QString &descripcion)
{
    p_.addPositionalArgument(nombre, descripcion);
    argumentos_.emplace_back(nombre, descripcion);
}

std::optional<int> Argumentos::leer(const QStringList &args)
{
    // A single-dash argument is an option only when it is "-x" or "-xVALUE" for
    // an option x of one letter; any other ("-ción") is a word, after "--".
    QStringList opciones{orden_}, palabras;
    bool fin = false;
    for (const QString &a : args) {
        bool palabra = fin;
        if (!fin && a == QLatin1String("--")) {
            fin = true;
            continue;
        }
        if (!fin && a.size() > 1 && a.startsWith(u'-') && !a.startsWith(QLatin1String("--"))) {
            palabra = true;
            for (const Opcion &o : opciones_)
                for (const QString &n : o.nombres)
                    if (n.size() == 1 && a[1] == n[0] && (a.size() == 2 || !o.valor.isEmpty()))
                        palabra = false;
        }
        (palabra ? palabras : opciones) << a;
    }
    if (!palabras.isEmpty())
        opciones << QStringLiteral("--") << palabras;
    const bool bien = p_.parse(opciones);
    if (p_.isSet(QStringLiteral("help"))) {
        salida(ayuda());
        return 0;
    }
    if (!bien && !p_.unknownOptionNames().isEmpty()) {
        // Named as the user wrote them (the parser gives them without their dashes).
        QStringList escritas;
        for (const QString &n : p_.unknownOptionNames()) {
            const QString larga = QStringLiteral("--") + n;
            const bool comoLarga = n.size() > 1 || std::any_of(args.begin(), args.end(), [&](const QString &a) {
                return a == larga || a.startsWith(larga + QLatin1Char('='));
            });
            escritas << QStringLiteral("«%1»").arg(comoLarga ? larga : QStringLiteral("-") + n);
        }
        return errorDeUso((escritas.size() == 1 ? QStringLiteral("Opción desconocida: %1.") : QStringLiteral("Opciones desconocidas: %1."))
                              .arg(escritas.join(QStringLiteral(", "))));
    }
    if (!bien)
        return errorDeUso(p_.errorText());
    return std::nullopt;
}

int Argumentos::errorDeUso(const QString &mensaje) const
{
    error(mensaje.isEmpty() ? sinopsis_ : mensaje + QLatin1Char('\n') + sinopsis_);
    return 2;
}

QString Argumentos::ayuda() const
{
    QString t = sinopsis_ + QStringLiteral("\n\n") + descripcion_ + QLatin1Char('\n');
    const auto columna = [&t](const QString &izquierda, const QString &derecha) {
        t += QStringLiteral("  ") + izquierda.leftJustified(26) + QLatin1Char(' ') + derecha + QLatin1Char('\n');
    };
    if (!argumentos_.empty()) {
        t += QStringLiteral("\nArgumentos:\n");
        for (const auto &[nombre, descripcion] : argumentos_)
            columna(nombre, descripcion);
    }
    t += QStringLiteral("\nOpciones:\n");
    for (const Opcion &o : opciones_) {
        QStringList nombres;
        for (const QString &n : o.nombres)
            nombres << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        columna(nombres.join(QStringLiteral(", ")) + (o.valor.isEmpty() ? QString() : QLatin1Char(' ') + o.valor),
                o.descripcion);
    }
    return t.trimmed();
}

namespace {
class MensajesDelAnalizador : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *contexto, const char *texto, const char *, int) const override
    {
        if (qstrcmp(contexto, "QCommandLineParser") != 0)
            return QString();
        static const std::pair<const char *, const char *> kTextos[] = {
            {"Missing value after '%1'.", "Falta el valor de «%1»."},
            {"Unexpected value after '%1'.", "«%1» no lleva valor."},
        };
        for (const auto &[ingles, espanol] : kTextos)
            if (qstrcmp(texto, ingles) == 0)
                return QString::fromUtf8(espanol);
        return QString();
    }
};
} // namespace

void ponerMensajesDelAnalizador()
{
    QCoreApplication::installTranslator(new MensajesDelAnalizador(QCoreApplication::instance()));
}

} // namespace rimario::cli
