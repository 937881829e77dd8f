#include "bytes.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sstream>

#include "base/gref.h"
#include "paths.h"

::testing::AssertionResult zbx_bytes_equal(const std::vector<uint8_t> &expected,
                                           const std::vector<uint8_t> &actual)
{
    const std::size_t common = std::min(expected.size(), actual.size());
    for (std::size_t i = 0; i < common; i++) {
        if (expected[i] != actual[i]) {
            return ::testing::AssertionFailure()
                   << "first difference at offset " << i << " ($" << std::hex << i
                   << "): expected $" << static_cast<int>(expected[i]) << ", got $"
                   << static_cast<int>(actual[i]) << std::dec;
        }
    }
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure()
               << "first difference at offset " << common << ": expected " << expected.size()
               << " bytes, got " << actual.size();
    }
    return ::testing::AssertionSuccess();
}

std::string zbx_outcome(bool ok, GError **error)
{
    EXPECT_EQ(ok, *error == nullptr);
    std::string message = *error != nullptr ? (*error)->message : "";
    g_clear_error(error);
    return message;
}

std::vector<uint8_t> zbx_read_file(const std::string &path)
{
    gchar *contents = nullptr;
    gsize length = 0;
    GError *error = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return {};
    }
    std::vector<uint8_t> bytes(contents, contents + length);
    g_free(contents);
    return bytes;
}

void zbx_write_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    GError *error = nullptr;
    if (!g_file_set_contents(path.c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                             static_cast<gssize>(bytes.size()), &error)) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
    }
}

std::vector<std::string> zbx_data_rows(const std::string &relative)
{
    const std::vector<uint8_t> bytes = zbx_read_file(zbx_source_path("tests/data/" + relative));
    std::vector<std::string> rows;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t") != std::string::npos && line[0] != '#') {
            rows.push_back(line);
        }
    }
    return rows;
}

namespace {
void remove_tree(const std::string &path)
{
    if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR) &&
        !g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK)) {
        g_chmod(path.c_str(), 0700); // a test may have taken the write permission
        GDir *dir = g_dir_open(path.c_str(), 0, nullptr);
        if (dir != nullptr) {
            while (const char *name = g_dir_read_name(dir)) {
                remove_tree(path + "/" + name);
            }
            g_dir_close(dir);
        }
        g_rmdir(path.c_str());
    } else {
        g_remove(path.c_str());
    }
}
} // namespace

ZbxTempDir::ZbxTempDir()
{
    GCharPtr made(g_dir_make_tmp("zbx-test-XXXXXX", nullptr));
    dir_ = made ? made.get() : "/tmp";
}

ZbxTempDir::~ZbxTempDir()
{
    if (dir_ != "/tmp") {
        remove_tree(dir_);
    }
}
