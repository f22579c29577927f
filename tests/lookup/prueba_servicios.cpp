// Addresses of the online services: where the hosts come from and how the
// word is put after the fixed path and query.

#include "servicios.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace rimario;

class PruebaServicios : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        for (const char *v : {"RIMARIO_DEFINICIONES", "RIMARIO_SINONIMOS", "RIMARIO_INGLES"})
            qunsetenv(v);
    }

    void direcciones()
    {
        const Servicios s{QStringLiteral("http://d.example"), QStringLiteral("http://s.example/"),
                          QStringLiteral("e.example")};
        // The word goes as typed: spaces, accents, & and ? untouched.
        const QString w = QStringLiteral(" Año nuevo&x?y ");
        QCOMPARE(s.direccionDefinicion(w), QStringLiteral("http://d.example/draeI/SrvltGUIBusUsual?TIPO_HTML=2&LEMA=") + w);
        QCOMPARE(s.direccionSinonimos(w), QStringLiteral("http://s.example/cgi-bin/tesauro.exe?T1=") + w);
        // A host without a scheme is reached over HTTP; the empty word is allowed.
        QCOMPARE(s.direccionIngles(QString()),
                 QStringLiteral("http://e.example/idrisidic_2.asp?Site=1&Src_L=eng_eng1&DestLang=Ar&lpcWord="));
    }

    void configuracion()
    {
        QTemporaryDir dir;
        const Servicios defecto = Servicios::porDefecto();
        for (const QString &h : {defecto.definiciones, defecto.sinonimos, defecto.ingles})
            QVERIFY(h.startsWith(QLatin1String("http://")));
        // No file, no variables: the defaults.
        Servicios s = Servicios::cargar(dir.path());
        QCOMPARE(s.definiciones, defecto.definiciones);
        QCOMPARE(s.ingles, defecto.ingles);

        QFile ini(dir.filePath(QStringLiteral("rimario.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[servicios]\ndefiniciones=http://127.0.0.1:8081\nsinonimos=http://127.0.0.1:8082\n");
        ini.close();
        qputenv("RIMARIO_SINONIMOS", "http://127.0.0.1:9000");
        s = Servicios::cargar(dir.path());
        QCOMPARE(s.definiciones, QStringLiteral("http://127.0.0.1:8081"));
        QCOMPARE(s.sinonimos, QStringLiteral("http://127.0.0.1:9000")); // the environment wins
        QCOMPARE(s.ingles, defecto.ingles);
        qunsetenv("RIMARIO_SINONIMOS");
    }
};

QTEST_MAIN(PruebaServicios)
#include "prueba_servicios.moc"
