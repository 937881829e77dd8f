// Builds a project in the document the way the file reader does.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "items/document.h"
#include "project.h"
#include "reset.h"

// Every module at its start-up state before and after each test.
class ZbxModulesTest : public ::testing::Test
{
  protected:
    void SetUp() override { zbx_reset_all_modules(); }
    void TearDown() override { zbx_reset_all_modules(); }
};

// A record of w x h cells whose bytes all derive from seed.
std::vector<uint8_t> zbx_test_record(int w_cells, int h_cells, uint8_t seed = 0);

// Loads a project of these items (and empty locations) into the document.
void zbx_test_load(std::vector<ZbxItem> items);
// A panel's box as x, y, width, height.
std::vector<int> zbx_test_box(int panel);
// The items placed by a panel's definitions, in order.
std::vector<int> zbx_test_placed(int panel);
