#include "lookup/sin_conexion/dictd.h"

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <string_view>

namespace rimario {

namespace {

constexpr qint64 kMaxCabecera = 256 * 1024; // the gzip header, file name and comment included
constexpr qint64 kMaxTrozos = 4096;          // chunks inflated for one definition
constexpr qint64 kMaxComprimido = 64 * 1024 * 1024;

std::string_view vista(const QByteArray &b)
{
    return {b.constData(), size_t(b.size())};
}

// dictd's base 64, at most 10 digits (60 bits); -1 if not a number.
qint64 base64(QByteArrayView b)
{
    if (b.isEmpty() || b.size() > 10)
        return -1;
    qint64 n = 0;
    for (char c : b) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else
            return -1;
        n = n * 64 + v;
    }
    return n;
}

unsigned le16(const QByteArray &b, qsizetype i)
{
    return uchar(b[i]) | (uchar(b[i + 1]) << 8);
}

QString danado(const QString &ruta, const QString &que)
{
    return QStringLiteral("El diccionario de inglés «%1» está dañado: %2.").arg(ruta, que);
}

// Removes the numbering of a sense ("2. ").
QString sinNumero(const QString &l)
{
    qsizetype i = 0;
    while (i < l.size() && i < 4 && l[i].isDigit())
        ++i;
    if (i > 0 && i + 1 < l.size() && l[i] == QLatin1Char('.') && l[i + 1] == QLatin1Char(' '))
        return l.mid(i + 2).trimmed();
    return l;
}

} // namespace

std::unique_ptr<Dictd> Dictd::abrir(const QString &indice, const QString &datos, QString *error)
{
    auto fallar = [&](const QString &m) -> std::unique_ptr<Dictd> {
        if (error)
            *error = m;
        return nullptr;
    };
    QFile f(indice);
    if (!f.open(QIODevice::ReadOnly))
        return fallar(QStringLiteral("No se puede leer el índice del diccionario de inglés «%1»: %2.")
                          .arg(indice, f.errorString()));
    if (f.size() > kMaxIndice)
        return fallar(QStringLiteral("El índice del diccionario de inglés «%1» es demasiado grande.").arg(indice));
    const QByteArray todo = f.read(std::min(kMaxIndice, f.size()));

    std::unique_ptr<Dictd> d(new Dictd);
    d->datos_ = datos;
    struct Cruda {
        QByteArrayView palabra;
        qint64 desde, largo;
    };
    std::vector<Cruda> crudas;
    for (qsizetype pos = 0; pos < todo.size();) {
        qsizetype fin = todo.indexOf('\n', pos);
        if (fin < 0)
            fin = todo.size();
        QByteArrayView linea = QByteArrayView(todo).sliced(pos, fin - pos);
        pos = fin + 1;
        if (linea.endsWith('\r'))
            linea.chop(1);
        const qsizetype t1 = linea.indexOf('\t');
        const qsizetype t2 = t1 < 0 ? -1 : linea.indexOf('\t', t1 + 1);
        if (t1 <= 0 || t2 < 0)
            continue;
        qsizetype t3 = linea.indexOf('\t', t2 + 1); // a fourth field is allowed
        if (t3 < 0)
            t3 = linea.size();
        const QByteArrayView palabra = linea.first(t1);
        const qint64 desde = base64(linea.sliced(t1 + 1, t2 - t1 - 1));
        const qint64 largo = base64(linea.sliced(t2 + 1, t3 - t2 - 1));
        if (desde < 0 || largo < 0)
            continue;
        if (palabra.startsWith("00database") || palabra.startsWith("00-database")) {
            if (palabra == "00databaseutf8" || palabra == "00-database-utf8")
                d->utf8_ = true;
            continue;
        }
        crudas.push_back({palabra, desde, largo});
    }
    d->entradas_.reserve(crudas.size());
    for (const Cruda &c : crudas) {
        const QString p = d->utf8_ ? QString::fromUtf8(c.palabra) : QString::fromLatin1(c.palabra);
        d->entradas_.push_back({p.toLower().toUtf8(), c.desde, c.largo});
    }
    // Sorted here whatever order (and collation) the file was made with; the
    // entries of one headword keep the file's order.
    std::stable_sort(d->entradas_.begin(), d->entradas_.end(),
                     [](const Entrada &a, const Entrada &b) { return vista(a.clave) < vista(b.clave); });

    QString e;
    if (!d->leerCabecera(&e))
        return fallar(e);
    return d;
}

