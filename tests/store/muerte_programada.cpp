#include "muerte_programada.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

namespace rimario::muerte {

namespace {

std::int64_t gPasos = 0;
std::int64_t gMatarEn = 0;
sqlite3_vfs *gReal = nullptr;

// Counts a step; dies instead of taking the one chosen.
void paso(const char *que, const char *nombre, long long a = -1, long long b = -1)
{
    if (++gPasos != gMatarEn)
        return;
    char linea[512];
    const int n = std::snprintf(linea, sizeof linea, "muerte antes del paso %lld: %s %s %lld %lld\n", static_cast<long long>(gPasos), que, nombre ? nombre : "?", a, b);
    (void)!::write(2, linea, size_t(std::clamp(n, 0, int(sizeof linea) - 1)));
    ::kill(::getpid(), SIGKILL);
    for (;;)
        ::pause();
}

struct Archivo {
    sqlite3_file base;
    const char *nombre;
    sqlite3_file *real; // follows this struct in the same block
};

sqlite3_file *real(sqlite3_file *f) { return reinterpret_cast<Archivo *>(f)->real; }
const char *nombre(sqlite3_file *f) { return reinterpret_cast<Archivo *>(f)->nombre; }

int cerrar(sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); }
int leer(sqlite3_file *f, void *p, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), p, n, o); }
int escribir(sqlite3_file *f, const void *p, int n, sqlite3_int64 o)
{
    paso("write", nombre(f), o, n);
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int truncar(sqlite3_file *f, sqlite3_int64 t)
{
    paso("truncate", nombre(f), t);
    return real(f)->pMethods->xTruncate(real(f), t);
}
// A kill ends the process, not the machine: what was written is in the page
// cache whether or not it reached the disk, so a sync is a kill point but is
// not passed on (that keeps hundreds of runs quick).
int sincronizar(sqlite3_file *f, int flags) { return paso("sync", nombre(f), flags), SQLITE_OK; }
int tamano(sqlite3_file *f, sqlite3_int64 *t) { return real(f)->pMethods->xFileSize(real(f), t); }
int bloquear(sqlite3_file *f, int l) { return real(f)->pMethods->xLock(real(f), l); }
int desbloquear(sqlite3_file *f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
int reservado(sqlite3_file *f, int *r) { return real(f)->pMethods->xCheckReservedLock(real(f), r); }
int control(sqlite3_file *f, int op, void *arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int sector(sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); }
int caracteristicas(sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }

// Version 1: no shared memory (the stores keep a rollback journal) and no mapping.
const sqlite3_io_methods kMetodos = {1,     cerrar,    leer,    escribir, truncar,         sincronizar,
                                     tamano, bloquear, desbloquear, reservado, control, sector,
                                     caracteristicas, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

int abrir(sqlite3_vfs *, sqlite3_filename zNombre, sqlite3_file *f, int flags, int *salida)
{
    auto *a = reinterpret_cast<Archivo *>(f);
    a->base.pMethods = nullptr;
    a->nombre = zNombre ? zNombre : "(temporal)";
    a->real = reinterpret_cast<sqlite3_file *>(a + 1);
    if ((flags & SQLITE_OPEN_CREATE) && !(flags & SQLITE_OPEN_MAIN_DB))
        paso("create", a->nombre);
    const int rc = gReal->xOpen(gReal, zNombre, a->real, flags, salida);
    if (a->real->pMethods)
        a->base.pMethods = &kMetodos;
    return rc;
}

int borrar(sqlite3_vfs *, const char *zNombre, int syncDir)
{
    paso("delete", zNombre, syncDir);
    return gReal->xDelete(gReal, zNombre, syncDir);
}
sqlite3_vfs gContador;

template <typename F>
F siguiente(const char *nombre)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, nombre));
}

} // namespace

void instalarMuerte()
{
    if (gReal)
        return;
    gReal = sqlite3_vfs_find(nullptr);
    // The default one's methods, but for opening and deleting files.
    gContador = *gReal;
    gContador.szOsFile = int(sizeof(Archivo)) + gReal->szOsFile;
    gContador.zName = "muerte";
    gContador.pNext = nullptr;
    gContador.xOpen = abrir;
    gContador.xDelete = borrar;
    sqlite3_vfs_register(&gContador, 1);
}

void armarMuerte(std::int64_t n)
{
    gPasos = 0;
    gMatarEn = n;
}

std::int64_t pasosDados() { return gPasos; }

void pasoPropio(const char *que)
{
    paso(que, "-");
}

} // namespace rimario::muerte

// Renames and links taken by anyone in the process (the conversion, Qt) are
// steps too.
extern "C" {

int rename(const char *desde, const char *hacia)
{
    rimario::muerte::paso("rename", hacia);
    static auto real = rimario::muerte::siguiente<int (*)(const char *, const char *)>("rename");
    return real(desde, hacia);
}

int renameat2(int dfd1, const char *desde, int dfd2, const char *hacia, unsigned int flags)
{
    rimario::muerte::paso("renameat2", hacia, flags);
    static auto real =
        rimario::muerte::siguiente<int (*)(int, const char *, int, const char *, unsigned int)>("renameat2");
    return real(dfd1, desde, dfd2, hacia, flags);
}

int link(const char *desde, const char *hacia)
{
    rimario::muerte::paso("link", hacia);
    static auto real = rimario::muerte::siguiente<int (*)(const char *, const char *)>("link");
    return real(desde, hacia);
}

} // extern "C"
