// Placements as the lists show them, and positions typed into them.
#include "editor/placement.h"

#include <cstdlib>

#include "base/gref.h"
#include "editor/paneleditor.h"
#include "ui/builder.h"
#include "ui/i18n.h"
#include "ui/panelmodels_deflist.h"

std::string placement_text(const PanelDef &def)
{
    GCharPtr text(g_strdup_printf("%s %d at %d, %d", def.is_object ? "object" : "panel", def.item,
                                  def.x, def.y));
    return text.get();
}

bool placement_box(const Document &document, const PanelDef &def, ZbxRect *box)
{
    if (def.is_object) {
        int w = 0;
        int h = 0;
        if (!document.object_size(def.item, &w, &h)) {
            return false;
        }
        *box = {def.x, def.y, w, h};
        return true;
    }
    ZbxRect content{};
    if (!document.panel_box(def.item, &content) || content.width <= 0 || content.height <= 0) {
        return false;
    }
    *box = {def.x + content.x, def.y + content.y, content.width, content.height};
    return true;
}

bool placement_set_position(Document &document, int panel, int row, int x, int y, std::string *why)
{
    const std::span<const PanelDef> defs = document.panel_defs(panel);
    if (row < 0 || row >= static_cast<int>(defs.size())) {
        *why = "There is no such placement";
        return false;
    }
    PanelDef def = defs[row];
    // Whole cells, downwards also left of and above the area.
    x = (x >> 3) * kEditorCell;
    y = (y >> 3) * kEditorCell;
    ZbxRect box{};
    if (!placement_box(document, def, &box)) {
        // Covers nothing: only the file's range limits it.
        box = {def.x, def.y, 1, 1};
    }
    if (!paneleditor_axis_move_allowed(true, def.x, box.x, box.width, x - def.x) ||
        !paneleditor_axis_move_allowed(false, def.y, box.y, box.height, y - def.y)) {
        GCharPtr text(g_strdup_printf("A placement at %d, %d would leave the location area", x, y));
        *why = text.get();
        return false;
    }
    if (def.x == x && def.y == y) {
        return true;
    }
    def.x = x;
    def.y = y;
    DocumentStep step(document, "Move placement");
    return document.set_def(panel, row, def);
}

PlacementColumns::PlacementColumns(GtkTreeView *view, Document &document,
                                   std::function<void(const char *)> refuse)
    : view_(view), document_(document), refuse_(std::move(refuse))
{
    GtkCellRenderer *text = gtk_cell_renderer_text_new();
    GtkTreeViewColumn *column = gtk_tree_view_column_new();
    gtk_tree_view_column_set_title(column, _("Placement"));
    gtk_tree_view_column_pack_start(column, text, TRUE);
    gtk_tree_view_column_set_cell_data_func(
        column, text,
        [](GtkTreeViewColumn *, GtkCellRenderer *cell, GtkTreeModel *model, GtkTreeIter *iter,
           gpointer) {
            PanelDef def;
            gboolean is_object = FALSE;
            gtk_tree_model_get(model, iter, DEF_COL_ITEM, &def.item, DEF_COL_IS_OBJECT, &is_object,
                               DEF_COL_X, &def.x, DEF_COL_Y, &def.y, -1);
            def.is_object = is_object != FALSE;
            g_object_set(cell, "text", placement_text(def).c_str(), nullptr);
        },
        nullptr, nullptr);
    gtk_tree_view_column_set_expand(column, TRUE);
    gtk_tree_view_append_column(view, column);

    for (auto [title, model_column, horizontal] :
         {std::tuple{_("X"), DEF_COL_X, true}, std::tuple{_("Y"), DEF_COL_Y, false}}) {
        GtkCellRenderer *cell = gtk_cell_renderer_text_new();
        g_object_set(cell, "editable", TRUE, "xalign", 1.0, nullptr);
        if (horizontal) {
            ui_connect<&PlacementColumns::on_x_edited>(cell, "edited", this);
        } else {
            ui_connect<&PlacementColumns::on_y_edited>(cell, "edited", this);
        }
        gtk_tree_view_append_column(view, gtk_tree_view_column_new_with_attributes(
                                              title, cell, "text", model_column, nullptr));
    }
}

bool PlacementColumns::edit(const char *path, const char *text, bool horizontal)
{
    GtkTreeModel *model = gtk_tree_view_get_model(view_);
    if (model == nullptr || !ZBX_IS_DEF_LIST(model)) {
        return false;
    }
    ZbxDefList *list = ZBX_DEF_LIST(model);
    const int row = atoi(path);
    const PanelDef *def = zbx_def_list_row(list, row);
    gint64 value = 0;
    if (def == nullptr) {
        return false;
    }
    if (!g_ascii_string_to_signed(g_strstrip(GCharPtr(g_strdup(text)).get()), 10, -10000, 10000,
                                  &value, nullptr)) {
        GCharPtr message(g_strdup_printf("\"%s\" is not a number of pixels", text));
        refuse_(message.get());
        return false;
    }
    const int x = horizontal ? static_cast<int>(value) : def->x;
    const int y = horizontal ? def->y : static_cast<int>(value);
    std::string why;
    if (!placement_set_position(document_, zbx_def_list_panel(list), row, x, y, &why)) {
        refuse_(why.c_str());
        return false;
    }
    return true;
}

void PlacementColumns::on_x_edited(GtkCellRendererText *, gchar *path, gchar *text)
{
    edit(path, text, true);
}

void PlacementColumns::on_y_edited(GtkCellRendererText *, gchar *path, gchar *text)
{
    edit(path, text, false);
}
