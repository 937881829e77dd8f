// Colour overrides of an object placement: up to three bytes, each the
// colour replaced (low nibble) and its replacement (high nibble), packed at
// the front of the placement's three slots. The rows of the override window
// as plain data, and storing them into the editor's selected placement.
// No toolkit here: override_window.cpp shows the rows.
#pragma once

#include <array>

#include "items/document.h"

inline constexpr int kOverrideRows = 3;

// One row of the window: "source override with replacement", enabled or not.
struct OverrideRow
{
    int source = 0;
    int replacement = 0;
    bool enabled = false;

    bool operator==(const OverrideRow &) const = default;
};
using OverrideRows = std::array<OverrideRow, kOverrideRows>;

// The rows showing three stored bytes (all three, whatever the count), each
// enabled exactly when its two colours differ.
OverrideRows override_rows_from_bytes(const int overrides[kOverrideRows]);
// Enabled rows whose colours differ, packed to the front in row order; the
// bytes past the count are 0. Returns the count.
int override_pack(const OverrideRows &rows, int overrides[kOverrideRows]);
// The selected placement when it is an object's (the only ones that carry
// overrides); false otherwise.
bool override_selected_object_def(PanelDef *def);
// Stores count and bytes into the selected object placement as one undo
// step (none when nothing changes); a count above 0 also switches its
// overrides on, a count of 0 leaves that flag alone. False when no object
// placement is selected.
bool paneleditor_set_overrides(int count, const int overrides[kOverrideRows]);
