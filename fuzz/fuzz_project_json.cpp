// A project's JSON text, hand-edited or broken: what is read is written
// again and read back the same, and a document takes it over; what is
// refused says why and leaves the project given alone.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "files/project_json.h"
#include "fuzz_support.h"
#include "items/document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ZbxProject project;
    std::vector<uint8_t> preview;
    GErrorPtr error;
    if (!project_json_import(std::span<const uint8_t>(data, size), &project, &preview,
                             error.out())) {
        zbx_fuzz_check(zbx_error_is(error.get(), ZbxError::BadFormat) && project.items.empty() &&
                       preview.empty());
        return 0;
    }
    zbx_fuzz_check(preview.size() == project.items.size());
    const std::string text = project_json_export(project, preview);
    ZbxProject again;
    std::vector<uint8_t> colours;
    zbx_fuzz_check(project_json_import(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(text.data()), text.size()),
        &again, &colours, nullptr));
    zbx_fuzz_check(again == project && colours == preview);
    Document document;
    document.load(project);
    return 0;
}
