// Addresses of the lookup services: where the settings come from, how a
// template takes the word, how a host has the word put after the fixed path
// and query, and the choice of the offline pages.

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

    void plantillas_data()
    {
        QTest::addColumn<int>("servicio"); // 0 definitions, 1 synonyms, 2 English
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("esperada");
        QTest::newRow("plantilla, la palabra codificada")
            << 1 << "https://s.example/buscar?q={palabra}&l=es" << "año nuevo&x#?/"
            << "https://s.example/buscar?q=a%C3%B1o%20nuevo%26x%23%3F%2F&l=es";
        QTest::newRow("dos veces, sin esquema, con espacios")
            << 0 << "  d.example/{palabra}/?x={palabra}/ " << "casa" << "http://d.example/casa/?x=casa/";
        QTest::newRow("palabra vacía") << 2 << "http://e.example/?w={palabra}" << "" << "http://e.example/?w=";
        QTest::newRow("marca en otro caso: un servidor") << 1 << "http://s.example/{PALABRA}" << "casa"
                                                         << "http://s.example/{PALABRA}/cgi-bin/tesauro.exe?T1=casa";
        QTest::newRow("sinónimos sin conexión") << 1 << " Sin-Conexion " << "y/o canción"
                                                << "rimario:sinonimos/y%2Fo%20canci%C3%B3n";
        QTest::newRow("inglés sin conexión") << 2 << "sin-conexion" << " casa " << "rimario:ingles/casa";
    }
    void plantillas()
    {
        QFETCH(int, servicio);
        QFETCH(QString, valor);
        QFETCH(QString, palabra);
        QFETCH(QString, esperada);
        Servicios s = Servicios::porDefecto();
        QString *campos[] = {&s.definiciones, &s.sinonimos, &s.ingles};
        *campos[servicio] = valor;
        const QString direcciones[] = {s.direccionDefinicion(palabra), s.direccionSinonimos(palabra),
                                       s.direccionIngles(palabra)};
        QCOMPARE(direcciones[servicio], esperada);
        // The other services keep their defaults.
        const Servicios d = Servicios::porDefecto();
        const QString defecto[] = {d.direccionDefinicion(palabra), d.direccionSinonimos(palabra),
                                   d.direccionIngles(palabra)};
        for (int i = 0; i < 3; ++i)
            if (i != servicio)
                QCOMPARE(direcciones[i], defecto[i]);
        QCOMPARE(s.sinonimosSinConexion(), esperada.startsWith(QLatin1String("rimario:sinonimos/")));
        QCOMPARE(s.inglesSinConexion(), esperada.startsWith(QLatin1String("rimario:ingles/")));
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
        ini.write("[servicios]\ndefiniciones=http://127.0.0.1:8081\nsinonimos=http://127.0.0.1:8082\n"
                  "ingles=sin-conexion\n");
        ini.close();
        qputenv("RIMARIO_SINONIMOS", "http://127.0.0.1:9000");
        s = Servicios::cargar(dir.path());
        QCOMPARE(s.definiciones, QStringLiteral("http://127.0.0.1:8081"));
        QCOMPARE(s.sinonimos, QStringLiteral("http://127.0.0.1:9000")); // the environment wins
        QVERIFY(s.inglesSinConexion() && !s.sinonimosSinConexion());
        qputenv("RIMARIO_INGLES", "http://127.0.0.1:9001/?p={palabra}");
        s = Servicios::cargar(dir.path());
        QCOMPARE(s.direccionIngles(QStringLiteral("ñ")), QStringLiteral("http://127.0.0.1:9001/?p=%C3%B1"));
        qunsetenv("RIMARIO_SINONIMOS");
        qunsetenv("RIMARIO_INGLES");
    }
};

QTEST_MAIN(PruebaServicios)
#include "prueba_servicios.moc"
