// What the lists share: finding a tree view by name, giving it its
// right-aligned number column (and, sorted, a "Used" column), the row that
// is selected in it, and list stores of items kept in step with a document.
#pragma once

#include <functional>
#include <gtk/gtk.h>
#include <vector>

#include "items/document.h"
#include "items/usage.h"

// A tree view that forgets the widget when it is destroyed.
class ModelView
{
  public:
    ModelView() = default;
    ModelView(const ModelView &) = delete;
    ModelView &operator=(const ModelView &) = delete;
    ~ModelView() { reset(nullptr); }
    void reset(GtkTreeView *view);
    GtkTreeView *get() const { return view_; }

  private:
    GtkTreeView *view_ = nullptr;
};

// Finds the tree view registered as name on window (null window: none),
// appends a right-aligned text column showing the int column of its model,
// and attaches model when one is given. Null (with a warning) when the
// window has no such tree view.
GtkTreeView *modelview_attach(GtkWidget *window, const char *name, const char *title, int column,
                              GtkTreeModel *model);
// Appends to view a right-aligned text column showing the int column of its
// model; screen readers announce the list by the column's title.
void modelview_add_number_column(GtkTreeView *view, const char *title, int column);
// Shows store in view through a sort model: the rows keep the store's order
// until a column header is clicked. The column modelview_attach added sorts
// by index_column; a "Used" column is appended that shows the text of
// used_text_column and sorts by the int of used_sort_column.
void modelview_show_sorted(GtkTreeView *view, GtkTreeModel *store, int index_column,
                           int used_text_column, int used_sort_column);
// Whether view shows store, directly or through a sort model.
bool modelview_shows(GtkTreeView *view, GtkTreeModel *store);
// The path in view of row `row` of the model it shows (converted through a
// sort model); null when there is no such row. The caller frees it.
GtkTreePath *modelview_view_path(GtkTreeView *view, int row);
// Writes each row's use (usage_text and total, by the item index of the
// row), touching only rows whose use changed.
void modelview_set_usage(GtkListStore *store, int index_column, int text_column, int sort_column,
                         const std::vector<ItemUsage> &usage);
// The row selected in view when exactly one is: its model and iterator.
bool modelview_get_selected_row(GtkTreeView *view, GtkTreeModel **model, GtkTreeIter *iter);
// The first row of model whose int column holds value.
bool modelview_find_row(GtkTreeModel *model, int column, int value, GtkTreeIter *iter);
// The int in column of the row.
int modelview_get_int(GtkTreeModel *model, GtkTreeIter *iter, int column);

// A list store of items (one row per item of one kind, in item order, the
// item index in an int column) kept in step with the document. `fill`
// writes the rest of a row.
struct ItemList
{
    const Document *document = nullptr;
    GtkListStore *store = nullptr;
    int index_column = 0;
    ZbxItemKind kind = ZbxItemKind::Empty;
    std::function<void(GtkListStore *store, GtkTreeIter *iter, int index)> fill;
};
// Rebuilds the rows; the selection of view (when given) stays on the item
// it was on when that item is still listed (followed through the inserts
// and deletes the event tells of).
void modelview_items_reset(const ItemList &list, GtkTreeView *view,
                           const DocEvent *event = nullptr);
// Item `index` is new (later items moved up) or gone (later items moved down).
void modelview_items_inserted(const ItemList &list, int index);
void modelview_items_deleted(const ItemList &list, int index);
// Follows the document's reports on the list (nothing for other changes).
void modelview_items_follow(const ItemList &list, GtkTreeView *view, const DocEvent &event);
