#include "items_fixture.h"

#include "base/gref.h"
#include "files/zembrix.h"
#include "items/objects.h"
#include "project.h"

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

ZbxProject zbx_nearly_full_project(long free)
{
    ZbxProject p;
    p.items.push_back(zbx_panel_item({}));
    const ZbxItem object = zbx_object_item(zbx_test_record(15, 15));
    while (project_size(p).free() - 2 - static_cast<long>(object.record.size()) >= free) {
        p.items.insert(p.items.end() - 1, object);
    }
    std::vector<PanelDef> &defs = p.items.back().defs;
    while (project_size(p).free() - 3 >= free) {
        defs.push_back(zbx_object_def(0, 0, 0));
    }
    for (size_t k = 0; project_size(p).free() > free; k++) {
        defs[k] = zbx_object_def(0, 0, 0, false, {0x10});
    }
    return p;
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
