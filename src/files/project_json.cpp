#include "files/project_json.h"

#include <array>
#include <bitset>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

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

[[noreturn]] void bad(const std::string &path, const std::string &what)
{
    throw Bad(path + ": " + what);
}

// A value as read, kept until the JSON object that holds it ends (a key
// given twice keeps its last value). A list or an object where a single
// value belongs is kept as that: its contents are skipped.
struct Value
{
    enum class Kind : uint8_t
    {
        Absent,
        Null,
        Boolean,
        Integer,
        Unsigned,
        Float,
        String,
        Object,
        Array
    };
    Kind kind = Kind::Absent;
    bool boolean = false;
    int64_t integer = 0;
    uint64_t natural = 0;
    double real = 0;
    std::string text;

    bool present() const { return kind != Kind::Absent; }

    // As written in JSON; a list or an object as [...] or {...}.
    std::string dump() const
    {
        switch (kind) {
        case Kind::Absent:
        case Kind::Null:
            return "null";
        case Kind::Boolean:
            return boolean ? "true" : "false";
        case Kind::Integer:
            return std::to_string(integer);
        case Kind::Unsigned:
            return std::to_string(natural);
        case Kind::Float:
            return Json(real).dump();
        case Kind::String:
            return Json(text).dump();
        case Kind::Object:
            return "{...}";
        case Kind::Array:
            return "[...]";
        }
        return "";
    }
};

// The checks of one value. `where` gives the value's path; it is called
// only to report a bad value.
template <typename Where> const Value &required(const Value &value, const Where &where)
{
    if (!value.present()) {
        bad(where(), "is missing");
    }
    return value;
}

template <typename Where>
int whole_number(const Value &value, const Where &where, int low, int high)
{
    const auto range = [&] {
        return " is outside " + std::to_string(low) + ".." + std::to_string(high);
    };
    if (value.kind == Value::Kind::Unsigned && value.natural > static_cast<uint64_t>(INT64_MAX)) {
        bad(where(), value.dump() + range());
    }
    if (value.kind != Value::Kind::Integer && value.kind != Value::Kind::Unsigned) {
        bad(where(), value.dump() + " is not a whole number");
    }
    const int64_t number =
        value.kind == Value::Kind::Integer ? value.integer : static_cast<int64_t>(value.natural);
    if (number < low || number > high) {
        bad(where(), std::to_string(number) + range());
    }
    return static_cast<int>(number);
}

template <typename Where> bool true_or_false(const Value &value, const Where &where)
{
    if (value.kind != Value::Kind::Boolean) {
        bad(where(), value.dump() + " is not true or false");
    }
    return value.boolean;
}

// A hex digit's value, -1 for any other character.
constexpr int hex_digit(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// Bytes written as hex, `per_cell` a group, groups apart by one space,
// added to `out`.
template <typename Where>
void hex_row(const Value &value, const Where &where, std::size_t count, std::size_t per_cell,
             std::vector<uint8_t> &out)
{
    if (value.kind != Value::Kind::String) {
        bad(where(), "is not a string of hex bytes");
    }
    const std::string &text = value.text;
    std::size_t bytes = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (bytes > 0 && bytes % per_cell == 0) {
            if (text[at] != ' ') {
                bad(where(), "\"" + text + "\" does not keep its cells apart by spaces");
            }
            at++;
        }
        const int high = at < text.size() ? hex_digit(text[at]) : -1;
        const int low = at + 1 < text.size() ? hex_digit(text[at + 1]) : -1;
        if (high < 0 || low < 0) {
            bad(where(), "\"" + text + "\" is not hex bytes");
        }
        if (bytes < count) {
            out.push_back(static_cast<uint8_t>(high << 4 | low));
        }
        bytes++;
        at += 2;
    }
    if (bytes != count) {
        bad(where(), "holds " + std::to_string(bytes) + " bytes, not " + std::to_string(count));
    }
}

