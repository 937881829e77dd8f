// The dialog that lists a project's backups.
#include "ui/backup_chooser.h"

#include "base/gref.h"
#include "items/project_size.h"
#include "ui/builder.h"
#include "ui/i18n.h"

namespace {

enum
{
    COL_DATE,
    COL_TIME,
    COL_SIZE,
    COL_PATH,
    N_COLS
};

std::string local_text(gint64 time, const char *format)
{
    GDateTime *at = g_date_time_new_from_unix_local(time);
    if (at == nullptr) {
        return "";
    }
    GCharPtr text(g_date_time_format(at, format));
    g_date_time_unref(at);
    return text ? text.get() : "";
}

} // namespace

std::string ui_backup_date(gint64 time)
{
    return local_text(time, "%Y-%m-%d");
}

std::string ui_backup_time(gint64 time)
{
    return local_text(time, "%H:%M:%S");
}

std::string ui_backup_size(gint64 size)
{
    // As the status bar writes sizes.
    return project_format_count(static_cast<long>(size)) + " bytes";
}

bool ui_choose_backup(GtkWindow *parent, const char *project_name,
                      const std::vector<BackupEntry> &backups, std::string *chosen)
{
    GtkWidget *dialog = gtk_dialog_new_with_buttons(_("Restore Backup"), parent, GTK_DIALOG_MODAL,
                                                    GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
                                                    _("_Restore"), GTK_RESPONSE_ACCEPT, nullptr);
    ui_name_toplevel(dialog, "dialog_restore_backup", nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 420, 320);
    Builder b(dialog);
    GCharPtr heading(g_strdup_printf(
        _("Backups of “%s”, newest first. The one you restore opens in place of the project, "
          "unsaved: save it to keep it."),
        project_name));
    GtkWidget *label = b.label("label_restore_backup", heading.get(), true);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), label, FALSE, FALSE, 6);
    GtkWidget *scrolled = b.list("scrolledwindow_restore_backup", "treeview_restore_backup", 400);
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), scrolled, TRUE, TRUE, 0);
    GtkTreeView *view = GTK_TREE_VIEW(lookup_widget(dialog, "treeview_restore_backup"));
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(view)), _("Backups"));
    gtk_widget_set_tooltip_text(GTK_WIDGET(view),
                                _("Double-click a backup, or select it and press Restore"));

    GRef<GtkListStore> store(
        gtk_list_store_new(N_COLS, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING));
    for (const BackupEntry &backup : backups) {
        GtkTreeIter iter;
        gtk_list_store_append(store.get(), &iter);
        gtk_list_store_set(store.get(), &iter, COL_DATE, ui_backup_date(backup.time).c_str(),
                           COL_TIME, ui_backup_time(backup.time).c_str(), COL_SIZE,
                           ui_backup_size(backup.size).c_str(), COL_PATH, backup.path.c_str(), -1);
    }
    for (auto [title, column] : {std::pair{_("Date"), COL_DATE}, std::pair{_("Time"), COL_TIME},
                                 std::pair{_("Size"), COL_SIZE}}) {
        gtk_tree_view_append_column(
            view, gtk_tree_view_column_new_with_attributes(title, gtk_cell_renderer_text_new(),
                                                           "text", column, nullptr));
    }
    gtk_tree_view_set_model(view, GTK_TREE_MODEL(store.get()));
    GtkTreePath *first = gtk_tree_path_new_first();
    gtk_tree_view_set_cursor(view, first, nullptr, FALSE);
    gtk_tree_path_free(first);
    // A double click or Enter on a row restores it.
    g_signal_connect_swapped(
        view, "row-activated",
        G_CALLBACK(+[](GtkDialog *d) { gtk_dialog_response(d, GTK_RESPONSE_ACCEPT); }), dialog);

    const bool accepted = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    bool found = false;
    if (accepted &&
        gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view), &model, &iter)) {
        gchar *path = nullptr;
        gtk_tree_model_get(model, &iter, COL_PATH, &path, -1);
        *chosen = path != nullptr ? path : "";
        g_free(path);
        found = !chosen->empty();
    }
    gtk_widget_destroy(dialog);
    return found;
}
