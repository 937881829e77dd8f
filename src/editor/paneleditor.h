// The panel editor's model: one panel of the document open for editing, the
// selected placement, click selection through overlapping placements, moves
// in whole cells (by drag, buttons or keys), insertion, cloning, deletion,
// drawing order, the three flags and the colour overrides. No toolkit here:
// the window (paneleditor_window.h) calls these and shows the result. Every
// change goes through the document as one undo step.
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

enum class DeleteAnswer
{
    No,
    Yes,
    YesForAll
};

enum class EditorFlag
{
    Enabled,
    Mirror,
    Overrides
};

class PanelEditor
{
  public:
    // Starts with no panel and follows the document, which must outlive it.
    explicit PanelEditor(Document &document);
    // Ends a drag's open step.
    ~PanelEditor();
    PanelEditor(const PanelEditor &) = delete;
    PanelEditor &operator=(const PanelEditor &) = delete;

    const Document &document() const { return document_; }

    // --- Opening and closing ---
    // Opens panel (an item index; anything else opens none) over the colour
    // of its location area. Selection, click sequence and drag start afresh.
    void open(int panel, int colour);
    // The edited panel, or -1 (none, or deleted meanwhile).
    int panel() const { return panel_; }
    int background_colour() const { return background_; }
    // The window closes: an open drag ends, nothing stays selected.
    void reset();

    // --- Selection ---
    // Row of the selected placement in the panel's list, or -1.
    int selected_row() const;
    // Item the selected placement names (-1 when none is selected).
    int selected_item() const;
    bool has_selection() const { return selected() != nullptr; }
    // The list's cursor moved to row (-1: no row).
    void select_row(int row);
    // The selected placement when it is an object's (the only ones that
    // carry overrides); false otherwise.
    bool selected_object_def(PanelDef *def) const;
    // The box a placement covers in location pixels: an object's position
    // and size, a panel's stored box moved by the position. False when it
    // covers nothing (a missing item, a panel that places nothing).
    bool def_box(const PanelDef &def, ZbxRect *box) const;
    // Left and top edges inside, right and bottom edges outside.
    bool hits(const PanelDef &def, int x, int y) const;
    // A left click at location pixel (x, y): selects the next of the
    // placements under it (farthest first, or closest first when reversed),
    // without wrapping round. True when it cleared the selection.
    bool click_at(int x, int y);
    void reset_click_depth() { click_depth_ = -1; }
    int click_depth() const { return click_depth_; }
    void set_click_reverse(bool reverse);

    // --- Dragging with the right button ---
    // Pointer at (x, y) with the right button held: moves the selection by
    // the whole cells travelled since the anchor; the rest carries over. The
    // whole drag is one undo step, ended by end_drag. True when the
    // placement moved.
    bool drag_to(int x, int y);
    // The button is up: the anchor goes and the drag's step ends.
    void end_drag();
    bool dragging() const { return drag_step_; }

    // --- Operations (each one undo step) ---
    // Moves the selection by (dx, dy), each axis on its own; true when it
    // moved.
    bool move(int dx, int dy);
    // Inserts an object placement right after the selection (at the end
    // when none) and selects it.
    bool add_object(int object, bool mirror, bool has_overrides, int override_count,
                    const int overrides[3]);
    // The same for a panel, placed at (0, 0); false, with nothing changed,
    // when it would make a panel contain itself.
    bool add_panel(int panel);
    // Clones the selection right after it (enabled; an object onto the
    // source's centre, a panel at (0, 0)).
    bool clone();
    // Deletes the selection; the placement that followed it is selected.
    bool delete_selected();
    // Deletes the selection after asking, unless "Yes for all" was answered
    // before (it lasts for this editor's life). ask runs only when something
    // is selected.
    bool delete_with_confirmation(const std::function<DeleteAnswer()> &ask);
    bool stop_asking() const { return stop_asking_; }

    bool bring_to_front();
    bool move_to_back();
    bool move_closer();
    bool move_farther();

    // Inverts a flag of the placement at row (any row); mirror and overrides
    // only for objects.
    bool toggle(int row, EditorFlag flag);
    // Stores count and bytes into the selected object placement (none when
    // nothing changes); a count above 0 also switches its overrides on, a
    // count of 0 leaves that flag alone. False when no object placement is
    // selected.
    bool set_overrides(int count, const int overrides[3]);

    // --- Drawing ---
    // The backdrop (none: left as it is), then the edited panel over its
    // colour in the location area; with transparency on, each disabled
    // placement over that at alpha. With `clashes`, the clashing cells of
    // the composition are reported there.
    void render_location(GdkPixbuf *canvas, GdkPixbuf *backdrop, bool transparency, int alpha,
                         ComposeClashes *clashes = nullptr) const;

  private:
    std::span<const PanelDef> defs() const { return document_.panel_defs(panel_); }
    int row_count() const { return static_cast<int>(defs().size()); }
    const PanelDef *selected() const;
    void follow(const DocEvent &event);
    bool insert_def(int row, const PanelDef &def);
    int insert_row() const { return row_ >= 0 ? row_ + 1 : row_count(); }
    bool move_to(int to, const char *name);

    Document &document_;
    int listener_ = 0;
    int panel_ = -1;
    int background_ = 0;
    int row_ = -1; // the selected placement
    int click_depth_ = -1;
    bool reverse_click_ = false;
    int xold_ = -1;
    int yold_ = -1;
    bool drag_step_ = false; // a drag's undo step is open
    bool stop_asking_ = false;
};

// The status bar's text for a panel opened over a colour.
std::string paneleditor_status_text(int panel, int colour);
// Whether a placement whose box starts at box_pos with box_size may move by
// delta on one axis: some of the box stays in the area (of extent pixels),
// and the new position (pos + delta) is one the project file can hold.
bool paneleditor_axis_move_allowed(bool horizontal, int pos, int box_pos, int box_size, int delta);
// Where a new object of w x h pixels goes: centred on the cell grid, or,
// with a selected box, its top-left on that box's centre (per axis, while
// the centre lies inside the area).
void paneleditor_insert_position(int w, int h, const ZbxRect *selected, int *x, int *y);
// Draws each disabled placement of defs (in order) over the location area
// of canvas, its own pixels at alpha (0 invisible, 255 opaque).
void paneleditor_blend_disabled(const Document &document, RgbaView canvas,
                                std::span<const PanelDef> defs, int top_panel, int background,
                                int alpha);