std::string entry_path(const char *list, std::size_t n)
{
    return std::string(list) + "[" + std::to_string(n) + "]";
}

// The members the reader knows; any other is skipped.
enum class Key : uint8_t
{
    Unknown,
    Format,
    Version,
    Items,
    Objects,
    Panels,
    Locations,
    Index,
    Width,
    Height,
    Bitmap,
    Screen,
    Colour,
    PreviewColour,
    Placements,
    Item,
    X,
    Y,
    Enabled,
    Mirror,
    Overrides,
    Panel
};

constexpr std::string_view kKeyNames[] = {
    "",      "format", "version", "items",  "objects",   "panels",         "locations",  "index",
    "width", "height", "bitmap",  "screen", "colour",    "preview_colour", "placements", "item",
    "x",     "y",      "enabled", "mirror", "overrides", "panel"};

const char *key_name(Key key)
{
    return kKeyNames[static_cast<std::size_t>(key)].data();
}

// Where the reader is: the top object, a list, or an entry of one.
enum class At : uint8_t
{
    Top,
    Objects,
    Object,
    Rows,
    Panels,
    Panel,
    Placements,
    Placement,
    Overrides,
    Locations,
    Location
};

bool is_list(At at)
{
    return at == At::Objects || at == At::Rows || at == At::Panels || at == At::Placements ||
           at == At::Overrides || at == At::Locations;
}

Key key_of(At at, const std::string &name)
{
    const auto among = [&](std::initializer_list<Key> keys) {
        for (const Key key : keys) {
            if (name == kKeyNames[static_cast<std::size_t>(key)]) {
                return key;
            }
        }
        return Key::Unknown;
    };
    switch (at) {
    case At::Top:
        return among(
            {Key::Format, Key::Version, Key::Items, Key::Objects, Key::Panels, Key::Locations});
    case At::Object:
        return among({Key::Index, Key::Width, Key::Height, Key::Bitmap, Key::Screen, Key::Colour});
    case At::Panel:
        return among({Key::Index, Key::PreviewColour, Key::Placements});
    case At::Placement:
        return among({Key::Item, Key::X, Key::Y, Key::Enabled, Key::Mirror, Key::Overrides});
    case At::Location:
        return among({Key::Panel, Key::Colour});
    default:
        return Key::Unknown;
    }
}

// The three areas of an object's record, in the record's order.
constexpr struct
{
    Key key;
    std::size_t per_cell;
} kAreas[] = {{Key::Bitmap, 8}, {Key::Screen, 1}, {Key::Colour, 1}};

std::size_t area_of(Key key)
{
    return key == Key::Bitmap ? 0 : key == Key::Screen ? 1 : 2;
}

// An object entry as read.
struct ObjectText
{
    Value index, width, height;
    struct Area
    {
        Value list; // Array when given as a list
        std::vector<Value> rows;
    } areas[3];
};

// What a placement (read as far as it can be before the kinds of the items
// are known) may add for an object: whether it may have a mirror and
// overrides depends on whether it places an object. A bad mirror or bad
// overrides are kept as a message.
struct Extras
{
    enum class Given : uint8_t
    {
        No,
        Good,
        Bad
    };
    Given mirror = Given::No;
    Given overrides = Given::No;
    uint32_t why_not = 0; // the message of a bad one
};

struct PlacementText
{
    Value item, x, y, enabled, mirror, overrides;
    std::size_t override_count = 0;
    Value override_list[3];
};

struct PanelEntry
{
    Value index;
    uint8_t preview = 0;
    std::vector<PanelDef> defs;
    std::vector<Extras> extras;
};

struct PanelText
{
    Value index, preview, placements;
    int taken = -1; // the index taken as soon as it could be
    std::vector<PanelDef> defs;
    std::vector<Extras> extras;
};

struct LocationText
{
    Value panel, colour;
};

