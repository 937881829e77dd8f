// One placement of a panel as the lists show it: a line of text ("object 12
// at 24, 16") and x and y columns that take a typed position, moved as one
// step within the limits every move keeps. The panel editor's Placements
// list and the main window's "Items therein" both use it.
#pragma once

#include <functional>
#include <gtk/gtk.h>
#include <string>

#include "items/document.h"

// "object 12 at 24, 16" or "panel 3 at -8, 0" (pixels of the location area).
std::string placement_text(const PanelDef &def);

// The box a placement covers in location pixels: an object's position and
// size, a panel's stored box moved by the position. False when it covers
// nothing (a missing item, a panel that places nothing).
bool placement_box(const Document &document, const PanelDef &def, ZbxRect *box);

// Moves placement `row` of `panel` to (x, y) pixels, taken down to whole
// cells, as one step. Refused (false, with the reason in *why) where a move
// would be: when no pixel of the placement would stay in the location area
// or the project file cannot hold the position. True also when it already
// stood there (nothing is recorded then).
bool placement_set_position(Document &document, int panel, int row, int x, int y, std::string *why);

// Adds a "Placement" text column and editable "X" and "Y" columns to a
// tree view whose model is a panel's definition list (ZbxDefList). A typed
// position moves the placement; a refusal goes to `refuse`.
class PlacementColumns
{
  public:
    PlacementColumns(GtkTreeView *view, Document &document,
                     std::function<void(const char *)> refuse);
    PlacementColumns(const PlacementColumns &) = delete;
    PlacementColumns &operator=(const PlacementColumns &) = delete;

    // What a typed cell does (the renderer's "edited" signal calls it): the
    // x (horizontal) or y of the row at path becomes text. False when the
    // text is no number or the move was refused.
    bool edit(const char *path, const char *text, bool horizontal);

  private:
    void on_x_edited(GtkCellRendererText *cell, gchar *path, gchar *text);
    void on_y_edited(GtkCellRendererText *cell, gchar *path, gchar *text);

    GtkTreeView *view_;
    Document &document_;
    std::function<void(const char *)> refuse_;
};
