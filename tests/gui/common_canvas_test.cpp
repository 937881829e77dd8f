// The arithmetic of item frames. (The backdrop missing at start-up:
// StartupTest.WithoutBackdropItStillStartsAfterOneErrorDialog.)
#include <gtest/gtest.h>

#include "app/common.h"

TEST(ItemFrame, ClippedToTheLocationAreaZoomedAndMovedBelowItsTop)
{
    const struct
    {
        int zoom;
        ZbxRect item;
        bool drawn;
        ZbxRect frame;
    } cases[] = {
        {0, {300, 10, 40, 16}, true, {300, 66, 20, 16}}, // past the right edge
        {2, {8, 8, 16, 16}, true, {32, 256, 64, 64}},    // zoom 2 is x4, top offset too
        {1, {-8, -4, 24, 12}, true, {0, 112, 32, 16}},   // hanging off the top left
        {0, {0, 143, 8, 8}, true, {0, 199, 8, 1}},       // one row above the bottom
        {0, {0, 144, 16, 16}, false, {}},                // below the area
        {1, {320, 0, 8, 8}, false, {}},                  // right of it
        {0, {10, 10, 0, 8}, false, {}},                  // empty
    };
    for (const auto &c : cases) {
        ZbxRect r = c.item;
        EXPECT_EQ(common_item_frame_on_area(c.zoom, &r), c.drawn) << c.item.x << "," << c.item.y;
        if (c.drawn) {
            EXPECT_EQ(std::vector<int>({r.x, r.y, r.width, r.height}),
                      std::vector<int>({c.frame.x, c.frame.y, c.frame.width, c.frame.height}));
        }
    }
}
