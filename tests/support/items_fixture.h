// A test with a document of its own, and projects built in a line.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "items/document.h"
#include "paths.h"
#include "project.h"

// A record of w x h cells whose bytes all derive from seed.
std::vector<uint8_t> zbx_test_record(int w_cells, int h_cells, uint8_t seed = 0);
// A project of these items and empty locations.
ZbxProject zbx_test_project(std::vector<ZbxItem> items);
// A project with `free` bytes left below the file's limit: objects of
// 15 x 15 cells (0 to 12 when free is below 1,359), then a panel placing
// object 0 until the limit is near (some placements with an override to
// fill the last bytes).
ZbxProject zbx_nearly_full_project(long free);

// Every test starts with a document of its own, closed.
class DocumentTest : public ::testing::Test
{
  protected:
    // Loads a project of these items (and empty locations).
    void load(std::vector<ZbxItem> items) { doc.load(zbx_test_project(std::move(items))); }
    // Reads a project file into the document; "" or the error's message.
    std::string open(const std::string &path);
    // A panel's box as x, y, width, height.
    std::vector<int> box(int panel);
    // The items placed by a panel's definitions, in order.
    std::vector<int> placed(int panel);

    Document doc;
};
