// Replays inputs through a fuzz target without libFuzzer: every file named on
// the command line, and every file of every folder named. The ordinary and the
// sanitizer builds run the committed corpus this way.

#include "comun.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<fs::path> archivos;
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        if (fs::is_directory(p)) {
            for (const auto &e : fs::directory_iterator(p))
                if (e.is_regular_file())
                    archivos.push_back(e.path());
        } else if (fs::is_regular_file(p)) {
            archivos.push_back(p);
        } else {
            std::fprintf(stderr, "No existe: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(archivos.begin(), archivos.end());
    for (const fs::path &a : archivos) {
        std::ifstream f(a, std::ios::binary);
        const std::vector<char> datos{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        std::fprintf(stderr, "%s (%zu bytes)\n", a.c_str(), datos.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(datos.data()), datos.size());
    }
    std::printf("%zu entradas sin fallos\n", archivos.size());
    return archivos.empty() ? 1 : 0;
}
