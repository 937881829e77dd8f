// Builds a project in the document the way the file reader does: sized,
// then objects and panels with their definitions.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "items/document.h"
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

// Sizes both tables to count empty items.
void zbx_test_allocate(int count);
// Stores an object of w x h cells at index and appends its row.
void zbx_test_put_object(int index, int w_cells = 1, int h_cells = 1, uint8_t seed = 0);
// Stores an object of w x h cells whose every line shows pixels 0 1 2 3:
// background, screen high nibble, screen low nibble, colour 3. Its usage
// nibble marks pair 00 unused, so it covers what is below.
void zbx_test_put_opaque_object(int index, int w_cells, int h_cells, uint8_t screen = 0x12);
// Stores an empty panel at index and appends its row.
void zbx_test_put_panel(int index);
// Appends a definition placing item (object or panel as the tables say).
void zbx_test_place(int panel, int item, int x = 0, int y = 0);
// The items placed by a panel's definitions, in order.
std::vector<int> zbx_test_placed(int panel);
