// Benchmarks of the word store ("nuestro") beside a plain SQLite table used the
// obvious way ("ingenuo", see ingenua.h), on the word list in bench/datos.
// Run them with bench/ejecutar.sh; it makes the data first.
//
// Also, for the data script:
//   rimario-medidas --crear-ingenua LISTA.txt DESTINO.db
// and, run by the memory benchmark in a child process of its own:
//   rimario-medidas --medir-memoria nuestro|ingenuo

#include "busqueda_directa.h"
#include "ingenua.h"
#include "language/silabas.h"
#include "language/vocales.h"
#include "rhyme/rima.h"
#include "store/almacen.h"
#include "lista/formato_lista.h"
#include "lista/instantanea.h"
#include "lista/lexico.h"
#include "lista/lista_palabras.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace rimario;
using medidas::Ingenua;
using Reloj = std::chrono::steady_clock;

const char *const kNuestro = "formas-1m.lop";
const char *const kIngenuo = "ingenua.db";

QString datos(const QString &nombre)
{
    const QByteArray d = qgetenv("RIMARIO_DATOS_MEDIDAS");
    return (d.isEmpty() ? QStringLiteral(RIMARIO_DATOS_MEDIDAS) : QString::fromLocal8Bit(d))
        + QLatin1Char('/') + nombre;
}

double segundosDesde(Reloj::time_point t0)
{
    return std::chrono::duration<double>(Reloj::now() - t0).count();
}

