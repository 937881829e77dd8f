#include "editor/panelbrowser.h"
#include "app/context.h"

#include "app/app.h"
#include "app/common.h"
#include "app/i18n.h"
#include "app/modelview.h"
#include "app/objectmodel.h"
#include "app/panelmodels_view.h"
#include "app/support.h"
#include "base/gref.h"
#include "editor/paneleditor.h"
#include "editor/paneleditor_window.h"
#include "render/render.h"

namespace {

struct BrowserState
{
    GtkWidget *window = nullptr;
    GtkTreeView *treeview_panels = nullptr;
    GRef<GdkPixbuf> panel_browser_canvas;
    GtkWidget *panel_browser_da = nullptr;
};
BrowserState state;

void refresh_preview()
{
    if (!state.panel_browser_canvas) {
        return;
    }
    panelbrowser_render_panel(state.panel_browser_canvas.get());
    if (state.panel_browser_da != nullptr) {
        gtk_widget_queue_draw(state.panel_browser_da);
    }
}

// After an insertion: the browser goes and the editor's canvas takes the
// keys, so that the cursor keys move the new placement at once.
void back_to_editor()
{
    gtk_widget_hide(state.window);
    paneleditor_reset_click_depth();
    if (window_panel_editor != nullptr) {
        gtk_window_present(GTK_WINDOW(window_panel_editor));
        gtk_widget_grab_focus(
            lookup_widget(window_panel_editor, "drawingarea_panel_editor_location"));
    }
    paneleditor_refresh();
}

GtkWidget *scrolled_window()
{
    GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    return scrolled;
}

} // namespace

GtkWidget *create_window_browser()
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    zbx_name_toplevel(window, "window_browser", _("Zembrix - Object and panel browser"));
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_MOUSE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    GtkTooltips *tooltips = gtk_tooltips_new();
    zbx_register_object(window, tooltips, "tooltips");
    auto reg = [window](GtkWidget *widget, const char *name) {
        zbx_register_widget(window, widget, name);
        gtk_widget_show(widget);
        return widget;
    };

    GtkWidget *notebook = reg(gtk_notebook_new(), "notebook_browser");
    gtk_container_add(GTK_CONTAINER(window), notebook);

    // The objects.
    GtkWidget *scrolled = reg(scrolled_window(), "scrolledwindow_browser");
    GtkWidget *icons = reg(gtk_icon_view_new(), "iconview_browser_objects");
    gtk_widget_set_size_request(icons, 560, 425);
    gtk_tooltips_set_tip(tooltips, icons, _("Available items at current game level"), nullptr);
    atk_object_set_name(gtk_widget_get_accessible(icons), _("Objects"));
    gtk_container_add(GTK_CONTAINER(scrolled), icons);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), scrolled,
                             reg(gtk_label_new(_("Objects")), "label_browser_objects"));

    // The panels and the preview of the one under the cursor.
    GtkWidget *table = reg(gtk_table_new(2, 2, FALSE), "table_browser_panels");
    gtk_table_set_col_spacings(GTK_TABLE(table), 2);
    gtk_table_attach(
        GTK_TABLE(table),
        reg(gtk_label_new(_("Defined panels:")), "label_browser_panels_available_panels"), 0, 1, 0,
        1, GTK_FILL, GTK_FILL, 0, 0);
    gtk_table_attach(GTK_TABLE(table),
                     reg(gtk_label_new(_("Panel preview:")), "label_browser_panels_panel_preview"),
                     1, 2, 0, 1, GTK_FILL, GTK_FILL, 0, 0);
    GtkWidget *panels_scrolled = reg(scrolled_window(), "scrolledwindow_browser_panels_panels");
    gtk_table_attach(GTK_TABLE(table), panels_scrolled, 0, 1, 1, 2,
                     static_cast<GtkAttachOptions>(GTK_EXPAND | GTK_FILL),
                     static_cast<GtkAttachOptions>(GTK_EXPAND | GTK_FILL), 0, 0);
    GtkWidget *panels = reg(gtk_tree_view_new(), "treeview_browser_panels_panels");
    gtk_tooltips_set_tip(tooltips, panels, _("Double click on an item to insert it"), nullptr);
    gtk_container_add(GTK_CONTAINER(panels_scrolled), panels);
    GtkWidget *alignment =
        reg(gtk_alignment_new(0.5f, 0.5f, 0.0f, 0.0f), "alignment_browser_panels_panel_preview");
    gtk_table_attach(GTK_TABLE(table), alignment, 1, 2, 1, 2, GTK_FILL, GTK_FILL, 0, 0);
    GtkWidget *frame = reg(gtk_frame_new(nullptr), "frame_browser_panels_panel_preview");
    gtk_container_add(GTK_CONTAINER(alignment), frame);
    GtkWidget *area = reg(gtk_drawing_area_new(), "drawingarea_browser_panels_panel_preview");
    gtk_widget_set_size_request(area, 320, 200);
    atk_object_set_name(gtk_widget_get_accessible(area), _("Panel preview"));
    gtk_container_add(GTK_CONTAINER(frame), area);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), table,
                             reg(gtk_label_new(_("Panels")), "label_browser_panels"));

    g_signal_connect(window, "delete_event", G_CALLBACK(on_window_browser_delete_event), nullptr);
    g_signal_connect(window, "show", G_CALLBACK(on_window_browser_show), nullptr);
    g_signal_connect(icons, "item_activated", G_CALLBACK(on_iconview_browser_object_activated),
                     nullptr);
    g_signal_connect(area, "configure_event",
                     G_CALLBACK(on_drawingarea_browser_panels_panel_preview_configure_event),
                     nullptr);
    g_signal_connect(area, "expose_event",
                     G_CALLBACK(on_drawingarea_browser_panels_panel_preview_expose_event), nullptr);
    g_signal_connect(panels, "cursor_changed",
                     G_CALLBACK(on_treeview_browser_panels_panels_cursor_changed), nullptr);
    g_signal_connect(panels, "row_activated",
                     G_CALLBACK(on_treeview_browser_panels_panels_row_activated), nullptr);
    return window;
}

