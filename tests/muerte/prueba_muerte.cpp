// A program killed (SIGKILL) in the middle of a change that spans several
// files or transactions (the start-up conversion of an Access file, the
// upgrade of an older store) never leaves a damaged or half-made store. A
// child program runs the change and is killed just before one of its disk
// steps (every write, sync, truncation, creation, deletion, rename and link),
// run after run. After every kill the store opens, passes the integrity
// check, holds the state before or after the change, and takes a new write.
// A window write is one SQLite transaction, atomic by itself: that each is
// exactly one commit is checked with the store's tests.

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

constexpr int kPalabrasAntiguo = 400; // the older store brought up to date when opened

struct Corrida {
    bool muerto = false;            // ended by SIGKILL
    int hechos = 0;                 // operations reported committed
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
        : ref_(ref), conversion_(operacion == QLatin1String("convertir")), original_(original)
    {
    }

    // The state found: the index of the reference state, or -1 with 'error'.
    int estado(const QString &ruta, QString &error)
    {
        try {
            return conversion_ ? estadoConversion(ruta, error) : estadoAlAbrir(ruta, error);
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
    bool conversion_;
    QByteArray original_, huellaOriginal_;
};

} // namespace

class PruebaMuerte : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString antiguo;

    QString base(const QString &operacion) const
    {
        return operacion == QLatin1String("abrir") ? antiguo : muestraAccess();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::exists(muestraAccess()));
        // A store of the older format, without the rhyme keys that opening it adds to every row.
        antiguo = dir.filePath(QStringLiteral("antiguo.lop"));
        prueba::crearAlmacen(antiguo, palabrasInventadas(kPalabrasAntiguo, 13));
        QVERIFY(volverAlFormato1(antiguo));
        QCOMPARE(Almacen::abrir(antiguo, true)->formato(), 1);
    }

    void muerteEnCadaPaso_data()
    {
        QTest::addColumn<QString>("operacion");
        for (const char *op : {"convertir", "abrir"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }

    void muerteEnCadaPaso()
    {
        QFETCH(QString, operacion);
        const QString ruta = dir.filePath(QStringLiteral("data.lop"));
        const bool conversion = operacion == QLatin1String("convertir");
        const QStringList bases{QStringLiteral("antiguo.lop")};
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
        int pasoAntes = 0, pasoDespues = 0;
        for (qint64 k = 1; k <= ref.pasos; ++k) {
            QVERIFY(preparar());
            const Corrida c = correr(operacion, ruta, k, false);
            const QString donde = QStringLiteral("muerte antes del paso %1 (%2)").arg(k).arg(ref.diario[k - 1]);
            QVERIFY2(c.muerto && c.salida.contains(QStringLiteral("muerte antes del paso %1:").arg(k)),
                     qPrintable(donde + QStringLiteral(": no murió\n") + c.salida));
            QCOMPARE(c.hechos, 0);
            QString error;
            const int estado = juez.estado(ruta, error);
            QVERIFY2(estado >= 0, qPrintable(donde + QStringLiteral(": ") + error + QLatin1Char('\n') + c.salida));
            ++porClase[ref.diario[k - 1]];
            ++(estado == 0 ? pasoAntes : pasoDespues);
        }
        QVERIFY(pasoAntes > 0 && pasoDespues > 0);

        QStringList clases;
        for (auto i = porClase.cbegin(); i != porClase.cend(); ++i)
            clases << QStringLiteral("%1 %2").arg(i.value()).arg(i.key());
        qInfo("%s: %lld puntos de muerte, todos sobrevividos, %d con el estado de antes "
              "y %d con el de después (por paso: %s); %d comprobaciones completas",
              qPrintable(operacion), ref.pasos, pasoAntes, pasoDespues,
              qPrintable(clases.join(QStringLiteral(", "))), juez.comprobacionesCompletas);
        limpiar(dir.path(), bases);
    }
};

QTEST_GUILESS_MAIN(PruebaMuerte)
#include "prueba_muerte.moc"
