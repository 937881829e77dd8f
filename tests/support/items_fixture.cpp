#include "items_fixture.h"

#include <gtest/gtest.h>

#include "c64/pixbufs.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/panels.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

std::vector<uint8_t> zbx_test_record(int w_cells, int h_cells, uint8_t seed)
{
    std::vector<uint8_t> record(objects_record_size(w_cells, h_cells));
    record[0] = static_cast<uint8_t>(w_cells * 16 + h_cells);
    for (size_t i = 1; i < record.size(); i++) {
        record[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return record;
}

GdkPixbuf *zbx_test_image(int w_cells, int h_cells)
{
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 8 * w_cells, 8 * h_cells);
    gdk_pixbuf_fill(image, 0);
    return image;
}

void zbx_test_allocate(int count)
{
    ASSERT_EQ(itemwrapper_allocate_array(count), 1);
}

void zbx_test_put_object(int index, int w_cells, int h_cells, uint8_t seed)
{
    GdkPixbuf *image = zbx_test_image(w_cells, h_cells);
    ASSERT_EQ(objects_set_array_at_index(index, image, zbx_test_record(w_cells, h_cells, seed)), 1);
    objectmodel_add_item_to_object_model(index, image);
}

void zbx_test_put_opaque_object(int index, int w_cells, int h_cells, uint8_t screen)
{
    const int cells = w_cells * h_cells;
    std::vector<uint8_t> data = {static_cast<uint8_t>(w_cells * 16 + h_cells)};
    data.insert(data.end(), 8 * cells, 0x1B);
    data.insert(data.end(), cells, screen);
    data.insert(data.end(), cells, 0xE3);
    GdkPixbuf *image = pixbufs_new_from_hires(&data[1], &data[1 + 8 * cells], &data[1 + 9 * cells],
                                              w_cells, h_cells);
    ASSERT_EQ(objects_set_array_at_index(index, image, data), 1);
    objectmodel_add_item_to_object_model(index, image);
}

ZbxDefList *zbx_test_put_panel(int index)
{
    ZbxDefList *list = panelmodels_add_item_to_panel_model(index);
    EXPECT_NE(list, nullptr);
    EXPECT_EQ(panels_set_array_at_index(index, list), 1);
    return list;
}

void zbx_test_place(int panel, int item, int x, int y)
{
    panelmodels_add_item_to_panel_def_model(panel, item, FALSE, FALSE, x, y, 0, 0, 0, 0);
}

std::vector<int> zbx_test_placed(int panel)
{
    std::vector<int> items;
    ZbxDefList *list = panels_get_from_array_at_index(panel);
    if (list != nullptr) {
        for (const PanelDef &def : zbx_def_list_rows(list)) {
            items.push_back(def.item);
        }
    }
    return items;
}

std::vector<int> zbx_test_column(GtkTreeModel *model, int column)
{
    std::vector<int> values;
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        int value = 0;
        gtk_tree_model_get(model, &iter, column, &value, -1);
        values.push_back(value);
    }
    return values;
}

std::vector<std::string> zbx_test_object_labels()
{
    std::vector<std::string> labels;
    GtkTreeModel *model = GTK_TREE_MODEL(objectmodel_get_model());
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        gchar *label = nullptr;
        gtk_tree_model_get(model, &iter, OBJ_COL_LABEL, &label, -1);
        labels.emplace_back(label != nullptr ? label : "");
        g_free(label);
    }
    return labels;
}
