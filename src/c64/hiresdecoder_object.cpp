// Object files for previews: read, checked and rendered like an import, but
// nothing is stored.
#include "c64/hiresdecoder.h"
#include "gref.h"
#include "items/objects.h"

gboolean hiresdecoder_decode_object_file(const char *filename, GdkPixbuf **image, GError **error)
{
    *image = nullptr;
    gchar *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(filename, &contents, &length, error)) {
        return FALSE;
    }
    GCharPtr owned(contents);
    *image =
        objects_render_object_record({reinterpret_cast<const uint8_t *>(contents), length}, error);
    return *image != nullptr;
}
