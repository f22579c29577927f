// A program killed (SIGKILL) in the middle of a write never leaves a damaged or
// half-written store. A child program runs a fixed sequence of writes of one
// kind and is killed just before one of its disk steps, run after run. After
// every kill the store must open, pass the integrity check, hold exactly the
// state before or after the operation that was under way, and take a new write.
//
// The kill points are every disk step of the sequence (every write, sync and
// truncation of the store, its journal or a temporary file, every creation and
// deletion of a journal, every rename and link: nothing else changes what is on
// disk, so a kill between two steps leaves what a kill before the second does)
// and the moment just after each operation's commit.

#include "almacen.h"
#include "apoyo_muerte.h"
#include "conversion_access.h"

#include "../comun/almacen_prueba.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;
using namespace rimario::muerte;

namespace {

constexpr int kPalabrasGrande = 100000; // the large store of the vowel-mode searches
constexpr int kPalabrasPequeno = 3000;
constexpr int kPalabrasAntiguo = 400;   // the older store brought up to date when opened

struct Corrida {
    bool muerto = false;            // ended by SIGKILL
    int hechos = 0;                 // operations reported committed
    QList<qint64> limites{0};       // disk steps taken when each operation was committed
    qint64 pasos = -1;              // disk steps, when it ran to the end
    QList<QByteArray> huellas;      // fingerprints of the states 0..n
    QStringList diario;             // what every step does to which file, when asked
    QString salida;                 // for messages
};

// The kind of a step of the journal line "paso K: QUE ARCHIVO A B", for the figures.
QString pasoDelDiario(const QByteArray &linea)
{
    const QList<QByteArray> t = linea.split(' ');
    const QByteArray que = t.value(2), archivo = t.value(3);
    if (archivo == "-")
        return QStringLiteral("tras confirmar");
    const QString donde = archivo.endsWith("-journal") ? QStringLiteral("diario")
        : archivo.contains("access")                   ? QStringLiteral("copia del original")
        : archivo.contains(".tmp")                     ? QStringLiteral("temporal")
                                                       : QStringLiteral("almacén");
    return QString::fromLatin1(que) + QLatin1Char(' ') + donde;
}

// Runs the child; 'matarEn' > 0: it dies before that step.
Corrida correr(const QString &operacion, const QString &ruta, qint64 matarEn, bool referencia)
{
    Corrida c;
    QProcess p;
    QStringList args{operacion, ruta};
    if (matarEn > 0)
        args << QStringLiteral("--matar-en") << QString::number(matarEn);
    if (referencia) {
        args << QStringLiteral("--huellas");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RIMARIO_MUERTE_DIARIO"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(RIMARIO_HIJO_MUERTE), args);
    QByteArray leido;
    while (p.waitForReadyRead(20000) || p.bytesAvailable() > 0)
        leido += p.readAllStandardOutput();
    p.waitForFinished(60000);
    leido += p.readAllStandardOutput();
    const QByteArray errores = p.readAllStandardError();
    c.muerto = p.exitStatus() == QProcess::CrashExit;
    c.salida = QString::fromUtf8(leido) + QString::fromUtf8(errores.right(4000));
    if (!c.muerto && p.exitCode() != 0)
        c.salida += QStringLiteral("\n(salió con %1)").arg(p.exitCode());
    for (const QByteArray &l : leido.split('\n')) {
        const QList<QByteArray> t = l.split(' ');
        if (t.value(0) == "hecho") {
            c.hechos = t.value(1).toInt();
            c.limites << t.value(2).toLongLong();
        } else if (t.value(0) == "pasos") {
            c.pasos = t.value(1).toLongLong();
        } else if (t.value(0) == "huella") {
            c.huellas << QByteArray::fromHex(t.value(2));
        }
    }
    for (const QByteArray &l : errores.split('\n'))
        if (l.startsWith("paso "))
            c.diario << pasoDelDiario(l);
    return c;
}

void limpiar(const QString &dir, const QStringList &conservar)
{
    QDir d(dir);
    for (const QString &n : d.entryList(QDir::Files | QDir::Hidden))
        if (!conservar.contains(n))
            d.remove(n);
}

// What a kill left, checked against the reference run. A file byte for byte
// equal to one already found sound in that state needs no further check;
// any other gets the full one.
class Juez {
public:
    Juez(const Corrida &ref, const QString &operacion, const QByteArray &original)
        : ref_(ref), conversion_(operacion == QLatin1String("convertir")),
          alAbrir_(operacion == QLatin1String("abrir")), original_(original)
    {
    }

    // The state found: the index of the reference state, or -1 with 'error'.
    int estado(const QString &ruta, int desde, QString &error)
    {
        try {
            if (conversion_)
                return estadoConversion(ruta, error);
            if (alAbrir_)
                return estadoAlAbrir(ruta, error);
            auto a = Almacen::abrir(ruta); // plays back what a killed write left
            if (a->soloLectura()) {
                error = QStringLiteral("se abrió solo para leer");
                return -1;
            }
            const QByteArray bytes = leerArchivo(ruta);
            for (int e : {desde, desde + 1})
                if (sanos_.value(e) == bytes)
                    return e;
            const QString integridad = a->comprobarIntegridad();
            if (!integridad.isEmpty()) {
                error = QStringLiteral("integridad: ") + integridad;
                return -1;
            }
            const QByteArray h = huella(a->conexion());
            int e = -1;
            for (int s : {desde, desde + 1})
                if (s < ref_.huellas.size() && h == ref_.huellas[s])
                    e = s;
            if (e < 0) {
                error = QStringLiteral("el almacén no está ni antes ni después de la operación %1 (estado %2)")
                            .arg(desde + 1)
                            .arg(ref_.huellas.indexOf(h));
                return -1;
            }
            // It takes writes again.
            {
                auto otra = Almacen::abrir(ruta);
                otra->anadir(QStringLiteral("después"), QStringLiteral("eé"), QStringLiteral("tras la muerte"));
                if (!otra->comprobarIntegridad().isEmpty()) {
                    error = QStringLiteral("integridad tras escribir de nuevo");
                    return -1;
                }
            }
            if (!sanos_.contains(e))
                sanos_.insert(e, bytes);
            ++comprobacionesCompletas;
            return e;
        } catch (const ErrorAlmacen &e) {
            error = e.mensaje();
            return -1;
        }
    }

    int comprobacionesCompletas = 0;

private:
    // The older store is first read as another tool would (which plays back a
    // killed upgrade): it is the old store or the upgraded one. Then the
    // program opens it (upgrading it if need be) and writes.
    int estadoAlAbrir(const QString &ruta, QString &error)
    {
        sqlite3 *db = nullptr;
        QByteArray h;
        QStringList integridad;
        if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_stmt *st = nullptr;
            if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK)
                while (sqlite3_step(st) == SQLITE_ROW)
                    integridad << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            sqlite3_finalize(st);
            h = huella(db);
        }
        sqlite3_close(db);
        if (integridad != QStringList{QStringLiteral("ok")}) {
            error = QStringLiteral("integridad: ") + integridad.join(u'\n');
            return -1;
        }
        const int e = ref_.huellas.indexOf(h);
        if (e < 0) {
            error = QStringLiteral("el almacén no es ni el antiguo ni el puesto al día");
            return -1;
        }
        auto a = Almacen::abrir(ruta);
        if (a->formato() != kFormatoActual || huella(a->conexion()) != ref_.huellas.value(1)) {
            error = QStringLiteral("al abrirlo de nuevo no quedó como debía");
            return -1;
        }
        a->anadir(QStringLiteral("después"), QStringLiteral("eé"), QStringLiteral("tras la muerte"));
        if (!a->comprobarIntegridad().isEmpty()) {
            error = QStringLiteral("integridad tras escribir de nuevo");
            return -1;
        }
        ++comprobacionesCompletas;
        return e;
    }

