// Item slots: named steps over the document's changes.
#include "items/itemwrapper.h"

#include <string>

#include "base/error.h"
#include "items/objects.h"
#include "items/references.h"

bool itemwrapper_new_empty_panel(Document &document, GError **error)
{
    DocumentStep step(document, "New panel");
    return document.append_panel() >= 0 || step.fail(error);
}

bool itemwrapper_import_object(Document &document, std::span<const uint8_t> record, GError **error)
{
    if (!document.is_open()) {
        zbx_set_error(error, ZbxError::NotOpen, "No project is open");
        return false;
    }
    if (document.item_count() >= kMaxItems) {
        zbx_set_error(error, ZbxError::Full, "No room for additional objects");
        return false;
    }
    int w = 0;
    int h = 0;
    if (!objects_check_object_record(record, &w, &h, error)) {
        return false;
    }
    DocumentStep step(document, "Import object");
    if (document.append_object(record) < 0) {
        if (document.size_refusal().empty()) {
            zbx_set_error(error, ZbxError::Full, "No room for additional objects");
        }
        return step.fail(error);
    }
    return true;
}

bool itemwrapper_grab_object(Document &document, const HiresData &picture, int transparent,
                             ZbxRect region, GError **error)
{
    if (!document.is_open() || document.item_count() >= kMaxItems) {
        return false;
    }
    const std::vector<uint8_t> record = objects_region_to_record(
        picture.bitmap, picture.screen, picture.colour, region, transparent);
    if (record.empty()) {
        return false;
    }
    DocumentStep step(document, "Grab object");
    return document.append_object(record) >= 0 || step.fail(error);
}

bool itemwrapper_replace_object(Document &document, int index, const HiresData &picture,
                                int transparent, ZbxRect region, GError **error)
{
    if (document.item_kind(index) != ZbxItemKind::Object) {
        zbx_set_error(error, ZbxError::InvalidItem, "Invalid object");
        return false;
    }
    const std::vector<uint8_t> record = objects_region_to_record(
        picture.bitmap, picture.screen, picture.colour, region, transparent);
    if (record.empty()) {
        zbx_set_error(error, ZbxError::InvalidItem, "Invalid region");
        return false;
    }
    DocumentStep step(document, "Replace object " + std::to_string(index));
    return document.replace_object(index, record) || step.fail(error);
}

bool itemwrapper_delete_item_at_index(Document &document, int index)
{
    if (index < 0 || index >= document.item_count()) {
        return false;
    }
    const char *kind = "item";
    switch (document.item_kind(index)) {
    case ZbxItemKind::Object:
        kind = "object";
        break;
    case ZbxItemKind::Panel:
        kind = "panel";
        break;
    case ZbxItemKind::Empty:
        break;
    }
    DocumentStep step(document, std::string("Delete ") + kind + " " + std::to_string(index));
    return document.delete_item(index);
}

bool itemwrapper_delete_unused_item(Document &document, int index, GError **error)
{
    if (index < 0 || index >= document.item_count()) {
        zbx_set_error(error, ZbxError::InvalidItem, "Invalid item");
        return false;
    }
    std::string uses;
    if (references_find(document.project(), index, &uses)) {
        const bool object = document.item_kind(index) == ZbxItemKind::Object;
        zbx_set_error(error, ZbxError::InUse, object ? kZbxObjectInUse : kZbxPanelInUse);
        return false;
    }
    return itemwrapper_delete_item_at_index(document, index);
}
