// The document: the open project as plain data, owned here and changed only
// through the functions below. Every change is reported to the listeners
// (the list views, the previews, the editor) and recorded as one step of
// the undo history; the caches that follow from the data (object images,
// panel bounding boxes) are kept right after every change.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

#include "c64/pixbufs.h"

// The shared index space of objects and panels holds at most this many items.
inline constexpr int kMaxItems = 255;
// A location record naming no panel.
inline constexpr int kNoPanel = 255;
inline constexpr int kLocationCount = 32;

// One placement of an object or a panel inside a panel, in drawing order.
struct PanelDef
{
    int item = 0;
    bool is_object = false;
    bool enabled = true;
    bool mirror = false;
    bool has_overrides = false;
    int x = 0;
    int y = 0;
    int override_count = 0;
    // Low nibble the colour replaced, high nibble its replacement.
    int overrides[3] = {0, 0, 0};

    bool operator==(const PanelDef &) const = default;
};

enum class ZbxItemKind : uint8_t
{
    Empty,
    Object,
    Panel
};

struct ZbxItem
{
    ZbxItemKind kind = ZbxItemKind::Empty;
    // An object's raw record: header, bitmap, screen and colour bytes.
    std::vector<uint8_t> record;
    // A panel's definitions in drawing order.
    std::vector<PanelDef> defs;
    // The colour a panel is previewed over (not stored in project files).
    uint8_t preview_colour = 0;

    bool operator==(const ZbxItem &) const = default;
};

struct ZbxLocationRecord
{
    uint8_t panel = kNoPanel;
    uint8_t colour = 0;

    bool operator==(const ZbxLocationRecord &) const = default;
};

struct ZbxProject
{
    std::vector<ZbxItem> items;
    std::array<ZbxLocationRecord, kLocationCount> locations{};

    bool operator==(const ZbxProject &) const = default;
};

// --- What changed ---
enum class DocChange
{
    Reset,           // everything may differ: a load, a close, an undo or redo
    ItemInserted,    // item `index` is new; later items moved up by one
    ItemDeleted,     // item `index` is gone; later items and references moved down
    DefsReplaced,    // the definitions of panel `index` were replaced as a whole
    DefInserted,     // a definition was inserted at `row` of panel `index`
    DefRemoved,      // the definition at `row` of panel `index` was removed
    DefChanged,      // the definition at `row` of panel `index` changed
    LocationChanged, // location record `index` changed
    PreviewChanged,  // the preview colour of panel `index` changed
    HistoryChanged,  // the undo history or the saved state changed
};

// An item inserted at `index` (+1) or deleted there (-1).
struct IndexShift
{
    int index;
    int delta;
};

struct DocEvent
{
    DocChange what = DocChange::Reset;
    int index = -1;
    int row = -1;
    // For a Reset by undo or redo: how the item indexes moved, in order, so
    // that a view can follow the item it showed (null when unknown).
    const std::vector<IndexShift> *shifts = nullptr;
};

// Where item `index` is after the event: unchanged unless the event
// inserted or deleted items before it; -1 when it was deleted (or when the
// event replaced everything without telling how).
int document_follow_index(const DocEvent &event, int index);

using DocListener = std::function<void(const DocEvent &)>;
// Listeners are told by order, then in the order they were added: lists
// (order 0) before what reads their selection, such as previews (order 1).
// The id removes one.
int document_add_listener(DocListener listener, int order = 0);
void document_remove_listener(int id);

// --- Reading ---
// The project; read-only: every change goes through the functions below.
const ZbxProject &document_project();
// TRUE from a load or a new project until the project is closed.
bool document_is_open();
int document_item_count();
ZbxItemKind document_item_kind(int index);
// A panel's definitions (empty for anything that is not a panel).
std::span<const PanelDef> document_panel_defs(int index);
// An object's raw record (empty for anything that is not an object).
std::span<const uint8_t> document_object_record(int index);
// An object's rendered image (bit pair 00 transparent), owned by the
// document and drawn when first asked for; null for anything that is not an
// object.
GdkPixbuf *document_object_image(int index);
// An object's size in pixels; false for anything that is not an object.
bool document_object_size(int index, int *width, int *height);
// A panel's bounding box relative to its origin: everything it places,
// disabled placements and nested panels included; false for anything that
// is not a panel. A panel that places nothing has (320, 144, -320, -144).
bool document_panel_box(int index, ZbxRect *box);
// The same, only when the box bounds the panel's drawing wherever it is
// drawn from (false for panels that reach a loop).
bool document_panel_box_exact(int index, ZbxRect *box);
ZbxLocationRecord document_location(int number);
int document_count_objects();
int document_count_panels();