bool Dictd::leerCabecera(QString *error)
{
    QFile f(datos_);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("No se pueden leer los datos del diccionario de inglés «%1»: %2.")
                     .arg(datos_, f.errorString());
        return false;
    }
    const QByteArray c = f.read(std::min(kMaxCabecera, f.size()));
    if (c.size() < 2 || uchar(c[0]) != 0x1f || uchar(c[1]) != 0x8b) {
        forma_ = Forma::Plana;
        return true;
    }
    forma_ = Forma::Gzip;
    if (c.size() < 10 || c[2] != 8) {
        *error = danado(datos_, QStringLiteral("la cabecera gzip no es válida"));
        return false;
    }
    const uchar banderas = uchar(c[3]);
    qsizetype pos = 10;
    unsigned chlen = 0, chcnt = 0;
    qsizetype tabla = -1;
    if (banderas & 4) { // FEXTRA
        if (pos + 2 > c.size()) {
            *error = danado(datos_, QStringLiteral("la cabecera gzip está cortada"));
            return false;
        }
        const qsizetype xlen = le16(c, pos);
        pos += 2;
        const qsizetype finExtra = pos + xlen;
        if (finExtra > c.size()) {
            *error = danado(datos_, QStringLiteral("la cabecera gzip está cortada"));
            return false;
        }
        for (qsizetype s = pos; s + 4 <= finExtra;) {
            const qsizetype largo = le16(c, s + 2);
            if (s + 4 + largo > finExtra)
                break;
            if (c[s] == 'R' && c[s + 1] == 'A' && largo >= 6) {
                chlen = le16(c, s + 6);
                chcnt = le16(c, s + 8);
                if (6 + 2 * qsizetype(chcnt) <= largo)
                    tabla = s + 10;
            }
            s += 4 + largo;
        }
        pos = finExtra;
    }
    for (uchar bandera : {uchar(8), uchar(16)}) { // FNAME, FCOMMENT: zero-terminated
        if (!(banderas & bandera))
            continue;
        const qsizetype cero = c.indexOf('\0', pos);
        if (cero < 0) {
            *error = danado(datos_, QStringLiteral("la cabecera gzip está cortada"));
            return false;
        }
        pos = cero + 1;
    }
    if (banderas & 2) // FHCRC
        pos += 2;
    inicioGzip_ = pos;
    largoTrozo_ = 0;
    trozos_.clear();
    if (tabla >= 0 && chlen > 0 && chcnt > 0) {
        trozos_.reserve(chcnt + 1);
        qint64 o = inicioGzip_;
        trozos_.push_back(o);
        for (unsigned i = 0; i < chcnt; ++i) {
            o += le16(c, tabla + 2 * i);
            trozos_.push_back(o);
        }
        // A table that reaches past the file is not used.
        if (o <= f.size())
            largoTrozo_ = chlen;
        else
            trozos_.clear();
    }
    return true;
}

QByteArray Dictd::leerTexto(qint64 desde, qint64 largo, QString *error) const
{
    error->clear();
    if (desde < 0 || largo < 0 || largo > kMaxDefinicion) {
        *error = danado(datos_, QStringLiteral("una definición es demasiado larga"));
        return {};
    }
    if (largo == 0)
        return {};
    if (forma_ == Forma::Gzip) {
        if (largoTrozo_ > 0) {
            // Chunks that cannot be inflated alone (a table that does not
            // match the data): the member from the start, as without a table.
            QByteArray r = leerTrozos(desde, largo, error);
            if (error->isEmpty())
                return r;
            QString otro;
            r = inflarDesdeElPrincipio(desde, largo, &otro);
            if (otro.isEmpty())
                error->clear();
            return r;
        }
        return inflarDesdeElPrincipio(desde, largo, error);
    }
    QFile f(datos_);
    QByteArray r;
    if (f.open(QIODevice::ReadOnly) && desde < f.size() && f.seek(desde))
        r = f.read(std::min(largo, f.size() - desde));
    if (r.size() != largo) {
        *error = danado(datos_, QStringLiteral("una definición señala más allá del final de los datos"));
        return {};
    }
    return r;
}

QByteArray Dictd::leerTrozos(qint64 desde, qint64 largo, QString *error) const
{
    const qint64 cuantos = qint64(trozos_.size()) - 1;
    const qint64 primero = desde / largoTrozo_, ultimo = (desde + largo - 1) / largoTrozo_;
    if (ultimo >= cuantos) {
        *error = danado(datos_, QStringLiteral("una definición señala más allá del final de los datos"));
        return {};
    }
    if (ultimo - primero + 1 > kMaxTrozos || trozos_[ultimo + 1] - trozos_[primero] > kMaxComprimido) {
        *error = danado(datos_, QStringLiteral("una definición es demasiado larga"));
        return {};
    }
    QFile f(datos_);
    QByteArray comprimido;
    if (f.open(QIODevice::ReadOnly) && f.seek(trozos_[primero]))
        comprimido = f.read(trozos_[ultimo + 1] - trozos_[primero]);
    if (comprimido.size() != trozos_[ultimo + 1] - trozos_[primero]) {
        *error = danado(datos_, QStringLiteral("los datos están cortados"));
        return {};
    }
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        *error = QStringLiteral("No hay memoria para leer el diccionario de inglés.");
        return {};
    }
    QByteArray texto;
    QByteArray salida(largoTrozo_, Qt::Uninitialized);
    bool bien = true;
    for (qint64 i = primero; i <= ultimo && bien; ++i) {
        inflateReset(&z);
        z.next_in = reinterpret_cast<Bytef *>(comprimido.data() + (trozos_[i] - trozos_[primero]));
        z.avail_in = uInt(trozos_[i + 1] - trozos_[i]);
        z.next_out = reinterpret_cast<Bytef *>(salida.data());
        z.avail_out = uInt(salida.size());
        int rc = inflate(&z, Z_SYNC_FLUSH);
        const qint64 hecho = salida.size() - z.avail_out;
        if (rc == Z_OK && z.avail_in > 0) {
            // A chunk that inflates to more than the chunk length: the table
            // does not describe this data.
            char mas;
            z.next_out = reinterpret_cast<Bytef *>(&mas);
            z.avail_out = 1;
            rc = inflate(&z, Z_SYNC_FLUSH);
            if (z.avail_out == 0)
                rc = Z_DATA_ERROR;
        }
        // Every chunk but the last inflates to a whole chunk.
        bien = (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR) && (hecho == largoTrozo_ || i == cuantos - 1);
        texto.append(salida.constData(), hecho);
    }
    inflateEnd(&z);
    const qint64 dentro = desde - primero * largoTrozo_;
    if (!bien || texto.size() < dentro + largo) {
        *error = danado(datos_, QStringLiteral("un trozo comprimido no se puede descomprimir"));
        return {};
    }
    return texto.mid(dentro, largo);
}

