// Project files: a project of 255 items that ends close to the address
// limit, parsed, loaded into the tables and models, and saved.
#include <benchmark/benchmark.h>

#include <glib/gstdio.h>
#include <random>
#include <string>
#include <vector>

#include "c64/palette.h"
#include "files/zembrix.h"
#include "files/zembrix_format.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

namespace {

// 128 objects of 4 x 4 cells and 127 panels of 21 definitions each, some of
// them sub-panels: the file ends at $7A84, 1404 bytes below $8000.
std::vector<uint8_t> near_limit_file()
{
    std::mt19937 rng(7);
    ZbxProject project;
    for (int i = 0; i < 255; i++) {
        ZbxItem item;
        if (i % 2 == 0) {
            item.kind = ZbxItemKind::Object;
            item.record.resize(161);
            for (uint8_t &b : item.record) {
                b = static_cast<uint8_t>(rng());
            }
            item.record[0] = 0x44;
        } else {
            item.kind = ZbxItemKind::Panel;
            for (int d = 0; d < 21; d++) {
                PanelDef def;
                def.x = static_cast<int>(rng() % 40) * 8 - 16;
                def.y = static_cast<int>(rng() % 18) * 8 - 16;
                if (d % 7 == 6 && i > 2) {
                    def.item = static_cast<int>(rng() % ((i - 1) / 2)) * 2 + 1; // a lower panel
                } else {
                    def.item = static_cast<int>(rng() % 128) * 2;
                    def.is_object = true;
                    def.mirror = (d % 3) == 0;
                }
                item.defs.push_back(def);
            }
        }
        project.items.push_back(std::move(item));
    }
    for (int s = 0; s < kZbxLocationRecords; s++) {
        project.locations[s] = {static_cast<uint8_t>(2 * s + 1), static_cast<uint8_t>(s % 16)};
    }
    std::vector<uint8_t> bytes;
    if (!zembrix_encode(project, &bytes, nullptr)) {
        std::abort();
    }
    return bytes;
}

void discard()
{
    itemwrapper_cleanup();
    locations_cleanup();
}

void BM_ParseNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = near_limit_file();
    for (auto _ : state) {
        ZbxProject project;
        benchmark::DoNotOptimize(zembrix_parse(file, "bench", &project, nullptr, nullptr, nullptr));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_ParseNearLimit)->Unit(benchmark::kMicrosecond);

void BM_LoadNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = near_limit_file();
    zembrix_init_headless();
    for (auto _ : state) {
        state.PauseTiming();
        discard();
        state.ResumeTiming();
        if (!zembrix_load_data(file, "bench", nullptr, nullptr, nullptr)) {
            state.SkipWithError("load failed");
        }
    }
    state.counters["file_bytes"] = static_cast<double>(file.size());
    discard();
}
BENCHMARK(BM_LoadNearLimit)->Unit(benchmark::kMicrosecond);

void BM_EncodeFromTables(benchmark::State &state)
{
    const std::vector<uint8_t> file = near_limit_file();
    zembrix_init_headless();
    discard();
    zembrix_load_data(file, "bench", nullptr, nullptr, nullptr);
    for (auto _ : state) {
        ZbxProject project;
        zembrix_collect_project(&project);
        std::vector<uint8_t> bytes;
        benchmark::DoNotOptimize(zembrix_encode(project, &bytes, nullptr));
    }
    discard();
}
BENCHMARK(BM_EncodeFromTables)->Unit(benchmark::kMicrosecond);

void BM_SaveNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = near_limit_file();
    zembrix_init_headless();
    discard();
    zembrix_load_data(file, "bench", nullptr, nullptr, nullptr);
    GCharPtr dir(g_dir_make_tmp("zbx-bench-XXXXXX", nullptr));
    const std::string path = std::string(dir.get()) + "/project.prg";
    for (auto _ : state) {
        if (!zembrix_save_file(path.c_str(), nullptr)) {
            state.SkipWithError("save failed");
        }
    }
    g_remove(path.c_str());
    g_rmdir(dir.get());
    discard();
}
BENCHMARK(BM_SaveNearLimit)->Unit(benchmark::kMicrosecond);

} // namespace