// Builds the project as nlohmann's parser reads the text, without a tree
// of the whole text: each entry is checked when it ends, and whatever
// depends on members given later in the file (the number of items, which
// items are objects) is checked when the top object ends.
class ProjectReader final : public nlohmann::json_sax<Json>
{
  public:
    ProjectReader(ZbxProject *project, std::vector<uint8_t> *preview)
        : project_(project), preview_(preview)
    {
        frames_.reserve(8);
    }

    bool null() override
    {
        return put(Value::Kind::Null, [](Value &) {});
    }
    bool boolean(bool value) override
    {
        return put(Value::Kind::Boolean, [&](Value &v) { v.boolean = value; });
    }
    bool number_integer(number_integer_t value) override
    {
        return put(Value::Kind::Integer, [&](Value &v) { v.integer = value; });
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        return put(Value::Kind::Unsigned, [&](Value &v) { v.natural = value; });
    }
    bool number_float(number_float_t value, const string_t &) override
    {
        return put(Value::Kind::Float, [&](Value &v) { v.real = value; });
    }
    bool string(string_t &value) override
    {
        return put(Value::Kind::String, [&](Value &v) { v.text = std::move(value); });
    }
    bool binary(binary_t &) override
    {
        return put(Value::Kind::Null, [](Value &) {});
    }

    bool start_object(std::size_t) override
    {
        if (skip_ > 0) {
            skip_++;
            return true;
        }
        if (frames_.empty()) {
            frames_.push_back({At::Top});
            return true;
        }
        Frame &f = frames_.back();
        switch (f.at) {
        case At::Objects:
            object_ = {};
            frames_.push_back({At::Object});
            return true;
        case At::Panels:
            panel_ = {};
            frames_.push_back({At::Panel});
            return true;
        case At::Placements:
            placement_ = {};
            frames_.push_back({At::Placement});
            return true;
        case At::Locations:
            location_ = {};
            frames_.push_back({At::Location});
            return true;
        default:
            return stand_in(Value::Kind::Object);
        }
    }

    bool start_array(std::size_t) override
    {
        if (skip_ > 0) {
            skip_++;
            return true;
        }
        if (frames_.empty()) {
            bad("(top)", "is not an object");
        }
        Frame &f = frames_.back();
        if (f.at == At::Top && f.key == Key::Objects) {
            objects_.clear();
            taken_objects_.reset();
            object_at_.reset();
            objects_known_ = false;
            objects_given_ = true;
            frames_.push_back({At::Objects});
        } else if (f.at == At::Top && f.key == Key::Panels) {
            panels_.clear();
            taken_panels_.reset();
            panels_given_ = true;
            frames_.push_back({At::Panels});
        } else if (f.at == At::Top && f.key == Key::Locations) {
            locations_ = {};
            locations_given_ = true;
            frames_.push_back({At::Locations});
        } else if (f.at == At::Object &&
                   (f.key == Key::Bitmap || f.key == Key::Screen || f.key == Key::Colour)) {
            ObjectText::Area &area = object_.areas[area_of(f.key)];
            area.list.kind = Value::Kind::Array;
            area.rows.clear();
            frames_.push_back({At::Rows});
        } else if (f.at == At::Panel && f.key == Key::Placements) {
            check_panel_head();
            panel_.placements.kind = Value::Kind::Array;
            panel_.defs.clear();
            panel_.extras.clear();
            frames_.push_back({At::Placements});
        } else if (f.at == At::Placement && f.key == Key::Overrides) {
            placement_.overrides.kind = Value::Kind::Array;
            placement_.override_count = 0;
            frames_.push_back({At::Overrides});
        } else {
            return stand_in(Value::Kind::Array);
        }
        return true;
    }

    bool key(string_t &name) override
    {
        if (skip_ > 0) {
            return true;
        }
        Frame &f = frames_.back();
        f.key = key_of(f.at, name);
        if (f.at == At::Panel && f.key == Key::Index && panel_.taken >= 0) {
            // Given again: the last one counts.
            taken_panels_.reset(panel_.taken);
            panel_.taken = -1;
        }
        return true;
    }

