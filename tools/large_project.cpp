// Writes the benchmarks' large project (255 items near the address limit),
// for timing zembrix-cli and the editor on it from the shell.
//
//   zembrix_large_project OUT.prg [--nested]
//
// With --nested the locations elect the last, most nested panels;
// otherwise the first ones.
#include <cstdio>
#include <cstring>
#include <vector>

#include <glib.h>

#include "../bench/large_project.h"

int main(int argc, char **argv)
{
    const bool nested = argc == 3 && std::strcmp(argv[2], "--nested") == 0;
    if (argc < 2 || argc > 3 || (argc == 3 && !nested)) {
        std::fprintf(stderr, "Usage: zembrix_large_project OUT.prg [--nested]\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = zbx_near_limit_project(nested);
    GError *error = nullptr;
    if (!g_file_set_contents(argv[1], reinterpret_cast<const char *>(bytes.data()),
                             static_cast<gssize>(bytes.size()), &error)) {
        std::fprintf(stderr, "%s\n", error->message);
        g_error_free(error);
        return 1;
    }
    return 0;
}
