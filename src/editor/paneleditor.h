// The panel editor's state and operations: one panel of the document open
// for editing, the selected placement, click selection through overlapping
// placements, moves in whole cells (by drag, buttons or keys), insertion,
// cloning, deletion, drawing order and the three flags. No toolkit here:
// the window (paneleditor_window.cpp) calls these and shows the result.
// Every change goes through the document as one undo step.
#pragma once

#include <functional>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <span>
#include <string>

#include "c64/pixbufs.h"
#include "items/document.h"
#include "render/compose.h"

// One cell: every position the editor sets is a multiple of it.
inline constexpr int kEditorCell = 8;
// The location area, in location pixels.
inline constexpr int kEditorAreaWidth = 320;
inline constexpr int kEditorAreaHeight = 144;
inline constexpr int kEditorDefaultAlpha = 127;

// Back to the start-up state (no panel, nothing selected); listens to the
// document from now on. "Yes for all" is kept: it lasts for the run.
void paneleditor_module_init();
void paneleditor_cleanup();

// --- Opening and closing ---
// Opens panel (an item index) with the colour of its location area.
// Selection, click sequence and drag start afresh.
void paneleditor_on_panel_edit_clicked(int panel, int colour);
// The edited panel, or -1 (none, or deleted meanwhile).
int paneleditor_panel();
int paneleditor_background_colour();
// The status bar's text for a panel opened over a colour.
std::string paneleditor_status_text(int panel, int colour);
// The window closes: an open drag ends, nothing stays selected.
void paneleditor_reset_environment();

// --- Selection ---
// Row of the selected placement in the panel's list, or -1.
int paneleditor_selected_row();
// Item the selected placement names (-1 when none is selected).
int paneleditor_selected_item();
bool paneleditor_is_item_selected();
// The list view's cursor moved to row (-1: no row).
void paneleditor_select_row(int row);
// The box a placement covers in location pixels: an object's position and
// size, a panel's stored box moved by the position. False when it covers
// nothing (a missing item, a panel that places nothing).
bool paneleditor_def_box(const PanelDef &def, ZbxRect *box);
// Left and top edges inside, right and bottom edges outside.
bool paneleditor_hits(const PanelDef &def, int x, int y);
// A left click at location pixel (x, y): selects the next of the placements
// under it (farthest first, or closest first when reversed), without
// wrapping round. Returns 1 when it cleared the selection (the caller
// redraws without a frame), else 0.
int paneleditor_button_press(int x, int y);
void paneleditor_reset_click_depth();
int paneleditor_click_depth();
void paneleditor_set_click_reverse(bool reverse);

// --- Dragging with the right button ---
// Pointer at (x, y) with the right button held: moves the selection by the
// whole cells travelled since the anchor; the rest carries over. The whole
// drag is one undo step, ended by paneleditor_motion_handler_reset. Returns
// 1 when the placement moved.
int paneleditor_motion_handler(int x, int y);
// The button is up: the anchor goes and the drag's step ends.
void paneleditor_motion_handler_reset();
bool paneleditor_is_dragging();

// --- Operations (each one undo step) ---
// Whether a placement whose box starts at box_pos with box_size may move by
// delta on one axis: some of the box stays in the area (of extent pixels),
// and the new position (pos + delta) is one the project file can hold.
bool paneleditor_axis_move_allowed(bool horizontal, int pos, int box_pos, int box_size, int delta);
// Moves the selection by (dx, dy), each axis on its own; true when it moved.
bool paneleditor_item_move(int dx, int dy);
// Where a new object of w x h pixels goes: centred on the cell grid, or,
// with a selected box, its top-left on that box's centre (per axis, while
// the centre lies inside the area).
void paneleditor_insert_position(int w, int h, const ZbxRect *selected, int *x, int *y);
// Inserts an object placement right after the selection (at the end when
// none) and selects it.
bool paneleditor_add_object_at_current_iter(int object, bool mirror, bool has_overrides,
                                            int override_count, const int overrides[3]);
// The same for a panel, placed at (0, 0); false, with nothing changed, when
// it would make a panel contain itself.
bool paneleditor_add_panel_at_current_iter(int panel);
// Clones the selection right after it (enabled; an object onto the
// source's centre, a panel at (0, 0)).
bool paneleditor_clone_def();
// Deletes the selection; the placement that followed it is selected.
bool paneleditor_delete_def();

enum class DeleteAnswer
{
    No,
    Yes,
    YesForAll
};
// Deletes the selection after asking (unless "Yes for all" was answered
// before in this run). ask runs only when something is selected.
bool paneleditor_delete_with_confirmation(const std::function<DeleteAnswer()> &ask);
bool paneleditor_get_stop_asking();
void paneleditor_set_stop_asking(bool stop);

bool paneleditor_bring_def_to_front();
bool paneleditor_move_def_to_back();
bool paneleditor_move_def_closer();
bool paneleditor_move_def_farther();

enum class EditorFlag
{
    Enabled,
    Mirror,
    Overrides
};
// Inverts a flag of the placement at row (any row); mirror and overrides
// only for objects.
bool paneleditor_toggle(int row, EditorFlag flag);

// --- Drawing ---
// The backdrop, then the edited panel over its colour in the location
// area; with transparency on, each disabled placement over that at alpha.
// With `clashes`, the clashing cells of the composition are reported there.
void paneleditor_render_location(GdkPixbuf *canvas, bool transparency, int alpha,
                                 ComposeClashes *clashes = nullptr);
// Draws each disabled placement of defs (in order) over the location area
// of canvas, its own pixels at alpha (0 invisible, 255 opaque).
void paneleditor_blend_disabled(RgbaView canvas, std::span<const PanelDef> defs, int top_panel,
                                int background, int alpha);
