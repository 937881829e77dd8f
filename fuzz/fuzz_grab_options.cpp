// Any command line of grab (NUL-separated arguments), parsed and checked as
// the command does, and the region it names cut from a picture: no text,
// however long or far out of range, may crash, leak or cut outside the
// picture.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "fuzz_support.h"
#include "items/objects.h"

namespace {

// GOptionContext answers these by printing help and ending the process.
bool asks_for_help(const std::string &arg)
{
    if (arg.rfind("--help", 0) == 0) {
        return true;
    }
    return arg.size() > 1 && arg[0] == '-' && arg[1] != '-' &&
           arg.find_first_of("h?") != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> args = {"grab"};
    std::string current;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    for (const std::string &arg : args) {
        if (asks_for_help(arg)) {
            return 0;
        }
    }
    std::vector<char *> argv;
    for (std::string &arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    char **argvp = argv.data();
    CliGrab grab;
    GErrorPtr error;
    if (!cli_parse_grab(&argc, &argvp, &grab, error.out())) {
        zbx_fuzz_check(bool(error));
        return 0;
    }
    static const std::vector<uint8_t> picture(10000, 0x1B);
    const std::span<const uint8_t> all(picture);
    const std::vector<uint8_t> record =
        objects_region_to_record(all.subspan(0, 8000), all.subspan(8000, 1000),
                                 all.subspan(9000, 1000), grab.region, grab.transparent);
    const ZbxRect &r = grab.region;
    const bool inside = r.x >= 0 && r.y >= 0 && r.width >= 8 && r.height >= 8 && r.width <= 120 &&
                        r.height <= 120 && static_cast<int64_t>(r.x) + r.width <= 320 &&
                        static_cast<int64_t>(r.y) + r.height <= 200 && r.x % 8 == 0 &&
                        r.y % 8 == 0 && r.width % 8 == 0 && r.height % 8 == 0;
    zbx_fuzz_check(record.empty() != inside);
    return 0;
}
