// Panel boxes: the near-limit project of the file benchmarks, a ladder of
// shared panels 200 levels deep over a loop, and a dense loop of 200 panels
// that stops at the work bound.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <utility>
#include <vector>

#include "files/zembrix_format.h"
#include "items/boxes.h"
#include "large_project.h"
#include "steady.h"

namespace {

ZbxProject near_limit_project()
{
    ZbxProject project;
    if (!zembrix_parse(zbx_near_limit_project(false), "bench", &project, nullptr, nullptr,
                       nullptr)) {
        std::abort();
    }
    return project;
}

ZbxItem object()
{
    std::vector<uint8_t> record(11, 0x55);
    record[0] = 0x11;
    return ZbxItem{ZbxItemKind::Object, record, {}};
}

ZbxItem panel(std::vector<PanelDef> defs)
{
    return ZbxItem{ZbxItemKind::Panel, {}, std::move(defs)};
}

PanelDef placed(int item, bool is_object, int x, int y)
{
    PanelDef def;
    def.item = item;
    def.is_object = is_object;
    def.x = x;
    def.y = y;
    return def;
}

// Panels 1 to 200 each place an object and the next panel twice (2^200
// paths); panel 201 places the loop 202 <-> 203.
ZbxProject deep_diamond()
{
    ZbxProject project;
    project.items.push_back(object());
    for (int p = 1; p <= 200; p++) {
        project.items.push_back(
            panel({placed(0, true, p, 0), placed(p + 1, false, 0, 0), placed(p + 1, false, 8, 0)}));
    }
    project.items.push_back(panel({placed(202, false, 0, 0)}));
    project.items.push_back(panel({placed(0, true, 0, 0), placed(203, false, 0, 8)}));
    project.items.push_back(panel({placed(202, false, 8, 0)}));
    return project;
}

// Panels 1 to 200 each place an object and 20 panels of the cluster.
ZbxProject dense_loops()
{
    ZbxProject project;
    project.items.push_back(object());
    for (int p = 1; p <= 200; p++) {
        std::vector<PanelDef> defs{placed(0, true, 8 * (p % 40), 0)};
        for (int k = 0; k < 20; k++) {
            defs.push_back(placed(1 + (p * 7 + k * 13) % 200, false, 0, 0));
        }
        project.items.push_back(panel(std::move(defs)));
    }
    return project;
}

void BM_BoxesNearLimitProject(benchmark::State &state)
{
    const ZbxProject project = near_limit_project();
    for (auto _ : state) {
        benchmark::DoNotOptimize(boxes_compute(project));
    }
}
BENCHMARK(BM_BoxesNearLimitProject)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

void BM_BoxesDeepDiamond(benchmark::State &state)
{
    const ZbxProject project = deep_diamond();
    for (auto _ : state) {
        benchmark::DoNotOptimize(boxes_compute(project));
    }
}
BENCHMARK(BM_BoxesDeepDiamond)->Unit(benchmark::kMicrosecond)->Apply(zbx_steady);

// The whole bound spent when every walk is cut short (all 200 inexact):
// the rate is of definitions visited.
void BM_BoxesDenseLoopsAtTheBound(benchmark::State &state)
{
    const ZbxProject project = dense_loops();
    long inexact = 0;
    for (auto _ : state) {
        const PanelBoxes result = boxes_compute(project);
        inexact = std::count(result.exact.begin(), result.exact.end(), false);
        benchmark::DoNotOptimize(result);
    }
    state.counters["inexact"] = static_cast<double>(inexact);
    state.SetItemsProcessed(state.iterations() * kBoxesMaxVisits);
}
BENCHMARK(BM_BoxesDenseLoopsAtTheBound)->Unit(benchmark::kMillisecond)->Apply(zbx_steady);

} // namespace
