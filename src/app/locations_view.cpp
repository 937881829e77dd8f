// The location list store, kept in step with the document.
#include "app/locations_view.h"
#include "app/context.h"
#include "base/error.h"

#include <glib/gi18n-lib.h>

#include "app/modelview.h"
#include "app/panelmodels_view.h"
#include "app/support.h"
#include "base/gref.h"
#include "c64/palette.h"

namespace {
struct LocationsState
{
    GRef<GtkListStore> store;
    ModelView view;
    int listener = 0;
};
LocationsState state;

GtkTreeModel *model()
{
    return GTK_TREE_MODEL(state.store.get());
}

void set_row(GtkTreeIter *iter, int number)
{
    const ZbxLocationRecord record = app_document().location(number);
    const bool filled = record.panel != kNoPanel;
    GCharPtr contents(filled ? g_strdup_printf("panel %d, %s", record.panel,
                                               palette_get_name_at_index(record.colour))
                             : g_strdup("empty"));
    gtk_list_store_set(state.store.get(), iter, LOC_COL_NUMBER, number, LOC_COL_COLOUR,
                       static_cast<int>(record.colour), LOC_COL_PANEL,
                       static_cast<int>(record.panel), LOC_COL_SWATCH,
                       filled ? app_palette().color_box(record.colour) : nullptr, LOC_COL_CONTENTS,
                       contents.get(), -1);
}

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

// 32 rows while a project is open, none otherwise; rows that stay keep
// their selection.
void sync_all()
{
    if (!state.store) {
        return;
    }
    const int wanted = app_document().is_open() ? kLocationCount : 0;
    GtkTreeIter iter;
    while (gtk_tree_model_iter_n_children(model(), nullptr) > wanted &&
           gtk_tree_model_iter_nth_child(model(), &iter, nullptr,
                                         gtk_tree_model_iter_n_children(model(), nullptr) - 1)) {
        gtk_list_store_remove(state.store.get(), &iter);
    }
    int number = 0;
    for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
         more = gtk_tree_model_iter_next(model(), &iter)) {
        set_row(&iter, number++);
    }
    for (; number < wanted; number++) {
        gtk_list_store_append(state.store.get(), &iter);
        set_row(&iter, number);
    }
}

void follow(const DocEvent &event)
{
    GtkTreeIter iter;
    switch (event.what) {
    case DocChange::LocationChanged:
        if (state.store && gtk_tree_model_iter_nth_child(model(), &iter, nullptr, event.index)) {
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

GtkWidget *new_button(const char *stock, const char *label)
{
    GtkWidget *button = gtk_button_new_with_mnemonic(label);
    gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON));
    gtk_widget_set_can_default(button, TRUE);
    return button;
}

GtkWidget *create_dialog_clear_record(GtkWindow *parent)
{
    GtkWidget *dialog = gtk_dialog_new();
    gtk_widget_set_name(dialog, "dialog_clear_record");
    gtk_window_set_title(GTK_WINDOW(dialog), _("Confirm"));
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_MOUSE);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    }

    GtkWidget *label = gtk_label_new(_("Are you sure you want to\nclear the selected record?"));
    gtk_misc_set_padding(GTK_MISC(label), 3, 3);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), label, TRUE, TRUE,
                       0);

    GtkWidget *cancel = new_button("gtk-no", _("_No"));
    GtkWidget *ok = new_button("gtk-yes", _("_Yes"));
    gtk_button_box_set_layout(GTK_BUTTON_BOX(gtk_dialog_get_action_area(GTK_DIALOG(dialog))),
                              GTK_BUTTONBOX_END);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), cancel, GTK_RESPONSE_NO);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), ok, GTK_RESPONSE_YES);

    zbx_name_toplevel(dialog, "dialog_clear_record", nullptr);
    zbx_register_widget(dialog, label, "label_clear_record_request");
    zbx_register_widget(dialog, ok, "button_clear_record_ok");
    zbx_register_widget(dialog, cancel, "button_clear_record_cancel");
    gtk_widget_show_all(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
    gtk_widget_show_all(gtk_dialog_get_action_area(GTK_DIALOG(dialog)));
    return dialog;
}
} // namespace

void locations_module_init(GtkWidget *window_main)
{
    locations_cleanup();
    state.store.reset(gtk_list_store_new(LOC_N_COLUMNS, G_TYPE_INT, G_TYPE_INT, G_TYPE_INT,
                                         GDK_TYPE_PIXBUF, G_TYPE_STRING));
    state.view.reset(modelview_attach(window_main, "treeview_main_locations", "Location ID",
                                      LOC_COL_NUMBER, model()));
    add_contents_column(state.view.get());
    sync_all();
    state.listener = app_document().add_listener(follow);
}

void locations_cleanup()
{
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    state.listener = 0;
    state.view.reset(nullptr);
    state.store.reset();
}

GtkListStore *locations_get_model()
{
    return state.store.get();
}

gboolean locations_get_current_location_info(int *panel, int *colour)
{
    int number = -1;
    if (!locations_get_current_location_index(&number)) {
        return FALSE;
    }
    const ZbxLocationRecord record = app_document().location(number);
    *panel = record.panel;
    *colour = record.colour;
    return TRUE;
}

gboolean locations_get_current_location_index(int *number)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter) ||
        selected_model != model()) {
        return FALSE;
    }
    *number = modelview_get_int(selected_model, &iter, LOC_COL_NUMBER);
    return TRUE;
}

gboolean locations_store_location(GError **error)
{
    int panel = 0;
    int colour = 0;
    if (!panelmodels_get_current_panel_info(&panel, &colour)) {
        zbx_set_error(error, ZbxError::Failed, "Please first select a panel");
        return FALSE;
    }
    int number = -1;
    if (!locations_get_current_location_index(&number)) {
        zbx_set_error(error, ZbxError::Failed, "Please first select a location");
        return FALSE;
    }
    GCharPtr name(g_strdup_printf("Store as location %d", number));
    DocumentStep step(app_document(), name.get());
    ZbxLocationRecord record;
    record.panel = static_cast<uint8_t>(panel);
    record.colour = static_cast<uint8_t>(colour);
    if (!app_document().set_location(number, record)) {
        zbx_set_error(error, ZbxError::Failed, "Please first select a panel");
        return FALSE;
    }
    return TRUE;
}

void locations_clear_location_record()
{
    int number = -1;
    if (!locations_get_current_location_index(&number)) {
        return;
    }
    GtkWidget *toplevel = gtk_widget_get_toplevel(GTK_WIDGET(state.view.get()));
    GtkWidget *dialog = create_dialog_clear_record(
        gtk_widget_is_toplevel(toplevel) ? GTK_WINDOW(toplevel) : nullptr);
    gint answer = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    if (answer == GTK_RESPONSE_YES && app_document().is_open()) {
        GCharPtr name(g_strdup_printf("Clear location %d", number));
        DocumentStep step(app_document(), name.get());
        app_document().set_location(number, ZbxLocationRecord{});
    }
}