    // The path is either the Access file untouched (then the conversion run
    // again, as the next start does, must succeed) or the whole converted
    // store; a copy of the original is kept beside it.
    int estadoConversion(const QString &ruta, QString &error)
    {
        int e = 1;
        if (huellaArchivo(ruta) == huellaOriginal()) {
            e = 0;
            if (convertirAlAbrir(ruta).isEmpty()) {
                error = QStringLiteral("la nueva conversión no hizo nada");
                return -1;
            }
        }
        auto a = Almacen::abrir(ruta);
        const QString integridad = a->comprobarIntegridad();
        if (!integridad.isEmpty()) {
            error = (e == 0 ? QStringLiteral("tras convertir de nuevo, integridad: ") : QStringLiteral("integridad: ")) + integridad;
            return -1;
        }
        if (huella(a->conexion()) != ref_.huellas.value(0)) {
            error = QStringLiteral("el almacén convertido no es el esperado");
            return -1;
        }
        const QDir d = QFileInfo(ruta).absoluteDir();
        bool copia = false;
        for (const QString &n : d.entryList(QDir::Files | QDir::Hidden))
            copia = copia || (n.contains(QLatin1String("access")) && huellaArchivo(d.filePath(n)) == huellaOriginal());
        if (!copia) {
            error = QStringLiteral("no queda ninguna copia del archivo de Access original");
            return -1;
        }
        ++comprobacionesCompletas;
        return e;
    }
    QByteArray huellaOriginal()
    {
        if (huellaOriginal_.isEmpty())
            huellaOriginal_ = QCryptographicHash::hash(original_, QCryptographicHash::Sha1);
        return huellaOriginal_;
    }

    const Corrida &ref_;
    bool conversion_, alAbrir_;
    QByteArray original_, huellaOriginal_;
    QHash<int, QByteArray> sanos_; // the bytes of a state once found sound
};

} // namespace

