// The panel editor's model: one panel of the document open for editing, the
// selected placements, click selection through overlapping placements, what
// the left button does (click, extend, rubber band, drag), moves in whole
// cells (by drag, buttons or keys), insertion, pasting, cloning, deletion,
// drawing order, the three flags and the colour overrides. No toolkit here:
// the window (paneleditor_window.h) calls these and shows the result. Every
// change goes through the document as one undo step, and acts on the whole
// selection. (paneleditor_group.cpp holds the selection of many and what
// acts on it.)
#pragma once

#include <functional>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "c64/pixbufs.h"
#include "items/document.h"
#include "render/compose.h"

// One cell: every position the editor sets is a multiple of it.
inline constexpr int kEditorCell = 8;
// The location area, in location pixels.
inline constexpr int kEditorAreaWidth = 320;
inline constexpr int kEditorAreaHeight = 144;
inline constexpr int kEditorDefaultAlpha = 127;

inline constexpr const char *kLoopMessage = "Insertion of this panel would create a loop!";

// A location pixel.
struct EditorPoint
{
    int x = 0;
    int y = 0;
};

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
    // Rows of the selected placements in the panel's list, ascending.
    const std::vector<int> &selected_rows() const { return rows_; }
    // The row when exactly one placement is selected, else -1.
    int selected_row() const;
    // Item the selected placement names (-1 unless exactly one is selected).
    int selected_item() const;
    bool has_selection() const { return !rows_.empty(); }
    bool is_selected(int row) const;
    // The selected placements in drawing order.
    std::vector<PanelDef> selected_defs() const;
    // Where a range selection starts (-1: none): the row last clicked,
    // toggled or selected alone.
    int anchor() const { return anchor_; }
    // Selects row alone (-1: nothing).
    void select_row(int row);
    // Selects these rows (the list's selection), the anchor on anchor.
    void set_selection(std::vector<int> rows, int anchor);
    // Control+click: row in or out of the selection; it becomes the anchor.
    void toggle_row(int row);
    // Shift+click: the rows from the anchor to row (added to the selection
    // with add); without an anchor, row alone.
    void extend_to(int row, bool add);
    void select_all();
    // Selects the placements whose box shares a pixel with rect (location
    // pixels), added to base.
    void select_touching(ZbxRect rect, const std::vector<int> &base);
    // The exactly one selected placement when it is an object's (the only
    // ones that carry overrides); false otherwise.
    bool selected_object_def(PanelDef *def) const;
    // The box a placement covers in location pixels: an object's position
    // and size, a panel's stored box moved by the position. False when it
    // covers nothing (a missing item, a panel that places nothing).
    bool def_box(const PanelDef &def, ZbxRect *box) const;
    // Left and top edges inside, right and bottom edges outside.
    bool hits(const PanelDef &def, int x, int y) const;
    // The row a click at (x, y) would select first (farthest first, or
    // closest first when reversed), or -1.
    int row_at(int x, int y) const;
    // A plain left click at location pixel (x, y): selects the next of the
    // placements under it (farthest first, or closest first when reversed),
    // without wrapping round. True when it cleared the selection.
    bool click_at(int x, int y);
    void reset_click_depth() { click_depth_ = -1; }
    int click_depth() const { return click_depth_; }
    void set_click_reverse(bool reverse);

    // --- The left button ---
    // Pressed at (x, y). With toggle (Control) alone: toggle_row at once.
    // A plain press on a placement that is not selected, or on none, clicks
    // at once. A plain press on a selected placement, or one with extend
    // (Shift), waits: released in the cell it was pressed in, it is a click
    // (or extend_to, adding with toggle); moved out of that cell, a press on
    // a selected placement drags the selection and any other draws a rubber
    // band (adding to the selection with extend).
    void press(int x, int y, bool toggle, bool extend);
    // The pointer at (x, y) with the button held; true when the selection
    // or the band changed.
    bool pointer_to(int x, int y);
    // The button is up: a waiting click happens, a drag's step ends.
    void release();
    // Whether the button is held after a press that waits, drags or draws.
    bool pressed() const { return gesture_ != Gesture::None; }
    // The rubber band being drawn, in location pixels (both corners inside).
    std::optional<ZbxRect> band() const;

    // --- Dragging with the right button ---
    // Pointer at (x, y) with the right button held: moves the selection by
    // the whole cells travelled since the anchor; the rest carries over. The
    // whole drag is one undo step, ended by end_drag. True when the
    // selection moved.
    bool drag_to(int x, int y);
    // The button is up: the anchor goes and the drag's step ends.
    void end_drag();
    bool dragging() const { return drag_step_; }

    // --- Operations (each one undo step, on the whole selection) ---
    // Moves the selection by (dx, dy), each axis on its own: an axis moves
    // only when every selected placement may move along it
    // (paneleditor_axis_move_allowed); true when it moved.
    bool move(int dx, int dy);
    // Inserts an object placement right after the selection (at the end
    // when none) and selects it. Refused with nothing changed when the
    // project's file would grow past its limit (the error says so).
    bool add_object(int object, bool mirror, bool has_overrides, int override_count,
                    const int overrides[3], GError **error = nullptr);
    // The same for a panel, placed at (0, 0); false, with nothing changed,
    // when it would make a panel contain itself.
    bool add_panel(int panel, GError **error = nullptr);
    // Clones the selection right after it and selects the clones (enabled).
    // One placement: an object onto the source's centre, a panel at (0, 0).
    // Several keep their places among each other, their box's top-left on
    // its centre. Refused as add_object is.
    bool clone(GError **error = nullptr);
    // Deletes the selection; the placement that followed it is selected.
    bool delete_selected();
    // Deletes the selection after asking, unless "Yes for all" was answered
    // before (it lasts for this editor's life). ask runs only when something
    // is selected.
    bool delete_with_confirmation(const std::function<DeleteAnswer()> &ask);
    bool stop_asking() const { return stop_asking_; }
    // Deletes the selection as the second half of a cut.
    bool cut();
    // Inserts placements after the selection (at the end when none) and
    // selects them. With at, their box's top-left goes to the cell of that
    // location pixel; without, they land where they were; an axis on which a
    // placement would leave what a move allows keeps where they were.
    // Refused with nothing changed (an error saying why) when an item is not
    // in the project as the kind it says, a panel would contain itself, or
    // the project's file would grow past its limit.
    bool paste(std::span<const PanelDef> placements, std::optional<EditorPoint> at, GError **error);
    // Copies of the selection, one cell right and down (per axis as a move
    // allows), inserted after it and selected; refused as add_object is.
    bool duplicate(GError **error = nullptr);
    // Inserts object or panel `item` (as is_object says) with the top-left
    // of what it draws at the cell of location pixel (x, y), after the
    // selection, selected; refused as paste refuses.
    bool drop(bool is_object, int item, int x, int y, GError **error);

    // Drawing order, the selection keeping its own: all to the front or the
    // back, or each one place closer or farther (as far as the ends allow).
    bool bring_to_front();
    bool move_to_back();
    bool move_closer();
    bool move_farther();

    // Inverts a flag of the placement at row (any row); mirror and overrides
    // only for objects. When that row is one of several selected, every
    // selected placement the flag applies to takes the row's new value.
    // Overrides switched on are refused as add_object is.
    bool toggle(int row, EditorFlag flag, GError **error = nullptr);
    // Stores count and bytes into the selected object placement (none when
    // nothing changes); a count above 0 also switches its overrides on, a
    // count of 0 leaves that flag alone. False when no object placement is
    // selected, or refused as add_object is.
    bool set_overrides(int count, const int overrides[3], GError **error = nullptr);
    // While the colour override window is open: the selected object
    // placement is drawn as set_overrides would store count and bytes, the
    // document unchanged. Nothing happens when no object placement is
    // selected. Ends with end_override_preview, or when the editor opens or
    // closes a panel.
    void preview_overrides(int count, const int overrides[3]);
    void end_override_preview() { preview_.reset(); }

    // --- Drawing ---
    // The backdrop (none: left as it is), then the edited panel over its
    // colour in the location area (with the overrides previewed); with
    // transparency on, each disabled placement over that at alpha. With
    // `clashes`, the clashing cells of the composition are reported there.
    void render_location(GdkPixbuf *canvas, GdkPixbuf *backdrop, bool transparency, int alpha,
                         ComposeClashes *clashes = nullptr) const;

  private:
    enum class Gesture
    {
        None,
        Click,   // waits: a plain click on release
        Extend,  // waits: extend_to on release
        Clicked, // clicked on the press: a band once it leaves the cell
        Drag,
        Band
    };

    std::span<const PanelDef> defs() const { return document_.panel_defs(panel_); }
    int row_count() const { return static_cast<int>(defs().size()); }
    // The placement when exactly one is selected.
    const PanelDef *selected() const;
    void follow(const DocEvent &event);
    bool insert_def(int row, const PanelDef &def, GError **error);
    int insert_row() const { return rows_.empty() ? row_count() : rows_.back() + 1; }
    // Makes list the panel's placements as one step, the selection then
    // `selection` (already when the views are told). A refusal for the
    // file's size limit is told through error.
    bool commit(const std::string &name, std::vector<PanelDef> list, std::vector<int> selection,
                GError **error = nullptr);
    // Inserts placements after the selection, selected, as one step;
    // refused as paste refuses.
    bool insert_group(std::vector<PanelDef> placements, const std::string &name, GError **error);
    // The box of the placements together (false when none covers anything).
    bool group_box(std::span<const PanelDef> placements, ZbxRect *box) const;
    // Moves placements by (dx, dy), each axis only when all may move so.
    void shift_group(std::vector<PanelDef> &placements, int dx, int dy) const;
    bool delete_rows(const std::string &name);
    bool reorder(std::vector<int> order, const std::string &name);
    bool toggle_selection(int row, EditorFlag flag, GError **error);
    bool clone_group(GError **error);
    // The placements as they are drawn: the overrides previewed in place.
    std::vector<PanelDef> drawn_defs() const;

    Document &document_;
    int listener_ = 0;
    int panel_ = -1;
    int background_ = 0;
    std::vector<int> rows_; // the selected placements, ascending
    int anchor_ = -1;
    // The selection an operation chose, taken up when the document reports
    // the operation's change, before the views are told.
    std::optional<std::vector<int>> pending_;
    int click_depth_ = -1;
    // Where the cycle of clicks is: a click elsewhere starts a new one, even
    // when no pointer motion came between (a touch screen, a replayed
    // event).
    int click_x_ = -1;
    int click_y_ = -1;
    bool reverse_click_ = false;
    int xold_ = -1;
    int yold_ = -1;
    bool drag_step_ = false; // a drag's undo step is open
    bool stop_asking_ = false;
    // The left button: what the press does, where it was, whether Control
    // was held, and the selection the band adds to.
    Gesture gesture_ = Gesture::None;
    int press_x_ = 0;
    int press_y_ = 0;
    int band_x_ = 0;
    int band_y_ = 0;
    bool press_toggle_ = false;
    std::vector<int> band_base_;
    // The row of the placement whose overrides are previewed, and the
    // placement as set_overrides would store it.
    int preview_row_ = -1;
    std::optional<PanelDef> preview_;
};

// The name of a step on n placements: `one`, or `many` with n in it.
std::string paneleditor_step_name(int n, const char *one, const char *many);
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
