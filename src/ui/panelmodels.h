// The panel list: one row per panel of the document (item index, preview
// colour, use), shared by the main window's list and the browser's. A view:
// it follows the document's reports.
#pragma once

#include <gtk/gtk.h>

#include "base/gref.h"
#include "items/document.h"
#include "ui/modelview.h"

enum PanelModelColumn
{
    PANEL_COL_INDEX = 0,
    PANEL_COL_COLOUR,
    // The placements that use the panel and the locations that elect it
    // ("2 + loc 5", "" when none), and their number to sort by.
    PANEL_COL_USED,
    PANEL_COL_USE,
    PANEL_N_COLUMNS
};

class PanelList
{
  public:
    // Creates the store, fills it from the document and follows it.
    explicit PanelList(Document &document);
    ~PanelList();
    PanelList(const PanelList &) = delete;
    PanelList &operator=(const PanelList &) = delete;

    GtkListStore *store() const { return store_.get(); }
    // Shows the store sorted in a tree view (the main window's list), whose
    // selection then stays on its panel as the document changes.
    void show_in(GtkTreeView *view);
    // The panel at a path of the store.
    bool index_at(GtkTreePath *path, int *index) const;

  private:
    ItemList item_list() const;
    void follow(const DocEvent &event);

    Document &document_;
    GRef<GtkListStore> store_;
    ModelView view_;
    int listener_ = 0;
};
