#include "editor/panelbrowser.h"

#include <gdk/gdkkeysyms.h>
#include <string>

#include "render/canvas.h"
#include "render/render.h"
#include "ui/builder.h"
#include "ui/common.h"
#include "ui/i18n.h"
#include "ui/modelview.h"

namespace {

GtkWidget *scrolled_window()
{
    GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    return scrolled;
}

} // namespace

BrowserWindow::BrowserWindow(UiContext &context, PanelEditor &editor, GtkWindow *parent,
                             std::function<void()> back)
    : context_(context), editor_(editor), back_(std::move(back)),
      window_(gtk_window_new(GTK_WINDOW_TOPLEVEL))
{
    build();
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window_), parent);
    }
    ui_attach_icon(window_);
}

BrowserWindow::~BrowserWindow()
{
    gtk_widget_destroy(window_);
}

void BrowserWindow::build()
{
    ui_name_toplevel(window_, "window_browser", _("Zembrix - Object and panel browser"));
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_MOUSE);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    GtkTooltips *tooltips = gtk_tooltips_new();
    ui_register_object(window_, tooltips, "tooltips");
    Builder b(window_);

    GtkWidget *notebook = b.reg(gtk_notebook_new(), "notebook_browser");
    gtk_container_add(GTK_CONTAINER(window_), notebook);

    // The objects.
    GtkWidget *scrolled = b.reg(scrolled_window(), "scrolledwindow_browser");
    GtkWidget *icons = b.reg(gtk_icon_view_new(), "iconview_browser_objects");
    gtk_widget_set_size_request(icons, 560, 425);
    gtk_tooltips_set_tip(tooltips, icons,
                         _("Available items at current game level: double click one to insert "
                           "it after the selected placement, or drag it onto the canvas"),
                         nullptr);
    atk_object_set_name(gtk_widget_get_accessible(icons), _("Objects"));
    gtk_container_add(GTK_CONTAINER(scrolled), icons);
    GtkWidget *objects_tab = b.reg(gtk_label_new(_("Objects")), "label_browser_objects");
    gtk_tooltips_set_tip(tooltips, objects_tab, _("The objects of the project"), nullptr);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), scrolled, objects_tab);
    gtk_icon_view_set_model(GTK_ICON_VIEW(icons), GTK_TREE_MODEL(context_.objects.store()));
    gtk_icon_view_set_text_column(GTK_ICON_VIEW(icons), OBJ_COL_LABEL);
    gtk_icon_view_set_pixbuf_column(GTK_ICON_VIEW(icons), OBJ_COL_ICON);

    // The panels and the preview of the one under the cursor.
    GtkWidget *table = b.reg(gtk_table_new(2, 2, FALSE), "table_browser_panels");
    gtk_table_set_col_spacings(GTK_TABLE(table), 2);
    gtk_table_attach(
        GTK_TABLE(table),
        b.reg(gtk_label_new(_("Defined panels:")), "label_browser_panels_available_panels"), 0, 1,
        0, 1, GTK_FILL, GTK_FILL, 0, 0);
    gtk_table_attach(
        GTK_TABLE(table),
        b.reg(gtk_label_new(_("Panel preview:")), "label_browser_panels_panel_preview"), 1, 2, 0, 1,
        GTK_FILL, GTK_FILL, 0, 0);
    GtkWidget *panels_scrolled = b.reg(scrolled_window(), "scrolledwindow_browser_panels_panels");
    gtk_table_attach(GTK_TABLE(table), panels_scrolled, 0, 1, 1, 2,
                     static_cast<GtkAttachOptions>(GTK_EXPAND | GTK_FILL),
                     static_cast<GtkAttachOptions>(GTK_EXPAND | GTK_FILL), 0, 0);
    GtkWidget *panels = b.reg(gtk_tree_view_new(), "treeview_browser_panels_panels");
    gtk_tooltips_set_tip(tooltips, panels,
                         _("Double click on an item to insert it, or drag it onto the canvas"),
                         nullptr);
    gtk_container_add(GTK_CONTAINER(panels_scrolled), panels);
    GtkWidget *alignment =
        b.reg(gtk_alignment_new(0.5f, 0.5f, 0.0f, 0.0f), "alignment_browser_panels_panel_preview");
    gtk_table_attach(GTK_TABLE(table), alignment, 1, 2, 1, 2, GTK_FILL, GTK_FILL, 0, 0);
    GtkWidget *frame = b.reg(gtk_frame_new(nullptr), "frame_browser_panels_panel_preview");
    gtk_container_add(GTK_CONTAINER(alignment), frame);
    area_ = b.reg(gtk_drawing_area_new(), "drawingarea_browser_panels_panel_preview");
    gtk_widget_set_size_request(area_, 320, 200);
    AtkObject *preview = gtk_widget_get_accessible(area_);
    atk_object_set_name(preview, _("Panel preview"));
    atk_object_set_role(preview, ATK_ROLE_DRAWING_AREA);
    gtk_tooltips_set_tip(tooltips, area_,
                         _("The panel under the cursor in the list, over its preview colour"),
                         nullptr);
    gtk_container_add(GTK_CONTAINER(frame), area_);
    GtkWidget *panels_tab = b.reg(gtk_label_new(_("Panels")), "label_browser_panels");
    gtk_tooltips_set_tip(tooltips, panels_tab, _("The panels of the project, with a preview"),
                         nullptr);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), table, panels_tab);
    panels_ = modelview_attach(window_, "treeview_browser_panels_panels", _("Panel ID"),
                               PANEL_COL_INDEX, GTK_TREE_MODEL(context_.panels.store()));
    // Not the main window's "Panel ID": a screen reader tells the two apart.
    atk_object_set_name(gtk_widget_get_accessible(panels), _("Defined panels"));

    ui_connect<&BrowserWindow::on_delete>(window_, "delete_event", this);
    ui_connect<&BrowserWindow::on_key_press>(window_, "key_press_event", this);
    ui_connect<&BrowserWindow::on_show>(window_, "show", this);
    ui_connect<&BrowserWindow::on_object_activated>(icons, "item_activated", this);
    ui_connect<&BrowserWindow::on_preview_configure>(area_, "configure_event", this);
    ui_connect<&BrowserWindow::on_preview_expose>(area_, "expose_event", this);
    ui_connect<&BrowserWindow::on_panels_cursor_changed>(panels, "cursor_changed", this);
    ui_connect<&BrowserWindow::on_panel_activated>(panels, "row_activated", this);
    enable_dragging(icons);
}

