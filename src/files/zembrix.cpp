#include "files/zembrix.h"

#include <utility>
#include <vector>

#include "files/fileio.h"

bool zembrix_read_file(const char *filename, ZbxProject *project, ZbxProgressFunc progress,
                       ZbxActionFunc action, GError **error)
{
    std::vector<uint8_t> contents;
    ZbxProject read;
    if (!fileio_read_file(filename, &contents, error) ||
        !zembrix_parse(contents, filename, &read, std::move(progress), std::move(action), error)) {
        return false;
    }
    *project = std::move(read);
    return true;
}

bool zembrix_write_file(const char *filename, const ZbxProject &project,
                        std::vector<FileioNote> *notes, GError **error)
{
    std::vector<uint8_t> bytes;
    return zembrix_encode(project, &bytes, error) &&
           fileio_write_file(filename, bytes, notes, error);
}

bool zembrix_write_file(const char *filename, const ZbxProject &project, GError **error)
{
    return zembrix_write_file(filename, project, nullptr, error);
}