void iconview_module_init(GtkWidget *window)
{
    if (window == nullptr) {
        return;
    }
    GtkIconView *icons = GTK_ICON_VIEW(lookup_widget(window, "iconview_browser_objects"));
    gtk_icon_view_set_model(icons, GTK_TREE_MODEL(objectmodel_get_model()));
    gtk_icon_view_set_text_column(icons, OBJ_COL_LABEL);
    gtk_icon_view_set_pixbuf_column(icons, OBJ_COL_ICON);
}

void panelbrowser_module_init(GtkWidget *window)
{
    panelbrowser_cleanup();
    state.window = window;
    if (window == nullptr) {
        return;
    }
    state.treeview_panels =
        modelview_attach(window, "treeview_browser_panels_panels", _("Panel ID"), PANEL_COL_INDEX,
                         GTK_TREE_MODEL(panelmodels_get_panel_model()));
    // Not the main window's "Panel ID": a screen reader tells the two apart.
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(state.treeview_panels)),
                        _("Defined panels"));
    if (window_panel_editor != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(window_panel_editor));
    }
}

void panelbrowser_cleanup()
{
    state = BrowserState{};
}

void panelbrowser_show()
{
    if (state.window == nullptr) {
        return;
    }
    gtk_widget_show(state.window);
    gtk_window_present(GTK_WINDOW(state.window));
}

void panelbrowser_render_panel(GdkPixbuf *canvas)
{
    canvas_copy_image(app_backdrop(), canvas);
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.treeview_panels, &model, &iter)) {
        return;
    }
    render_stored_panel(app_document(), modelview_get_int(model, &iter, PANEL_COL_INDEX), canvas,
                        modelview_get_int(model, &iter, PANEL_COL_COLOUR));
}

GdkPixbuf *panelbrowser_get_canvas()
{
    return state.panel_browser_canvas.get();
}

void on_iconview_browser_object_activated_in_paneleditor(GtkTreePath *path)
{
    int object = -1;
    if (objectmodel_get_object_id_from_path(path, &object)) {
        const int none[3] = {0, 0, 0};
        paneleditor_add_object_at_current_iter(object, false, false, 0, none);
    }
    back_to_editor();
}

gboolean on_window_browser_delete_event(GtkWidget *window, GdkEvent *, gpointer)
{
    gtk_widget_hide(window);
    return TRUE;
}

void on_window_browser_show(GtkWidget *, gpointer)
{
    refresh_preview();
}

void on_iconview_browser_object_activated(GtkIconView *, GtkTreePath *path, gpointer)
{
    on_iconview_browser_object_activated_in_paneleditor(path);
}

gboolean on_drawingarea_browser_panels_panel_preview_configure_event(GtkWidget *area,
                                                                     GdkEventConfigure *, gpointer)
{
    if (!state.panel_browser_canvas) {
        state.panel_browser_canvas.reset(canvas_new());
    }
    if (state.panel_browser_da == nullptr) {
        state.panel_browser_da = area;
    }
    refresh_preview();
    return TRUE;
}

gboolean on_drawingarea_browser_panels_panel_preview_expose_event(GtkWidget *area,
                                                                  GdkEventExpose *event, gpointer)
{
    if (!state.panel_browser_canvas || area->window == nullptr) {
        return FALSE;
    }
    cairo_t *cr = gdk_cairo_create(area->window);
    gdk_cairo_rectangle(cr, &event->area);
    cairo_clip(cr);
    gdk_cairo_set_source_pixbuf(cr, state.panel_browser_canvas.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return TRUE;
}

void on_treeview_browser_panels_panels_cursor_changed(GtkTreeView *, gpointer)
{
    refresh_preview();
}

void on_treeview_browser_panels_panels_row_activated(GtkTreeView *, GtkTreePath *path,
                                                     GtkTreeViewColumn *, gpointer)
{
    int panel = -1;
    if (panelmodels_get_panel_offset_from_path(path, &panel) &&
        !paneleditor_add_panel_at_current_iter(panel)) {
        if (app_document().would_loop(paneleditor_panel(), panel)) {
            common_message_dialog(GTK_WINDOW(state.window), kLoopMessage, GTK_MESSAGE_ERROR);
            return;
        }
    }
    back_to_editor();
}
