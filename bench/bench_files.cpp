// Project files: a project of 255 items that ends close to the address
// limit, parsed, loaded into the tables and models, and saved.
#include <benchmark/benchmark.h>

#include <glib/gstdio.h>
#include <random>
#include <string>
#include <vector>

#include "files/zembrix.h"
#include "files/zembrix_format.h"
#include "gref.h"
#include "items/document.h"
#include "large_project.h"

namespace {

void discard()
{
    document_close();
}

void BM_ParseNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
    for (auto _ : state) {
        ZbxProject project;
        benchmark::DoNotOptimize(zembrix_parse(file, "bench", &project, nullptr, nullptr, nullptr));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_ParseNearLimit)->Unit(benchmark::kMicrosecond);

void BM_LoadNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
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
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
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
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
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
