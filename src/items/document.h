// The document: one open project, owned by whoever needs one (the editor,
// each command of the command line, each test) and changed only through its
// functions. Every change is reported to the listeners (the list views, the
// previews, the editor) and recorded as one step of the undo history; the
// caches that follow from the data (object images, panel bounding boxes)
// are kept right after every change. View settings (the colour a panel is
// previewed over) live beside the data and never travel with undo.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/pixbufs.h"
#include "items/project.h"
#include "items/project_size.h"

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
    // For a Reset by undo, redo or a step taken back: how the item indexes
    // moved, in order, so that a view can follow the item it showed (null
    // when unknown).
    const std::vector<IndexShift> *shifts = nullptr;
};

// Where item `index` is after the event: unchanged unless the event
// inserted or deleted items before it; -1 when it was deleted (or when the
// event replaced everything without telling how).
int document_follow_index(const DocEvent &event, int index);

using DocListener = std::function<void(const DocEvent &)>;

// The history keeps at most this many steps...
inline constexpr size_t kDocumentHistorySteps = 200;
// ...and at most about this many bytes of item data that the present does
// not share, dropping the oldest steps first (the newest is always kept).
inline constexpr size_t kDocumentHistoryBytes = size_t{256} << 20;

class Document
{
  public:
    Document() = default;
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // --- Listeners ---
    // Told by order, then in the order they were added: lists (order 0)
    // before what reads their selection, such as previews (order 1). The
    // id removes one.
    int add_listener(DocListener listener, int order = 0);
    void remove_listener(int id);

    // --- Reading ---
    // The project; read-only: every change goes through the functions below.
    const ZbxProject &project() const { return project_; }
    // True from a load or a new project until the project is closed.
    bool is_open() const { return open_; }
    int item_count() const { return static_cast<int>(project_.items.size()); }
    ZbxItemKind item_kind(int index) const;
    // A panel's definitions (empty for anything that is not a panel).
    std::span<const PanelDef> panel_defs(int index) const;
    // An object's raw record (empty for anything that is not an object).
    std::span<const uint8_t> object_record(int index) const;
    // An object's rendered image (bit pair 00 transparent), owned by the
    // document and drawn when first asked for; null for anything that is
    // not an object.
    GdkPixbuf *object_image(int index) const;
    // An object's size in pixels; false for anything that is not an object.
    bool object_size(int index, int *width, int *height) const;
    // A panel's bounding box relative to its origin: everything it draws as
    // a root, disabled placements and nested panels included; false for
    // anything that is not a panel. A panel that places nothing has (320,
    // 144, -320, -144).
    bool panel_box(int index, ZbxRect *box) const;
    // The same, only where the box is known in full (false where the work
    // bound cut its computation short).
    bool panel_box_exact(int index, ZbxRect *box) const;
    ZbxLocationRecord location(int number) const;
    int count_objects() const;
    int count_panels() const;
    // The colour a panel is previewed over (0 for anything else).
    int preview_colour(int panel) const;
    // The size of the project's file as it stands, against its limit.
    ProjectSize size() const { return project_size(project_); }

    // --- Whole-project changes (not undoable: they start a new history) ---
    // Replaces everything with a project just read: previews every elected
    // panel in its location's colour (the last location wins) and computes
    // the boxes; the object images are drawn when first asked for. Objects
    // whose record is not sound are dropped (their slots become empty
    // items). The project counts as saved. An editor has the undo history
    // made ready at once (every item frozen), so that its first step costs
    // no more than any other; a command that reads, or makes one step,
    // leaves that to the first step and never pays for a copy it does not
    // need.
    enum class History
    {
        Ready,
        WhenNeeded
    };
    void load(ZbxProject project, History history = History::Ready);
    // An empty project: no items and 32 empty locations.
    void new_project();
    // No project at all.
    void close();