// --- Whole-project changes (not undoable: they start a new history) ---
// Replaces everything with a project just read: renders the object images,
// computes the boxes and previews every elected panel in its location's
// colour (the last location wins). Objects whose record is not sound are
// dropped (their slots become empty items). The project counts as saved.
void document_load(ZbxProject project);
// An empty project: no items and 32 empty locations.
void document_new();
// No project at all.
void document_close();

// --- Steps ---
// Every change below runs inside a step: one entry of the undo history,
// named for the menu ("Delete object 4"). Steps nest; the outermost names
// the entry, and an entry is recorded only when something changed.
void document_begin_step(const char *name);
void document_end_step();
class DocumentStep
{
  public:
    explicit DocumentStep(const char *name) { document_begin_step(name); }
    explicit DocumentStep(const std::string &name) { document_begin_step(name.c_str()); }
    ~DocumentStep() { document_end_step(); }
    DocumentStep(const DocumentStep &) = delete;
    DocumentStep &operator=(const DocumentStep &) = delete;
};

// --- Changes (each inside a step) ---
// Appends an object from its record; the record must be sound (header w x h
// of 1..15 each and 10wh + 1 bytes). Fails (-1) when the project is full,
// closed or the record is not sound; otherwise returns the new index.
int document_append_object(std::span<const uint8_t> record);
// Appends an empty panel; -1 when full or closed.
int document_append_panel();
// Deletes item n: every later item moves down by one, and every reference
// to a later item (definitions and locations) with it. References to n
// itself are the caller's to check first; definitions naming it are
// removed, locations electing it emptied. False out of range.
bool document_delete_item(int n);
bool document_set_location(int number, ZbxLocationRecord record);
// Replaces a panel's definitions.
bool document_set_defs(int panel, std::vector<PanelDef> defs);
bool document_insert_def(int panel, int row, const PanelDef &def);
bool document_remove_def(int panel, int row);
bool document_set_def(int panel, int row, const PanelDef &def);
// Moves the definition at `from` to `to`, shifting the rows between.
bool document_move_def(int panel, int from, int to);

// A view setting, not a step: the colour a panel is previewed over.
bool document_set_preview_colour(int panel, int colour);

// --- History ---
bool document_can_undo();
bool document_can_redo();
// The name of the step that undo or redo would take back or do again.
const char *document_undo_name();
const char *document_redo_name();
bool document_undo();
bool document_redo();
// The history keeps at least this many steps.
inline constexpr size_t kDocumentHistorySteps = 200;
// Whether the project differs from what was last loaded or saved.
bool document_is_modified();
void document_mark_saved();

// --- Queries over the data ---
// Appends to text the panels that place item ("Panel %d ($%X): found %d
// occurrence(s)"), and, for anything but an object, the locations that
// elect it ("Panel was elected as location %d ($%X)"). TRUE when any.
gboolean document_find_references(GString *text, int item);
// Whether placing panel `child` in panel `parent` would make a panel contain
// itself (child is parent, or contains it at any depth).
bool document_would_loop(int parent, int child);
// Whether some panel contains itself now (only from files made elsewhere).
bool document_has_loop();
// Groups of panels that contain each other (directly or through other
// panels), each in ascending order, groups ordered by their first panel. A
// panel that places itself is a group of one.
std::vector<std::vector<int>> document_find_loops(const ZbxProject &project);
// Bounding boxes of every panel of a project, computed in one pass over
// panels and definitions; entries for non-panels are zero. When `exact` is
// given, it tells for each panel whether its box bounds its drawing from
// any nesting path: false for panels that reach a loop, whose drawing
// depends on where it starts.
std::vector<ZbxRect> document_compute_boxes(const ZbxProject &project,
                                            std::vector<bool> *exact = nullptr);
