// The object list: one row per object of the document (item index, "OBJECT
// %d", image, icon, use), shared by the main window's list and the browser's
// and grabber's icon views. A view: it follows the document's reports.
#pragma once

#include <gtk/gtk.h>

#include "base/gref.h"
#include "items/document.h"
#include "ui/modelview.h"

enum ObjectModelColumn
{
    OBJ_COL_INDEX = 0,
    OBJ_COL_LABEL,
    OBJ_COL_IMAGE,
    // The image with every pixel doubled, for icon views: small objects
    // would be hard to make out at their own size.
    OBJ_COL_ICON,
    // How many placements use the object ("" when none), and that number
    // to sort by.
    OBJ_COL_USED,
    OBJ_COL_USE,
    OBJ_N_COLUMNS
};

class ObjectList
{
  public:
    // Creates the store, fills it from the document and follows it.
    explicit ObjectList(Document &document);
    ~ObjectList();
    ObjectList(const ObjectList &) = delete;
    ObjectList &operator=(const ObjectList &) = delete;

    GtkListStore *store() const { return store_.get(); }
    // Shows the store sorted in a tree view (the main window's list), whose
    // selection then stays on its object as the document changes.
    void show_in(GtkTreeView *view);
    // The object at a path of the store, as icon views hand it out.
    bool index_at(GtkTreePath *path, int *index) const;

  private:
    ItemList item_list() const;
    void follow(const DocEvent &event);

    Document &document_;
    GRef<GtkListStore> store_;
    ModelView view_;
    int listener_ = 0;
};
