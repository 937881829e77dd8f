// Colour overrides of an object placement: up to three bytes, each the
// colour replaced (low nibble) and its replacement (high nibble), packed at
// the front of the placement's three slots. The rows of the override window
// as plain data; the model stores them (PanelEditor::set_overrides) and
// override_window.h shows them.
#pragma once

#include <array>

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
