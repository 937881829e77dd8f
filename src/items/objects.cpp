// The object store: a table of 255 records, each an image and the raw
// record it was rendered from.
#include "items/objects.h"

#include <algorithm>
#include <array>
#include <utility>

#include "gref.h"

namespace {
struct ObjectRecord
{
    GRef<GdkPixbuf> image;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> data;
};

struct ObjectsState
{
    std::array<ObjectRecord, kMaxItems> records;
    int n_objects = 0;
    int n_valid_objects = 0;
};
ObjectsState state;

bool in_range(int index)
{
    return index >= 0 && index < state.n_objects;
}

// Empties a record, keeping the count of valid objects right.
void clear_record(ObjectRecord &record)
{
    if (record.image) {
        state.n_valid_objects--;
    }
    record = ObjectRecord();
}

// The image must be whole cells of 1 to 15 each way and the data its
// record: the header naming that size, and the length it implies.
bool fits(GdkPixbuf *image, std::span<const uint8_t> data)
{
    if (image == nullptr) {
        return false;
    }
    int width = gdk_pixbuf_get_width(image);
    int height = gdk_pixbuf_get_height(image);
    if (width % 8 != 0 || height % 8 != 0 || width < 8 || height < 8 || width > 120 ||
        height > 120) {
        return false;
    }
    const int w = width / 8;
    const int h = height / 8;
    return data.size() == objects_record_size(w, h) && data[0] == w * 16 + h;
}

void fill_record(ObjectRecord &record, GdkPixbuf *image, std::span<const uint8_t> data)
{
    clear_record(record);
    record.image.reset(image);
    record.width = gdk_pixbuf_get_width(image);
    record.height = gdk_pixbuf_get_height(image);
    record.data.assign(data.begin(), data.end());
    state.n_valid_objects++;
}
} // namespace

int objects_module_init()
{
    state = ObjectsState();
    return 1;
}

int objects_allocate_array(int count)
{
    if (count < 0 || count > kMaxItems) {
        return 0;
    }
    // Slots in use beyond the new size are released too, so that nothing is
    // left behind or counted.
    for (int i = 0; i < std::max(count, state.n_objects); i++) {
        clear_record(state.records[i]);
    }
    state.n_objects = count;
    return 1;
}

int objects_grow_array(int *index)
{
    if (state.n_objects >= kMaxItems) {
        return 0;
    }
    clear_record(state.records[state.n_objects]);
    *index = state.n_objects++;
    return 1;
}

int objects_set_array_at_index(int index, GdkPixbuf *image, std::span<const uint8_t> data)
{
    if (!in_range(index) || !fits(image, data)) {
        return 0;
    }
    fill_record(state.records[index], image, data);
    return 1;
}

int objects_append_object(GdkPixbuf *image, std::span<const uint8_t> data, int *index)
{
    if (state.n_objects >= kMaxItems || !fits(image, data)) {
        return 0;
    }
    int slot = state.n_objects;
    clear_record(state.records[slot]);
    fill_record(state.records[slot], image, data);
    state.n_objects++;
    *index = slot;
    return 1;
}

int objects_unset_array_at_index(int index)
{
    if (!in_range(index)) {
        return 0;
    }
    clear_record(state.records[index]);
    return 1;
}

int objects_delete_item_at_index(int index)
{
    if (!in_range(index)) {
        return 0;
    }
    clear_record(state.records[index]);
    std::move(state.records.begin() + index + 1, state.records.begin() + state.n_objects,
              state.records.begin() + index);
    state.n_objects--;
    // The moved-from last record is already empty; make it plainly so.
    state.records[state.n_objects] = ObjectRecord();
    return 1;
}

int objects_is_array_empty_at_index(int index)
{
    return !in_range(index) || !state.records[index].image;
}

GdkPixbuf *objects_get_from_array_at_index(int index)
{
    return in_range(index) ? state.records[index].image.get() : nullptr;
}

int objects_get_dimensions_at_index(int index, int *width, int *height)
{
    if (!in_range(index)) {
        return 0;
    }
    *width = state.records[index].width;
    *height = state.records[index].height;
    return 1;
}

int objects_get_data_at_index(int index, std::span<const uint8_t> *data)
{
    if (!in_range(index)) {
        *data = {};
        return 0;
    }
    *data = state.records[index].data;
    return 1;
}

GdkPixbuf *objects_get_at_index_as_mask(int index)
{
    GdkPixbuf *image = objects_get_from_array_at_index(index);
    if (image == nullptr) {
        return nullptr;
    }
    GdkPixbuf *mask = gdk_pixbuf_copy(image);
    if (mask == nullptr) {
        return nullptr;
    }
    int channels = gdk_pixbuf_get_n_channels(mask);
    if (!gdk_pixbuf_get_has_alpha(mask) || channels != 4) {
        return mask;
    }
    int width = gdk_pixbuf_get_width(mask);
    int height = gdk_pixbuf_get_height(mask);
    int rowstride = gdk_pixbuf_get_rowstride(mask);
    guchar *pixels = gdk_pixbuf_get_pixels(mask);
    for (int y = 0; y < height; y++) {
        guchar *row = pixels + static_cast<size_t>(y) * rowstride;
        // One multicolour pixel is two image pixels; the left one decides.
        for (int x = 0; x + 1 < width; x += 2) {
            guchar *p = row + x * 4;
            if (p[3] != 0) {
                p[0] = p[1] = p[2] = 255;
                p[4] = p[5] = p[6] = 255;
            }
        }
    }
    return mask;
}

void objects_save_object_data(GByteArray *out, int index)
{
    if (!in_range(index) || !state.records[index].image) {
        return;
    }
    const ObjectRecord &record = state.records[index];
    size_t length = objects_record_size(record.width / 8, record.height / 8);
    length = std::min(length, record.data.size());
    g_byte_array_append(out, record.data.data(), static_cast<guint>(length));
}

int objects_get_count_of_valid_objects()
{
    return state.n_valid_objects;
}

int objects_get_array_size()
{
    return state.n_objects;
}

void objects_cleanup()
{
    for (int i = 0; i < state.n_objects; i++) {
        clear_record(state.records[i]);
    }
    state.n_objects = 0;
    state.n_valid_objects = 0;
}
