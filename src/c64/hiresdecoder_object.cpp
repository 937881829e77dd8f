// Object files for previews: read, checked and rendered like an import, but
// nothing is stored.
#include "c64/hiresdecoder.h"
#include "files/fileio.h"
#include "gref.h"
#include "items/objects.h"

gboolean hiresdecoder_decode_object_file(const char *filename, GdkPixbuf **image, GError **error)
{
    *image = nullptr;
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return FALSE;
    }
    *image = objects_render_object_record(contents, error);
    return *image != nullptr;
}
