// The three-colour merge written step by step as the rule states it: the
// reference that the other merges are checked against. Every value lives in
// its own variable (index 1..3 for bit pairs 01, 10, 11).
#include "render/compose_internal.h"

#include <algorithm>

namespace compose_impl {

void merge_reference(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                     uint8_t screen, uint8_t colour, int bg)
{
    // Slot colours of the destination and the object's colours.
    int d1 = (dst_colour & 0x20) ? dst_screen >> 4 : kNone;
    int d2 = (dst_colour & 0x40) ? dst_screen & 15 : kNone;
    int d3 = (dst_colour & 0x80) ? dst_colour & 15 : kNone;
    int s1 = (colour & 0x20) ? screen >> 4 : kNone;
    int s2 = (colour & 0x40) ? screen & 15 : kNone;
    int s3 = (colour & 0x80) ? colour & 15 : kNone;
    int m1 = kNone;
    int m2 = kNone;
    int m3 = kNone;
    const uint64_t below = load_lines(dst_bitmap);
    const PixelMasks object_pixels = pixel_masks(lines);

    // The census only depends on the two bitmaps, so it is taken once.
    bool counted = false;
    int object_base1 = 0, object_base2 = 0, object_base3 = 0;
    int visible_base1 = 0, visible_base2 = 0, visible_base3 = 0;

    for (int pass = 0;; pass++) {
        bool fresh1 = false, fresh2 = false, fresh3 = false;
        int conflicts = 0;
        // An object colour goes to the background, a slot that holds it,
        // the first free slot, or nowhere.
        auto map = [&](int c) {
            if (c == kNone) {
                return kNone;
            }
            if (c == bg) {
                return 0;
            }
            if (c == d1) {
                return 1;
            }
            if (c == d2) {
                return 2;
            }
            if (c == d3) {
                return 3;
            }
            if (d1 == kNone) {
                d1 = c;
                fresh1 = true;
                return 1;
            }
            if (d2 == kNone) {
                d2 = c;
                fresh2 = true;
                return 2;
            }
            if (d3 == kNone) {
                d3 = c;
                fresh3 = true;
                return 3;
            }
            conflicts++;
            return kNone;
        };
        m3 = map(s3);
        m2 = map(s2);
        m1 = map(s1);
        // Past the pass limit (only reachable with inconsistent usage bits)
        // the colours without a slot are left out.
        if (conflicts == 0 || pass + 1 == kPassLimit) {
            break;
        }

        if (!counted) {
            const uint64_t covering =
                both_bits(object_pixels.of[1] | object_pixels.of[2] | object_pixels.of[3]);
            const PixelMasks visible = pixel_masks(below & ~covering);
            object_base1 = count_pixels<false>(object_pixels.of[1]);
            object_base2 = count_pixels<false>(object_pixels.of[2]);
            object_base3 = count_pixels<false>(object_pixels.of[3]);
            visible_base1 = count_pixels<false>(visible.of[1]);
            visible_base2 = count_pixels<false>(visible.of[2]);
            visible_base3 = count_pixels<false>(visible.of[3]);
            counted = true;
        }
        // Object pixels of a colour that has a slot count for that slot.
        int object_count1 = object_base1, object_count2 = object_base2,
            object_count3 = object_base3;
        int dest_count1 = visible_base1, dest_count2 = visible_base2, dest_count3 = visible_base3;
        auto credit = [&](int m, int &count) {
            dest_count1 += m == 1 ? count : 0;
            dest_count2 += m == 2 ? count : 0;
            dest_count3 += m == 3 ? count : 0;
            count = m != kNone ? 0 : count;
        };
        credit(m1, object_count1);
        credit(m2, object_count2);
        credit(m3, object_count3);

        // Eviction. Within one pass the candidates' counts do not change;
        // candidates only drop out. So the keys are taken once, and the
        // slots emptied on the way lose their colour once at the end.
        int key_slot3 = candidate_key(d3 != kNone && !fresh3 && dest_count3 != 0, dest_count3, 0);
        int key_slot2 = candidate_key(d2 != kNone && !fresh2 && dest_count2 != 0, dest_count2, 1);
        int key_slot1 = candidate_key(d1 != kNone && !fresh1 && dest_count1 != 0, dest_count1, 2);
        int key_pair3 = candidate_key(s3 != kNone && object_count3 != 0, object_count3, 3);
        int key_pair2 = candidate_key(s2 != kNone && object_count2 != 0, object_count2, 4);
        int key_pair1 = candidate_key(s1 != kNone && object_count1 != 0, object_count1, 5);
        int free_slots = (dest_count1 == 0 && !fresh1) + (dest_count2 == 0 && !fresh2) +
                         (dest_count3 == 0 && !fresh3);
        // A slot's colour goes, and with it the object colours mapped to it.
        auto drop_slot = [&](int slot, int &dest_count) {
            dest_count = 0;
            free_slots++;
            if (m1 == slot) {
                s1 = kNone;
                conflicts--;
            }
            if (m2 == slot) {
                s2 = kNone;
                conflicts--;
            }
            if (m3 == slot) {
                s3 = kNone;
                conflicts--;
            }
        };
        while (free_slots < conflicts) {
            int best =
                std::min(std::min(std::min(key_slot3, key_slot2), std::min(key_slot1, key_pair3)),
                         std::min(key_pair2, key_pair1));
            if (best == kNoCandidate) {
                // Only with usage bits that promise pixels the bitmap does
                // not have: give up the first colour that found no slot.
                if (s3 != kNone && m3 == kNone) {
                    best = 3;
                } else if (s2 != kNone && m2 == kNone) {
                    best = 4;
                } else if (s1 != kNone && m1 == kNone) {
                    best = 5;
                } else {
                    break;
                }
            }
            switch (best & 7) {
            case 0:
                key_slot3 = kNoCandidate;
                drop_slot(3, dest_count3);
                break;
            case 1:
                key_slot2 = kNoCandidate;
                drop_slot(2, dest_count2);
                break;
            case 2:
                key_slot1 = kNoCandidate;
                drop_slot(1, dest_count1);
                break;
            case 3:
                key_pair3 = kNoCandidate;
                s3 = kNone;
                conflicts--;
                break;
            case 4:
                key_pair2 = kNoCandidate;
                s2 = kNone;
                conflicts--;
                break;
            default:
                key_pair1 = kNoCandidate;
                s1 = kNone;
                conflicts--;
                break;
            }
        }
        d1 = dest_count1 == 0 ? kNone : d1;
        d2 = dest_count2 == 0 ? kNone : d2;
        d3 = dest_count3 == 0 ? kNone : d3;
    }

    dst_screen = static_cast<uint8_t>((d1 << 4) | (d2 & 15));
    dst_colour = static_cast<uint8_t>((d3 != kNone ? 0x80 : 0) | (d2 != kNone ? 0x40 : 0) |
                                      (d1 != kNone ? 0x20 : 0) | (d3 & 15));
    uint64_t result = below;
    auto paint = [&](uint64_t pixels, int m) {
        const uint64_t mask = m != kNone ? both_bits(pixels) : 0;
        result = (result & ~mask) | ((kLow * static_cast<uint64_t>(m & 3)) & mask);
    };
    paint(object_pixels.of[1], m1);
    paint(object_pixels.of[2], m2);
    paint(object_pixels.of[3], m3);
    store_lines(dst_bitmap, result);
}

} // namespace compose_impl

void compose_merge_cell_portable(ComposeCell &dst, const ComposeCell &obj, int background)
{
    compose_impl::merge_reference(dst.bitmap, dst.screen, dst.colour,
                                  compose_impl::load_lines(obj.bitmap), obj.screen, obj.colour,
                                  background & 255);
}