    // --- Steps ---
    // Every change below runs inside a step: one entry of the undo history,
    // named for the menu ("Delete object 4"). Steps nest; the outermost
    // names the entry, and an entry is recorded only when something
    // changed. DocumentStep opens and ends one.
    void begin_step(const char *name);
    void end_step();
    // Takes back every change made since the innermost open step began (the
    // listeners are told with a Reset that says how the items moved back);
    // that step then records nothing when it ends.
    void roll_back_step();
    // Why a change of the latest step was refused because the project's
    // file would grow past its limit ("Grab object refused: the file would
    // take 30,790 bytes, above the limit of 30,722 bytes"), naming the
    // outermost step; empty when none was. Kept until the next step begins.
    const std::string &size_refusal() const { return size_refusal_; }

    // --- Changes (each inside a step) ---
    // A change that would make the project's file larger than its limit is
    // refused (false or -1, nothing changed; size_refusal() says why); a
    // project already over the limit may still shrink or keep its size.
    // Appends an object from its record; the record must be sound (header
    // w x h of 1..15 each and 10wh + 1 bytes). -1 when the project is full,
    // closed or the record is not sound; otherwise the new index.
    int append_object(std::span<const uint8_t> record);
    // Appends an empty panel; -1 when full or closed.
    int append_panel();
    // Deletes item n: every later item moves down by one, and every
    // reference to a later item (definitions and locations) with it.
    // References to n itself are the caller's to check first; definitions
    // naming it are removed, locations electing it emptied. False out of
    // range.
    bool delete_item(int n);
    // Replaces object n's record (a sound one, of any size), keeping its
    // index: every placement of it draws the new one. The listeners are
    // told with a Reset in which no index moved. False for anything that is
    // not an object, or a record that is not sound.
    bool replace_object(int n, std::span<const uint8_t> record);
    bool set_location(int number, ZbxLocationRecord record);
    // Replaces a panel's definitions.
    bool set_defs(int panel, std::vector<PanelDef> defs);
    bool insert_def(int panel, int row, const PanelDef &def);
    bool remove_def(int panel, int row);
    bool set_def(int panel, int row, const PanelDef &def);
    // Moves the definition at `from` to `to`, shifting the rows between.
    bool move_def(int panel, int from, int to);

    // A view setting, not a step: the colour a panel is previewed over.
    bool set_preview_colour(int panel, int colour);

    // --- History ---
    bool can_undo() const;
    bool can_redo() const;
    // The name of the step that undo or redo would take back or do again.
    const char *undo_name() const;
    const char *redo_name() const;
    bool undo();
    bool redo();
    // Whether the project differs from what was last loaded or saved.
    bool is_modified() const { return open_ && version_ != saved_version_; }
    void mark_saved();
    // The project differs from every file (a backup or recovered work
    // opened in its place): is_modified() until the next save.
    void mark_unsaved();
    // The bytes of item data the history holds apart from the present.
    size_t history_bytes() const;
    // Sets the history's byte bound (kDocumentHistoryBytes until set).
    void set_history_limit(size_t bytes);
    // True once oldest steps were dropped to keep the history within its
    // bound, until the next load, new project or close.
    bool history_trimmed() const { return history_trimmed_; }

    // --- The state as it stands, for a copy made elsewhere ---
    // Every item is shared and never changes (a change to the document
    // makes a new one), so that another thread may read it while the
    // document goes on.
    using FrozenItem = std::shared_ptr<const ZbxItem>;
    struct Frozen
    {
        std::vector<FrozenItem> items;
        std::array<ZbxLocationRecord, kLocationCount> locations{};
        std::vector<uint8_t> preview;
    };
    Frozen frozen() const;

    // --- Queries over the data ---
    // Whether placing panel `child` in panel `parent` would make a panel
    // contain itself (child is parent, or contains it at any depth).
    bool would_loop(int parent, int child) const;
    // Whether some panel contains itself now (only from files made elsewhere).
    bool has_loop() const;

