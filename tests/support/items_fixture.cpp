#include "items_fixture.h"

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

void zbx_test_load(std::vector<ZbxItem> items)
{
    ZbxProject project;
    project.items = std::move(items);
    document_load(std::move(project));
}

std::vector<int> zbx_test_box(int panel)
{
    ZbxRect b{};
    EXPECT_TRUE(document_panel_box(panel, &b));
    return {b.x, b.y, b.width, b.height};
}

std::vector<int> zbx_test_placed(int panel)
{
    std::vector<int> items;
    for (const PanelDef &def : document_panel_defs(panel)) {
        items.push_back(def.item);
    }
    return items;
}
