// Clipboard text pasted into the panel editor, in either form: whatever is
// read must be placements a panel can hold, written again as the program
// writes them and read back the same from both forms; what is refused must
// say why, and leave the list it was given alone.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "files/placements_clip.h"
#include "files/zembrix_format.h"
#include "fuzz_support.h"

namespace {

void read_back(const std::vector<PanelDef> &defs)
{
    for (const PanelDef &def : defs) {
        int x = 0;
        int y = 0;
        zembrix_stored_position(def.x, def.y, &x, &y);
        zbx_fuzz_check(def.item >= 0 && def.item < kMaxItems && x == def.x && y == def.y);
        zbx_fuzz_check(def.override_count >= 0 && def.override_count <= 3);
        zbx_fuzz_check(def.is_object ||
                       (!def.mirror && !def.has_overrides && def.override_count == 0));
    }
    const std::string own = placements_clip_encode(defs);
    const std::string text = placements_clip_text(defs);
    std::vector<PanelDef> again;
    zbx_fuzz_check(placements_clip_parse(own, true, &again, nullptr) && again == defs);
    again.clear();
    zbx_fuzz_check(placements_clip_parse(text, false, &again, nullptr) && again == defs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    for (bool own : {true, false}) {
        const std::vector<PanelDef> untouched = {PanelDef{}};
        std::vector<PanelDef> defs = untouched;
        GErrorPtr error;
        if (placements_clip_parse(input, own, &defs, error.out())) {
            zbx_fuzz_check(!error && !defs.empty() && defs.size() <= kPlacementsClipMaxLines);
            read_back(defs);
        } else {
            zbx_fuzz_check(zbx_error_is(error.get(), ZbxError::BadFormat) && defs == untouched);
        }
    }
    return 0;
}