    bool end_object() override { return end(); }
    bool end_array() override { return end(); }

    bool parse_error(std::size_t, const std::string &,
                     const nlohmann::detail::exception &e) override
    {
        throw Bad(std::string("Not JSON: ") + e.what());
    }

  private:
    struct Frame
    {
        At at;
        Key key = Key::Unknown; // in an object: the member being read
        std::size_t count = 0;  // in a list: the entry being read
    };

    // The path of the value being read in the innermost `depth` frames.
    std::string path(std::size_t depth) const
    {
        std::string text;
        for (std::size_t i = 0; i < depth; i++) {
            const Frame &f = frames_[i];
            if (f.at == At::Top) {
                text += key_name(f.key);
            } else if (is_list(f.at)) {
                text += '[';
                text += std::to_string(f.count);
                text += ']';
            } else {
                text += std::string(".") + key_name(f.key);
            }
        }
        return text;
    }

    // Where a single value goes, or nullptr when it is not kept.
    Value *target()
    {
        if (frames_.empty()) {
            bad("(top)", "is not an object");
        }
        Frame &f = frames_.back();
        switch (f.at) {
        case At::Top:
            switch (f.key) {
            case Key::Format:
                return &format_;
            case Key::Version:
                return &version_;
            case Key::Items:
                return &items_;
            case Key::Objects:
            case Key::Panels:
            case Key::Locations:
                bad(key_name(f.key), "is not a list");
            default:
                return nullptr;
            }
        case At::Object:
            switch (f.key) {
            case Key::Index:
                return &object_.index;
            case Key::Width:
                return &object_.width;
            case Key::Height:
                return &object_.height;
            case Key::Bitmap:
            case Key::Screen:
            case Key::Colour:
                return &object_.areas[area_of(f.key)].list;
            default:
                return nullptr;
            }
        case At::Panel:
            switch (f.key) {
            case Key::Index:
                return &panel_.index;
            case Key::PreviewColour:
                return &panel_.preview;
            case Key::Placements:
                panel_.defs.clear();
                panel_.extras.clear();
                return &panel_.placements;
            default:
                return nullptr;
            }
        case At::Placement:
            switch (f.key) {
            case Key::Item:
                return &placement_.item;
            case Key::X:
                return &placement_.x;
            case Key::Y:
                return &placement_.y;
            case Key::Enabled:
                return &placement_.enabled;
            case Key::Mirror:
                return &placement_.mirror;
            case Key::Overrides:
                return &placement_.overrides;
            default:
                return nullptr;
            }
        case At::Location:
            return f.key == Key::Panel    ? &location_.panel
                   : f.key == Key::Colour ? &location_.colour
                                          : nullptr;
        case At::Rows:
            f.count++;
            return &object_.areas[area_of(frames_[frames_.size() - 2].key)].rows.emplace_back();
        case At::Overrides:
            placement_.override_count = ++f.count;
            return f.count <= 3 ? &placement_.override_list[f.count - 1] : nullptr;
        case At::Locations:
            if (f.count >= static_cast<std::size_t>(kLocationCount)) {
                f.count++; // too many: said when the list ends
                return nullptr;
            }
            [[fallthrough]];
        case At::Objects:
        case At::Panels:
        case At::Placements:
            bad(path(frames_.size()), "is not an object");
        }
        return nullptr;
    }

    template <typename Set> bool put(Value::Kind kind, const Set &set)
    {
        if (skip_ > 0) {
            return true;
        }
        if (Value *value = target()) {
            value->kind = kind;
            set(*value);
            if (frames_.size() == 1) {
                check_top(frames_.back().key);
            }
        }
        return true;
    }

    // A list or an object where a single value belongs: kept as such, its
    // contents skipped.
    bool stand_in(Value::Kind kind)
    {
        put(kind, [](Value &) {});
        skip_ = 1;
        return true;
    }

