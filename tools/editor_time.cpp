// Measures, in the real panel editor, how long three actions on several
// placements take up to the canvas repainted (the toolkit's pending work
// done, the window's updates processed and the display in sync), on the
// heaviest panel of the benchmarks' near-limit project: a cursor key moving
// a selection of 20 placements, a paste of 20 placements (Control+Shift+V,
// through the desktop clipboard), and an object dropped from the browser.
// The editor is built as the application builds it, from a document,
// options in a fresh folder, choosers, the images and the shared lists.
// Each is measured twice: then again while the recovery copy of the
// unsaved changes is written in the background after every change.
//
//   zembrix_editor_time [RUNS]      (under X, e.g. xvfb-run, from the source
//                                    folder for the backdrop)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include "../bench/large_project.h"
#include "app/recovery_keeper.h"
#include "editor/paneleditor_window.h"
#include "files/resources.h"
#include "ui/builder.h"
#include "ui/context.h"

namespace {

class QuietShell final : public Shell
{
  public:
    GtkWindow *main_window() const override { return nullptr; }
    void panel_edited(int) override {}
    void set_status(const char *) override {}
    void set_show_clashes(bool) override {}
    void set_show_grid(bool) override {}
    void save_project() override {}
};

// Runs the toolkit until nothing is left to draw.
void settle()
{
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
}

void send_key(GtkWidget *window, guint keyval, guint modifiers)
{
    GdkEvent *event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(window->window));
    event->key.send_event = TRUE;
    event->key.keyval = keyval;
    event->key.state = modifiers;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// The panel that draws the most placements, nested ones counted.
int heaviest_panel(const Document &document)
{
    std::map<int, long> drawn;
    std::function<long(int)> count = [&](int panel) -> long {
        if (const auto found = drawn.find(panel); found != drawn.end()) {
            return found->second;
        }
        drawn[panel] = 0; // a loop adds nothing
        long n = 0;
        for (const PanelDef &def : document.panel_defs(panel)) {
            n += 1 + (def.is_object ? 0 : count(def.item));
        }
        return drawn[panel] = n;
    };
    int heaviest = -1;
    for (int i = 0; i < document.item_count(); i++) {
        if (document.item_kind(i) == ZbxItemKind::Panel &&
            (heaviest < 0 || count(i) > count(heaviest))) {
            heaviest = i;
        }
    }
    return heaviest;
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%s, %zu runs: median %.2f ms, min %.2f ms, max %.2f ms\n", what, ms.size(),
                ms[ms.size() / 2], ms.front(), ms.back());
}

// Times action() up to the repaint, `runs` times, undoing after each when
// asked; false when an action left the panel as it was.
bool time_runs(Document &document, int panel, int runs, bool undo,
               const std::function<void()> &action, std::vector<double> *ms)
{
    for (int r = 0; r < runs; r++) {
        const auto before = document.panel_defs(panel);
        const std::vector<PanelDef> was(before.begin(), before.end());
        const gint64 start = g_get_monotonic_time();
        action();
        settle();
        ms->push_back(static_cast<double>(g_get_monotonic_time() - start) / 1000.0);
        const auto after = document.panel_defs(panel);
        if (std::vector<PanelDef>(after.begin(), after.end()) == was) {
            return false;
        }
        if (undo) {
            document.undo();
            settle();
        }
    }
    return true;
}

int time_editor(UiContext &context, int runs)
{
    Document &document = context.document;
    const int panel = heaviest_panel(document);
    PanelEditorWindow editor(context);
    editor.open(panel, 0);
    settle();
    GtkWidget *window = editor.window();
    GtkWidget *area = lookup_widget(window, "drawingarea_panel_editor_location");
    gtk_widget_grab_focus(area);
    settle();
    const int count = static_cast<int>(document.panel_defs(panel).size());
    std::printf("panel %d: %d placements\n", panel, count);
    if (count < 20) {
        std::fprintf(stderr, "the heaviest panel holds fewer than 20 placements\n");
        return 1;
    }

    // A selection of 20, moved right and left in turn.
    std::vector<int> twenty(20);
    std::iota(twenty.begin(), twenty.end(), 0);
    editor.model().set_selection(twenty, 0);
    std::vector<double> moves;
    int turn = 0;
    if (!time_runs(
            document, panel, runs, false,
            [&] { send_key(window, turn++ % 2 == 0 ? GDK_Right : GDK_Left, 0); }, &moves)) {
        std::fprintf(stderr, "the key did not move the selection\n");
        return 1;
    }
    report("cursor key moving 20 placements to the canvas repainted", moves);

    // The same 20 copied, pasted where they were.
    send_key(window, GDK_c, GDK_CONTROL_MASK);
    settle();
    std::vector<double> pastes;
    if (!time_runs(
            document, panel, runs, true,
            [&] { send_key(window, GDK_v, GDK_CONTROL_MASK | GDK_SHIFT_MASK); }, &pastes)) {
        std::fprintf(stderr, "the paste inserted nothing\n");
        return 1;
    }
    report("Control+Shift+V pasting 20 placements to the canvas repainted", pastes);

    // An object from the browser dropped at a cell.
    int object = 0;
    while (document.item_kind(object) != ZbxItemKind::Object) {
        object++;
    }
    const std::string item = std::to_string(object);
    std::vector<double> drops;
    const auto drop = [&] {
        GtkSelectionData data{};
        data.target = gdk_atom_intern(kBrowserObjectTarget, FALSE);
        gtk_selection_data_set(&data, data.target, 8, reinterpret_cast<const guchar *>(item.data()),
                               static_cast<gint>(item.size()));
        GdkDragContext *drag = gdk_drag_context_new();
        g_signal_emit_by_name(area, "drag-data-received", drag, 160, 120, &data, 1u, 0u);
        g_object_unref(drag);
        g_free(data.data);
    };
    if (!time_runs(document, panel, runs, true, drop, &drops)) {
        std::fprintf(stderr, "the drop inserted nothing\n");
        return 1;
    }
    report("an object dropped from the browser to the canvas repainted", drops);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    gchar *config = g_dir_make_tmp("zbx-editor-time-XXXXXX", nullptr);
    int status = 1;
    {
        Document document;
        Options options(config);
        Choosers choosers(options);
        SharedImages images;
        const std::vector<std::string> backdrop = {"resources/background.png"};
        images.backdrop.reset(resources_load_backdrop(backdrop, nullptr));
        ObjectList objects(document);
        PanelList panels(document);
        QuietShell shell;
        UiContext context{document, options, choosers, images, objects, panels, shell};
        if (zbx_bench_load(document, zbx_near_limit_project(true))) {
            status = time_editor(context, runs);
            // The panel as it was loaded, for the same work again.
            while (document.undo()) {
            }
            std::printf("-- with the recovery copy written after every change:\n");
            {
                RecoveryKeeper keeper(
                    document, config, RecoveryTimes{0, 0},
                    [](std::string *path, std::string *name) {
                        *path = "";
                        *name = "near-limit";
                    },
                    [](const std::string &message) {
                        std::fprintf(stderr, "%s\n", message.c_str());
                    });
                // Changes from now on are unsaved: each one is written.
                document.mark_unsaved();
                status = status != 0 ? status : time_editor(context, runs);
                keeper.finish_write();
                std::printf("the latest recovery copy took %.2f ms to write\n",
                            1000.0 * keeper.last_write_seconds());
            }
        } else {
            std::fprintf(stderr, "could not load the near-limit project\n");
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    g_free(config);
    return status;
}
