#include "files/placements_clip.h"

#include <cstdio>

#include "base/error.h"
#include "files/zembrix_format.h"

namespace {

// A line cut into words at spaces, tabs and commas.
std::vector<std::string_view> words_of(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        const auto separator = [&](size_t k) {
            return line[k] == ' ' || line[k] == '\t' || line[k] == ',';
        };
        while (i < line.size() && separator(i)) {
            i++;
        }
        const size_t start = i;
        while (i < line.size() && !separator(i)) {
            i++;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// A decimal number of at most six digits with an optional sign.
bool parse_int(std::string_view word, int *value)
{
    bool negative = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    if (word.empty() || word.size() > 6) {
        return false;
    }
    int v = 0;
    for (char c : word) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    *value = negative ? -v : v;
    return true;
}

// A byte: 0xNN (one or two hexadecimal digits) or decimal 0..255.
bool parse_byte(std::string_view word, int *value)
{
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        word.remove_prefix(2);
        if (word.size() > 2) {
            return false;
        }
        int v = 0;
        for (char c : word) {
            const int digit = g_ascii_xdigit_value(c);
            if (digit < 0) {
                return false;
            }
            v = v * 16 + digit;
        }
        *value = v;
        return true;
    }
    int v = 0;
    if (word.empty() || word[0] == '-' || word[0] == '+' || !parse_int(word, &v) || v > 255) {
        return false;
    }
    *value = v;
    return true;
}

bool file_holds(int x, int y)
{
    int sx = 0;
    int sy = 0;
    zembrix_stored_position(x, y, &sx, &sy);
    return sx == x && sy == y;
}

std::string line_of(const PanelDef &def)
{
    char head[64];
    std::snprintf(head, sizeof head, "%s %d at %d, %d", def.is_object ? "object" : "panel",
                  def.item, def.x, def.y);
    std::string line = head;
    if (!def.enabled) {
        line += " disabled";
    }
    if (def.mirror) {
        line += " mirror";
    }
    const int count = def.override_count < 0 ? 0 : def.override_count > 3 ? 3 : def.override_count;
    if (def.has_overrides || count > 0) {
        line += def.has_overrides ? " overrides" : " overrides off";
        for (int k = 0; k < count; k++) {
            char byte[8];
            std::snprintf(byte, sizeof byte, " 0x%02X", def.overrides[k] & 0xff);
            line += byte;
        }
    }
    return line;
}

// One placement from its words; the reason in *why when it is none.
bool parse_words(const std::vector<std::string_view> &w, PanelDef *def, std::string *why)
{
    PanelDef d;
    if (w[0] == "object" || w[0] == "panel") {
        d.is_object = w[0] == "object";
    } else {
        *why = "it does not start with \"object\" or \"panel\"";
        return false;
    }
    if (w.size() < 5 || w[2] != "at") {
        *why = "it is not \"object|panel N at X, Y\"";
        return false;
    }
    if (!parse_int(w[1], &d.item) || d.item < 0 || d.item >= kMaxItems) {
        *why = "the item is not a number from 0 to 254";
        return false;
    }
    if (!parse_int(w[3], &d.x) || !parse_int(w[4], &d.y) || !file_holds(d.x, d.y)) {
        *why = "the position is not a whole cell a panel holds (-112..392 across, -112..136 down)";
        return false;
    }
    bool disabled = false;
    bool overrides = false;
    for (size_t i = 5; i < w.size(); i++) {
        if (w[i] == "disabled" && !disabled) {
            disabled = true;
            d.enabled = false;
        } else if (w[i] == "mirror" && d.is_object && !d.mirror) {
            d.mirror = true;
        } else if (w[i] == "overrides" && d.is_object && !overrides) {
            overrides = true;
            d.has_overrides = true;
            if (i + 1 < w.size() && w[i + 1] == "off") {
                d.has_overrides = false;
                i++;
            }
            int byte = 0;
            while (i + 1 < w.size() && parse_byte(w[i + 1], &byte)) {
                if (d.override_count == 3) {
                    *why = "it has more than three override bytes";
                    return false;
                }
                d.overrides[d.override_count++] = byte;
                i++;
            }
        } else {
            *why = "\"" + std::string(w[i]) + "\" is not understood here";
            return false;
        }
    }
    *def = d;
    return true;
}

} // namespace

std::string placements_clip_text(std::span<const PanelDef> defs)
{
    std::string text;
    for (const PanelDef &def : defs) {
        text += line_of(def);
        text += '\n';
    }
    return text;
}

std::string placements_clip_encode(std::span<const PanelDef> defs)
{
    return std::string(kPlacementsClipHeader) + "\n" + placements_clip_text(defs);
}

bool placements_clip_parse(std::string_view text, bool own, std::vector<PanelDef> *defs,
                           GError **error)
{
    std::vector<PanelDef> read;
    int number = 0;
    bool header = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        number++;
        if (!own && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (number == 1 && line == kPlacementsClipHeader) {
            header = true;
            continue;
        }
        if (own && !header) {
            zbx_set_error(error, ZbxError::BadFormat, "These are not Zembrix placements");
            return false;
        }
        const std::vector<std::string_view> words = words_of(line);
        if (words.empty() && !own) {
            continue;
        }
        PanelDef def;
        std::string why;
        if (words.empty()) {
            why = "it is empty";
        } else if (parse_words(words, &def, &why) && own && line != line_of(def)) {
            why = "it is not written as the program writes it";
        }
        if (!why.empty()) {
            zbx_set_error_printf(error, ZbxError::BadFormat, "Line %d: %s", number, why.c_str());
            return false;
        }
        if (static_cast<int>(read.size()) == kPlacementsClipMaxLines) {
            zbx_set_error_printf(error, ZbxError::BadFormat, "More than %d placements",
                                 kPlacementsClipMaxLines);
            return false;
        }
        read.push_back(def);
    }
    if (own && !header) {
        zbx_set_error(error, ZbxError::BadFormat, "These are not Zembrix placements");
        return false;
    }
    if (read.empty()) {
        zbx_set_error(error, ZbxError::BadFormat, "No placements");
        return false;
    }
    *defs = std::move(read);
    return true;
}

bool placements_clip_check(const ZbxProject &project, std::span<const PanelDef> defs,
                           GError **error)
{
    for (const PanelDef &def : defs) {
        const ZbxItemKind kind = def.is_object ? ZbxItemKind::Object : ZbxItemKind::Panel;
        if (def.item < 0 || def.item >= static_cast<int>(project.items.size()) ||
            project.items[def.item].kind != kind) {
            zbx_set_error_printf(error, ZbxError::InvalidItem, "Item %d is not %s of this project",
                                 def.item, def.is_object ? "an object" : "a panel");
            return false;
        }
    }
    return true;
}
