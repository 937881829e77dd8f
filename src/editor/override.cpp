#include "editor/override.h"

#include <algorithm>

OverrideRows override_rows_from_bytes(const int overrides[kOverrideRows])
{
    OverrideRows rows;
    for (int r = 0; r < kOverrideRows; r++) {
        rows[r].source = overrides[r] & 15;
        rows[r].replacement = (overrides[r] >> 4) & 15;
        rows[r].enabled = rows[r].source != rows[r].replacement;
    }
    return rows;
}

int override_pack(const OverrideRows &rows, int overrides[kOverrideRows])
{
    int count = 0;
    std::fill(overrides, overrides + kOverrideRows, 0);
    for (const OverrideRow &row : rows) {
        if (row.enabled && (row.source & 15) != (row.replacement & 15)) {
            overrides[count++] = ((row.replacement & 15) << 4) | (row.source & 15);
        }
    }
    return count;
}
