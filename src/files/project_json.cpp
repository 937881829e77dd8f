#include "files/project_json.h"

#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "base/error.h"
#include "files/zembrix_format.h"
#include "items/objects.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr const char *kFormat = "zembrix project";

std::string hex_bytes(std::span<const uint8_t> bytes, std::size_t group)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i++) {
        if (i > 0 && i % group == 0) {
            text += ' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

// One row of cells of an object's area: `per_cell` bytes a cell, cells
// apart by spaces.
std::string cell_row(std::span<const uint8_t> area, int w, int row, std::size_t per_cell)
{
    return hex_bytes(area.subspan(static_cast<std::size_t>(row) * w * per_cell, w * per_cell),
                     per_cell);
}

// A flat object on one line, spaced as a person writes it:
// {"item": 12, "x": 24, "overrides": ["21", "43"]}.
std::string one_line(const Json &object)
{
    std::string text = "{";
    for (auto it = object.begin(); it != object.end(); ++it) {
        text += (it == object.begin() ? "\"" : ", \"") + it.key() + "\": ";
        if (it->is_array()) {
            text += "[";
            for (std::size_t i = 0; i < it->size(); i++) {
                text += (i == 0 ? "" : ", ") + (*it)[i].dump();
            }
            text += "]";
        } else {
            text += it->dump(-1, ' ', false, Json::error_handler_t::replace);
        }
    }
    return text + "}";
}

std::string placement_line(const PanelDef &def)
{
    // Written directly: a project holds thousands of these.
    std::string line = "{\"item\": " + std::to_string(def.item) +
                       ", \"x\": " + std::to_string(def.x) + ", \"y\": " + std::to_string(def.y) +
                       ", \"enabled\": " + (def.enabled ? "true" : "false");
    if (def.is_object) {
        line += std::string(", \"mirror\": ") + (def.mirror ? "true" : "false");
        if (def.has_overrides) {
            line += ", \"overrides\": [";
            for (int k = 0; k < def.override_count && k < 3; k++) {
                const uint8_t byte = static_cast<uint8_t>(def.overrides[k]);
                line += (k == 0 ? "\"" : ", \"") + hex_bytes({&byte, 1}, 1) + "\"";
            }
            line += "]";
        }
    }
    return line + "}";
}

// A bad value: its path and what is wrong with it.
struct Bad : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

ZbxItemKind project_item_kind(const ZbxProject &project, int index)
{
    return index < static_cast<int>(project.items.size()) ? project.items[index].kind
                                                          : ZbxItemKind::Empty;
}

[[noreturn]] void bad(const std::string &path, const std::string &what)
{
    throw Bad(path + ": " + what);
}

const Json &member(const Json &object, const std::string &path, const char *key)
{
    if (!object.is_object()) {
        bad(path, "is not an object");
    }
    const auto found = object.find(key);
    if (found == object.end()) {
        bad(path + "." + key, "is missing");
    }
    return *found;
}

int integer(const Json &value, const std::string &path, int low, int high)
{
    if (!value.is_number_integer()) {
        bad(path, value.dump() + " is not a whole number");
    }
    const auto number = value.get<int64_t>();
    if (value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) {
        bad(path,
            value.dump() + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    }
    if (number < low || number > high) {
        bad(path, std::to_string(number) + " is outside " + std::to_string(low) + ".." +
                      std::to_string(high));
    }
    return static_cast<int>(number);
}

bool boolean(const Json &value, const std::string &path)
{
    if (!value.is_boolean()) {
        bad(path, value.dump() + " is not true or false");
    }
    return value.get<bool>();
}

const Json &array(const Json &value, const std::string &path)
{
    if (!value.is_array()) {
        bad(path, "is not a list");
    }
    return value;
}

// Bytes written as hex, `per_cell` a group, groups apart by one space.
std::vector<uint8_t> hex_row(const Json &value, const std::string &path, std::size_t count,
                             std::size_t per_cell)
{
    if (!value.is_string()) {
        bad(path, "is not a string of hex bytes");
    }
    const std::string text = value.get<std::string>();
    std::vector<uint8_t> bytes;
    std::size_t at = 0;
    while (at < text.size()) {
        if (!bytes.empty() && bytes.size() % per_cell == 0) {
            if (text[at] != ' ') {
                bad(path, "\"" + text + "\" does not keep its cells apart by spaces");
            }
            at++;
        }
        const int high = at < text.size() ? g_ascii_xdigit_value(text[at]) : -1;
        const int low = at + 1 < text.size() ? g_ascii_xdigit_value(text[at + 1]) : -1;
        if (high < 0 || low < 0) {
            bad(path, "\"" + text + "\" is not hex bytes");
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        at += 2;
    }
    if (bytes.size() != count) {
        bad(path, "holds " + std::to_string(bytes.size()) + " bytes, not " + std::to_string(count));
    }
    return bytes;
}

void read_project(const Json &json, ZbxProject *project, std::vector<uint8_t> *preview)
{
    if (!json.is_object()) {
        bad("(top)", "is not an object");
    }
    const Json &format = member(json, "(top)", "format");
    if (!format.is_string() || format.get<std::string>() != kFormat) {
        bad("format", format.dump() + " is not \"" + kFormat + "\"");
    }
    const int version = integer(member(json, "(top)", "version"), "version", 1, 1000);
    if (version != kProjectJsonVersion) {
        bad("version", std::to_string(version) + " is a version this Zembrix cannot read");
    }
    const int count = integer(member(json, "(top)", "items"), "items", 0, kMaxItems);
    project->items.assign(count, ZbxItem{});
    preview->assign(count, 0);
    std::set<int> taken;
    auto take = [&](const Json &entry, const std::string &path) {
        const int index = integer(member(entry, path, "index"), path + ".index", 0, count - 1);
        if (!taken.insert(index).second) {
            bad(path + ".index", std::to_string(index) + " is given twice");
        }
        return index;
    };

    const Json &objects = array(member(json, "(top)", "objects"), "objects");
    for (std::size_t n = 0; n < objects.size(); n++) {
        const std::string path = "objects[" + std::to_string(n) + "]";
        const Json &entry = objects[n];
        const int index = take(entry, path);
        const int w = integer(member(entry, path, "width"), path + ".width", 1, 15);
        const int h = integer(member(entry, path, "height"), path + ".height", 1, 15);
        ZbxItem &item = project->items[index];
        item.kind = ZbxItemKind::Object;
        item.record.assign(1, static_cast<uint8_t>(w << 4 | h));
        for (const auto &[key, per_cell] : {std::pair{"bitmap", 8}, {"screen", 1}, {"colour", 1}}) {
            const Json &rows = array(member(entry, path, key), path + "." + key);
            if (rows.size() != static_cast<std::size_t>(h)) {
                bad(path + "." + key,
                    "holds " + std::to_string(rows.size()) + " rows, not " + std::to_string(h));
            }
            for (int r = 0; r < h; r++) {
                const std::vector<uint8_t> bytes =
                    hex_row(rows[r], path + "." + key + "[" + std::to_string(r) + "]",
                            static_cast<std::size_t>(w) * per_cell, per_cell);
                item.record.insert(item.record.end(), bytes.begin(), bytes.end());
            }
        }
    }

    const Json &panels = array(member(json, "(top)", "panels"), "panels");
    for (std::size_t n = 0; n < panels.size(); n++) {
        const std::string path = "panels[" + std::to_string(n) + "]";
        const int index = take(panels[n], path);
        project->items[index].kind = ZbxItemKind::Panel;
        (*preview)[index] = static_cast<uint8_t>(
            integer(member(panels[n], path, "preview_colour"), path + ".preview_colour", 0, 15));
    }
    // Placements once every item's kind is known.
    for (std::size_t n = 0; n < panels.size(); n++) {
        const std::string path = "panels[" + std::to_string(n) + "]";
        const int index = panels[n]["index"].get<int>();
        const Json &placements = array(member(panels[n], path, "placements"), path + ".placements");
        for (std::size_t k = 0; k < placements.size(); k++) {
            const std::string at = path + ".placements[" + std::to_string(k) + "]";
            const Json &line = placements[k];
            PanelDef def;
            // Files made elsewhere may place items the project does not
            // hold: kept as they are.
            def.item = integer(member(line, at, "item"), at + ".item", 0, kMaxItems - 1);
            def.is_object = project_item_kind(*project, def.item) == ZbxItemKind::Object;
            def.x = integer(member(line, at, "x"), at + ".x", -112, 392);
            def.y = integer(member(line, at, "y"), at + ".y", -112, 136);
            if (def.x % 8 != 0 || def.y % 8 != 0) {
                bad(at + (def.x % 8 != 0 ? ".x" : ".y"),
                    std::to_string(def.x % 8 != 0 ? def.x : def.y) + " is not a whole cell");
            }
            def.enabled = boolean(member(line, at, "enabled"), at + ".enabled");
            if (def.is_object) {
                def.mirror = line.contains("mirror") && boolean(line["mirror"], at + ".mirror");
                if (line.contains("overrides")) {
                    const Json &overrides = array(line["overrides"], at + ".overrides");
                    if (overrides.empty() || overrides.size() > 3) {
                        bad(at + ".overrides",
                            "holds " + std::to_string(overrides.size()) + " overrides, not 1 to 3");
                    }
                    def.has_overrides = true;
                    def.override_count = static_cast<int>(overrides.size());
                    for (std::size_t o = 0; o < overrides.size(); o++) {
                        def.overrides[o] = hex_row(
                            overrides[o], at + ".overrides[" + std::to_string(o) + "]", 1, 1)[0];
                    }
                }
            } else if (line.contains("mirror") || line.contains("overrides")) {
                bad(at, "places a panel, which has no mirror and no overrides");
            }
            project->items[index].defs.push_back(def);
        }
    }

    const Json &locations = array(member(json, "(top)", "locations"), "locations");
    if (locations.size() != static_cast<std::size_t>(kLocationCount)) {
        bad("locations", "holds " + std::to_string(locations.size()) + " locations, not 32");
    }
    for (int slot = 0; slot < kLocationCount; slot++) {
        const std::string path = "locations[" + std::to_string(slot) + "]";
        const Json &panel = member(locations[slot], path, "panel");
        ZbxLocationRecord record;
        record.colour = static_cast<uint8_t>(
            integer(member(locations[slot], path, "colour"), path + ".colour", 0, 255));
        if (!panel.is_null()) {
            // As for placements, what a file made elsewhere names is kept.
            record.panel = static_cast<uint8_t>(integer(panel, path + ".panel", 0, kMaxItems - 1));
        }
        project->locations[slot] = record;
    }
}

} // namespace

std::string project_json_export(const ZbxProject &project, std::span<const uint8_t> preview)
{
    std::string out = "{\n  \"format\": \"zembrix project\",\n  \"version\": " +
                      std::to_string(kProjectJsonVersion) +
                      ",\n  \"items\": " + std::to_string(project.items.size()) +
                      ",\n  \"objects\": [";
    const int count = static_cast<int>(project.items.size());
    bool first = true;
    for (int i = 0; i < count; i++) {
        const ZbxItem &item = project.items[i];
        int w = 0;
        int h = 0;
        if (item.kind != ZbxItemKind::Object || !objects_record_ok(item.record, &w, &h)) {
            continue;
        }
        const std::size_t cells = static_cast<std::size_t>(w) * h;
        const std::span<const uint8_t> record(item.record);
        out += first ? "\n" : ",\n";
        first = false;
        out += "    {\n      \"index\": " + std::to_string(i) +
               ",\n      \"width\": " + std::to_string(w) +
               ",\n      \"height\": " + std::to_string(h);
        const struct
        {
            const char *key;
            std::span<const uint8_t> area;
            std::size_t per_cell;
        } areas[] = {{"bitmap", record.subspan(1, 8 * cells), 8},
                     {"screen", record.subspan(1 + 8 * cells, cells), 1},
                     {"colour", record.subspan(1 + 9 * cells, cells), 1}};
        for (const auto &area : areas) {
            out += ",\n      \"" + std::string(area.key) + "\": [";
            for (int r = 0; r < h; r++) {
                out += (r == 0 ? "\n        \"" : ",\n        \"") +
                       cell_row(area.area, w, r, area.per_cell) + "\"";
            }
            out += "\n      ]";
        }
        out += "\n    }";
    }
    out += first ? "],\n  \"panels\": [" : "\n  ],\n  \"panels\": [";
    first = true;
    for (int i = 0; i < count; i++) {
        const ZbxItem &item = project.items[i];
        if (item.kind != ZbxItemKind::Panel) {
            continue;
        }
        out += first ? "\n" : ",\n";
        first = false;
        out += "    {\n      \"index\": " + std::to_string(i) + ",\n      \"preview_colour\": " +
               std::to_string(i < static_cast<int>(preview.size()) ? preview[i] & 15 : 0) +
               ",\n      \"placements\": [";
        for (std::size_t k = 0; k < item.defs.size(); k++) {
            out += (k == 0 ? "\n        " : ",\n        ") + placement_line(item.defs[k]);
        }
        out += item.defs.empty() ? "]\n    }" : "\n      ]\n    }";
    }
    out += first ? "],\n  \"locations\": [" : "\n  ],\n  \"locations\": [";
    for (int slot = 0; slot < kLocationCount; slot++) {
        const ZbxLocationRecord &record = project.locations[slot];
        const Json line = {{"slot", slot},
                           {"panel", record.panel == kNoPanel ? Json(nullptr) : Json(record.panel)},
                           {"colour", record.colour}};
        out += (slot == 0 ? "\n    " : ",\n    ") + one_line(line);
    }
    out += "\n  ]\n}\n";
    return out;
}

bool project_json_import(std::span<const uint8_t> text, ZbxProject *project,
                         std::vector<uint8_t> *preview, GError **error)
{
    ZbxProject read;
    std::vector<uint8_t> colours;
    try {
        const Json json = Json::parse(text.begin(), text.end());
        read_project(json, &read, &colours);
    } catch (const Bad &e) {
        zbx_set_error(error, ZbxError::BadFormat, e.what());
        return false;
    } catch (const Json::exception &e) {
        zbx_set_error_printf(error, ZbxError::BadFormat, "Not JSON: %s", e.what());
        return false;
    }
    *project = std::move(read);
    *preview = std::move(colours);
    return true;
}
