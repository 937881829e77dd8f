#include "files/recovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <unistd.h>

#include "base/error.h"
#include "base/gref.h"
#include "files/fileio.h"

namespace {

using Json = nlohmann::json;

constexpr const char *kFormat = "zembrix recovery";
constexpr int kVersion = 1;
// A definition's bytes: item, flags, x and y (16 bits each, little end
// first), override count, three overrides.
constexpr std::size_t kDefBytes = 10;
constexpr int kMaxPosition = 4096;
// An object record is at most 15 x 15 cells.
constexpr std::size_t kMaxRecord = 10 * 15 * 15 + 1;

enum DefFlags : uint8_t
{
    kIsObject = 1,
    kEnabled = 2,
    kMirror = 4,
    kHasOverrides = 8,
};

std::string to_hex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(2 * bytes.size(), '0');
    for (std::size_t i = 0; i < bytes.size(); i++) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    return text;
}

bool from_hex(const std::string &text, std::vector<uint8_t> *bytes)
{
    if (text.size() % 2 != 0) {
        return false;
    }
    bytes->resize(text.size() / 2);
    for (std::size_t i = 0; i < bytes->size(); i++) {
        const int high = g_ascii_xdigit_value(text[2 * i]);
        const int low = g_ascii_xdigit_value(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        (*bytes)[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

std::vector<uint8_t> encode_defs(std::span<const PanelDef> defs)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(defs.size() * kDefBytes);
    for (const PanelDef &def : defs) {
        const uint8_t flags = (def.is_object ? kIsObject : 0) | (def.enabled ? kEnabled : 0) |
                              (def.mirror ? kMirror : 0) | (def.has_overrides ? kHasOverrides : 0);
        const auto x = static_cast<uint16_t>(def.x);
        const auto y = static_cast<uint16_t>(def.y);
        bytes.insert(bytes.end(),
                     {static_cast<uint8_t>(def.item), flags, static_cast<uint8_t>(x & 0xff),
                      static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(y & 0xff),
                      static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(def.override_count),
                      static_cast<uint8_t>(def.overrides[0]),
                      static_cast<uint8_t>(def.overrides[1]),
                      static_cast<uint8_t>(def.overrides[2])});
    }
    return bytes;
}

bool decode_defs(std::span<const uint8_t> bytes, int items, std::vector<PanelDef> *defs)
{
    if (bytes.size() % kDefBytes != 0) {
        return false;
    }
    for (std::size_t at = 0; at < bytes.size(); at += kDefBytes) {
        const uint8_t *b = bytes.data() + at;
        PanelDef def;
        def.item = b[0];
        def.is_object = (b[1] & kIsObject) != 0;
        def.enabled = (b[1] & kEnabled) != 0;
        def.mirror = (b[1] & kMirror) != 0;
        def.has_overrides = (b[1] & kHasOverrides) != 0;
        def.x = static_cast<int16_t>(b[2] | b[3] << 8);
        def.y = static_cast<int16_t>(b[4] | b[5] << 8);
        def.override_count = b[6];
        for (int k = 0; k < 3; k++) {
            def.overrides[k] = b[7 + k];
        }
        if (def.item >= items || b[1] > 15 || def.override_count > 3 ||
            std::abs(def.x) > kMaxPosition || std::abs(def.y) > kMaxPosition) {
            return false;
        }
        defs->push_back(def);
    }
    return true;
}

// A whole number within lo..hi (never a fraction, whose conversion could
// overflow).
bool integer_in(const Json &value, gint64 lo, gint64 hi, gint64 *out)
{
    if (!value.is_number_integer()) {
        return false;
    }
    const gint64 number =
        value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(G_MAXINT64)
            ? G_MAXINT64
            : value.get<gint64>();
    *out = number;
    return number >= lo && number <= hi;
}

// Reads the copy from its JSON; false with the reason in *why.
bool read_copy(const Json &json, RecoveryCopy *copy, std::string *why)
{
    if (!json.is_object() || json.value("format", "") != kFormat) {
        *why = "not a recovery copy";
        return false;
    }
    const auto version = json.find("version");
    if (version == json.end() || !version->is_number_integer() ||
        version->get<gint64>() != kVersion) {
        *why = "a version this Zembrix cannot read";
        return false;
    }
    copy->session = json.at("session").get<std::string>();
    copy->project_path = json.at("project_path").get<std::string>();
    copy->name = json.at("name").get<std::string>();
    if (!integer_in(json.at("written"), 0, G_MAXINT64, &copy->written)) {
        *why = "no time of writing";
        return false;
    }

    const Json &items = json.at("items");
    if (!items.is_array() || items.size() > static_cast<std::size_t>(kMaxItems)) {
        *why = "too many items";
        return false;
    }
    const int count = static_cast<int>(items.size());
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < items.size(); i++) {
        const Json &entry = items[i];
        const std::string kind = entry.at("kind").get<std::string>();
        ZbxItem item;
        if (kind == "object") {
            item.kind = ZbxItemKind::Object;
            if (!from_hex(entry.at("record").get<std::string>(), &item.record) ||
                item.record.size() > kMaxRecord) {
                *why = "item " + std::to_string(i) + ": a bad object record";
                return false;
            }
        } else if (kind == "panel") {
            item.kind = ZbxItemKind::Panel;
            if (!from_hex(entry.at("defs").get<std::string>(), &bytes) ||
                !decode_defs(bytes, count, &item.defs)) {
                *why = "item " + std::to_string(i) + ": a bad placement";
                return false;
            }
        } else if (kind != "empty") {
            *why = "item " + std::to_string(i) + ": no kind of item";
            return false;
        }
        copy->project.items.push_back(std::move(item));
    }

    const Json &locations = json.at("locations");
    if (!locations.is_array() || locations.size() != static_cast<std::size_t>(kLocationCount)) {
        *why = "not 32 locations";
        return false;
    }
    for (int n = 0; n < kLocationCount; n++) {
        gint64 panel = 0;
        gint64 colour = 0;
        if (!integer_in(locations[n].at(0), 0, kNoPanel, &panel) ||
            !integer_in(locations[n].at(1), 0, 15, &colour) ||
            (panel != kNoPanel && panel >= count)) {
            *why = "location " + std::to_string(n) + " out of range";
            return false;
        }
        copy->project.locations[n] = {static_cast<uint8_t>(panel), static_cast<uint8_t>(colour)};
    }

    const Json &preview = json.at("preview");
    if (!preview.is_array() || preview.size() != items.size()) {
        *why = "not one preview colour per item";
        return false;
    }
    for (const Json &colour : preview) {
        gint64 value = 0;
        if (!integer_in(colour, 0, 15, &value)) {
            *why = "a preview colour out of range";
            return false;
        }
        copy->preview.push_back(static_cast<uint8_t>(value));
    }
    return true;
}

std::string sessions_folder(const char *state_dir)
{
    GCharPtr folder(g_build_filename(state_dir, "zembrix", "sessions", nullptr));
    return folder.get();
}

std::string session_lock_path(const char *state_dir, const std::string &session)
{
    GCharPtr path(
        g_build_filename(sessions_folder(state_dir).c_str(), (session + ".lock").c_str(), nullptr));
    return path.get();
}

// Ids are ours: letters, digits and dashes only, so that no id names a
// file outside the folder.
bool sound_session_id(const std::string &id)
{
    return !id.empty() && id.size() <= 64 &&
           std::all_of(id.begin(), id.end(), [](char c) { return g_ascii_isalnum(c) || c == '-'; });
}

} // namespace

std::vector<uint8_t> recovery_encode(const RecoveryInfo &info,
                                     std::span<const ZbxItem *const> items,
                                     const std::array<ZbxLocationRecord, kLocationCount> &locations,
                                     std::span<const uint8_t> preview)
{
    Json item_list = Json::array();
    for (const ZbxItem *item : items) {
        switch (item->kind) {
        case ZbxItemKind::Object:
            item_list.push_back({{"kind", "object"}, {"record", to_hex(item->record)}});
            break;
        case ZbxItemKind::Panel:
            item_list.push_back({{"kind", "panel"}, {"defs", to_hex(encode_defs(item->defs))}});
            break;
        case ZbxItemKind::Empty:
            item_list.push_back({{"kind", "empty"}});
            break;
        }
    }
    Json location_list = Json::array();
    for (const ZbxLocationRecord &location : locations) {
        location_list.push_back({location.panel, location.colour});
    }
    Json colours = Json::array();
    for (std::size_t i = 0; i < items.size(); i++) {
        colours.push_back(i < preview.size() ? preview[i] : 0);
    }
    const Json json = {{"format", kFormat},
                       {"version", kVersion},
                       {"session", info.session},
                       {"project_path", info.project_path},
                       {"name", info.name},
                       {"written", info.written},
                       {"items", std::move(item_list)},
                       {"locations", std::move(location_list)},
                       {"preview", std::move(colours)}};
    // Names of files need not be UTF-8: what is not is replaced, and a
    // path that changed so matches no file (the copy is then offered as
    // a project of its own).
    const std::string text =
        json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> recovery_encode(const RecoveryCopy &copy)
{
    std::vector<const ZbxItem *> items;
    for (const ZbxItem &item : copy.project.items) {
        items.push_back(&item);
    }
    return recovery_encode(copy, items, copy.project.locations, copy.preview);
}

bool recovery_parse(std::span<const uint8_t> bytes, RecoveryCopy *copy, GError **error)
{
    RecoveryCopy read;
    std::string why;
    try {
        const Json json = Json::parse(bytes.begin(), bytes.end());
        if (!read_copy(json, &read, &why)) {
            zbx_set_error_printf(error, ZbxError::BadFormat, "Not a sound recovery copy: %s",
                                 why.c_str());
            return false;
        }
    } catch (const Json::exception &e) {
        zbx_set_error_printf(error, ZbxError::BadFormat, "Not a sound recovery copy: %s", e.what());
        return false;
    }
    *copy = std::move(read);
    return true;
}

std::string recovery_folder(const char *state_dir)
{
    GCharPtr folder(g_build_filename(state_dir, "zembrix", "recovery", nullptr));
    return folder.get();
}

std::string recovery_path(const char *state_dir, const std::string &session)
{
    GCharPtr path(
        g_build_filename(recovery_folder(state_dir).c_str(), (session + ".json").c_str(), nullptr));
    return path.get();
}

bool recovery_write(const char *state_dir, const std::string &session,
                    std::span<const uint8_t> bytes, GError **error)
{
    if (!sound_session_id(session)) {
        zbx_set_error(error, ZbxError::BadFormat, "No session to keep a recovery copy for");
        return false;
    }
    const std::string folder = recovery_folder(state_dir);
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        const int saved = errno;
        g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(saved),
                    "Could not make the folder %s: %s", fileio_display_name(folder.c_str()).c_str(),
                    g_strerror(saved));
        return false;
    }
    return fileio_write_file(recovery_path(state_dir, session).c_str(), bytes, error);
}

