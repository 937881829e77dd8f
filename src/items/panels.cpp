// The panel store: a table of 255 records, each a definition list and the
// panel's cached bounding box.
#include "items/panels.h"

#include <algorithm>
#include <array>
#include <utility>

#include "gref.h"
#include "items/objects.h"

namespace {
struct PanelRecord
{
    GRef<ZbxDefList> list;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct PanelsState
{
    std::array<PanelRecord, kMaxItems> records;
    int n_panels = 0;
    int n_valid_panels = 0;
};
PanelsState state;

bool in_range(int index)
{
    return index >= 0 && index < state.n_panels;
}

// Empties the record's list (so that views showing it follow) and drops
// the store's reference.
void release_list(PanelRecord &record)
{
    if (record.list) {
        zbx_def_list_clear(record.list.get());
        record.list.reset();
        state.n_valid_panels--;
    }
}
} // namespace

int panels_module_init()
{
    state = PanelsState();
    return 1;
}

int panels_allocate_array(int count)
{
    if (count < 0 || count > kMaxItems) {
        return 0;
    }
    for (int i = 0; i < std::max(count, state.n_panels); i++) {
        release_list(state.records[i]);
        state.records[i] = PanelRecord();
    }
    state.n_panels = count;
    return 1;
}

int panels_grow_array(int *index)
{
    if (state.n_panels >= kMaxItems) {
        return 0;
    }
    release_list(state.records[state.n_panels]);
    state.records[state.n_panels] = PanelRecord();
    *index = state.n_panels++;
    return 1;
}

int panels_set_array_at_index(int index, ZbxDefList *list)
{
    if (!in_range(index) || list == nullptr) {
        return 0;
    }
    PanelRecord &record = state.records[index];
    if (record.list.get() == list) {
        // Already held: the caller's reference is one too many.
        g_object_unref(list);
        return 1;
    }
    release_list(record);
    record.list.reset(list);
    state.n_valid_panels++;
    return 1;
}

int panels_set_pos_and_dimensions_at_index(int index, int x, int y, int width, int height)
{
    if (!in_range(index)) {
        return 0;
    }
    PanelRecord &record = state.records[index];
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    return 1;
}

int panels_get_displacement_at_index(int index, int *x, int *y, int *width, int *height)
{
    if (!in_range(index)) {
        return 0;
    }
    const PanelRecord &record = state.records[index];
    *x += record.x;
    *y += record.y;
    *width = record.width;
    *height = record.height;
    return 1;
}

int panels_get_dimensions_at_index(int index, int *width, int *height)
{
    if (!in_range(index)) {
        return 0;
    }
    *width = state.records[index].width;
    *height = state.records[index].height;
    return 1;
}

ZbxDefList *panels_get_from_array_at_index(int index)
{
    return in_range(index) ? state.records[index].list.get() : nullptr;
}

int panels_is_panel_empty_at_index(int index)
{
    return !in_range(index) || !state.records[index].list;
}

int panels_delete_item_at_index(int index)
{
    if (!in_range(index)) {
        return 0;
    }
    release_list(state.records[index]);
    std::move(state.records.begin() + index + 1, state.records.begin() + state.n_panels,
              state.records.begin() + index);
    state.n_panels--;
    state.records[state.n_panels] = PanelRecord();
    return 1;
}

int panels_get_count_of_valid_panels()
{
    return state.n_valid_panels;
}

int panels_get_array_size()
{
    return state.n_panels;
}

void panels_cleanup()
{
    for (int i = 0; i < state.n_panels; i++) {
        release_list(state.records[i]);
    }
    state.n_panels = 0;
    state.n_valid_panels = 0;
}
