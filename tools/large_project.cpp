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
#include "base/gref.h"
#include "files/fileio.h"

int main(int argc, char **argv)
{
    const bool nested = argc == 3 && std::strcmp(argv[2], "--nested") == 0;
    if (argc < 2 || argc > 3 || (argc == 3 && !nested)) {
        std::fprintf(stderr, "Usage: zembrix_large_project OUT.prg [--nested]\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = zbx_near_limit_project(nested);
    GErrorPtr error;
    if (!fileio_write_file(argv[1], bytes, error.out())) {
        std::fprintf(stderr, "%s\n", error.message());
        return 1;
    }
    return 0;
}