void BrowserWindow::show()
{
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
}

void BrowserWindow::refresh_preview()
{
    if (!canvas_) {
        return;
    }
    canvas_copy_image(context_.backdrop(), canvas_.get());
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    if (modelview_get_selected_row(panels_, &model, &iter)) {
        render_stored_panel(context_.document, modelview_get_int(model, &iter, PANEL_COL_INDEX),
                            canvas_.get(), modelview_get_int(model, &iter, PANEL_COL_COLOUR));
    }
    gtk_widget_queue_draw(area_);
}

// After an insertion: the browser goes and the editor's canvas takes the
// keys, so that the cursor keys move the new placement at once.
void BrowserWindow::back_to_editor()
{
    gtk_widget_hide(window_);
    editor_.reset_click_depth();
    if (back_) {
        back_();
    }
}

gboolean BrowserWindow::on_delete(GtkWidget *, GdkEvent *)
{
    gtk_widget_hide(window_);
    return TRUE;
}

gboolean BrowserWindow::on_key_press(GtkWidget *, GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    if ((mods == 0 && key == GDK_Escape) || (mods == GDK_CONTROL_MASK && key == GDK_w)) {
        // Back to the editor, with nothing inserted.
        gtk_widget_hide(window_);
        return TRUE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_s) {
        context_.shell.save_project();
        return TRUE;
    }
    return FALSE;
}

