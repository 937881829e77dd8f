// The definition list as a tree model: consumers that follow its signals
// (a filter, and a plain mirror of the rows) stay in step with every change.
#include <gtest/gtest.h>

#include "gref.h"
#include "models/panelmodels_deflist.h"

namespace {
// Keeps a copy of the items column purely from the model's signals.
struct Mirror
{
    std::vector<int> items;
    GtkTreeModel *model;
};

int item_at(GtkTreeModel *model, GtkTreeIter *iter)
{
    int item = -1;
    gtk_tree_model_get(model, iter, DEF_COL_ITEM, &item, -1);
    return item;
}

void on_inserted(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter, gpointer data)
{
    auto *m = static_cast<Mirror *>(data);
    int row = gtk_tree_path_get_indices(path)[0];
    ASSERT_LE(row, static_cast<int>(m->items.size()));
    m->items.insert(m->items.begin() + row, item_at(model, iter));
}

void on_changed(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter, gpointer data)
{
    auto *m = static_cast<Mirror *>(data);
    int row = gtk_tree_path_get_indices(path)[0];
    ASSERT_LT(row, static_cast<int>(m->items.size()));
    m->items[row] = item_at(model, iter);
}

void on_deleted(GtkTreeModel *, GtkTreePath *path, gpointer data)
{
    auto *m = static_cast<Mirror *>(data);
    int row = gtk_tree_path_get_indices(path)[0];
    ASSERT_LT(row, static_cast<int>(m->items.size()));
    m->items.erase(m->items.begin() + row);
}

void on_reordered(GtkTreeModel *, GtkTreePath *, GtkTreeIter *, gint *order, gpointer data)
{
    auto *m = static_cast<Mirror *>(data);
    std::vector<int> moved(m->items.size());
    for (size_t i = 0; i < moved.size(); i++) {
        moved[i] = m->items[order[i]];
    }
    m->items = moved;
}

std::vector<int> items_of(ZbxDefList *list)
{
    std::vector<int> items;
    for (const PanelDef &def : zbx_def_list_rows(list)) {
        items.push_back(def.item);
    }
    return items;
}

// The items the filter shows, walking it as a view would.
std::vector<int> walk(GtkTreeModel *model)
{
    std::vector<int> items;
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        items.push_back(item_at(model, &iter));
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
    Mirror mirror{{}, model};
    g_signal_connect(model, "row-inserted", G_CALLBACK(on_inserted), &mirror);
    g_signal_connect(model, "row-changed", G_CALLBACK(on_changed), &mirror);
    g_signal_connect(model, "row-deleted", G_CALLBACK(on_deleted), &mirror);
    g_signal_connect(model, "rows-reordered", G_CALLBACK(on_reordered), &mirror);
    GRef<GtkTreeModel> filter(gtk_tree_model_filter_new(model, nullptr));
    gtk_tree_model_filter_set_visible_func(GTK_TREE_MODEL_FILTER(filter.get()), objects_only,
                                           nullptr, nullptr);
    // The filter builds its cache lazily; walk it once so it follows signals.
    walk(filter.get());

    auto check = [&](const std::vector<int> &expected, const std::vector<int> &objects) {
        EXPECT_EQ(items_of(list.get()), expected);
        EXPECT_EQ(mirror.items, expected);
        EXPECT_EQ(walk(filter.get()), objects);
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

TEST(DefList, IteratorsOfAnEarlierShapeAreRefused)
{
    GRef<ZbxDefList> list(zbx_def_list_new());
    zbx_def_list_append(list.get(), PanelDef{.item = 1});
    zbx_def_list_append(list.get(), PanelDef{.item = 2});
    GtkTreeIter iter;
    ASSERT_TRUE(gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(list.get()), &iter, nullptr, 1));
    EXPECT_EQ(zbx_def_list_iter_row(list.get(), &iter), 1);
    zbx_def_list_remove(list.get(), 0);
    EXPECT_EQ(zbx_def_list_iter_row(list.get(), &iter), -1);

    // Every column reads back with its type.
    PanelDef def{7, true, false, true, true, -8, 16, 2, {0x12, 0x34, 0x56}};
    zbx_def_list_set(list.get(), 0, def);
    ASSERT_TRUE(gtk_tree_model_get_iter_first(GTK_TREE_MODEL(list.get()), &iter));
    int item, x, y, count, o1, o2, o3;
    gboolean is_object, enabled, mirror, has_overrides;
    gtk_tree_model_get(GTK_TREE_MODEL(list.get()), &iter, DEF_COL_ITEM, &item, DEF_COL_IS_OBJECT,
                       &is_object, DEF_COL_ENABLED, &enabled, DEF_COL_MIRROR, &mirror,
                       DEF_COL_HAS_OVERRIDES, &has_overrides, DEF_COL_X, &x, DEF_COL_Y, &y,
                       DEF_COL_OVERRIDE_COUNT, &count, DEF_COL_OVERRIDE_1, &o1, DEF_COL_OVERRIDE_2,
                       &o2, DEF_COL_OVERRIDE_3, &o3, -1);
    EXPECT_EQ(gtk_tree_model_get_n_columns(GTK_TREE_MODEL(list.get())), 11);
    EXPECT_EQ((PanelDef{item,
                        is_object != 0,
                        enabled != 0,
                        mirror != 0,
                        has_overrides != 0,
                        x,
                        y,
                        count,
                        {o1, o2, o3}}),
              def);
}
