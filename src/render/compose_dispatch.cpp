// Which implementation of the composition this processor runs: the one
// place that looks at the processor and at ZBX_COMPOSE_SCALAR.
#include "render/compose_internal.h"

#include <cstdlib>

namespace compose_impl {
namespace {

#if ZBX_MERGE_VARIANTS
bool has_popcount()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt");
}

// What compose_avx512.cpp is built for.
bool has_wide_vectors()
{
    if (std::getenv("ZBX_COMPOSE_SCALAR") != nullptr) {
        return false;
    }
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vpopcntdq") && __builtin_cpu_supports("popcnt");
}

// Objects of one or two cells in the area go cell by cell even where the
// vector path is taken: a group costs more than two scalar merges.
long draw_cells_wide(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col, int row,
                     bool mirror, const uint8_t *map, int bg, uint64_t *)
{
    const ObjectSpan span = object_span(w, h, col, row, mirror);
    if (span.across * (span.last_row - span.first_row) <= 2) {
        return draw_cells_fast_popcount(buffers, data, w, h, col, row, mirror, map, bg, nullptr);
    }
    return draw_cells_avx512(cell_arrays(buffers), data, span, w, h, row, mirror, map, bg, nullptr);
}

// With the full colour planes every object takes the groups, which keep
// the planes plane by plane.
long draw_cells_wide_full(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                          int row, bool mirror, const uint8_t *map, int bg, uint64_t *full)
{
    return draw_cells_avx512(cell_arrays(buffers), data, object_span(w, h, col, row, mirror), w, h,
                             row, mirror, map, bg, full);
}
#endif

Implementation pick()
{
#if ZBX_MERGE_VARIANTS
    if (has_wide_vectors()) {
        return {draw_cells_wide, draw_cells_wide_full, merge_fast_popcount, true,
                find_clashes_avx512};
    }
    if (has_popcount()) {
        return {draw_cells_fast_popcount, draw_cells_fast_popcount_full, merge_fast_popcount, false,
                find_clashes_scalar};
    }
#endif
    return {draw_cells_fast, draw_cells_fast_full, merge_fast_plain, false, find_clashes_scalar};
}

} // namespace

const Implementation &chosen_implementation()
{
    static const Implementation chosen = pick();
    return chosen;
}

} // namespace compose_impl
