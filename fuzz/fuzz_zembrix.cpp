// The project file reader on arbitrary bytes. Whatever it accepts must
// write back, read back to the same data, and write back byte-identical.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/zembrix_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ZbxProject project;
    if (!zembrix_parse({data, size}, "fuzz.prg", &project, nullptr, nullptr, nullptr)) {
        return 0;
    }
    std::vector<uint8_t> written;
    if (!zembrix_encode(project, &written, nullptr)) {
        // Only data that grew past the address limit may be refused (shared
        // definition lists are written once per panel).
        return 0;
    }
    ZbxProject again;
    if (!zembrix_parse(written, "fuzz.prg", &again, nullptr, nullptr, nullptr) ||
        !(again == project)) {
        std::abort();
    }
    std::vector<uint8_t> rewritten;
    if (!zembrix_encode(again, &rewritten, nullptr) || rewritten != written) {
        std::abort();
    }
    return 0;
}