  private:
    // What one entry of the history restores: the data (each item shared
    // with the entries beside it and the present while it did not change),
    // the images that follow from it (shared, so that a snapshot costs no
    // rendering) and the preview colours the items had then (for items that
    // come back).
    struct Snapshot
    {
        std::vector<FrozenItem> items;
        std::array<ZbxLocationRecord, kLocationCount> locations{};
        std::vector<GRef<GdkPixbuf>> images;
        std::vector<uint8_t> preview;
        bool open = false;
    };
    struct HistoryEntry
    {
        std::string name;
        Snapshot state;
        // The version the document had in that state.
        long version = 0;
        // The items the step inserted and deleted, in order.
        std::vector<IndexShift> shifts;
    };
    // One open step: what it rolls back to.
    struct OpenStep
    {
        Snapshot before;
        long version = 0;
        size_t shifts = 0;
        long changes = 0;
    };

    class Change;
    void emit(DocChange what, int index = -1, int row = -1,
              const std::vector<IndexShift> *shifts = nullptr);
    bool valid_item(int index) const;
    Snapshot take_snapshot() const;
    // Restores a snapshot reached from the present through `shifts`: the
    // items that are still there keep their present preview colours.
    void restore_snapshot(Snapshot snapshot, const std::vector<IndexShift> &shifts);
    void refresh_boxes();
    void reset_history();
    // Item `index` changed: its frozen copy no longer matches it.
    void thaw(int index);
    void trim_history();
    int append_item(ZbxItem item, GRef<GdkPixbuf> image, const char *what);
    void defs_changed(int panel, DocChange what, int row);
    bool fits(long growth);
    PanelDef normalised(PanelDef def) const;
    template <typename From, typename To> void travel(From &from, To &to, bool backwards);

    ZbxProject project_;
    bool open_ = false;
    // One per item: a frozen copy equal to it, shared with the history, or
    // null once the item changed (made again when a snapshot is taken).
    mutable std::vector<FrozenItem> frozen_;
    // Caches and view settings, one entry per item.
    mutable std::vector<GRef<GdkPixbuf>> images_;
    std::vector<ZbxRect> boxes_;
    std::vector<bool> boxes_exact_;
    std::vector<uint8_t> preview_;

    // Keyed by (order, id): lower orders are told first.
    std::map<std::pair<int, int>, DocListener> listeners_;
    int next_listener_ = 1;

    // The steps being recorded, outermost first.
    std::vector<OpenStep> steps_;
    std::string step_name_;
    std::vector<IndexShift> step_shifts_;
    std::string size_refusal_;
    // Grows with every change made inside a step.
    long changes_ = 0;

    std::deque<HistoryEntry> undo_;
    std::vector<HistoryEntry> redo_;
    // Every recorded change makes a new version; undo and redo go back to
    // the version they restore.
    long version_ = 0;
    long next_version_ = 1;
    long saved_version_ = 0;
    size_t history_limit_ = kDocumentHistoryBytes;
    bool history_trimmed_ = false;
};

// One step, open for as long as this lives:
//   DocumentStep step(document, "Delete object 4");
//   if (!document.delete_item(4)) { return step.fail(); }
class DocumentStep
{
  public:
    DocumentStep(Document &document, const std::string &name) : document_(document)
    {
        document_.begin_step(name.c_str());
    }
    ~DocumentStep() { document_.end_step(); }
    DocumentStep(const DocumentStep &) = delete;
    DocumentStep &operator=(const DocumentStep &) = delete;
    // Takes back what the step changed so far; returns false, so that a
    // failing command can end with `return step.fail();`.
    bool fail()
    {
        document_.roll_back_step();
        return false;
    }
    // The same; when a change was refused because the project would grow
    // past its limit, the error (ZbxError::TooLarge) says so.
    bool fail(GError **error)
    {
        if (!document_.size_refusal().empty()) {
            zbx_set_error(error, ZbxError::TooLarge, document_.size_refusal().c_str());
        }
        return fail();
    }

  private:
    Document &document_;
};
