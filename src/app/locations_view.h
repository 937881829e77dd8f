// The location list of the main window: one row per location record of the
// document (number, colour, panel, and beside the number what the slot
// shows), following its reports.
#pragma once

#include <gtk/gtk.h>

#include "base/gref.h"
#include "c64/palette.h"
#include "items/document.h"
#include "ui/modelview.h"

enum LocationColumn
{
    LOC_COL_NUMBER = 0,
    LOC_COL_COLOUR,
    LOC_COL_PANEL,
    // What the slot shows: its background colour's box (none when empty),
    // and "panel 3, Light blue" or "empty".
    LOC_COL_SWATCH,
    LOC_COL_CONTENTS,
    LOC_N_COLUMNS
};

class LocationList
{
  public:
    // Creates the store, fills it from the document (32 rows while a project
    // is open, none otherwise), follows it, and shows it in `view`.
    LocationList(Document &document, const PaletteImages &palette, GtkTreeView *view);
    ~LocationList();
    LocationList(const LocationList &) = delete;
    LocationList &operator=(const LocationList &) = delete;

    GtkListStore *store() const { return store_.get(); }
    // The number of the selected location.
    bool selected(int *number) const;

  private:
    void set_row(GtkTreeIter *iter, int number);
    void sync_all();
    void follow(const DocEvent &event);

    Document &document_;
    const PaletteImages &palette_;
    GRef<GtkListStore> store_;
    ModelView view_;
    int listener_ = 0;
};
