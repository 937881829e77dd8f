// Project files: a project of 255 items that ends close to the address
// limit, parsed, loaded into the document, encoded and saved; the largest
// project of the test data read back from its JSON text.
#include <benchmark/benchmark.h>

#include <chrono>
#include <glib/gstdio.h>
#include <string>
#include <vector>

#include "files/project_json.h"
#include "files/recovery.h"
#include "files/zembrix.h"
#include "files/zembrix_format.h"
#include "items/document.h"
#include "large_project.h"
#include "steady.h"

namespace {

void BM_ParseNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
    for (auto _ : state) {
        ZbxProject project;
        benchmark::DoNotOptimize(zembrix_parse(file, "bench", &project, nullptr, nullptr, nullptr));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_ParseNearLimit)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

// Each load into a closed document: only the load is timed (by hand, as
// pausing the timer around the close costs more jitter than the close).
void BM_LoadNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
    Document document;
    for (auto _ : state) {
        document.close();
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = zbx_bench_load(document, file);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!loaded) {
            state.SkipWithError("load failed");
            break;
        }
    }
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_LoadNearLimit)->Unit(benchmark::kMicrosecond)->UseManualTime()->Apply(zbx_steady);

// The bytes of the document's project, as a save makes them.
void BM_EncodeDocument(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
    Document document;
    zbx_bench_load(document, file);
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        benchmark::DoNotOptimize(zembrix_encode(document.project(), &bytes, nullptr));
    }
}
BENCHMARK(BM_EncodeDocument)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

// A whole save: the bytes, a temporary file beside the target, its flush
// and the rename. In memory (/dev/shm) where there is one: the flush to a
// real disk takes ten times the rest and varies from run to run with the
// disk, not with the save.
void BM_SaveNearLimit(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
    Document document;
    zbx_bench_load(document, file);
    std::string pattern = g_file_test("/dev/shm", G_FILE_TEST_IS_DIR)
                              ? "/dev/shm/zbx-bench-XXXXXX"
                              : std::string(g_get_tmp_dir()) + "/zbx-bench-XXXXXX";
    if (g_mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no folder for the file");
        return;
    }
    const std::string path = pattern + "/project.prg";
    for (auto _ : state) {
        if (!zembrix_write_file(path.c_str(), document.project(), nullptr)) {
            state.SkipWithError("save failed");
            break;
        }
    }
    g_remove(path.c_str());
    g_rmdir(pattern.c_str());
}
BENCHMARK(BM_SaveNearLimit)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

// A recovery copy of the near-limit project as its writer thread makes it:
// the JSON from the document's shared state, then the safe writer (on the
// real disk of the temporary folder, flush included).
void BM_RecoveryWriteNearLimit(benchmark::State &state)
{
    Document document;
    zbx_bench_load(document, zbx_near_limit_project(false));
    std::string dir = std::string(g_get_tmp_dir()) + "/zbx-bench-XXXXXX";
    if (g_mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("no folder for the file");
        return;
    }
    const Document::Frozen frozen = document.frozen();
    RecoveryInfo info{"bench-session", "/tmp/project.prg", "project.prg", g_get_real_time()};
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<const ZbxItem *> items;
        for (const Document::FrozenItem &item : frozen.items) {
            items.push_back(item.get());
        }
        const std::vector<uint8_t> json =
            recovery_encode(info, items, frozen.locations, frozen.preview);
        bytes = json.size();
        if (!recovery_write(dir.c_str(), info.session, json, nullptr)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    recovery_remove(dir.c_str(), info.session);
    g_rmdir(recovery_folder(dir.c_str()).c_str());
    g_rmdir((dir + "/zembrix").c_str());
    g_rmdir(dir.c_str());
}
BENCHMARK(BM_RecoveryWriteNearLimit)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

// The JSON text of tests/data/files/near_limit.prg (2,667 placements), as
// export-json writes it, read back into a project and its preview colours.
void BM_ImportJsonNearLimit(benchmark::State &state)
{
    const std::string path = std::string(ZBX_SOURCE_DIR) + "/tests/data/files/near_limit.prg";
    ZbxProject read;
    if (!zembrix_read_file(path.c_str(), &read, nullptr, nullptr, nullptr)) {
        state.SkipWithError("no near_limit.prg");
        return;
    }
    Document document;
    document.load(std::move(read));
    std::vector<uint8_t> colours;
    for (int i = 0; i < document.item_count(); i++) {
        colours.push_back(static_cast<uint8_t>(document.preview_colour(i)));
    }
    const std::string json = project_json_export(document.project(), colours);
    const std::span<const uint8_t> text(reinterpret_cast<const uint8_t *>(json.data()),
                                        json.size());
    for (auto _ : state) {
        ZbxProject project;
        std::vector<uint8_t> preview;
        if (!project_json_import(text, &project, &preview, nullptr)) {
            state.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(project);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * json.size()));
}
BENCHMARK(BM_ImportJsonNearLimit)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

} // namespace
