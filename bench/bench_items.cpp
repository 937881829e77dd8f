// The document under load, with a project of 255 items near the size limit:
// the loop check on a diamond ladder of panels, deleting item 0 with every
// reference renumbered, and recording and undoing one step.
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>
#include <vector>

#include "files/zembrix.h"
#include "items/document.h"
#include "items/objects.h"
#include "large_project.h"
#include "steady.h"

namespace {

std::vector<uint8_t> record()
{
    std::vector<uint8_t> bytes(objects_record_size(2, 2), 0x55);
    bytes[0] = 0x22;
    return bytes;
}

// 128 objects and 127 panels; each panel places 20 objects and the next
// panel twice (a ladder of diamonds); every location elects a panel.
ZbxProject full_project()
{
    ZbxProject project;
    for (int i = 0; i < 128; i++) {
        project.items.push_back(ZbxItem{ZbxItemKind::Object, record(), {}});
    }
    for (int p = 128; p < kMaxItems; p++) {
        ZbxItem panel{ZbxItemKind::Panel, {}, {}};
        for (int k = 0; k < 20; k++) {
            PanelDef def;
            def.item = (p + k) % 128;
            def.is_object = true;
            def.x = 8 * k;
            panel.defs.push_back(def);
        }
        if (p + 1 < kMaxItems) {
            PanelDef sub;
            sub.item = p + 1;
            panel.defs.push_back(sub);
            sub.x = 8;
            panel.defs.push_back(sub);
        }
        project.items.push_back(panel);
    }
    for (int s = 0; s < kLocationCount; s++) {
        project.locations[s] = {static_cast<uint8_t>(128 + s), static_cast<uint8_t>(s % 16)};
    }
    return project;
}

void BM_LoopCheckDiamondLadder(benchmark::State &state)
{
    Document document;
    document.load(full_project());
    for (auto _ : state) {
        benchmark::DoNotOptimize(document.has_loop());
    }
}
BENCHMARK(BM_LoopCheckDiamondLadder)->Apply(zbx_steady);

// Each delete in a table loaded afresh: only the delete (its step
// included) is timed, by hand, as pausing the timer around the load costs
// more jitter than the delete takes.
void BM_DeleteItemZeroOfFullTable(benchmark::State &state)
{
    const ZbxProject project = full_project();
    Document document;
    for (auto _ : state) {
        document.load(project);
        const auto start = std::chrono::steady_clock::now();
        {
            DocumentStep step(document, "Delete object 0");
            document.delete_item(0);
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(BM_DeleteItemZeroOfFullTable)->UseManualTime()->Apply(zbx_steady);

// One step recorded: a definition moved in the near-limit project of the
// file benchmarks (the snapshot taken before it is the cost).
void BM_RecordStep(benchmark::State &state)
{
    Document document;
    zbx_bench_load(document, zbx_near_limit_project(false));
    const int panel = zbx_bench_first_panel_with_defs(document);
    PanelDef def = document.panel_defs(panel)[0];
    for (auto _ : state) {
        def.x ^= 8;
        DocumentStep step(document, "Move");
        document.set_def(panel, 0, def);
    }
}
BENCHMARK(BM_RecordStep)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

void BM_UndoRedoStep(benchmark::State &state)
{
    Document document;
    zbx_bench_load(document, zbx_near_limit_project(false));
    {
        DocumentStep step(document, "Delete object 0");
        document.delete_item(0);
    }
    for (auto _ : state) {
        if (!document.undo() || !document.redo()) {
            state.SkipWithError("no step to undo");
            break;
        }
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_UndoRedoStep)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

// The memory that a full history holds, each step a moved definition of
// the near-limit project.
void BM_HistoryMemory(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_near_limit_project(false);
    for (auto _ : state) {
        Document document;
        zbx_bench_load(document, file);
        const size_t before = mallinfo2().uordblks;
        const int panel = zbx_bench_first_panel_with_defs(document);
        PanelDef def = document.panel_defs(panel)[0];
        for (size_t k = 0; k < kDocumentHistorySteps; k++) {
            def.x ^= 8;
            DocumentStep step(document, "Move");
            document.set_def(panel, 0, def);
        }
        state.counters["history_bytes"] = static_cast<double>(mallinfo2().uordblks - before);
    }
}
BENCHMARK(BM_HistoryMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The largest project a file can hold (5.5 million placements once read):
// one edit, its undo and its redo, and the memory that 200 such edits hold
// beside the project.
void BM_LargestProjectEditUndoRedo(benchmark::State &state)
{
    Document document;
    zbx_bench_load(document, zbx_shared_list_project());
    PanelDef def = document.panel_defs(1)[0];
    int n = 0;
    benchmark::DoNotOptimize(document.history_bytes());
    for (auto _ : state) {
        def.x ^= 8;
        {
            DocumentStep step(document, "Move");
            document.set_def(1 + n++ % 254, 0, def);
        }
        if (!document.undo() || !document.redo()) {
            state.SkipWithError("no step to undo");
            break;
        }
    }
}
BENCHMARK(BM_LargestProjectEditUndoRedo)->Unit(benchmark::kMillisecond)->Apply(zbx_steady);

void BM_LargestProjectHistoryMemory(benchmark::State &state)
{
    const std::vector<uint8_t> file = zbx_shared_list_project();
    for (auto _ : state) {
        const size_t start = mallinfo2().uordblks;
        Document document;
        zbx_bench_load(document, file);
        const size_t loaded = mallinfo2().uordblks;
        PanelDef def = document.panel_defs(1)[0];
        for (size_t k = 0; k < kDocumentHistorySteps; k++) {
            def.x ^= 8;
            DocumentStep step(document, "Move");
            document.set_def(1 + static_cast<int>(k % 254), 0, def);
        }
        state.counters["project_bytes"] = static_cast<double>(loaded - start);
        state.counters["all_bytes"] = static_cast<double>(mallinfo2().uordblks - start);
        state.counters["history_bytes"] = static_cast<double>(document.history_bytes());
    }
}
BENCHMARK(BM_LargestProjectHistoryMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
