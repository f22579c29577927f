// rimario: starts the window, the program rimario-ventana beside this one,
// with the C library's allocator asked to let the kernel back its large blocks
// with 2 MB pages where the system allows it (transparent huge pages in
// "madvise" mode, the usual setting). At a million words the grid's per-row
// state is some megabytes written at once; in 4 KB pages that is thousands of
// page faults before the first paint. The setting has to be in place before
// the C library starts, hence this separate, dependency-free start.

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

int main(int, char **argv)
{
    char propia[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", propia, sizeof propia - 1);
    std::string programa = n > 0 ? std::string(propia, size_t(n)) : std::string(argv[0]);
    programa = programa.substr(0, programa.rfind('/') + 1) + "rimario-ventana";
    const char *antes = std::getenv("GLIBC_TUNABLES");
    if (!antes || !std::strstr(antes, "glibc.malloc.hugetlb")) {
        const std::string ajustes = antes && *antes ? std::string(antes) + ":glibc.malloc.hugetlb=1"
                                                    : std::string("glibc.malloc.hugetlb=1");
        ::setenv("GLIBC_TUNABLES", ajustes.c_str(), 1);
    }
    ::execv(programa.c_str(), argv);
    std::fprintf(stderr, "No se pudo iniciar «%s»: %s.\n", programa.c_str(),
                 errno == ENOENT ? "no está junto a este programa" : "no se puede ejecutar");
    return 127;
}
