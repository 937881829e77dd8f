// Test support: byte buffers and their comparison.
#pragma once

#include <cstdint>
#include <glib.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Succeeds when both buffers are equal; otherwise names the first offset at
// which they differ (or where the shorter one ends).
::testing::AssertionResult zbx_bytes_equal(const std::vector<uint8_t> &expected,
                                           const std::vector<uint8_t> &actual);
// The message of *error, "" when there is none, and clears it; checks that
// the result `ok` says the same.
std::string zbx_outcome(bool ok, GError **error);
// Whole file contents (fails the test when unreadable).
std::vector<uint8_t> zbx_read_file(const std::string &path);
void zbx_write_file(const std::string &path, const std::vector<uint8_t> &bytes);
// The lines of a table below tests/data/, without blank and '#' lines.
std::vector<std::string> zbx_data_rows(const std::string &relative);
// A fresh temporary directory, removed with everything in it on destruction.
class ZbxTempDir
{
  public:
    ZbxTempDir();
    ~ZbxTempDir();
    ZbxTempDir(const ZbxTempDir &) = delete;
    ZbxTempDir &operator=(const ZbxTempDir &) = delete;
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    const std::string &dir() const { return dir_; }

  private:
    std::string dir_;
};