// Writes the file's pages to the disk and, if asked, drops them from the page
// cache, so that the next open reads the disk.
void aDisco(const QString &ruta, bool olvidar)
{
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        if (olvidar)
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// The program's side as the window holds it: the store and its word list.
struct Programa {
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<ListaPalabras> lista;
    explicit Programa(const QString &ruta)
        : almacen(Almacen::abrir(ruta)), lista(std::make_unique<ListaPalabras>(*almacen))
    {
        lista->releer();
    }
};

// Vowel-mode searches write marks, so they run on copies of the stores,
// removed when the run ends.
std::vector<QString> copias;

QString copia(const char *nombre)
{
    const QString destino = datos(QStringLiteral("copia-") + QLatin1String(nombre));
    QFile::remove(destino);
    if (!QFile::copy(datos(QLatin1String(nombre)), destino))
        throw std::runtime_error("No se pudo copiar " + std::string(nombre));
    aDisco(destino, false); // the first commit must not pay for writing out the copy
    copias.push_back(destino);
    return destino;
}

Programa &programa(bool enCopia)
{
    static std::unique_ptr<Programa> p[2];
    if (!p[enCopia])
        p[enCopia] = std::make_unique<Programa>(enCopia ? copia(kNuestro) : datos(kNuestro));
    return *p[enCopia];
}

Ingenua &ingenua(bool enCopia)
{
    static std::unique_ptr<Ingenua> b[2];
    if (!b[enCopia]) {
        b[enCopia] = std::make_unique<Ingenua>(enCopia ? copia(kIngenuo) : datos(kIngenuo));
        b[enCopia]->leerLista();
    }
    return *b[enCopia];
}

// ---- opening until the list can show its first rows

// Times opening and reading the list; "abrir" returns the number of words read.
// Cold: the store (and the list kept from it) dropped from the page cache
// before each open, and read back into it afterwards, so that the benchmarks
// after this one find the files where they were.
template <typename F, typename G = void (*)()>
void medirApertura(benchmark::State &st, const char *nombre, bool frio, F abrir, G soltar = [] {})
{
    const QString ruta = datos(QLatin1String(nombre));
    const QStringList archivos{ruta, rutaInstantanea(ruta)};
    for (auto _ : st) {
        if (frio)
            for (const QString &a : archivos)
                aDisco(a, true);
        const auto t0 = Reloj::now();
        const size_t palabras = abrir(ruta);
        st.SetIterationTime(segundosDesde(t0));
        st.counters["palabras"] = double(palabras);
        soltar();
    }
    if (frio)
        for (const QString &a : archivos) {
            QFile f(a);
            if (f.open(QIODevice::ReadOnly))
                while (!f.read(1 << 20).isEmpty()) {
                }
        }
}

// sinInstantanea: the list read from the rows, as after another program wrote.
void abrirNuestro(benchmark::State &st, bool frio, bool sinInstantanea)
{
    const QByteArray cache = qgetenv("RIMARIO_CACHE");
    const bool habia = qEnvironmentVariableIsSet("RIMARIO_CACHE");
    if (sinInstantanea)
        qputenv("RIMARIO_CACHE", "");
    // The program is let go once timed: what it does on a thread of its own
    // after its list is up (making the indexes, keeping the list) is not
    // part of the start.
    std::unique_ptr<Programa> abierto;
    medirApertura(
        st, kNuestro, frio,
        [&abierto](const QString &ruta) {
            abierto = std::make_unique<Programa>(ruta);
            return size_t(abierto->lista->tamano());
        },
        [&abierto] { abierto.reset(); });
    if (!habia)
        qunsetenv("RIMARIO_CACHE");
    else
        qputenv("RIMARIO_CACHE", cache);
}

// A start after k rows were renamed by another program (k = 0: a clean start,
// which maps the snapshot), on a copy of the store: the snapshot brought up to
// date from the store's log of changes. Each run renames the same rows back.
void abrirTrasCambios(benchmark::State &st, int k)
{
    static QString ruta;
    if (ruta.isEmpty())
        ruta = copia(kNuestro);
    auto a = Almacen::abrir(ruta);
    {
        Lexico l(a->colador());
        l.cargar(*a);
        l.esperarInstantanea();
    }
    sqlite3 *otro = nullptr;
    sqlite3_open(QFile::encodeName(ruta).constData(), &otro);
    bool vuelta = false;
    for (auto _ : st) {
        if (k) {
            const std::string sql = std::string("UPDATE Palabras SET Pal = ") + (vuelta ? "substr(Pal, 2)" : "'x' || Pal")
                + " WHERE Id IN (SELECT Id FROM PalabrasBase ORDER BY Id LIMIT " + std::to_string(k) + ")";
            vuelta = !vuelta;
            sqlite3_exec(otro, sql.c_str(), nullptr, nullptr, nullptr);
        }
        Lexico l(a->colador());
        const auto t0 = Reloj::now();
        const Lexico::Origen origen = l.cargar(*a);
        st.SetIterationTime(segundosDesde(t0));
        if (origen != (k > 0 ? Lexico::Origen::AlDia : Lexico::Origen::Instantanea))
            st.SkipWithError("la lista no vino de su copia");
        l.esperarInstantanea();
    }
    sqlite3_close(otro);
}

// A word renamed in the window at a million words, and back: the store's
// write and commit, and the list with its indexes brought along ('nuestro');
// the list's part alone ('lista'); the same rename in the indexed table, its
// reversed word and skeleton with it, autocommitted as every write here
// ('competente').
void editar(benchmark::State &st, int quien)
{
    static std::unique_ptr<Programa> p;
    static std::unique_ptr<Almacen> a;
    static std::unique_ptr<Lexico> l;
    sqlite3 *db = nullptr;
    if (quien == 0 && !p)
        p = std::make_unique<Programa>(copia(kNuestro));
    if (quien == 1 && !l) {
        a = Almacen::abrir(datos(QLatin1String(kNuestro)), true);
        l = std::make_unique<Lexico>(a->colador());
        l->cargar(*a);
    }
    if (quien == 2)
        sqlite3_open(QFile::encodeName(copia("competente.db")).constData(), &db);
    const QString palabras[2] = {QStringLiteral("cantamos"), QStringLiteral("zzcantamos")};
    int vuelta = 0;
    for (auto _ : st) {
        const QString &de = palabras[vuelta], &a = palabras[1 - vuelta];
        vuelta = 1 - vuelta;
        if (quien == 0) {
            ListaPalabras &lista = *p->lista;
            lista.buscarIgual(de);
            lista.cambiarPal(lista.actual(), a);
        } else if (quien == 1) {
            l->cambiar(l->buscarIgual(de), a, ExtraeVocales(a));
        } else {
            QString inv = a.toLower(), invVoc = ExtraeVocales(a);
            std::reverse(inv.begin(), inv.end());
            std::reverse(invVoc.begin(), invVoc.end());
            const std::string sql = "UPDATE Palabras SET Pal = '" + a.toStdString() + "', Inv = '" + inv.toStdString()
                + "', Voc = '" + ExtraeVocales(a).toStdString() + "', InvVoc = '" + invVoc.toStdString()
                + "' WHERE rowid = (SELECT rowid FROM Palabras WHERE Pal = '" + de.toStdString() + "')";
            if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                st.SkipWithError("no se pudo cambiar la palabra");
        }
    }
    sqlite3_close(db);
}

// The window's check of a mapped snapshot's sum, a pass through the file from
// the page cache (on a thread of its own, once the list is up).
void comprobarInstantanea(benchmark::State &st)
{
    auto a = Almacen::abrir(datos(QLatin1String(kNuestro)), true);
    Lexico l(a->colador());
    l.cargar(*a);
    const auto comprobar = l.comprobacionDeInstantanea();
    if (!comprobar) {
        st.SkipWithError("la lista no vino de su copia");
        return;
    }
    const std::atomic<bool> parar{false};
    for (auto _ : st)
        if (!comprobar(parar))
            st.SkipWithError("la copia no está entera");
}

// Mapping the snapshot at a million words: as a plain mapping (what a program
// that takes no care does, and this one did), under a lease (what a start
// does), and read into memory (the start where no lease can be had).
void mapearInstantanea(benchmark::State &st, int modo)
{
    auto a = Almacen::abrir(datos(QLatin1String(kNuestro)), true);
    {
        Lexico l(a->colador());
        l.cargar(*a);
    }
    const std::string ruta = QFile::encodeName(rutaInstantanea(a->ruta())).toStdString();
    const Huella h = a->huella();
    for (auto _ : st) {
        if (modo == 0) {
            const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
            struct stat e;
            ::fstat(fd, &e);
            void *m = ::mmap(nullptr, size_t(e.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            benchmark::DoNotOptimize(m);
            ::munmap(m, size_t(e.st_size));
            ::close(fd);
        } else if (!mapearLista(ruta, h, modo == 1 ? Resguardo::Arriendo : Resguardo::Copia)) {
            st.SkipWithError("no se pudo mapear la copia");
        }
    }
}

void abrirIngenuo(benchmark::State &st, bool frio)
{
    medirApertura(st, kIngenuo, frio, [](const QString &ruta) {
        Ingenua b(ruta);
        b.leerLista();
        return b.lista().size();
    });
}

// ---- one keystroke of incremental search

void teclaNuestra(benchmark::State &st, const char *texto)
{
    ListaPalabras &l = *programa(false).lista;
    const QString t = QString::fromUtf8(texto);
    bool hallada = false;
    for (auto _ : st)
        benchmark::DoNotOptimize(hallada = l.buscarPrefijo(t));
    st.SetLabel(hallada ? l.palActual().toStdString() : "(ninguna)");
}

void teclaIngenua(benchmark::State &st, const char *texto)
{
    const Ingenua &b = ingenua(false);
    const QString t = QString::fromUtf8(texto);
    QString hallada;
    for (auto _ : st)
        benchmark::DoNotOptimize(hallada = b.buscarPrefijo(t));
    st.SetLabel(hallada.isEmpty() ? "(ninguna)" : hallada.toStdString());
}

// ---- whole-word rhyme search

void completasNuestra(benchmark::State &st, const char *palabra, int n)
{
    const Lexico &lx = programa(false).lista->lexico();
    const QString w = QString::fromUtf8(palabra);
    qsizetype filas = 0;
    for (auto _ : st)
        filas = rimasCompletas(lx, w, n, false).tamano();
    st.counters["filas"] = double(filas);
}

void completasIngenua(benchmark::State &st, const char *palabra, int n)
{
    const Ingenua &b = ingenua(false);
    const QString w = QString::fromUtf8(palabra);
    size_t filas = 0;
    for (auto _ : st)
        filas = b.rimasCompletas(w, n).size();
    st.counters["filas"] = double(filas);
}

// ---- consonant and assonant rhyme by the keys the word list holds per word;
// the baseline analyses every word of the list, as a store without keys must

// What the command line runs: the rows' places in the list.
void clavesNuestra(benchmark::State &st, const char *palabra, bool consonante)
{
    const Lexico &lx = programa(false).lista->lexico();
    const AnalisisSilabico a = analizarPalabra(QString::fromUtf8(palabra));
    std::vector<qsizetype> pos;
    for (auto _ : st)
        lx.riman(consonante ? TipoRima::Consonante : TipoRima::Asonante, consonante ? a.claveConsonante : a.claveAsonante, -1, pos);
    st.counters["filas"] = double(pos.size());
}

// What the window's context menu runs: the rows of the list, in its order, ready for the grid.
void clavesVentana(benchmark::State &st, const char *palabra, bool consonante)
{
    Programa &p = programa(false);
    const QString w = QString::fromUtf8(palabra);
    qsizetype filas = 0;
    for (auto _ : st)
        filas = rimasPorClave(p.lista->lexico(), w, consonante ? TipoRima::Consonante : TipoRima::Asonante, false).tamano();
    st.counters["filas"] = double(filas);
}

void clavesIngenua(benchmark::State &st, const char *palabra, bool consonante)
{
    const Lexico &lx = programa(false).lista->lexico();
    const AnalisisSilabico a = analizarPalabra(QString::fromUtf8(palabra));
    const QString clave = consonante ? a.claveConsonante : a.claveAsonante;
    size_t filas = 0;
    for (auto _ : st) {
        filas = 0;
        for (qsizetype i = 0; i < lx.tamano(); ++i) {
            const AnalisisSilabico b = analizarPalabra(lx.pal(i));
            if (b.valido && (consonante ? b.claveConsonante : b.claveAsonante) == clave)
                ++filas;
        }
    }
    st.counters["filas"] = double(filas);
}

// ---- vowel-mode rhyme search: marks committed, result and word list ready

void vocalesNuestra(benchmark::State &st, const char *palabra, int n)
{
    Programa &p = programa(true);
    const QString w = QString::fromUtf8(palabra);
    qsizetype filas = 0;
    for (auto _ : st) {
        const auto r = marcarRimasVocales(*p.almacen, p.lista->lexico(), w, n, false);
        p.lista->refrescar();
        p.lista->buscarPrefijo(w);
        filas = r ? r->tamano() : 0;
    }
    st.counters["filas"] = double(filas);
}

void vocalesIngenua(benchmark::State &st, const char *palabra, int n)
{
    Ingenua &b = ingenua(true);
    const QString w = QString::fromUtf8(palabra);
    size_t filas = 0;
    for (auto _ : st)
        filas = b.rimasVocales(w, n).size();
    st.counters["filas"] = double(filas);
}

// ---- memory of a process that opened the store and holds the list

long rssPicoKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Child process: prints its peak RSS before and after opening (KiB), the
// memory the word list reports (bytes) and the number of words.
int medirMemoria(const std::string &lado)
{
    const long inicial = rssPicoKb();
    size_t lexico = 0, palabras = 0;
    std::unique_ptr<Programa> p;
    std::unique_ptr<Ingenua> b;
    if (lado == "nuestro") {
        p = std::make_unique<Programa>(datos(kNuestro));
        lexico = p->lista->lexico().memoria();
        palabras = size_t(p->lista->tamano());
    } else {
        b = std::make_unique<Ingenua>(datos(kIngenuo));
        b->leerLista();
        palabras = b->lista().size();
    }
    std::printf("%ld %ld %zu %zu\n", inicial, rssPicoKb(), lexico, palabras);
    return 0;
}

void memoria(benchmark::State &st, const char *lado)
{
    std::string orden = std::filesystem::read_symlink("/proc/self/exe").string();
    orden.insert(0, 1, '\'').append("' --medir-memoria ").append(lado);
    for (auto _ : st) {
        long inicial = 0, pico = 0;
        size_t lexico = 0, palabras = 0;
        FILE *f = popen(orden.c_str(), "r");
        const bool leido = f && std::fscanf(f, "%ld %ld %zu %zu", &inicial, &pico, &lexico, &palabras) == 4;
        if (f)
            pclose(f);
        if (!leido) {
            st.SkipWithError("el proceso de medida no dio cifras");
            return;
        }
        st.counters["rss_pico_MB"] = double(pico) / 1024;
        st.counters["rss_sin_datos_MB"] = double(inicial) / 1024;
        if (lexico > 0)
            st.counters["lexico_MB"] = double(lexico) / (1024 * 1024);
        st.counters["palabras"] = double(palabras);
    }
}

// ---- rimario-cli's direct search, with and without the check of the blocks it reads
void directa(benchmark::State &st, std::vector<std::string> args, bool comprobar)
{
    args.insert(args.begin(), {"--almacen", datos(QLatin1String(kNuestro)).toStdString()});
    std::FILE *nulo = std::fopen("/dev/null", "w");
    auto buscar = [&] { return cli::buscarDirecto(args, nulo, comprobar); };
    if (!buscar()) { // no snapshot yet
        auto a = Almacen::abrir(datos(QLatin1String(kNuestro)), true);
        Lexico l(a->colador());
        l.cargar(*a);
        l.esperarInstantanea();
    }
    for (auto _ : st)
        if (!buscar())
            st.SkipWithError("la búsqueda directa no respondió");
    std::fclose(nulo);
}

void registrar()
{
    using benchmark::RegisterBenchmark;
    using benchmark::kMillisecond;
    for (const bool frio : {false, true}) {
        const std::string nombre = std::string("abrir/") + (frio ? "frio" : "caliente");
        RegisterBenchmark((nombre + "/nuestro").c_str(), abrirNuestro, frio, false)
            ->UseManualTime()->Unit(kMillisecond)->Iterations(8);
        RegisterBenchmark((nombre + "/nuestro-filas").c_str(), abrirNuestro, frio, true)
            ->UseManualTime()->Unit(kMillisecond)->Iterations(4);
        RegisterBenchmark((nombre + "/ingenuo").c_str(), abrirIngenuo, frio)
            ->UseManualTime()->Unit(kMillisecond)->Iterations(8);
    }
    for (const int k : {0, 1, 100, 10000})
        RegisterBenchmark(("abrir/tras-cambios/" + std::to_string(k)).c_str(), abrirTrasCambios, k)
            ->UseManualTime()->Unit(kMillisecond)->Iterations(6);
    for (const auto &[nombre, quien] : {std::pair{"nuestro", 0}, {"lista", 1}, {"competente", 2}})
        RegisterBenchmark((std::string("editar/palabra/") + nombre).c_str(), editar, quien)->Unit(kMillisecond)->Iterations(100);
    for (const auto &[nombre, modo] : {std::pair{"sin-resguardo", 0}, {"arriendo", 1}, {"copia", 2}})
        RegisterBenchmark((std::string("mapear/instantanea/") + nombre).c_str(), mapearInstantanea, modo)
            ->Unit(kMillisecond)->UseRealTime();
    RegisterBenchmark("comprobar/instantanea/nuestro", comprobarInstantanea)->Unit(kMillisecond)->UseRealTime();
    const std::pair<const char *, std::vector<std::string>> busquedas[] = {
        {"n2/canción", {"-n", "2", "canción"}},
        {"vocales-n2/canción", {"--vocales", "-n", "2", "canción"}},
        {"n2/cantamos", {"-n", "2", "cantamos"}},
        {"consonante/canción", {"--consonante", "canción"}},
    };
    for (const auto &[nombre, args] : busquedas)
        for (const bool comprobar : {true, false})
            RegisterBenchmark((std::string("directa/") + nombre + (comprobar ? "/comprobada" : "/sin-comprobar")).c_str(),
                              directa, args, comprobar)
                ->Unit(benchmark::kMicrosecond)->UseRealTime();
    for (const char *t : {"a", "ca", "des", "zurc", "qx", "ñu", "árb", "c?n", "*qx", "*aeiou", "*[qk]*[xz]", "*ñ?[a-c]x",
                          "?????????????????????????", "*x*y*z*w", "*[!a-zñáéíóúü]*"}) {
        const std::string nombre = std::string("tecla/") + t;
        RegisterBenchmark((nombre + "/nuestro").c_str(), teclaNuestra, t)
            ->Unit(benchmark::kMicrosecond)->UseRealTime();
        RegisterBenchmark((nombre + "/ingenuo").c_str(), teclaIngenua, t)
            ->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.2);
    }
    RegisterBenchmark("memoria/nuestro", memoria, "nuestro")->Iterations(1);
    RegisterBenchmark("memoria/ingenuo", memoria, "ingenuo")->Iterations(1);

    struct Caso {
        const char *palabra;
        int n;
    };
    // "os" and "eo" are the commonest two-letter and two-vowel endings of the list.
    for (const Caso c : {Caso{"cantamos", 2}, Caso{"cantaremos", 5}}) {
        const std::string nombre = "completa/" + std::string(c.palabra) + "/n" + std::to_string(c.n);
        RegisterBenchmark((nombre + "/nuestro").c_str(), completasNuestra, c.palabra, c.n)
            ->Unit(kMillisecond)->UseRealTime();
        RegisterBenchmark((nombre + "/ingenuo").c_str(), completasIngenua, c.palabra, c.n)
            ->Unit(kMillisecond)->UseRealTime()->Iterations(5);
    }
    for (const bool consonante : {true, false}) {
        const std::string nombre = std::string(consonante ? "consonante" : "asonante") + "/cantamos";
        RegisterBenchmark((nombre + "/nuestro").c_str(), clavesNuestra, "cantamos", consonante)
            ->Unit(kMillisecond)->UseRealTime();
        RegisterBenchmark((nombre + "/ventana").c_str(), clavesVentana, "cantamos", consonante)
            ->Unit(kMillisecond)->UseRealTime();
        RegisterBenchmark((nombre + "/ingenuo").c_str(), clavesIngenua, "cantamos", consonante)
            ->Unit(kMillisecond)->UseRealTime()->Iterations(2);
    }
    for (const Caso c : {Caso{"deseo", 2}, Caso{"murciélago", 5}}) {
        const std::string nombre = "vocales/" + std::string(c.palabra) + "/n" + std::to_string(c.n);
        RegisterBenchmark((nombre + "/nuestro").c_str(), vocalesNuestra, c.palabra, c.n)
            ->Unit(kMillisecond)->UseRealTime()->Iterations(30);
        RegisterBenchmark((nombre + "/ingenuo").c_str(), vocalesIngenua, c.palabra, c.n)
            ->Unit(kMillisecond)->UseRealTime()->Iterations(3);
    }
}

} // namespace

int main(int argc, char **argv)
{
    try {
        if (argc == 3 && std::strcmp(argv[1], "--medir-memoria") == 0)
            return medirMemoria(argv[2]);
        if (argc == 4 && (std::strcmp(argv[1], "--crear-ingenua") == 0 || std::strcmp(argv[1], "--crear-competente") == 0)) {
            const qint64 n = Ingenua::crear(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                            std::strcmp(argv[1], "--crear-competente") == 0);
            std::fprintf(stderr, "%lld palabras en %s\n", static_cast<long long>(n), argv[3]);
            return 0;
        }
        for (const char *f : {kNuestro, kIngenuo})
            if (!QFile::exists(datos(QLatin1String(f)))) {
                std::fprintf(stderr, "Falta %s: ejecute bench/preparar-datos.sh.\n",
                             qPrintable(datos(QLatin1String(f))));
                return 1;
            }
        registrar();
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
    for (const QString &c : copias) {
        QFile::remove(c);
        QFile::remove(c + QStringLiteral("-journal"));
    }
    return 0;
}
