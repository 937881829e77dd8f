#include "items_fixture.h"

#include "base/gref.h"
#include "files/zembrix.h"
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

ZbxProject zbx_test_project(std::vector<ZbxItem> items)
{
    ZbxProject project;
    project.items = std::move(items);
    return project;
}

std::string DocumentTest::open(const std::string &path)
{
    ZbxProject project;
    GErrorPtr error;
    if (!zembrix_read_file(path.c_str(), &project, nullptr, nullptr, error.out())) {
        return error.message();
    }
    doc.load(std::move(project));
    return "";
}

std::vector<int> DocumentTest::box(int panel)
{
    ZbxRect b{};
    EXPECT_TRUE(doc.panel_box(panel, &b));
    return {b.x, b.y, b.width, b.height};
}

std::vector<int> DocumentTest::placed(int panel)
{
    std::vector<int> items;
    for (const PanelDef &def : doc.panel_defs(panel)) {
        items.push_back(def.item);
    }
    return items;
}
