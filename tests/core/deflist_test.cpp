// The definition list as a tree model: consumers that follow its signals
// (a filter, and a plain mirror of the rows) stay in step with every change.
#include <gtest/gtest.h>

#include "gref.h"
#include "models/panelmodels_deflist.h"
#include "support/items_fixture.h"

namespace {
// A copy of the items column kept purely from the model's signals.
using Mirror = std::vector<int>;

int row_of(GtkTreePath *path)
{
    return gtk_tree_path_get_indices(path)[0];
}

int item_at(GtkTreeModel *model, GtkTreeIter *iter)
{
    int item = -1;
    gtk_tree_model_get(model, iter, DEF_COL_ITEM, &item, -1);
    return item;
}

void on_inserted(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter, Mirror *m)
{
    ASSERT_LE(row_of(path), static_cast<int>(m->size()));
    m->insert(m->begin() + row_of(path), item_at(model, iter));
}

void on_changed(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter, Mirror *m)
{
    m->at(row_of(path)) = item_at(model, iter);
}

void on_deleted(GtkTreeModel *, GtkTreePath *path, Mirror *m)
{
    ASSERT_LT(row_of(path), static_cast<int>(m->size()));
    m->erase(m->begin() + row_of(path));
}

void on_reordered(GtkTreeModel *, GtkTreePath *, GtkTreeIter *, gint *order, Mirror *m)
{
    Mirror moved(m->size());
    for (size_t i = 0; i < moved.size(); i++) {
        moved[i] = m->at(order[i]);
    }
    *m = moved;
}

std::vector<int> items_of(ZbxDefList *list)
{
    std::vector<int> items;
    for (const PanelDef &def : zbx_def_list_rows(list)) {
        items.push_back(def.item);
    }
    return items;
}

gboolean objects_only(GtkTreeModel *model, GtkTreeIter *iter, gpointer)
{
    gboolean is_object = FALSE;
    gtk_tree_model_get(model, iter, DEF_COL_IS_OBJECT, &is_object, -1);
    return is_object;
}
} // namespace

TEST(DefList, ConsumersFollowEveryChange)
{
    GRef<ZbxDefList> list(zbx_def_list_new());
    GtkTreeModel *model = GTK_TREE_MODEL(list.get());
    Mirror mirror;
    g_signal_connect(model, "row-inserted", G_CALLBACK(on_inserted), &mirror);
    g_signal_connect(model, "row-changed", G_CALLBACK(on_changed), &mirror);
    g_signal_connect(model, "row-deleted", G_CALLBACK(on_deleted), &mirror);
    g_signal_connect(model, "rows-reordered", G_CALLBACK(on_reordered), &mirror);
    GRef<GtkTreeModel> filter(gtk_tree_model_filter_new(model, nullptr));
    gtk_tree_model_filter_set_visible_func(GTK_TREE_MODEL_FILTER(filter.get()), objects_only,
                                           nullptr, nullptr);
    // The filter builds its cache lazily; walk it once so it follows signals.
    zbx_test_column(filter.get(), DEF_COL_ITEM);

    auto check = [&](const std::vector<int> &expected, const std::vector<int> &objects) {
        EXPECT_EQ(items_of(list.get()), expected);
        EXPECT_EQ(mirror, expected);
        EXPECT_EQ(zbx_test_column(filter.get(), DEF_COL_ITEM), objects);
    };

    for (int i = 0; i < 5; i++) {
        zbx_def_list_append(list.get(), PanelDef{.item = i, .is_object = i % 2 == 0});
    }
    check({0, 1, 2, 3, 4}, {0, 2, 4});
    zbx_def_list_insert(list.get(), 0, PanelDef{.item = 10, .is_object = true});
    zbx_def_list_insert(list.get(), 99, PanelDef{.item = 11}); // clamped to the end
    check({10, 0, 1, 2, 3, 4, 11}, {10, 0, 2, 4});
    zbx_def_list_move(list.get(), 0, 4);
    check({0, 1, 2, 3, 10, 4, 11}, {0, 2, 10, 4});
    zbx_def_list_move(list.get(), 5, 1);
    check({0, 4, 1, 2, 3, 10, 11}, {0, 4, 2, 10});
    zbx_def_list_set(list.get(), 2, PanelDef{.item = 21, .is_object = true});
    check({0, 4, 21, 2, 3, 10, 11}, {0, 4, 21, 2, 10});
    zbx_def_list_remove(list.get(), 0);
    zbx_def_list_remove(list.get(), 5);
    zbx_def_list_remove(list.get(), 9); // no such row
    check({4, 21, 2, 3, 10}, {4, 21, 2, 10});
    zbx_def_list_clear(list.get());
    check({}, {});
}

TEST(DefList, IteratorsOfAnEarlierShapeAreRefusedAndColumnsReadBack)
{
    GRef<ZbxDefList> list(zbx_def_list_new());
    GtkTreeModel *model = GTK_TREE_MODEL(list.get());
    zbx_def_list_append(list.get(), PanelDef{.item = 1});
    zbx_def_list_append(list.get(), PanelDef{.item = 2});
    GtkTreeIter iter;
    ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, 1));
    EXPECT_EQ(zbx_def_list_iter_row(list.get(), &iter), 1);
    zbx_def_list_remove(list.get(), 0);
    EXPECT_EQ(zbx_def_list_iter_row(list.get(), &iter), -1);

    // Every column reads back with its type, in the order of the columns.
    zbx_def_list_set(list.get(), 0, PanelDef{7, true, false, true, true, -8, 16, 2, {1, 2, 3}});
    ASSERT_EQ(gtk_tree_model_get_n_columns(model), 11);
    ASSERT_TRUE(gtk_tree_model_get_iter_first(model, &iter));
    std::vector<int> values;
    for (int column = 0; column < 11; column++) {
        GValue value = G_VALUE_INIT;
        gtk_tree_model_get_value(model, &iter, column, &value);
        values.push_back(G_VALUE_HOLDS_BOOLEAN(&value) ? 100 + g_value_get_boolean(&value)
                                                       : g_value_get_int(&value));
        g_value_unset(&value);
    }
    EXPECT_EQ(values, (std::vector<int>{7, 101, 100, 101, 101, -8, 16, 2, 1, 2, 3}));
}