void BrowserWindow::on_show(GtkWidget *)
{
    refresh_preview();
}

void BrowserWindow::on_object_activated(GtkIconView *, GtkTreePath *path)
{
    int object = -1;
    if (context_.objects.index_at(path, &object)) {
        const int none[3] = {0, 0, 0};
        GErrorPtr error;
        if (!editor_.add_object(object, false, false, 0, none, error.out()) && error) {
            common_message_dialog(GTK_WINDOW(window_), error.message(), GTK_MESSAGE_ERROR);
            return;
        }
    }
    back_to_editor();
}

gboolean BrowserWindow::on_preview_configure(GtkWidget *, GdkEventConfigure *)
{
    if (!canvas_) {
        canvas_.reset(canvas_new());
    }
    refresh_preview();
    return TRUE;
}

gboolean BrowserWindow::on_preview_expose(GtkWidget *area, GdkEventExpose *event)
{
    return common_paint_image(area, canvas_.get(), &event->area, 0);
}

void BrowserWindow::on_panels_cursor_changed(GtkTreeView *)
{
    refresh_preview();
}

void BrowserWindow::on_panel_activated(GtkTreeView *, GtkTreePath *path, GtkTreeViewColumn *)
{
    int panel = -1;
    GErrorPtr error;
    if (context_.panels.index_at(path, &panel) && !editor_.add_panel(panel, error.out())) {
        if (error) {
            common_message_dialog(GTK_WINDOW(window_), error.message(), GTK_MESSAGE_ERROR);
            return;
        }
        if (context_.document.would_loop(editor_.panel(), panel)) {
            common_message_dialog(GTK_WINDOW(window_), kLoopMessage, GTK_MESSAGE_ERROR);
            return;
        }
    }
    back_to_editor();
}

void BrowserWindow::enable_dragging(GtkWidget *icons)
{
    icons_ = GTK_ICON_VIEW(icons);
    GtkTargetEntry object{const_cast<gchar *>(kBrowserObjectTarget), GTK_TARGET_SAME_APP, 0};
    GtkTargetEntry panel{const_cast<gchar *>(kBrowserPanelTarget), GTK_TARGET_SAME_APP, 0};
    gtk_icon_view_enable_model_drag_source(icons_, GDK_BUTTON1_MASK, &object, 1, GDK_ACTION_COPY);
    gtk_tree_view_enable_model_drag_source(panels_, GDK_BUTTON1_MASK, &panel, 1, GDK_ACTION_COPY);
    ui_connect<&BrowserWindow::on_drag_data_get>(icons, "drag_data_get", this);
    ui_connect<&BrowserWindow::on_drag_data_get>(GTK_WIDGET(panels_), "drag_data_get", this);
}

// The item dragged is the one selected: the press that starts a drag
// selects it.
void BrowserWindow::on_drag_data_get(GtkWidget *view, GdkDragContext *, GtkSelectionData *data,
                                     guint, guint)
{
    int item = -1;
    if (view == GTK_WIDGET(icons_)) {
        GList *selected = gtk_icon_view_get_selected_items(icons_);
        if (selected != nullptr) {
            context_.objects.index_at(static_cast<GtkTreePath *>(selected->data), &item);
        }
        for (GList *p = selected; p != nullptr; p = p->next) {
            gtk_tree_path_free(static_cast<GtkTreePath *>(p->data));
        }
        g_list_free(selected);
    } else {
        GtkTreeModel *model = nullptr;
        GtkTreeIter iter;
        if (modelview_get_selected_row(panels_, &model, &iter)) {
            item = modelview_get_int(model, &iter, PANEL_COL_INDEX);
        }
    }
    if (item >= 0) {
        const std::string text = std::to_string(item);
        gtk_selection_data_set(data, data->target, 8, reinterpret_cast<const guchar *>(text.data()),
                               static_cast<gint>(text.size()));
    }
}