void recovery_remove(const char *state_dir, const std::string &session)
{
    if (sound_session_id(session)) {
        g_unlink(recovery_path(state_dir, session).c_str());
    }
}

void recovery_forget_session(const char *state_dir, const std::string &session)
{
    if (sound_session_id(session) && !recovery_session_alive(state_dir, session)) {
        g_unlink(session_lock_path(state_dir, session).c_str());
    }
}

RecoverySession::~RecoverySession()
{
    if (fd_ >= 0) {
        g_unlink(session_lock_path(state_dir_.c_str(), id_).c_str());
        close(fd_);
    }
}

bool RecoverySession::start(const char *state_dir)
{
    if (fd_ >= 0) {
        return true;
    }
    if (g_mkdir_with_parents(sessions_folder(state_dir).c_str(), 0700) != 0) {
        return false;
    }
    GCharPtr id(g_uuid_string_random());
    const int fd = open(session_lock_path(state_dir, id.get()).c_str(),
                        O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    state_dir_ = state_dir;
    id_ = id.get();
    fd_ = fd;
    return true;
}

bool recovery_session_alive(const char *state_dir, const std::string &session)
{
    if (!sound_session_id(session)) {
        return false;
    }
    const int fd =
        open(session_lock_path(state_dir, session).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    const bool alive = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return alive;
}

std::vector<RecoveryFound> recovery_find_left(const char *state_dir, const char *project_path)
{
    std::vector<RecoveryFound> found;
    const std::string folder = recovery_folder(state_dir);
    GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (dir == nullptr) {
        return found;
    }
    GCharPtr wanted(project_path != nullptr ? g_canonicalize_filename(project_path, nullptr)
                                            : nullptr);
    while (const char *entry = g_dir_read_name(dir)) {
        if (!g_str_has_suffix(entry, ".json")) {
            continue;
        }
        const std::string session(entry, strlen(entry) - strlen(".json"));
        if (!sound_session_id(session) || recovery_session_alive(state_dir, session)) {
            continue;
        }
        RecoveryFound left;
        GCharPtr path(g_build_filename(folder.c_str(), entry, nullptr));
        left.path = path.get();
        std::vector<uint8_t> bytes;
        if (!fileio_read_file(left.path.c_str(), &bytes, nullptr, kRecoveryMaxInput) ||
            !recovery_parse(bytes, &left.copy, nullptr) || left.copy.session != session) {
            continue;
        }
        const std::string &of = left.copy.project_path;
        if (wanted != nullptr) {
            GCharPtr canonical(g_canonicalize_filename(of.c_str(), nullptr));
            if (of.empty() || strcmp(canonical.get(), wanted.get()) != 0) {
                continue;
            }
        }
        // A project saved after the copy was written holds newer work.
        GStatBuf info;
        if (!of.empty() && g_stat(of.c_str(), &info) == 0 &&
            static_cast<gint64>(info.st_mtim.tv_sec) * G_USEC_PER_SEC +
                    info.st_mtim.tv_nsec / 1000 >=
                left.copy.written) {
            continue;
        }
        found.push_back(std::move(left));
    }
    g_dir_close(dir);
    std::sort(found.begin(), found.end(), [](const RecoveryFound &a, const RecoveryFound &b) {
        return a.copy.written > b.copy.written;
    });
    return found;
}
