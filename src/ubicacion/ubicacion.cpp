#include "ubicacion/ubicacion.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

// From the top CMakeLists: the data folder as seen from the programs' folder.
#ifndef RIMARIO_DATOS_DESDE_BIN
#define RIMARIO_DATOS_DESDE_BIN "../share/rimario"
#endif

namespace rimario::ubicacion {

namespace {

const char kAlmacen[] = "data.lop";

// An XDG base folder: the variable when it holds an absolute path (the
// XDG rules say a relative one is ignored), else $HOME and the default.
std::string carpetaXdg(const char *variable, const char *predeterminada)
{
    const char *v = std::getenv(variable);
    if (v && v[0] == '/')
        return v;
    const char *casa = std::getenv("HOME");
    return std::string(casa && *casa ? casa : ".") + '/' + predeterminada;
}

} // namespace

bool existe(const std::string &ruta)
{
    struct stat st;
    return ::lstat(ruta.c_str(), &st) == 0;
}

std::string carpetaDelPrograma()
{
    char propia[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", propia, sizeof propia - 1);
    if (n <= 0)
        return ".";
    const std::string ruta(propia, size_t(n));
    const auto barra = ruta.rfind('/');
    return barra == 0 ? std::string("/") : ruta.substr(0, barra);
}

std::string almacenJunto()
{
    return carpetaDelPrograma() + '/' + kAlmacen;
}

std::string carpetaDelUsuario()
{
    return carpetaXdg("XDG_DATA_HOME", ".local/share") + "/rimario";
}

std::string almacenDelUsuario()
{
    return carpetaDelUsuario() + '/' + kAlmacen;
}

std::string almacenPredeterminado()
{
    return carpetaDelPrograma() + "/" RIMARIO_DATOS_DESDE_BIN "/" + kAlmacen;
}

std::string almacenDeLaVentana()
{
    const std::string junto = almacenJunto();
    return existe(junto) ? junto : almacenDelUsuario();
}

std::string almacenPorOmision()
{
    if (existe(kAlmacen))
        return kAlmacen;
    const std::string ventana = almacenDeLaVentana();
    if (existe(ventana))
        return ventana;
    const std::string predeterminado = almacenPredeterminado();
    return existe(predeterminado) ? predeterminado : ventana;
}

std::string carpetaDeConfiguracion()
{
    const std::string propia = carpetaDelPrograma();
    if (existe(propia + "/rimario.ini"))
        return propia;
    return carpetaXdg("XDG_CONFIG_HOME", ".config") + "/rimario";
}

} // namespace rimario::ubicacion