    bool end()
    {
        if (skip_ > 0) {
            skip_--;
            return true;
        }
        const Frame done = frames_.back();
        frames_.pop_back();
        switch (done.at) {
        case At::Top:
            finish();
            return true;
        case At::Object:
            end_object_entry();
            break;
        case At::Panel:
            end_panel();
            break;
        case At::Placement:
            end_placement();
            break;
        case At::Location:
            end_location();
            break;
        case At::Objects:
            objects_known_ = count_ >= 0;
            return true;
        case At::Locations:
            if (done.count != static_cast<std::size_t>(kLocationCount)) {
                bad("locations", "holds " + std::to_string(done.count) + " locations, not 32");
            }
            return true;
        default:
            return true;
        }
        frames_.back().count++;
        return true;
    }

    // The members given before any other, checked as they come.
    void check_top(Key key)
    {
        if (key == Key::Format &&
            (format_.kind != Value::Kind::String || format_.text != kFormat)) {
            bad("format", format_.dump() + " is not \"" + kFormat + "\"");
        }
        if (key == Key::Version) {
            const int version = whole_number(
                version_, [] { return "version"; }, 1, 1000);
            if (version != kProjectJsonVersion) {
                bad("version", std::to_string(version) + " is a version this Zembrix cannot read");
            }
        }
        if (key == Key::Items) {
            // Given again, the last one counts: what was checked against
            // the first is checked again at the end, and the placements
            // wait for that.
            objects_known_ = false;
            count_ = whole_number(
                items_, [] { return "items"; }, 0, kMaxItems);
        }
    }

    // An index of an object or a panel, taken once.
    template <typename Where>
    int take(const Value &index, const Where &entry, std::bitset<256> &taken,
             const std::bitset<256> &other) const
    {
        const auto where = [&] { return entry() + ".index"; };
        const int number = whole_number(required(index, where), where, 0, count_ - 1);
        if (taken[number] || other[number]) {
            bad(where(), std::to_string(number) + " is given twice");
        }
        taken.set(number);
        return number;
    }

    void end_object_entry()
    {
        const auto entry = [this] { return path(frames_.size()); };
        if (count_ >= 0) {
            object_at_.set(take(object_.index, entry, taken_objects_, taken_panels_));
        } else {
            required(object_.index, [&] { return entry() + ".index"; });
        }
        const auto width = [&] { return entry() + ".width"; };
        const auto height = [&] { return entry() + ".height"; };
        const int w = whole_number(required(object_.width, width), width, 1, 15);
        const int h = whole_number(required(object_.height, height), height, 1, 15);
        std::vector<uint8_t> record;
        record.reserve(1 + std::size_t{10} * w * h);
        record.push_back(static_cast<uint8_t>(w << 4 | h));
        for (std::size_t a = 0; a < 3; a++) {
            const ObjectText::Area &area = object_.areas[a];
            const auto where = [&] { return entry() + "." + key_name(kAreas[a].key); };
            if (required(area.list, where).kind != Value::Kind::Array) {
                bad(where(), "is not a list");
            }
            if (area.rows.size() != static_cast<std::size_t>(h)) {
                bad(where(), "holds " + std::to_string(area.rows.size()) + " rows, not " +
                                 std::to_string(h));
            }
            for (int r = 0; r < h; r++) {
                hex_row(
                    area.rows[r], [&] { return where() + "[" + std::to_string(r) + "]"; },
                    static_cast<std::size_t>(w) * kAreas[a].per_cell, kAreas[a].per_cell, record);
            }
        }
        objects_.push_back({std::move(object_.index), std::move(record)});
    }

    // A panel's index and preview colour, as soon as they are known.
    void check_panel_head()
    {
        const auto entry = [this] { return path(frames_.size() - 1); };
        if (panel_.taken < 0 && panel_.index.present() && count_ >= 0) {
            panel_.taken = take(panel_.index, entry, taken_panels_, taken_objects_);
        }
        if (panel_.preview.present()) {
            whole_number(
                panel_.preview, [&] { return entry() + ".preview_colour"; }, 0, 15);
        }
    }