QByteArray Dictd::inflarDesdeElPrincipio(qint64 desde, qint64 largo, QString *error) const
{
    if (desde + largo > kMaxInflado) {
        *error = danado(datos_, QStringLiteral("una definición señala demasiado lejos"));
        return {};
    }
    QFile f(datos_);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(inicioGzip_)) {
        *error = QStringLiteral("No se pueden leer los datos del diccionario de inglés «%1».").arg(datos_);
        return {};
    }
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        *error = QStringLiteral("No hay memoria para leer el diccionario de inglés.");
        return {};
    }
    QByteArray texto;
    QByteArray entrada, salida(64 * 1024, Qt::Uninitialized);
    qint64 pos = 0; // of the inflated text
    int rc = Z_OK;
    while (texto.size() < largo && rc == Z_OK) {
        if (z.avail_in == 0) {
            entrada = f.read(64 * 1024);
            if (entrada.isEmpty())
                break;
            z.next_in = reinterpret_cast<Bytef *>(entrada.data());
            z.avail_in = uInt(entrada.size());
        }
        z.next_out = reinterpret_cast<Bytef *>(salida.data());
        z.avail_out = uInt(salida.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_BUF_ERROR)
            rc = Z_OK; // more input wanted
        const qint64 hecho = salida.size() - z.avail_out;
        const qint64 a = std::max(desde, pos), b = std::min(desde + largo, pos + hecho);
        if (a < b)
            texto.append(salida.constData() + (a - pos), b - a);
        pos += hecho;
    }
    inflateEnd(&z);
    if (rc != Z_OK && rc != Z_STREAM_END) {
        *error = danado(datos_, QStringLiteral("los datos comprimidos no se pueden descomprimir"));
        return {};
    }
    if (texto.size() != largo) {
        *error = danado(datos_, QStringLiteral("una definición señala más allá del final de los datos"));
        return {};
    }
    return texto;
}

ConsultaDict Dictd::buscar(const QString &palabra) const
{
    ConsultaDict r;
    r.palabra = palabra.trimmed();
    const QByteArray clave = r.palabra.toLower().toUtf8();
    if (clave.isEmpty())
        return r;
    auto desde = std::lower_bound(entradas_.begin(), entradas_.end(), vista(clave),
                                  [](const Entrada &e, std::string_view c) { return vista(e.clave) < c; });
    for (int n = 0; desde != entradas_.end() && desde->clave == clave && n < kMaxEntradas; ++desde, ++n) {
        QString e;
        const QByteArray bytes = leerTexto(desde->desde, desde->largo, &e);
        if (!e.isEmpty()) {
            r.entradas.clear();
            r.error = e;
            return r;
        }
        const QStringList lineas = (utf8_ ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes)).split(QLatin1Char('\n'));
        EntradaDict d;
        bool cabeza = true;
        for (qsizetype i = 0; i < lineas.size() && d.acepciones.size() < kMaxLineas; ++i) {
            const QString l = lineas[i].trimmed();
            if (l.isEmpty())
                continue;
            if (cabeza) {
                cabeza = false;
                // "casa /kˈasa/"
                const qsizetype barra = l.indexOf(QLatin1String(" /"));
                if (barra > 0 && l.endsWith(QLatin1Char('/')) && l.size() - barra > 3) {
                    d.encabezado = l.left(barra).trimmed();
                    d.pronunciacion = l.mid(barra + 2, l.size() - barra - 3);
                } else {
                    d.encabezado = l;
                }
                continue;
            }
            d.acepciones << sinNumero(l);
        }
        if (!d.encabezado.isEmpty())
            r.entradas << d;
    }
    return r;
}

} // namespace rimario
