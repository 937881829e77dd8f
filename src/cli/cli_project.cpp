// The commands that read a project file.
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "cli/cli.h"
#include "files/object_file.h"
#include "files/project_json.h"
#include "files/resources.h"
#include "files/zembrix.h"
#include "files/zembrix_check.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/references.h"
#include "items/usage.h"
#include "render/canvas.h"
#include "render/render.h"

namespace {

using Json = nlohmann::ordered_json;

std::string sha1_hex(std::span<const uint8_t> data)
{
    GChecksum *checksum = g_checksum_new(G_CHECKSUM_SHA1);
    g_checksum_update(checksum, data.data(), static_cast<gssize>(data.size()));
    std::string hex = g_checksum_get_string(checksum);
    g_checksum_free(checksum);
    return hex;
}

// Prints a JSON object member by member, exactly as dump(2) prints it
// whole; an array member goes element by element, so that each element can
// be built, printed and freed before the next one and a large project never
// sits in memory as one tree (which costs more than the printing itself).
class JsonObjectPrinter
{
  public:
    explicit JsonObjectPrinter(FILE *out) : out_(out) {}

    void member(const char *key, const Json &value)
    {
        key_(key);
        print(value, 2);
    }
    void begin_array(const char *key)
    {
        key_(key);
        elements_ = 0;
    }
    void element(const Json &value)
    {
        std::fputs(elements_++ == 0 ? "[\n    " : ",\n    ", out_);
        print(value, 4);
    }
    void end_array() { std::fputs(elements_ == 0 ? "[]" : "\n  ]", out_); }
    // Closes the object and its line.
    void end() { std::fputs(members_ == 0 ? "{}\n" : "\n}\n", out_); }

  private:
    void key_(const char *key)
    {
        std::fputs(members_++ == 0 ? "{\n  " : ",\n  ", out_);
        std::fputs(Json(key).dump().c_str(), out_);
        std::fputs(": ", out_);
    }
    // The value as dump(2) prints it, each line after the first indented
    // by `indent` more (strings in the text hold no raw line breaks).
    void print(const Json &value, size_t indent)
    {
        const std::string text = value.dump(2);
        text_.clear();
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            text_.append(text, start, end + 1 - start).append(indent, ' ');
        }
        text_.append(text, start);
        std::fwrite(text_.data(), 1, text_.size(), out_);
    }

    FILE *out_;
    int members_ = 0;
    int elements_ = 0;
    std::string text_;
};

// Prints what load reports: the objects, the panels with their
// definitions, the locations, whether any panel contains itself and the
// size of the project's file.
void print_project(const Document &document, FILE *out)
{
    const ZbxProject &project = document.project();
    const int count = document.item_count();
    const std::vector<ItemUsage> usage = usage_of_items(project);
    JsonObjectPrinter printer(out);
    printer.member("items", count);
    printer.begin_array("objects");
    for (int i = 0; i < count; i++) {
        int width = 0;
        int height = 0;
        if (!document.object_size(i, &width, &height)) {
            continue;
        }
        printer.element({{"index", i},
                         {"width", width},
                         {"height", height},
                         {"data_sha1", sha1_hex(document.object_record(i))},
                         {"placements", usage[i].placements}});
    }
    printer.end_array();

    printer.begin_array("panels");
    for (int i = 0; i < count; i++) {
        ZbxRect box{};
        if (!document.panel_box(i, &box)) {
            continue;
        }
        Json definitions = Json::array();
        for (const PanelDef &def : document.panel_defs(i)) {
            Json overrides = Json::array();
            for (int k = 0; k < std::clamp(def.override_count, 0, 3); k++) {
                overrides.push_back(def.overrides[k]);
            }
            // Members set one by one into a list sized once: much cheaper
            // than building each from lists of pairs.
            Json &entry = definitions.emplace_back(Json::object());
            entry.get_ref<Json::object_t &>().reserve(8);
            entry["item"] = def.item;
            entry["object"] = def.is_object;
            entry["enabled"] = def.enabled;
            entry["mirror"] = def.mirror;
            entry["overrides_on"] = def.has_overrides;
            entry["x"] = def.x;
            entry["y"] = def.y;
            entry["overrides"] = std::move(overrides);
        }
        printer.element({{"index", i},
                         {"preview_colour", document.preview_colour(i)},
                         {"box", {box.x, box.y, box.width, box.height}},
                         {"placements", usage[i].placements},
                         {"elected_by", usage[i].locations},
                         {"definitions", std::move(definitions)}});
    }
    printer.end_array();

    printer.begin_array("locations");
    for (int slot = 0; slot < kLocationCount; slot++) {
        const ZbxLocationRecord &record = project.locations[slot];
        printer.element({{"slot", slot}, {"panel", record.panel}, {"colour", record.colour}});
    }
    printer.end_array();
    printer.member("loops", document.has_loop());
    // The project file's size against its limit (free is negative over it).
    const ProjectSize size = document.size();
    printer.member("size", {{"bytes", size.bytes}, {"limit", size.limit}, {"free", size.free()}});
    printer.end();
}

