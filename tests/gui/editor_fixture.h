// The panel editor's window built on its own from real services (the
// context fixture), open on a panel and shown.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <memory>
#include <string>
#include <vector>

#include "context_fixture.h"
#include "editor/paneleditor_window.h"
#include "gui_helpers.h"
#include "render/canvas.h"
#include "render/render.h"
#include "support/items_fixture.h"
#include "ui/builder.h"

namespace editor_test {

// The editor window over a project, open on one panel and shown.
class EditorAtWork : public testing::Test
{
  protected:
    void open_editor(const ZbxProject &project, int panel, int colour)
    {
        ctx.document.load(project);
        editor = std::make_unique<PanelEditorWindow>(ctx.context);
        editor->open(panel, colour);
        show_and_wait(editor->window());
    }
    void TearDown() override
    {
        close_dialogs_titled("Error");
        editor.reset();
        pump_events();
    }

    GtkWidget *ed(const char *name) const { return lookup_widget(editor->window(), name); }
    void click(const char *button)
    {
        gtk_button_clicked(GTK_BUTTON(ed(button)));
        pump_events();
    }
    // Puts the cursor of the placement list on a row, as a click would.
    void select(int row)
    {
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(ed("treeview_panel_editor_panel_defs")), path,
                                 nullptr, FALSE);
        gtk_tree_path_free(path);
        pump_events();
    }
    // The rows the placement list shows selected.
    std::vector<int> list_selection() const
    {
        GtkTreeSelection *selection =
            gtk_tree_view_get_selection(GTK_TREE_VIEW(ed("treeview_panel_editor_panel_defs")));
        std::vector<int> rows;
        GList *paths = gtk_tree_selection_get_selected_rows(selection, nullptr);
        for (GList *p = paths; p != nullptr; p = p->next) {
            rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath *>(p->data))[0]);
            gtk_tree_path_free(static_cast<GtkTreePath *>(p->data));
        }
        g_list_free(paths);
        return rows;
    }
    std::vector<PanelDef> defs(int panel) const
    {
        const auto d = ctx.document.panel_defs(panel);
        return {d.begin(), d.end()};
    }

    TestContext ctx;
    std::unique_ptr<PanelEditorWindow> editor;
};

} // namespace editor_test
