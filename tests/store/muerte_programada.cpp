#include "muerte_programada.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace rimario::muerte {

namespace {

std::int64_t gPasos = 0;
std::int64_t gMatarEn = 0;

// Counts a step; dies instead of taking the one chosen.
void paso(const char *que, const char *nombre)
{
    if (++gPasos != gMatarEn)
        return;
    char linea[512];
    const int n = std::snprintf(linea, sizeof linea, "muerte antes del paso %lld: %s %s\n", static_cast<long long>(gPasos), que, nombre ? nombre : "?");
    (void)!::write(2, linea, size_t(std::clamp(n, 0, int(sizeof linea) - 1)));
    ::kill(::getpid(), SIGKILL);
    for (;;)
        ::pause();
}

// SQLite's own calls into the system for its files: the real ones, and ours in
// front of those that change the disk. A kill ends the process, not the
// machine: what was written is in the page cache whether or not it was synced,
// so syncs are no steps of their own.
sqlite3_syscall_ptr gAbrir, gEscribir, gEscribirEn, gEscribirEn64, gTruncar, gBorrar;

int abrir(const char *n, int flags, mode_t modo)
{
    if (flags & O_CREAT)
        paso("create", n);
    return reinterpret_cast<int (*)(const char *, int, mode_t)>(gAbrir)(n, flags, modo);
}
ssize_t escribir(int fd, const void *b, size_t n) { return paso("write", "-"), reinterpret_cast<ssize_t (*)(int, const void *, size_t)>(gEscribir)(fd, b, n); }
ssize_t escribirEn(int fd, const void *b, size_t n, off_t o) { return paso("pwrite", "-"), reinterpret_cast<ssize_t (*)(int, const void *, size_t, off_t)>(gEscribirEn)(fd, b, n, o); }
ssize_t escribirEn64(int fd, const void *b, size_t n, off64_t o) { return paso("pwrite64", "-"), reinterpret_cast<ssize_t (*)(int, const void *, size_t, off64_t)>(gEscribirEn64)(fd, b, n, o); }
int truncar(int fd, off_t t) { return paso("truncate", "-"), reinterpret_cast<int (*)(int, off_t)>(gTruncar)(fd, t); }
int borrar(const char *n) { return paso("delete", n), reinterpret_cast<int (*)(const char *)>(gBorrar)(n); }

void poner(sqlite3_vfs *v, const char *nombre, sqlite3_syscall_ptr &real, sqlite3_syscall_ptr nuestra)
{
    real = v->xGetSystemCall(v, nombre);
    v->xSetSystemCall(v, nombre, nuestra);
}

template <typename F>
F siguiente(const char *nombre)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, nombre));
}

} // namespace

void instalarMuerte()
{
    sqlite3_vfs *v = sqlite3_vfs_find(nullptr);
    if (gAbrir)
        return;
    poner(v, "open", gAbrir, reinterpret_cast<sqlite3_syscall_ptr>(abrir));
    poner(v, "write", gEscribir, reinterpret_cast<sqlite3_syscall_ptr>(escribir));
    poner(v, "pwrite", gEscribirEn, reinterpret_cast<sqlite3_syscall_ptr>(escribirEn));
    poner(v, "pwrite64", gEscribirEn64, reinterpret_cast<sqlite3_syscall_ptr>(escribirEn64));
    poner(v, "ftruncate", gTruncar, reinterpret_cast<sqlite3_syscall_ptr>(truncar));
    poner(v, "unlink", gBorrar, reinterpret_cast<sqlite3_syscall_ptr>(borrar));
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
    rimario::muerte::paso("renameat2", hacia);
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
