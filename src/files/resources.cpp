#include "files/resources.h"

#include <algorithm>

#include "base/error.h"
#include "base/gref.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"

namespace {

// Decodes a picture file read through the bounded reader.
GdkPixbuf *decode(const std::string &path, GError **error)
{
    std::vector<uint8_t> bytes;
    if (!fileio_read_file(path.c_str(), &bytes, error, kResourcesMaxBackdrop)) {
        return nullptr;
    }
    GRef<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    GErrorPtr failure;
    const bool written =
        gdk_pixbuf_loader_write(loader.get(), bytes.data(), bytes.size(), failure.out()) &&
        gdk_pixbuf_loader_close(loader.get(), failure.out());
    if (!written) {
        gdk_pixbuf_loader_close(loader.get(), nullptr);
        zbx_set_error_printf(error, ZbxError::BadFormat, "Cannot read the picture \"%s\": %s",
                             fileio_display_name(path.c_str()).c_str(), failure.message());
        return nullptr;
    }
    GdkPixbuf *image = gdk_pixbuf_loader_get_pixbuf(loader.get());
    return image != nullptr ? GDK_PIXBUF(g_object_ref(image)) : nullptr;
}

} // namespace

std::string resources_executable_folder()
{
    GCharPtr exe(g_file_read_link("/proc/self/exe", nullptr));
    if (!exe) {
        return {};
    }
    GCharPtr dir(g_path_get_dirname(exe.get()));
    return dir.get();
}

std::vector<std::string> resources_candidates(const char *name, bool current_folder)
{
    std::vector<std::string> candidates = {std::string(ZBX_DATADIR) + "/" + name};
    const std::string beside = resources_executable_folder();
    if (!beside.empty()) {
        candidates.push_back(beside + "/../share/zembrix/" + name);
        candidates.push_back(beside + "/" + name);
    }
    if (current_folder) {
        candidates.push_back(name);
    }
    return candidates;
}

std::string resources_find_folder(const char *name)
{
    for (const std::string &folder : resources_candidates(name, false)) {
        if (g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR)) {
            return folder;
        }
    }
    return {};
}

GdkPixbuf *resources_backdrop_from(GdkPixbuf *image)
{
    GdkPixbuf *backdrop = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kScreenWidth, kScreenHeight);
    if (backdrop == nullptr) {
        return nullptr;
    }
    gdk_pixbuf_fill(backdrop, 0x000000ff);
    if (image != nullptr) {
        const int w = std::min(gdk_pixbuf_get_width(image), kScreenWidth);
        const int h = std::min(gdk_pixbuf_get_height(image), kScreenHeight);
        gdk_pixbuf_copy_area(image, 0, 0, w, h, backdrop, 0, 0);
    }
    return backdrop;
}

GdkPixbuf *resources_load_backdrop(std::span<const std::string> candidates, GError **error)
{
    // The first failure of a file that exists says most; when none exists,
    // the last place is tried anyway for the reader's own message.
    GErrorPtr failure;
    for (const std::string &path : candidates) {
        const bool exists = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
        if (!exists && (failure || &path != &candidates.back())) {
            continue;
        }
        GErrorPtr local;
        GRef<GdkPixbuf> image(decode(path, local.out()));
        if (image && (gdk_pixbuf_get_width(image.get()) < kScreenWidth ||
                      gdk_pixbuf_get_height(image.get()) < kScreenHeight)) {
            zbx_set_error_printf(local.out(), ZbxError::BadFormat,
                                 "The backdrop \"%s\" is smaller than %d x %d pixels",
                                 fileio_display_name(path.c_str()).c_str(), kScreenWidth,
                                 kScreenHeight);
            image.reset();
        }
        if (image) {
            return resources_backdrop_from(image.get());
        }
        if (!failure) {
            g_propagate_error(failure.out(), local.release());
        }
    }
    if (failure) {
        g_propagate_error(error, failure.release());
    }
    return nullptr;
}
