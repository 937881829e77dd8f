// The object grabber's selection: whole cells, at most 15 x 15 of them,
// never past the picture's border, whatever the pointer does.
#include <gtest/gtest.h>
#include <random>

#include "grabber/objectgrabber_selection.h"

namespace {

::testing::AssertionResult same_rect(ZbxRect want, ZbxRect got)
{
    if (want.x == got.x && want.y == got.y && want.width == got.width &&
        want.height == got.height) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << got.x << ", " << got.y << ", " << got.width << ", " << got.height << ")";
}

} // namespace

TEST(GrabberSelection, StaysWithinFifteenCellsAndThePicture)
{
    GrabberSelection s;
    s.xold = 99; // an earlier drag's anchor goes with the press
    objectgrabber_press(&s, 85.7, 37.2, 1);
    EXPECT_TRUE(same_rect({40, 16, 0, 0}, s.rect));
    EXPECT_EQ(s.xold, -1);
    objectgrabber_press(&s, 0, 0, 0);
    objectgrabber_motion_handler(0, 0, &s);
    objectgrabber_motion_handler(200, 8, &s);
    EXPECT_EQ(s.rect.width, 120);
    EXPECT_FALSE(objectgrabber_motion_handler(260, 8, &s));
    // Coming back a cell from where the limit held shrinks it again.
    EXPECT_TRUE(objectgrabber_motion_handler(112, 8, &s));
    EXPECT_EQ(s.rect.width, 112);
    // The bottom-right cell, the first motion up and left of the press.
    objectgrabber_press(&s, 319, 199, 0);
    objectgrabber_motion_handler(290, 170, &s);
    objectgrabber_motion_handler(327, 207, &s);
    EXPECT_TRUE(same_rect({312, 192, 8, 8}, s.rect));

    // Any walk of the pointer, pressed anywhere, zoomed or not.
    std::mt19937 rng(15);
    for (int walk = 0; walk < 400; walk++) {
        const int zoom = static_cast<int>(rng() % 3);
        objectgrabber_press(&s, rng() % (340 << zoom), rng() % (220 << zoom), zoom);
        for (int step = 0; step < 30; step++) {
            objectgrabber_motion_handler(static_cast<int>(rng() % 360) - 20,
                                         static_cast<int>(rng() % 240) - 20, &s);
            const ZbxRect r = objectgrabber_normalise(s.rect);
            ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= 320 && r.y + r.height <= 200 &&
                        r.width <= 120 && r.height <= 120 && r.x % 8 == 0 && r.y % 8 == 0 &&
                        r.width % 8 == 0 && r.height % 8 == 0)
                << "walk " << walk << " step " << step << ": " << same_rect({}, s.rect).message();
        }
    }
}

TEST(GrabberSelection, PointerTextNamesTheCellAndPixelOnThePictureOnly)
{
    EXPECT_EQ(objectgrabber_pointer_text(0, 0, 0), "Cell 0, 0 \u00b7 pixel 0, 0");
    EXPECT_EQ(objectgrabber_pointer_text(386.9, 227.5, 2), "Cell 12, 7 \u00b7 pixel 96, 56");
    EXPECT_EQ(objectgrabber_pointer_text(1279, 799, 2), "Cell 39, 24 \u00b7 pixel 319, 199");
    // Past the picture (the area may be larger than it) and left of it.
    EXPECT_EQ(objectgrabber_pointer_text(640, 10, 1), "");
    EXPECT_EQ(objectgrabber_pointer_text(10, 200, 0), "");
    EXPECT_EQ(objectgrabber_pointer_text(-0.5, 10, 0), "");
}
