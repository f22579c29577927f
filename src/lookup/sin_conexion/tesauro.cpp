#include "lookup/sin_conexion/tesauro.h"

#include "lookup/sin_conexion/texto_8bits.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <string_view>

namespace rimario {

using sinconexion::Juego;

namespace {

std::string_view vista(QByteArrayView b)
{
    return {b.data(), size_t(b.size())};
}

// A line without its end ("\n" or "\r\n").
QByteArrayView sinFinal(QByteArrayView l)
{
    while (!l.isEmpty() && (l.back() == '\r' || l.back() == '\n'))
        l.chop(1);
    return l;
}

// Decimal digits only, at most 18 of them; -1 otherwise.
qint64 numero(QByteArrayView b)
{
    b = b.trimmed();
    if (b.isEmpty() || b.size() > 18)
        return -1;
    qint64 n = 0;
    for (char c : b) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

QString danado(const QString &ruta, const QString &que)
{
    return QStringLiteral("El diccionario de sinónimos «%1» está dañado: %2.").arg(ruta, que);
}

} // namespace

std::unique_ptr<Tesauro> Tesauro::abrir(const QString &indice, const QString &datos, QString *error)
{
    auto fallar = [&](const QString &m) -> std::unique_ptr<Tesauro> {
        if (error)
            *error = m;
        return nullptr;
    };
    QFile f(indice);
    if (!f.open(QIODevice::ReadOnly))
        return fallar(QStringLiteral("No se puede leer el índice del diccionario de sinónimos «%1»: %2.")
                          .arg(indice, f.errorString()));
    if (!QFileInfo(datos).isReadable())
        return fallar(QStringLiteral("No se pueden leer los datos del diccionario de sinónimos «%1».").arg(datos));
    if (f.size() > kMaxIndice)
        return fallar(danado(indice, QStringLiteral("el índice es demasiado grande")));

    std::unique_ptr<Tesauro> t(new Tesauro);
    t->datos_ = datos;
    t->indice_ = f.read(std::min(kMaxIndice, f.size()));
    const QByteArrayView todo(t->indice_);

    qsizetype pos = 0;
    int numeroLinea = 0;
    while (pos < todo.size()) {
        qsizetype fin = todo.indexOf('\n', pos);
        if (fin < 0)
            fin = todo.size();
        const QByteArrayView linea = sinFinal(todo.sliced(pos, fin - pos));
        const qsizetype inicio = pos;
        pos = fin + 1;
        if (numeroLinea++ == 0) {
            t->juego_ = QString::fromLatin1(linea.trimmed());
            t->juegoCodigo_ = int(sinconexion::juegoDeNombre(linea.trimmed()));
            continue;
        }
        const qsizetype barra = linea.lastIndexOf('|');
        if (barra <= 0)
            continue; // the number of words, or a damaged line
        const qint64 d = numero(linea.sliced(barra + 1));
        if (d < 0)
            continue;
        t->entradas_.push_back({inicio, barra, d});
    }
    if (Juego(t->juegoCodigo_) == Juego::Desconocido)
        return fallar(QStringLiteral("El diccionario de sinónimos «%1» está escrito en un juego de caracteres "
                                     "que el programa no conoce («%2»).")
                          .arg(indice, t->juego_.left(40)));
    // The file is meant to be sorted bytewise; one that is not is sorted here,
    // so that the search below still finds every word.
    auto menor = [&](const Entrada &a, const Entrada &b) { return vista(t->clave(a)) < vista(t->clave(b)); };
    if (!std::is_sorted(t->entradas_.begin(), t->entradas_.end(), menor))
        std::stable_sort(t->entradas_.begin(), t->entradas_.end(), menor);
    return t;
}

ConsultaTesauro Tesauro::buscar(const QString &palabra) const
{
    const QString p = palabra.trimmed();
    QStringList formas{p, p.toLower()};
    if (!p.isEmpty())
        formas << p.left(1).toUpper() + p.mid(1).toLower();
    ConsultaTesauro r;
    r.palabra = p;
    for (const QString &forma : formas) {
        QByteArray clave;
        if (forma.isEmpty() || !sinconexion::codificar(Juego(juegoCodigo_), forma, &clave))
            continue;
        auto desde = std::lower_bound(entradas_.begin(), entradas_.end(), vista(clave),
                                      [&](const Entrada &e, std::string_view c) { return vista(this->clave(e)) < c; });
        // A word the index lists more than once has all its meanings shown.
        for (int n = 0; desde != entradas_.end() && vista(this->clave(*desde)) == vista(clave) && n < 8; ++desde, ++n) {
            ConsultaTesauro c = leer(*desde);
            if (!c.error.isEmpty())
                return c;
            r.palabra = c.palabra;
            for (const AcepcionTesauro &a : c.acepciones)
                if (r.acepciones.size() < kMaxAcepciones)
                    r.acepciones << a;
        }
        if (r.encontrada())
            return r;
    }
    return r;
}

ConsultaTesauro Tesauro::leer(const Entrada &e) const
{
    const Juego juego = Juego(juegoCodigo_);
    ConsultaTesauro r;
    r.palabra = sinconexion::decodificar(juego, clave(e));
    QFile f(datos_);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("No se pueden leer los datos del diccionario de sinónimos «%1»: %2.")
                      .arg(datos_, f.errorString());
        return r;
    }
    if (e.desplazamiento >= f.size() || !f.seek(e.desplazamiento)) {
        r.error = danado(datos_, QStringLiteral("el índice señala más allá del final de los datos"));
        return r;
    }
    const QByteArray bloque = f.read(std::min(kMaxEntrada, f.size() - e.desplazamiento));
    // A block cut short by the bound ends in a line that may be incomplete.
    const bool cortado = e.desplazamiento + bloque.size() < f.size();
    QList<QByteArrayView> lineas;
    for (qsizetype pos = 0; pos < bloque.size() && lineas.size() <= kMaxAcepciones;) {
        qsizetype fin = bloque.indexOf('\n', pos);
        if (fin < 0) {
            if (cortado)
                break;
            fin = bloque.size();
        }
        lineas << sinFinal(QByteArrayView(bloque).sliced(pos, fin - pos));
        pos = fin + 1;
    }
    if (lineas.isEmpty()) {
        r.error = danado(datos_, QStringLiteral("falta la entrada de «%1»").arg(r.palabra));
        return r;
    }
    const QByteArrayView cabeza = lineas.first();
    const qsizetype barra = cabeza.lastIndexOf('|');
    const qint64 n = barra < 0 ? -1 : numero(cabeza.sliced(barra + 1));
    if (barra < 0 || vista(cabeza.first(barra)) != vista(clave(e)) || n < 0) {
        r.error = danado(datos_, QStringLiteral("el índice no concuerda con los datos en «%1»").arg(r.palabra));
        return r;
    }
    for (qsizetype i = 1; i < lineas.size() && i <= n; ++i) {
        // A line "word|n" is the next word: the count was too high. (A meaning
        // starts with "-" or with its category in brackets.)
        const QByteArrayView l = lineas[i];
        const qsizetype b = l.indexOf('|');
        if (b < 0 || (l.count('|') == 1 && !l.startsWith('-') && !l.startsWith('(') && numero(l.sliced(b + 1)) >= 0))
            break;
        const QString linea = sinconexion::decodificar(juego, l);
        const QStringList campos = linea.split(QLatin1Char('|'));
        AcepcionTesauro a;
        a.categoria = campos.first().trimmed();
        if (a.categoria == QLatin1String("-"))
            a.categoria.clear();
        for (qsizetype k = 1; k < campos.size() && a.sinonimos.size() < kMaxSinonimos; ++k) {
            const QString s = campos[k].trimmed();
            if (!s.isEmpty())
                a.sinonimos << s;
        }
        if (!a.sinonimos.isEmpty())
            r.acepciones << a;
    }
    return r;
}

} // namespace rimario
