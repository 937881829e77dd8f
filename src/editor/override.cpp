#include "editor/override.h"
#include "app/context.h"

#include <algorithm>

#include "editor/paneleditor.h"

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

bool override_selected_object_def(PanelDef *def)
{
    const int row = paneleditor_selected_row();
    const std::span<const PanelDef> defs = app_document().panel_defs(paneleditor_panel());
    if (row < 0 || row >= static_cast<int>(defs.size()) || !defs[row].is_object) {
        return false;
    }
    *def = defs[row];
    return true;
}

bool paneleditor_set_overrides(int count, const int overrides[kOverrideRows])
{
    PanelDef def;
    if (!override_selected_object_def(&def)) {
        return false;
    }
    def.override_count = std::clamp(count, 0, kOverrideRows);
    std::copy(overrides, overrides + kOverrideRows, def.overrides);
    if (def.override_count > 0) {
        def.has_overrides = true;
    }
    DocumentStep step(app_document(), "Colour overrides");
    return app_document().set_def(paneleditor_panel(), paneleditor_selected_row(), def);
}