    void end_panel()
    {
        const auto entry = [this] { return path(frames_.size()); };
        required(panel_.index, [&] { return entry() + ".index"; });
        if (panel_.taken < 0 && count_ >= 0) {
            panel_.taken = take(panel_.index, entry, taken_panels_, taken_objects_);
        }
        const auto colour = [&] { return entry() + ".preview_colour"; };
        const int preview = whole_number(required(panel_.preview, colour), colour, 0, 15);
        const auto placements = [&] { return entry() + ".placements"; };
        if (required(panel_.placements, placements).kind != Value::Kind::Array) {
            bad(placements(), "is not a list");
        }
        panels_.push_back({std::move(panel_.index), static_cast<uint8_t>(preview),
                           std::move(panel_.defs), std::move(panel_.extras)});
    }

    void end_placement()
    {
        const PlacementText &text = placement_;
        const auto at = [&] { return path(frames_.size()); };
        const auto member = [&](const char *name) {
            return [&at, name] { return at() + "." + name; };
        };
        PanelDef def;
        Extras extras;
        // Files made elsewhere may place items the project does not hold:
        // kept as they are.
        def.item =
            whole_number(required(text.item, member("item")), member("item"), 0, kMaxItems - 1);
        def.x = whole_number(required(text.x, member("x")), member("x"), -112, 392);
        def.y = whole_number(required(text.y, member("y")), member("y"), -112, 136);
        if (def.x % 8 != 0 || def.y % 8 != 0) {
            bad(at() + (def.x % 8 != 0 ? ".x" : ".y"),
                std::to_string(def.x % 8 != 0 ? def.x : def.y) + " is not a whole cell");
        }
        def.enabled = true_or_false(required(text.enabled, member("enabled")), member("enabled"));
        // What an object's placement may add, kept good or bad until it
        // is known whether the item is an object.
        try {
            if (text.mirror.present()) {
                extras.mirror = Extras::Given::Bad;
                def.mirror = true_or_false(text.mirror, member("mirror"));
                extras.mirror = Extras::Given::Good;
            }
            if (text.overrides.present()) {
                extras.overrides = Extras::Given::Bad;
                const auto where = member("overrides");
                if (text.overrides.kind != Value::Kind::Array) {
                    bad(where(), "is not a list");
                }
                const std::size_t count = text.override_count;
                if (count == 0 || count > 3) {
                    bad(where(), "holds " + std::to_string(count) + " overrides, not 1 to 3");
                }
                std::vector<uint8_t> bytes;
                for (std::size_t o = 0; o < count; o++) {
                    hex_row(
                        text.override_list[o],
                        [&] { return where() + "[" + std::to_string(o) + "]"; }, 1, 1, bytes);
                    def.overrides[o] = bytes[o];
                }
                def.has_overrides = true;
                def.override_count = static_cast<int>(count);
                extras.overrides = Extras::Given::Good;
            }
        } catch (const Bad &e) {
            extras.why_not = static_cast<uint32_t>(why_not_.size());
            why_not_.emplace_back(e.what());
        }
        if (objects_known_) {
            PanelDef placed = def;
            place(placed, extras, panels_.size(), panel_.defs.size(), object_at_);
        }
        panel_.defs.push_back(def);
        panel_.extras.push_back(extras);
    }

    // A placement as the project holds it, once the objects are known.
    void place(PanelDef &def, const Extras &extras, std::size_t panel, std::size_t n,
               const std::bitset<256> &objects) const
    {
        def.is_object = objects[def.item];
        if (def.is_object) {
            if (extras.mirror == Extras::Given::Bad || extras.overrides == Extras::Given::Bad) {
                throw Bad(why_not_[extras.why_not]);
            }
        } else if (extras.mirror != Extras::Given::No || extras.overrides != Extras::Given::No) {
            bad(entry_path("panels", panel) + entry_path(".placements", n),
                "places a panel, which has no mirror and no overrides");
        }
    }