// A canvas as the editor's previews draw it: the backdrop (black without
// one), then a stored panel composed over a background colour, or with
// object >= 0 that object centred over the colour; with `clashes` the
// clashing cells framed. Cut to the location area unless whole_screen.
// The composition's statistics in *stats when given.
GdkPixbuf *compose_preview(const Document &document, GdkPixbuf *backdrop, int panel, int object,
                           int background, bool clashes, bool whole_screen,
                           ComposeStats *stats = nullptr)
{
    if (object < 0 && !whole_screen) {
        return render_stored_panel_area(document, panel, background, clashes, stats);
    }
    GRef<GdkPixbuf> canvas(canvas_new());
    if (!canvas) {
        return nullptr;
    }
    // A new canvas is black: the backdrop goes over it when there is one.
    canvas_copy_image(backdrop, canvas.get());
    if (object >= 0) {
        render_object_preview(document, backdrop, canvas.get(), object, background);
    } else {
        ComposeClashes found;
        const ComposeStats walked =
            render_stored_panel(document, panel, canvas.get(), background, &found);
        if (stats != nullptr) {
            *stats = walked;
        }
        if (clashes) {
            compose_draw_clash_frames(pixbufs_view(canvas.get()), found, 1);
        }
    }
    if (whole_screen) {
        return canvas.release();
    }
    // The area's pixels, shared with the canvas (the subimage holds it).
    return gdk_pixbuf_new_subpixbuf(canvas.get(), 0, kLocationTop, kLocationWidth, kLocationHeight);
}

Json clash_cells_json(const ComposeClashes &clashes)
{
    Json cells = Json::array();
    for (const auto &[col, row] : compose_clash_cells(clashes)) {
        cells.push_back({col, row});
    }
    return cells;
}

// The clashing cells of every filled location and every panel (over its
// preview colour), only those with any.
Json clashes_json(const Document &document)
{
    Json locations = Json::array();
    for (int slot = 0; slot < kLocationCount; slot++) {
        const ZbxLocationRecord record = document.location(slot);
        const ComposeClashes clashes =
            render_stored_panel_clashes(document, record.panel, record.colour);
        if (clashes.any()) {
            locations.push_back({{"slot", slot}, {"cells", clash_cells_json(clashes)}});
        }
    }
    Json panels = Json::array();
    for (int i = 0; i < document.item_count(); i++) {
        const ComposeClashes clashes =
            render_stored_panel_clashes(document, i, document.preview_colour(i));
        if (clashes.any()) {
            panels.push_back({{"index", i}, {"cells", clash_cells_json(clashes)}});
        }
    }
    return {{"locations", std::move(locations)}, {"panels", std::move(panels)}};
}

// The locations and panels whose pictures the work bound cuts short, and a
// line for each. A location is cut short exactly when its panel is.
struct CutShort
{
    std::vector<int> locations;
    std::vector<int> panels;
    std::vector<std::string> lines;
};

