#include "files/zembrix.h"

#include <vector>

#include <utility>

#include "base/gref.h"
#include "files/fileio.h"

namespace {

void announce(ZbxActionFunc action, const char *text)
{
    if (action != nullptr) {
        action(text);
    }
}

void report(ZbxProgressFunc progress, double fraction)
{
    if (progress != nullptr) {
        progress(fraction);
    }
}

} // namespace

int zembrix_load_data(std::span<const uint8_t> file, const char *name, ZbxProgressFunc progress,
                      ZbxActionFunc action, GError **error)
{
    ZbxProject project;
    if (!zembrix_parse_header(file, name, &project, error)) {
        return 0;
    }
    announce(action, kZbxActionObjects);
    zembrix_parse_objects(file, &project, progress);
    report(progress, 1.0);

    announce(action, kZbxActionPanels);
    if (!zembrix_parse_panels(file, name, &project, progress, error)) {
        return 0;
    }
    report(progress, 1.0);

    // Rendering the objects' images and computing the panels' boxes.
    announce(action, kZbxActionBoxes);
    document_load(std::move(project));
    report(progress, 1.0);

    announce(action, kZbxActionLocations);
    report(progress, 1.0);
    announce(action, kZbxActionDone);
    return 1;
}

int zembrix_load_file(const char *filename, ZbxProgressFunc progress, ZbxActionFunc action,
                      GError **error)
{
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return 0;
    }
    return zembrix_load_data(contents, filename, progress, action, error);
}

void zembrix_collect_project(ZbxProject *project)
{
    *project = document_project();
}

int zembrix_save_file(const char *filename, GError **error)
{
    std::vector<uint8_t> bytes;
    if (!zembrix_encode(document_project(), &bytes, error)) {
        return 0;
    }
    return fileio_write_file(filename, bytes, error) ? 1 : 0;
}
