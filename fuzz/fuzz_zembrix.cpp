// The project file reader on arbitrary bytes, through a document: whatever
// it accepts must draw every location, stay as parsed in the document, write
// back, read back to the same data and write back byte-identical.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "base/gref.h"
#include "files/zembrix.h"
#include "files/zembrix_format.h"
#include "items/document.h"
#include "render/render.h"

namespace {
GdkPixbuf *canvas = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    canvas = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    ZbxProject plain;
    const bool parsed = zembrix_parse(file, "fuzz.prg", &plain, nullptr, nullptr, nullptr);

    if (!parsed) {
        return 0;
    }
    Document document;
    document.load(plain);

    // Every location as the editor draws it; each distinct one once.
    std::set<std::pair<int, int>> drawn;
    for (int s = 0; s < kZbxLocationRecords; s++) {
        const ZbxLocationRecord record = document.location(s);
        if (drawn.insert({record.panel, record.colour}).second) {
            render_stored_panel(document, record.panel, canvas, record.colour);
        }
    }

    // The document holds what was parsed.
    const ZbxProject &from_tables = document.project();
    if (!(from_tables == plain)) {
        std::abort();
    }
    std::vector<uint8_t> written;
    if (!zembrix_encode(from_tables, &written, nullptr)) {
        // Only data that grew past the address limit may be refused (a
        // definition list shared by several panels is written once each).
        if (zembrix_data_end(from_tables) <= kZbxAddressLimit) {
            std::abort();
        }
        return 0;
    }
    ZbxProject again;
    if (!zembrix_parse(written, "fuzz.prg", &again, nullptr, nullptr, nullptr) ||
        !(again == plain)) {
        std::abort();
    }
    std::vector<uint8_t> rewritten;
    if (!zembrix_encode(again, &rewritten, nullptr) || rewritten != written) {
        std::abort();
    }
    return 0;
}