CutShort cut_short_pictures(const Document &document)
{
    CutShort found;
    std::vector<ComposeStats> stats(document.item_count());
    for (int i = 0; i < document.item_count(); i++) {
        stats[i] = render_stored_panel_stats(document, i);
    }
    for (int slot = 0; slot < kLocationCount; slot++) {
        const int panel = document.location(slot).panel;
        if (panel < document.item_count() && stats[panel].truncated) {
            found.locations.push_back(slot);
            found.lines.push_back(render_cut_short_text("Location", slot, stats[panel]));
        }
    }
    for (int i = 0; i < document.item_count(); i++) {
        if (stats[i].truncated) {
            found.panels.push_back(i);
            found.lines.push_back(render_cut_short_text("Panel", i, stats[i]));
        }
    }
    return found;
}

// What render --all writes: a picture's file name and PNG bytes.
struct Rendered
{
    std::string name;
    std::vector<uint8_t> png;
};

// Every non-empty location, every panel over its preview colour and, with
// objects, every object, as the single-picture command draws each; false
// with the reason when a picture is cut short (and incomplete pictures are
// not allowed) or cannot be made.
bool render_all(const Document &document, GdkPixbuf *backdrop, bool objects, bool clashes,
                bool whole_screen, bool allow_incomplete, std::vector<Rendered> *rendered,
                GError **error)
{
    // What to draw, in the order the files are listed: the locations, then
    // the items.
    struct Job
    {
        int slot = -1;
        int item = -1;
    };
    std::vector<Job> jobs;
    for (int slot = 0; slot < kLocationCount; slot++) {
        if (document.location(slot).panel != kNoPanel) {
            jobs.push_back({slot, -1});
        }
    }
    for (int i = 0; i < document.item_count(); i++) {
        const ZbxItemKind kind = document.item_kind(i);
        if (kind == ZbxItemKind::Panel || (objects && kind == ZbxItemKind::Object)) {
            jobs.push_back({-1, i});
        }
    }
    // Each picture is drawn from the document's data alone (read, never
    // changed) into buffers of its own: the jobs are shared among threads.
    std::vector<Rendered> out(jobs.size());
    std::vector<std::string> failures(jobs.size());
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    const bool terminal = isatty(fileno(stderr)) != 0;
    std::mutex progress;
    auto work = [&] {
        for (size_t j = next++; j < jobs.size(); j = next++) {
            const Job &job = jobs[j];
            char name[32];
            GRef<GdkPixbuf> image;
            std::string cut_short;
            if (job.slot >= 0) {
                const ZbxLocationRecord record = document.location(job.slot);
                ComposeStats stats;
                image.reset(compose_preview(document, backdrop, record.panel, -1, record.colour,
                                            clashes, whole_screen, &stats));
                std::snprintf(name, sizeof name, "location_%02d.png", job.slot);
                cut_short = render_cut_short_text("Location", job.slot, stats);
            } else if (document.item_kind(job.item) == ZbxItemKind::Panel) {
                ComposeStats stats;
                image.reset(compose_preview(document, backdrop, job.item, -1,
                                            document.preview_colour(job.item), clashes,
                                            whole_screen, &stats));
                std::snprintf(name, sizeof name, "panel_%03d.png", job.item);
                cut_short = render_cut_short_text("Panel", job.item, stats);
            } else {
                std::snprintf(name, sizeof name, "object_%03d.png", job.item);
            }
            out[j].name = name;
            GErrorPtr failure;
            if (!cut_short.empty() && !allow_incomplete) {
                failures[j] = cut_short + "; nothing written (--allow-incomplete writes it anyway)";
            } else if (job.slot < 0 && document.item_kind(job.item) == ZbxItemKind::Object) {
                if (!objfile_encode_png(document.object_record(job.item), 2, &out[j].png,
                                        failure.out())) {
                    failures[j] = failure.message("Could not create pixbuf");
                }
            } else if (!image) {
                failures[j] = "Could not create pixbuf";
            } else if (!pixbufs_encode_png(image.get(), &out[j].png, failure.out())) {
                failures[j] = failure.message("Could not write PNG");
            }
            const size_t finished = ++done;
            if (terminal && finished % 8 == 0) {
                std::lock_guard<std::mutex> lock(progress);
                std::fprintf(stderr, "\rDrawing %zu of %zu...", finished, jobs.size());
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned t = 1; t < std::min(cores, 4u) && t < jobs.size(); t++) {
            helpers.emplace_back(work);
        }
        work();
    }
    if (terminal) {
        std::fprintf(stderr, "\r%*s\r", 40, "");
    }
    for (size_t j = 0; j < jobs.size(); j++) {
        if (!failures[j].empty()) {
            zbx_set_error(error, ZbxError::TooLarge, failures[j].c_str());
            return false;
        }
    }
    *rendered = std::move(out);
    return true;
}

} // namespace

