// The location list store, kept in step with the document.
#include "app/locations_view.h"

#include "c64/palette.h"
#include "ui/i18n.h"

namespace {

// The panel and colour of each slot beside its number.
void add_contents_column(GtkTreeView *view)
{
    if (view == nullptr) {
        return;
    }
    GtkTreeViewColumn *column = gtk_tree_view_column_new();
    gtk_tree_view_column_set_title(column, _("Shows"));
    GtkCellRenderer *swatch = gtk_cell_renderer_pixbuf_new();
    gtk_tree_view_column_pack_start(column, swatch, FALSE);
    gtk_tree_view_column_add_attribute(column, swatch, "pixbuf", LOC_COL_SWATCH);
    GtkCellRenderer *text = gtk_cell_renderer_text_new();
    gtk_tree_view_column_pack_start(column, text, TRUE);
    gtk_tree_view_column_add_attribute(column, text, "text", LOC_COL_CONTENTS);
    gtk_tree_view_append_column(view, column);
}

} // namespace

LocationList::LocationList(Document &document, const PaletteImages &palette, GtkTreeView *view)
    : document_(document), palette_(palette),
      store_(gtk_list_store_new(LOC_N_COLUMNS, G_TYPE_INT, G_TYPE_INT, G_TYPE_INT, GDK_TYPE_PIXBUF,
                                G_TYPE_STRING))
{
    view_.reset(view);
    if (view != nullptr) {
        modelview_add_number_column(view, "Location ID", LOC_COL_NUMBER);
        gtk_tree_view_set_model(view, GTK_TREE_MODEL(store_.get()));
        add_contents_column(view);
    }
    sync_all();
    listener_ = document_.add_listener([this](const DocEvent &event) { follow(event); });
}

LocationList::~LocationList()
{
    document_.remove_listener(listener_);
}

void LocationList::set_row(GtkTreeIter *iter, int number)
{
    const ZbxLocationRecord record = document_.location(number);
    const bool filled = record.panel != kNoPanel;
    GCharPtr contents(filled ? g_strdup_printf("panel %d, %s", record.panel,
                                               palette_get_name_at_index(record.colour))
                             : g_strdup("empty"));
    gtk_list_store_set(
        store_.get(), iter, LOC_COL_NUMBER, number, LOC_COL_COLOUR, static_cast<int>(record.colour),
        LOC_COL_PANEL, static_cast<int>(record.panel), LOC_COL_SWATCH,
        filled ? palette_.color_box(record.colour) : nullptr, LOC_COL_CONTENTS, contents.get(), -1);
}

// 32 rows while a project is open, none otherwise; rows that stay keep
// their selection.
void LocationList::sync_all()
{
    GtkTreeModel *model = GTK_TREE_MODEL(store_.get());
    const int wanted = document_.is_open() ? kLocationCount : 0;
    GtkTreeIter iter;
    while (gtk_tree_model_iter_n_children(model, nullptr) > wanted &&
           gtk_tree_model_iter_nth_child(model, &iter, nullptr,
                                         gtk_tree_model_iter_n_children(model, nullptr) - 1)) {
        gtk_list_store_remove(store_.get(), &iter);
    }
    int number = 0;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        set_row(&iter, number++);
    }
    for (; number < wanted; number++) {
        gtk_list_store_append(store_.get(), &iter);
        set_row(&iter, number);
    }
}

void LocationList::follow(const DocEvent &event)
{
    GtkTreeIter iter;
    switch (event.what) {
    case DocChange::LocationChanged:
        if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store_.get()), &iter, nullptr,
                                          event.index)) {
            set_row(&iter, event.index);
        }
        break;
    case DocChange::Reset:
    case DocChange::ItemDeleted:
    case DocChange::ItemInserted:
        sync_all();
        break;
    default:
        break;
    }
}

bool LocationList::selected(int *number) const
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(view_.get(), &selected_model, &iter) ||
        selected_model != GTK_TREE_MODEL(store_.get())) {
        return false;
    }
    *number = modelview_get_int(selected_model, &iter, LOC_COL_NUMBER);
    return true;
}