class PruebaMuerte : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString grande, pequeno, antiguo;

    QString base(const QString &operacion) const
    {
        if (operacion == QLatin1String("vocales"))
            return grande;
        if (operacion == QLatin1String("abrir"))
            return antiguo;
        if (operacion == QLatin1String("convertir"))
            return muestraAccess();
        return pequeno;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::exists(muestraAccess()));
        grande = dir.filePath(QStringLiteral("grande.lop"));
        prueba::crearAlmacen(grande, palabrasInventadas(kPalabrasGrande, 7));
        // The small store has long definitions here and there and the marks of
        // earlier vowel-mode searches, which edits must keep.
        pequeno = dir.filePath(QStringLiteral("pequeno.lop"));
        prueba::crearAlmacen(pequeno, palabrasInventadas(kPalabrasPequeno, 11));
        auto a = Almacen::abrir(pequeno);
        for (qint64 id = 5; id <= kPalabrasPequeno; id += 97)
            a->cambiarSig(id, QStringLiteral("{\\rtf1 ") + QString(4000 + int(id), QChar(u'x')) + u'}');
        a->marcarVocales(2, QStringLiteral("ia"), std::nullopt);
        a->marcarVocales(3, QStringLiteral("eao"), 6);
        // A store of the older format, without the rhyme keys that opening it adds to every row.
        antiguo = dir.filePath(QStringLiteral("antiguo.lop"));
        prueba::crearAlmacen(antiguo, palabrasInventadas(kPalabrasAntiguo, 13));
        QVERIFY(volverAlFormato1(antiguo));
        QCOMPARE(Almacen::abrir(antiguo, true)->formato(), 1);
    }

    void muerteEnCadaPaso_data()
    {
        QTest::addColumn<QString>("operacion");
        for (const char *op : {"vocales", "archivar", "eliminar", "editar", "convertir", "abrir"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }

    void muerteEnCadaPaso()
    {
        QFETCH(QString, operacion);
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        const bool conversion = operacion == QLatin1String("convertir");
        const QStringList bases{QStringLiteral("grande.lop"), QStringLiteral("pequeno.lop"), QStringLiteral("antiguo.lop")};
        auto preparar = [&] {
            limpiar(dir.path(), bases);
            return QFile::copy(base(operacion), ruta)
                && QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner);
        };

        // The reference: the whole sequence without a kill, with every step and every state.
        QVERIFY(preparar());
        const Corrida ref = correr(operacion, ruta, 0, true);
        QVERIFY2(!ref.muerto && ref.pasos > 0 && ref.diario.size() == ref.pasos, qPrintable(ref.salida));
        QCOMPARE(ref.huellas.size(), conversion ? 1 : ref.hechos + 1);
        for (int i = 1; i < ref.huellas.size(); ++i)
            QVERIFY2(ref.huellas[i] != ref.huellas[i - 1], qPrintable(QStringLiteral("la operación %1 no cambió nada").arg(i)));
        Juez juez(ref, operacion, leerArchivo(base(operacion)));

        // A kill just before each step.
        QMap<QString, int> porClase;
        QList<int> porOperacion(ref.hechos + 1, 0);
        int pasoAntes = 0, pasoDespues = 0;
        for (qint64 k = 1; k <= ref.pasos; ++k) {
            QVERIFY(preparar());
            const Corrida c = correr(operacion, ruta, k, false);
            const QString donde = QStringLiteral("muerte antes del paso %1 (%2)").arg(k).arg(ref.diario[k - 1]);
            QVERIFY2(c.muerto && c.salida.contains(QStringLiteral("muerte antes del paso %1:").arg(k)),
                     qPrintable(donde + QStringLiteral(": no murió\n") + c.salida));
            // The operation under way: the one whose steps include k.
            int op = 1;
            while (op < ref.hechos && ref.limites[op] < k)
                ++op;
            QCOMPARE(c.hechos, op - 1);
            QString error;
            const int estado = juez.estado(ruta, op - 1, error);
            QVERIFY2(estado >= 0, qPrintable(donde + QStringLiteral(": ") + error + QLatin1Char('\n') + c.salida));
            ++porClase[ref.diario[k - 1]];
            ++porOperacion[op];
            ++(estado == op - 1 ? pasoAntes : pasoDespues);
        }
        for (int op = 1; op <= ref.hechos; ++op)
            QVERIFY2(porOperacion[op] > 0, qPrintable(QStringLiteral("operación %1 sin muertes").arg(op)));
        QVERIFY(pasoAntes > 0 && pasoDespues >= ref.hechos);

        QStringList clases;
        for (auto i = porClase.cbegin(); i != porClase.cend(); ++i)
            clases << QStringLiteral("%1 %2").arg(i.value()).arg(i.key());
        qInfo("%s: %d operaciones, %lld puntos de muerte, todos sobrevividos, %d con el estado de antes "
              "y %d con el de después (por paso: %s); %d comprobaciones completas",
              qPrintable(operacion), ref.hechos, ref.pasos, pasoAntes, pasoDespues,
              qPrintable(clases.join(QStringLiteral(", "))), juez.comprobacionesCompletas);
        limpiar(dir.path(), bases);
    }
};

QTEST_GUILESS_MAIN(PruebaMuerte)
#include "prueba_muerte.moc"
