#include "items_fixture.h"

#include <gtest/gtest.h>

#include "c64/pixbufs.h"
#include "gref.h"
#include "items/objects.h"

std::vector<uint8_t> zbx_test_record(int w_cells, int h_cells, uint8_t seed)
{
    std::vector<uint8_t> record(objects_record_size(w_cells, h_cells));
    record[0] = static_cast<uint8_t>(w_cells * 16 + h_cells);
    for (size_t i = 1; i < record.size(); i++) {
        record[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return record;
}

namespace {
// Changes a copy of the document's project and loads it back.
template <typename Edit> void edit_project(Edit edit)
{
    ZbxProject project = document_project();
    edit(project);
    document_load(std::move(project));
}
} // namespace

void zbx_test_allocate(int count)
{
    ZbxProject project;
    project.items.resize(count);
    document_load(std::move(project));
}

void zbx_test_put_object(int index, int w_cells, int h_cells, uint8_t seed)
{
    edit_project([&](ZbxProject &project) {
        project.items[index] =
            ZbxItem{ZbxItemKind::Object, zbx_test_record(w_cells, h_cells, seed), {}, 0};
    });
}

void zbx_test_put_opaque_object(int index, int w_cells, int h_cells, uint8_t screen)
{
    const int cells = w_cells * h_cells;
    std::vector<uint8_t> data = {static_cast<uint8_t>(w_cells * 16 + h_cells)};
    data.insert(data.end(), 8 * cells, 0x1B);
    data.insert(data.end(), cells, screen);
    data.insert(data.end(), cells, 0xE3);
    edit_project([&](ZbxProject &project) {
        project.items[index] = ZbxItem{ZbxItemKind::Object, data, {}, 0};
    });
}

void zbx_test_put_panel(int index)
{
    edit_project([&](ZbxProject &project) {
        project.items[index] = ZbxItem{ZbxItemKind::Panel, {}, {}, 0};
    });
}

void zbx_test_place(int panel, int item, int x, int y)
{
    edit_project([&](ZbxProject &project) {
        PanelDef def;
        def.item = item;
        def.x = x;
        def.y = y;
        project.items[panel].defs.push_back(def);
    });
}

std::vector<int> zbx_test_placed(int panel)
{
    std::vector<int> items;
    for (const PanelDef &def : document_panel_defs(panel)) {
        items.push_back(def.item);
    }
    return items;
}
