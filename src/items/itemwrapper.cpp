// Item slots: named steps over the document's changes.
#include "items/itemwrapper.h"

#include "base/gref.h"

namespace {
int import_region(std::span<const uint8_t> bitmap, std::span<const uint8_t> screen,
                  std::span<const uint8_t> colour, int transparent, ZbxRect region)
{
    if (!document_is_open() || document_item_count() >= kMaxItems) {
        return 0;
    }
    const std::vector<uint8_t> record =
        objects_region_to_record(bitmap, screen, colour, region, transparent);
    if (record.empty()) {
        return 0;
    }
    DocumentStep step("Grab object");
    return document_append_object(record) >= 0 ? 1 : 0;
}
} // namespace

int itemwrapper_new_empty_panel()
{
    DocumentStep step("New panel");
    return document_append_panel() >= 0 ? 1 : 0;
}

int itemwrapper_import_object(std::span<const uint8_t> record, GError **error)
{
    if (!document_is_open()) {
        zbx_set_error(error, "No project is open");
        return 0;
    }
    int w = 0;
    int h = 0;
    if (document_item_count() >= kMaxItems) {
        zbx_set_error(error, "No room for additional objects");
        return 0;
    }
    if (!objects_check_object_record(record, &w, &h, error)) {
        return 0;
    }
    DocumentStep step("Import object");
    if (document_append_object(record) < 0) {
        zbx_set_error(error, "No room for additional objects");
        return 0;
    }
    return 1;
}

int itemwrapper_import_object_data_from_hires_region(std::span<const uint8_t> bitmap,
                                                     std::span<const uint8_t> screen,
                                                     std::span<const uint8_t> colour,
                                                     ZbxRect region)
{
    return import_region(bitmap, screen, colour, -1, region);
}

int itemwrapper_import_object_data_from_hires_region_with_transparent_color(
    std::span<const uint8_t> bitmap, std::span<const uint8_t> screen,
    std::span<const uint8_t> colour, int transparent, ZbxRect region)
{
    return import_region(bitmap, screen, colour, transparent, region);
}

int itemwrapper_delete_item_at_index(int index)
{
    if (index < 0 || index >= document_item_count()) {
        return 0;
    }
    const char *kind = "item";
    switch (document_item_kind(index)) {
    case ZbxItemKind::Object:
        kind = "object";
        break;
    case ZbxItemKind::Panel:
        kind = "panel";
        break;
    case ZbxItemKind::Empty:
        break;
    }
    GCharPtr name(g_strdup_printf("Delete %s %d", kind, index));
    DocumentStep step(name.get());
    return document_delete_item(index) ? 1 : 0;
}
