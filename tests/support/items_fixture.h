// Builds item data in memory the way the file reader does: sized tables,
// objects with their rows, panels with their definition lists.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "models/panelmodels_deflist.h"
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
// A new transparent image of w x h cells (one reference, the caller's).
GdkPixbuf *zbx_test_image(int w_cells, int h_cells);

// Sizes both tables to count empty items.
void zbx_test_allocate(int count);
// Stores an object of w x h cells at index and appends its row.
void zbx_test_put_object(int index, int w_cells = 1, int h_cells = 1, uint8_t seed = 0);
// Stores an object of w x h cells whose every line shows pixels 0 1 2 3:
// background, screen high nibble, screen low nibble, colour 3. Its usage
// nibble marks pair 00 unused, so it covers what is below.
void zbx_test_put_opaque_object(int index, int w_cells, int h_cells, uint8_t screen = 0x12);
// Stores an empty panel at index and appends its row.
ZbxDefList *zbx_test_put_panel(int index);
// Appends a definition placing item (object or panel as the tables say).
void zbx_test_place(int panel, int item, int x = 0, int y = 0);
// The items placed by a panel's definitions, in order.
std::vector<int> zbx_test_placed(int panel);
// Column 0 of every row of a list model, in order.
std::vector<int> zbx_test_column(GtkTreeModel *model, int column = 0);
inline std::vector<int> zbx_test_column(GtkListStore *store, int column = 0)
{
    return zbx_test_column(GTK_TREE_MODEL(store), column);
}
// Column 1 (the label) of every row of the object list.
std::vector<std::string> zbx_test_object_labels();