    void end_location()
    {
        const std::size_t slot = frames_.back().count;
        if (slot >= static_cast<std::size_t>(kLocationCount)) {
            return; // too many: said when the list ends
        }
        const auto entry = [this] { return path(frames_.size()); };
        const auto panel = [&] { return entry() + ".panel"; };
        const auto colour = [&] { return entry() + ".colour"; };
        required(location_.panel, panel);
        ZbxLocationRecord record;
        record.colour =
            static_cast<uint8_t>(whole_number(required(location_.colour, colour), colour, 0, 255));
        if (location_.panel.kind != Value::Kind::Null) {
            // As for placements, what a file made elsewhere names is kept.
            record.panel =
                static_cast<uint8_t>(whole_number(location_.panel, panel, 0, kMaxItems - 1));
        }
        locations_[slot] = record;
    }

    // The end of the top object: whatever waited for the number of items
    // or the objects is checked, and the project is built.
    void finish()
    {
        const std::pair<Key, bool> members[] = {
            {Key::Format, format_.present()}, {Key::Version, version_.present()},
            {Key::Items, items_.present()},   {Key::Objects, objects_given_},
            {Key::Panels, panels_given_},     {Key::Locations, locations_given_}};
        for (const auto &[key, given] : members) {
            if (!given) {
                bad(std::string("(top).") + key_name(key), "is missing");
            }
        }
        std::bitset<256> taken;
        std::bitset<256> objects;
        const std::bitset<256> none;
        std::vector<int> object_index;
        for (std::size_t n = 0; n < objects_.size(); n++) {
            object_index.push_back(take(
                objects_[n].index, [n] { return entry_path("objects", n); }, taken, none));
        }
        objects = taken;
        std::vector<int> panel_index;
        for (std::size_t n = 0; n < panels_.size(); n++) {
            panel_index.push_back(take(
                panels_[n].index, [n] { return entry_path("panels", n); }, taken, none));
        }
        project_->items.assign(count_, ZbxItem{});
        preview_->assign(count_, 0);
        for (std::size_t n = 0; n < objects_.size(); n++) {
            ZbxItem &item = project_->items[object_index[n]];
            item.kind = ZbxItemKind::Object;
            item.record = std::move(objects_[n].record);
        }
        for (std::size_t n = 0; n < panels_.size(); n++) {
            project_->items[panel_index[n]].kind = ZbxItemKind::Panel;
            (*preview_)[panel_index[n]] = panels_[n].preview;
        }
        for (std::size_t n = 0; n < panels_.size(); n++) {
            std::vector<PanelDef> &defs = panels_[n].defs;
            for (std::size_t k = 0; k < defs.size(); k++) {
                place(defs[k], panels_[n].extras[k], n, k, objects);
            }
            project_->items[panel_index[n]].defs = std::move(defs);
        }
        project_->locations = locations_;
    }

    ZbxProject *project_;
    std::vector<uint8_t> *preview_;
    std::vector<Frame> frames_;
    int skip_ = 0; // the depth within a skipped list or object

    Value format_, version_, items_;
    int count_ = -1; // the number of items, once given
    bool objects_given_ = false;
    bool panels_given_ = false;
    bool locations_given_ = false;

    struct ObjectEntry
    {
        Value index;
        std::vector<uint8_t> record;
    };
    std::vector<ObjectEntry> objects_;
    std::vector<PanelEntry> panels_;
    std::array<ZbxLocationRecord, kLocationCount> locations_{};

    // Checked as soon as the number of items is known, for the first bad
    // value's sake; checked again at the end.
    std::bitset<256> taken_objects_, taken_panels_;
    std::bitset<256> object_at_;
    bool objects_known_ = false; // every object's index checked
    std::vector<std::string> why_not_;

    ObjectText object_;
    PanelText panel_;
    PlacementText placement_;
    LocationText location_;
};

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
        ProjectReader reader(&read, &colours);
        Json::sax_parse(text.begin(), text.end(), &reader);
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
