#include "files/picture_file.h"

#include <vector>

#include "c64/hiresdecoder.h"
#include "files/fileio.h"

bool picture_read_file(const char *filename, int format, GdkPixbuf **image, uint8_t *destination,
                       GError **error)
{
    if (image != nullptr) {
        *image = nullptr;
    }
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return false;
    }
    return hiresdecoder_decode_hires_screen_data(contents, format, image, destination, error);
}