int cli_load(int argc, char **argv)
{
    const GOptionEntry entries[] = {{nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    if (!cli_parse(*cli_find_command("load"), entries, 1, &argc, &argv, error.out()) ||
        !cli_open_project(document, argv[1], error.out())) {
        return cli_fail(error);
    }
    print_project(document, stdout);
    return 0;
}

namespace {

int render_all_command(const char *file, const CliString &output, bool objects, bool clashes,
                       bool whole_screen, bool allow_incomplete, bool json, bool single)
{
    GErrorPtr error;
    if (single) {
        return cli_fail("--all draws everything: no --location, --panel, --object, --background "
                        "or --scale with it");
    }
    Document document;
    if (!cli_require_string("-o", output, error.out()) ||
        !cli_open_project(document, file, error.out())) {
        return cli_fail(error);
    }
    if (g_mkdir_with_parents(output.get(), 0777) != 0 ||
        !g_file_test(output.get(), G_FILE_TEST_IS_DIR)) {
        return cli_fail(std::string("Could not make the folder ") +
                        fileio_display_name(output.get()) + ": " + g_strerror(errno));
    }
    GRef<GdkPixbuf> backdrop;
    if (whole_screen) {
        const std::vector<std::string> candidates = resources_candidates("background.png", true);
        backdrop.reset(resources_load_backdrop(candidates, nullptr));
    }
    std::vector<Rendered> rendered;
    if (!render_all(document, backdrop.get(), objects, clashes, whole_screen, allow_incomplete,
                    &rendered, error.out())) {
        return cli_fail(error);
    }
    std::vector<std::string> paths;
    std::vector<FileioOutput> outputs;
    for (const Rendered &r : rendered) {
        GCharPtr path(g_build_filename(output.get(), r.name.c_str(), nullptr));
        paths.emplace_back(path.get());
    }
    for (size_t i = 0; i < rendered.size(); i++) {
        outputs.push_back({paths[i].c_str(), rendered[i].png});
    }
    if (!cli_write_files(outputs, error.out())) {
        return cli_fail(error);
    }
    if (json) {
        std::printf("%s\n", Json{{"written", paths}}.dump(2).c_str());
    } else {
        for (const std::string &path : paths) {
            std::printf("%s\n", path.c_str());
        }
    }
    return 0;
}

} // namespace

int cli_render(int argc, char **argv)
{
    CliString location_text;
    CliString panel_text;
    CliString object_text;
    CliString scale_text;
    CliString background_text;
    CliString output;
    gboolean clashes = FALSE;
    gboolean whole_screen = FALSE;
    gboolean allow_incomplete = FALSE;
    gboolean all = FALSE;
    gboolean objects = FALSE;
    gboolean json = FALSE;
    const GOptionEntry entries[] = {
        {"all", 0, 0, G_OPTION_ARG_NONE, &all,
         "Draw every non-empty location (location_NN.png) and every panel over its preview "
         "colour (panel_NNN.png) into the folder -o names, all or nothing, and list them",
         nullptr},
        {"objects", 0, 0, G_OPTION_ARG_NONE, &objects,
         "With --all: every object too (object_NNN.png)", nullptr},
        {"json", 0, 0, G_OPTION_ARG_NONE, &json, "With --all: list the files written as JSON",
         nullptr},
        {"location", 0, 0, G_OPTION_ARG_STRING, location_text.slot(),
         "Draw location slot S (0 to 31)", "S"},
        {"panel", 0, 0, G_OPTION_ARG_STRING, panel_text.slot(), "Draw panel P (item index)", "P"},
        {"background", 0, 0, G_OPTION_ARG_STRING, background_text.slot(),
         "Background colour of --panel (0 to 15; default: the panel's preview colour); with "
         "--object, draw the object preview over this colour",
         "C"},
        {"object", 0, 0, G_OPTION_ARG_STRING, object_text.slot(),
         "Draw object I (item index) on its own, transparent where its bit pairs are 00, as an "
         "image the grabber reads back as the same object",
         "I"},
        {"scale", 0, 0, G_OPTION_ARG_STRING, scale_text.slot(),
         "With --object: image pixels across for each C64 pixel (2, the default, or 1)", "1|2"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(),
         "PNG file to write (with --all: the folder)", "OUT.png"},
        {"clashes", 0, 0, G_OPTION_ARG_NONE, &clashes,
         "Frame the cells where the three-colour rule changes the picture", nullptr},
        {"screen", 0, 0, G_OPTION_ARG_NONE, &whole_screen,
         "Write the whole 320 x 200 preview, backdrop included, not only the location area",
         nullptr},
        {"allow-incomplete", 0, 0, G_OPTION_ARG_NONE, &allow_incomplete,
         "Write the picture even when drawing it was cut short after 1,000,000 placement visits "
         "(otherwise that fails and nothing is written)",
         nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    if (!cli_parse(*cli_find_command("render"), entries, 1, &argc, &argv, error.out())) {
        return cli_fail(error);
    }
    if (all) {
        return render_all_command(
            argv[1], output, objects, clashes, whole_screen, allow_incomplete, json,
            location_text.given() || panel_text.given() || object_text.given() ||
                background_text.given() || scale_text.given());
    }
    if (objects || json) {
        return cli_fail("--objects and --json go with --all");
    }
    const int modes = location_text.given() + panel_text.given() + object_text.given();
    if (modes != 1) {
        return cli_fail("Give exactly one of --location, --panel or --object");
    }
    if (background_text.given() && location_text.given()) {
        return cli_fail("--background goes with --panel or --object");
    }
    if (scale_text.given() && (!object_text.given() || background_text.given())) {
        return cli_fail("--scale goes with --object alone");
    }
    if ((clashes || whole_screen) && object_text.given() && !background_text.given()) {
        return cli_fail("--object draws the preview with --background only");
    }
    int location = -1;
    int panel = -1;
    int object = -1;
    int background = -1;
    Document document;
    if (!cli_optional_int("--location", location_text, 0, kZbxLocationRecords - 1, &location,
                          error.out()) ||
        !cli_optional_int("--panel", panel_text, 0, kMaxItems - 1, &panel, error.out()) ||
        !cli_optional_int("--object", object_text, 0, kMaxItems - 1, &object, error.out()) ||
        !cli_optional_int("--background", background_text, 0, 15, &background, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !cli_open_project(document, argv[1], error.out())) {
        return cli_fail(error);
    }

    // The backdrop of the whole preview, when there is one to be found.
    GRef<GdkPixbuf> backdrop;
    if (whole_screen) {
        const std::vector<std::string> candidates = resources_candidates("background.png", true);
        backdrop.reset(resources_load_backdrop(candidates, nullptr));
    }
    GRef<GdkPixbuf> image;
    ComposeStats stats;
    std::string cut_short;
    if (object_text.given()) {
        GdkPixbuf *stored = document.object_image(object);
        if (stored == nullptr) {
            return cli_fail("Invalid object");
        }
        if (background_text.given()) {
            image.reset(compose_preview(document, backdrop.get(), -1, object, background & 15,
                                        false, whole_screen));
        } else {
            int scale = 2;
            std::vector<uint8_t> png;
            if (!cli_optional_int("--scale", scale_text, 1, 2, &scale, error.out()) ||
                !objfile_encode_png(document.object_record(object), scale, &png, error.out())) {
                return cli_fail(error);
            }
            const FileioOutput out{output.get(), png};
            return cli_write_files({&out, 1}, error.out()) ? 0 : cli_fail(error);
        }
    } else if (location_text.given()) {
        const ZbxLocationRecord record = document.location(location);
        if (record.panel == kNoPanel) {
            return cli_fail("Location " + std::to_string(location) + " is empty");
        }
        image.reset(compose_preview(document, backdrop.get(), record.panel, -1, record.colour,
                                    clashes, whole_screen, &stats));
        cut_short = render_cut_short_text("Location", location, stats);
    } else {
        if (document.item_kind(panel) != ZbxItemKind::Panel) {
            return cli_fail("Invalid panel");
        }
        if (!background_text.given()) {
            background = document.preview_colour(panel);
        }
        image.reset(compose_preview(document, backdrop.get(), panel, -1, background, clashes,
                                    whole_screen, &stats));
        cut_short = render_cut_short_text("Panel", panel, stats);
    }
    if (!cut_short.empty() && !allow_incomplete) {
        return cli_fail(cut_short + "; nothing written (--allow-incomplete writes it anyway)");
    }
    if (!image) {
        return cli_fail("Could not create pixbuf");
    }
    std::vector<uint8_t> png;
    if (!pixbufs_encode_png(image.get(), &png, error.out())) {
        return cli_fail(error);
    }
    const FileioOutput out{output.get(), png};
    if (!cli_write_files({&out, 1}, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

int cli_resave(int argc, char **argv)
{
    CliString output;
    const GOptionEntry entries[] = {
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "Project file to write", "OUT"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    if (!cli_parse(*cli_find_command("resave"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !cli_open_project(document, argv[1], error.out()) ||
        !cli_write_project(output.get(), document, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

namespace {
bool require_item(const Document &document, int item, GError **error)
{
    if (item >= document.item_count()) {
        zbx_set_error(error, ZbxError::InvalidItem, "Invalid item");
        return false;
    }
    return true;
}
} // namespace

int cli_refs(int argc, char **argv)
{
    CliString item_text;
    const GOptionEntry entries[] = {
        {"item", 0, 0, G_OPTION_ARG_STRING, item_text.slot(), "Item index to look for", "K"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    int item = -1;
    if (!cli_parse(*cli_find_command("refs"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_int("--item", item_text, 0, kMaxItems - 1, &item, error.out()) ||
        !cli_open_project(document, argv[1], error.out()) ||
        !require_item(document, item, error.out())) {
        return cli_fail(error);
    }
    const std::string report = references_report(document.project(), item);
    std::fputs(report.c_str(), stdout);
    if (!g_str_has_suffix(report.c_str(), "\n")) {
        std::fputc('\n', stdout);
    }
    return 0;
}

int cli_delete(int argc, char **argv)
{
    CliString item_text;
    CliString output;
    const GOptionEntry entries[] = {
        {"item", 0, 0, G_OPTION_ARG_STRING, item_text.slot(), "Item index to delete", "K"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "Project file to write", "OUT"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    int item = -1;
    if (!cli_parse(*cli_find_command("delete"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_int("--item", item_text, 0, kMaxItems - 1, &item, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !cli_open_project(document, argv[1], error.out()) ||
        !require_item(document, item, error.out()) ||
        !itemwrapper_delete_unused_item(document, item, error.out()) ||
        !cli_write_project(output.get(), document, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

int cli_import(int argc, char **argv)
{
    CliString object;
    CliString output;
    const GOptionEntry entries[] = {
        {"object", 0, 0, G_OPTION_ARG_FILENAME, object.slot(), "Object file to append", "OBJFILE"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "Project file to write", "OUT"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    std::vector<uint8_t> record;
    if (!cli_parse(*cli_find_command("import"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_string("--object", object, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !cli_open_project(document, argv[1], error.out()) ||
        !objfile_read(object.get(), &record, error.out()) ||
        !itemwrapper_import_object(document, record, error.out()) ||
        !cli_write_project(output.get(), document, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

// One line per location or panel with clashes: where, over which colour,
// how many cells and which (column, row).
void print_clashes(const Document &document, const Json &clashes)
{
    auto cells = [](const Json &list) {
        std::string text = std::to_string(list.size()) +
                           (list.size() == 1 ? " clashing cell:" : " clashing cells:");
        for (const Json &cell : list) {
            text += " (" + std::to_string(cell[0].get<int>()) + ", " +
                    std::to_string(cell[1].get<int>()) + ")";
        }
        return text;
    };
    for (const Json &location : clashes["locations"]) {
        const int slot = location["slot"].get<int>();
        const ZbxLocationRecord record = document.location(slot);
        std::printf("Location %d (panel %d over colour %d): %s\n", slot, record.panel,
                    record.colour, cells(location["cells"]).c_str());
    }
    for (const Json &panel : clashes["panels"]) {
        const int index = panel["index"].get<int>();
        std::printf("Panel %d over colour %d: %s\n", index, document.preview_colour(index),
                    cells(panel["cells"]).c_str());
    }
}

int cli_export_json(int argc, char **argv)
{
    CliString output;
    const GOptionEntry entries[] = {{"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(),
                                     "JSON file to write", "PROJECT.json"},
                                    {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    if (!cli_parse(*cli_find_command("export-json"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !cli_open_project(document, argv[1], error.out())) {
        return cli_fail(error);
    }
    std::vector<uint8_t> preview;
    for (int i = 0; i < document.item_count(); i++) {
        preview.push_back(static_cast<uint8_t>(document.preview_colour(i)));
    }
    const std::string text = project_json_export(document.project(), preview);
    const FileioOutput out{output.get(),
                           {reinterpret_cast<const uint8_t *>(text.data()), text.size()}};
    return cli_write_files({&out, 1}, error.out()) ? 0 : cli_fail(error);
}

int cli_import_json(int argc, char **argv)
{
    CliString output;
    const GOptionEntry entries[] = {
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "Project file to write", "OUT"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    std::vector<uint8_t> text;
    ZbxProject project;
    std::vector<uint8_t> preview;
    if (!cli_parse(*cli_find_command("import-json"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !fileio_read_file(argv[1], &text, error.out(), kProjectJsonMaxInput) ||
        !project_json_import(text, &project, &preview, error.out())) {
        return cli_fail(error);
    }
    Document document;
    document.load(std::move(project), Document::History::WhenNeeded);
    return cli_write_project(output.get(), document, error.out()) ? 0 : cli_fail(error);
}

int cli_check(int argc, char **argv)
{
    gboolean json = FALSE;
    gboolean fail_on_clash = FALSE;
    const GOptionEntry entries[] = {
        {"json", 0, 0, G_OPTION_ARG_NONE, &json,
         "Print the findings, the colour clashes of every location and panel and the pictures cut "
         "short as JSON",
         nullptr},
        {"fail-on-clash", 0, 0, G_OPTION_ARG_NONE, &fail_on_clash,
         "Exit with status 3 when a location or a panel clashes (and nothing else is wrong), "
         "for a build script",
         nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    Document document;
    if (!cli_parse(*cli_find_command("check"), entries, 1, &argc, &argv, error.out()) ||
        !cli_open_project(document, argv[1], error.out())) {
        return cli_fail(error);
    }
    std::vector<std::string> findings = zembrix_check_project(document.project());
    const CutShort cut_short = cut_short_pictures(document);
    findings.insert(findings.end(), cut_short.lines.begin(), cut_short.lines.end());
    const Json clashes = clashes_json(document);
    const bool clashing = !clashes["locations"].empty() || !clashes["panels"].empty();
    if (json) {
        const Json report = {
            {"findings", findings},
            {"clashes", clashes},
            {"cut_short", {{"locations", cut_short.locations}, {"panels", cut_short.panels}}}};
        std::printf("%s\n", report.dump(2).c_str());
    } else {
        for (const std::string &line : findings) {
            std::printf("%s\n", line.c_str());
        }
        print_clashes(document, clashes);
        if (findings.empty() && !clashing) {
            std::printf("No findings and no clashes.\n");
        }
    }
    if (!findings.empty()) {
        return 1;
    }
    return fail_on_clash && clashing ? 3 : 0;
}
