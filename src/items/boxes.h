// Panel bounding boxes: for every panel, the box of what it draws when it is
// drawn as a root (a location's panel, or the panel being edited).
//
// A panel's box is the union of the boxes of everything it places, relative
// to its own origin: an object covers (record[0] >> 4) x (record[0] & 15)
// cells of 8 pixels at its placement; a nested panel covers what it draws
// there, shifted by its placement. Disabled placements count (they may be
// enabled at any time). As in the composition, a panel is never entered while
// it is already being drawn further up the nesting: a panel on the path
// contributes nothing, so in a loop each member draws the others as far as
// the path lets it. Placements naming an item out of range, or an item of
// the wrong kind, contribute nothing. The union starts from the far corner of
// the location area (320, 144) and the origin, so a panel that draws nothing
// has (320, 144, -320, -144); its width and height are negative, and a
// nested panel with such a box adds nothing to its parent. Coordinates are
// 64-bit while the union grows and clamped to int once a panel is done.
//
// Drawn from inside another panel, a panel skips at least what it skips as a
// root (more panels are on the path), so what it draws nested is a subset of
// what it draws as a root: the root box bounds the panel wherever it is
// drawn, and a placement whose root box lies wholly outside the area can be
// passed by without drawing anything that shows.
//
// The work: only the members of a loop draw differently along different
// paths. A panel in no loop is drawn the same way from any path (no panel
// that leads to it can lie below it), so its box is computed once, from the
// finished boxes of what it places, and the ladders of shared panels that
// real projects hold cost one visit per definition. The box of each loop
// member is found by walking its loop with the path, taking the finished
// boxes of whatever lies outside the loop; the number of such paths can grow
// exponentially with the loop, so these walks visit at most max_visits
// definitions in all, shared fairly among the loop members. A member whose
// walk reaches its share keeps the box of what the walk covered, marked
// inexact, as does every panel that places it.
#pragma once

#include <vector>

#include "c64/pixbufs.h"
#include "items/project.h"

// The work bound of one computation over all panels, in definitions visited
// by walks along loops: as much as one composition visits at most, so that
// keeping the boxes never costs more than drawing a location.
inline constexpr long kBoxesMaxVisits = 1'000'000;

struct PanelBoxes
{
    std::vector<ZbxRect> boxes; // one per item; zero for non-panels
    std::vector<bool> exact;    // false only where the work bound cut the computation short
};

// The boxes of every panel of a project, each drawn as a root.
PanelBoxes boxes_compute(const ZbxProject &project, long max_visits = kBoxesMaxVisits);
