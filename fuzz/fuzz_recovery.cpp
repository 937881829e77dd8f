// A recovery copy read back at start-up: whatever is read must be a
// project the document takes over as it stands, written again and read
// back the same; what is refused must say why and leave the copy given
// alone.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/error.h"
#include "base/gref.h"
#include "files/recovery.h"
#include "fuzz_support.h"
#include "items/document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RecoveryCopy copy;
    copy.name = "untouched";
    GErrorPtr error;
    if (!recovery_parse(std::span<const uint8_t>(data, size), &copy, error.out())) {
        zbx_fuzz_check(zbx_error_is(error.get(), ZbxError::BadFormat) && copy.name == "untouched" &&
                       copy.project.items.empty());
        return 0;
    }
    zbx_fuzz_check(copy.project.items.size() <= static_cast<size_t>(kMaxItems));
    zbx_fuzz_check(copy.preview.size() == copy.project.items.size());
    RecoveryCopy again;
    zbx_fuzz_check(recovery_parse(recovery_encode(copy), &again, nullptr));
    zbx_fuzz_check(again.project == copy.project && again.preview == copy.preview &&
                   again.session == copy.session && again.written == copy.written);
    Document document;
    document.load(copy.project);
    for (int item = 0; item < document.item_count(); item++) {
        document.set_preview_colour(item, copy.preview[item]);
        document.object_image(item);
    }
    return 0;
}
