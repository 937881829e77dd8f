// Eight cells side by side, on processors with AVX-512.
//
// The cells of one object never overlap, so they merge independently: on
// processors with 512-bit vectors the merge takes up to eight of them at
// once (several rows of a narrow object together), and decides nothing
// per cell by a branch. The bitmaps go one per 64-bit lane; all else goes
// one cell per 32-bit lane, so that two such groups of an object share
// those steps, which are most of the work.
// The background and the three slots of a cell travel as the four bytes of
// one word (byte 0 the background, byte j slot j; a slot without colour
// holds 0x80, a background above 15 0x90), so that an object colour finds
// the first byte equal to it, or the first free slot, with a few vector
// operations; a mapping is kept as bit 7 of the byte it chose (0 for a
// colour without place). The eviction ranks its candidates by comparing
// every pair of keys instead of taking them one at a time. Two passes
// cover all cells of consistent data but a rare few: a cell that needs a
// third pass, or more colours given up than there are candidates, or whose
// mapped colour lost its slot without an eviction (the last two only with
// usage bits that promise pixels the bitmap does not have), is merged
// again alone by the scalar merge.
//
// This file alone is compiled for AVX-512 (see CMakeLists.txt), so every
// function it emits may hold AVX-512 instructions, and runs only after
// compose_dispatch.cpp has found them on the processor. Any inline function
// or template of another header that it instantiated would be emitted here
// as a weak copy, which the linker may keep for the whole program: code for
// AVX-512 would then run on every processor. So everything here lies in an
// anonymous namespace but the two entry points, it uses the shared headers
// for types and constants alone (plain pointers instead of std::array, no
// <algorithm>), and it makes no static initialiser of its own. The test
// compose_avx512_symbols checks the object file.
#include "render/compose_internal.h"

#include <cstddef>
#include <cstring>

#if ZBX_MERGE_VARIANTS
#if !defined(__AVX512F__) || !defined(__AVX512VL__) || !defined(__AVX512BW__) ||                   \
    !defined(__AVX512DQ__) || !defined(__AVX512VPOPCNTDQ__) || !defined(__POPCNT__)
#error "compose_avx512.cpp is compiled with its own flags (CMakeLists.txt)"
#endif
// GCC takes the intrinsics' deliberately undefined start values for
// uninitialised reads.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#define ZBX_WIDE_INLINE __attribute__((always_inline)) inline

namespace compose_impl {
namespace {

// Bitmaps travel one cell per 64-bit lane.
using V = __m512i;
using M = __mmask8;

ZBX_WIDE_INLINE V all(uint64_t v)
{
    return _mm512_set1_epi64(static_cast<long long>(v));
}
ZBX_WIDE_INLINE V shr(V a, unsigned n)
{
    return _mm512_srli_epi64(a, n);
}
ZBX_WIDE_INLINE V shl(V a, unsigned n)
{
    return _mm512_slli_epi64(a, n);
}
// a & ~b
ZBX_WIDE_INLINE V but(V a, V b)
{
    return _mm512_andnot_si512(b, a);
}
// where m: b, else a
ZBX_WIDE_INLINE V blend(M m, V a, V b)
{
    return _mm512_mask_blend_epi64(m, a, b);
}
ZBX_WIDE_INLINE V only(M m, V a)
{
    return _mm512_maskz_mov_epi64(m, a);
}
ZBX_WIDE_INLINE V count(V a)
{
    return _mm512_popcnt_epi64(a);
}

// Colours travel one cell per 32-bit lane: the eight cells of a group in a
// 256-bit vector, or those of two groups of one object in a 512-bit one,
// so that two groups share every step of the merge that does not touch
// the bitmaps. K has a bit per cell.
template <int N> struct Lanes;
template <> struct Lanes<1>
{
    using C = __m256i;
    using K = __mmask8;
};
template <> struct Lanes<2>
{
    using C = __m512i;
    using K = __mmask16;
};

template <int N> typename Lanes<N>::C splat(uint32_t v);
template <> ZBX_WIDE_INLINE __m256i splat<1>(uint32_t v)
{
    return _mm256_set1_epi32(static_cast<int>(v));
}
template <> ZBX_WIDE_INLINE __m512i splat<2>(uint32_t v)
{
    return _mm512_set1_epi32(static_cast<int>(v));
}

// The operations on colour lanes, for both widths (p: the intrinsics' prefix),
// one to a line.
// clang-format off
#define ZBX_COLOUR_OPS(N, C, K, p, andnot) \
    ZBX_WIDE_INLINE C c_shr(C a, unsigned n) { return p##_srli_epi32(a, n); } \
    ZBX_WIDE_INLINE C c_shl(C a, unsigned n) { return p##_slli_epi32(a, n); } \
    ZBX_WIDE_INLINE C c_but(C a, C b) { return andnot(b, a); } \
    ZBX_WIDE_INLINE C c_add(C a, C b) { return p##_add_epi32(a, b); } \
    ZBX_WIDE_INLINE C c_sub(C a, C b) { return p##_sub_epi32(a, b); } \
    ZBX_WIDE_INLINE C c_add_where(K m, C a, C b) { return p##_mask_add_epi32(a, m, a, b); } \
    ZBX_WIDE_INLINE C c_sub_where(K m, C a, C b) { return p##_mask_sub_epi32(a, m, a, b); } \
    ZBX_WIDE_INLINE K c_test(C a, C b) { return p##_test_epi32_mask(a, b); } \
    ZBX_WIDE_INLINE K c_any(C a, uint32_t bits) { return p##_test_epi32_mask(a, splat<N>(bits)); } \
    ZBX_WIDE_INLINE K c_none(C a, uint32_t bits) { \
        return p##_testn_epi32_mask(a, splat<N>(bits)); } \
    ZBX_WIDE_INLINE K c_set(C a) { return p##_test_epi32_mask(a, a); } \
    ZBX_WIDE_INLINE K c_zero(C a) { return p##_testn_epi32_mask(a, a); } \
    ZBX_WIDE_INLINE K c_eq(C a, C b) { return p##_cmpeq_epi32_mask(a, b); } \
    ZBX_WIDE_INLINE K c_below(C a, C b) { return p##_cmplt_epu32_mask(a, b); } \
    ZBX_WIDE_INLINE K c_less(C a, C b) { return p##_cmplt_epi32_mask(a, b); } \
    ZBX_WIDE_INLINE C c_only(K m, C a) { return p##_maskz_mov_epi32(m, a); } \
    ZBX_WIDE_INLINE C c_blend(K m, C a, C b) { return p##_mask_blend_epi32(m, a, b); } \
    /* The bytes of `word` where `where` has a bit set take `value`'s. */ \
    ZBX_WIDE_INLINE C c_put_bytes(C word, C where, C value) { \
        return p##_mask_mov_epi8(word, p##_test_epi8_mask(where, where), value); } \
    /* Bit 7 of every byte of `a` that is zero. */ \
    ZBX_WIDE_INLINE C c_zero_bytes(C a) { \
        return p##_movm_epi8(p##_testn_epi8_mask(a, a)) & splat<N>(0x80808080U); }
ZBX_COLOUR_OPS(1, __m256i, __mmask8, _mm256, _mm256_andnot_si256)
ZBX_COLOUR_OPS(2, __m512i, __mmask16, _mm512, _mm512_andnot_si512)
// clang-format on
#undef ZBX_COLOUR_OPS

// Group g's cells of a mask over N groups.
template <int N> ZBX_WIDE_INLINE M part(typename Lanes<N>::K k, int g)
{
    return static_cast<M>(k >> (8 * g));
}

// Eight cells' colour bytes (the low eight bytes) per group as lanes, and
// back.
ZBX_WIDE_INLINE __m256i colour_lanes(const __m128i (&bytes)[1])
{
    return _mm256_cvtepu8_epi32(bytes[0]);
}
ZBX_WIDE_INLINE __m512i colour_lanes(const __m128i (&bytes)[2])
{
    return _mm512_cvtepu8_epi32(_mm_unpacklo_epi64(bytes[0], bytes[1]));
}
ZBX_WIDE_INLINE void colour_bytes(__m256i lanes, __m128i (&bytes)[1])
{
    bytes[0] = _mm256_cvtepi32_epi8(lanes);
}
ZBX_WIDE_INLINE void colour_bytes(__m512i lanes, __m128i (&bytes)[2])
{
    bytes[0] = _mm512_cvtepi32_epi8(lanes);
    bytes[1] = _mm_srli_si128(bytes[0], 8);
}

// Pixel counts (at most 32) per group as colour lanes.
ZBX_WIDE_INLINE __m256i count_lanes(const V (&counts)[1])
{
    return _mm512_cvtepi64_epi32(counts[0]);
}
ZBX_WIDE_INLINE __m512i count_lanes(const V (&counts)[2])
{
    const __m512i even =
        _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
    return _mm512_permutex2var_epi32(counts[0], even, counts[1]);
}

constexpr uint32_t kSlotBits = 0x80808000U; // bit 7 of bytes 1..3
constexpr uint32_t kByteNibbles = 0x0F0F0F0FU;
constexpr uint32_t kUnused = 0xC0; // an object colour not used: equals no byte
constexpr uint32_t kSlotBit[4] = {0x80, 0x8000, 0x800000, 0x80000000U};

// Colour s in all four bytes.
template <int N, class C = typename Lanes<N>::C> ZBX_WIDE_INLINE C repeat(C s)
{
    const C twice = s | c_shl(s, 8);
    return twice | c_shl(twice, 16);
}

// The first byte of the word equal to `repeated`'s, as that byte's bit 7
// (0 for none).
template <int N, class C = typename Lanes<N>::C> ZBX_WIDE_INLINE C first_equal(C word, C repeated)
{
    const C equal = c_zero_bytes(word ^ repeated);
    return equal & c_sub(splat<N>(0), equal);
}

template <int N> struct Mapped
{
    typename Lanes<N>::C t1, t2, t3;
};

// Gives the object colours that found no byte of the word (`need`) their
// slots, 3 first: the slot a colour before it took, else the first free
// slot, which it takes. `f` are the mappings found so far.
template <int N, class C = typename Lanes<N>::C, class K = typename Lanes<N>::K>
ZBX_WIDE_INLINE Mapped<N> take_slots(C &word, C &free, const C (&s)[4], K need1, K need2, K need3,
                                     const Mapped<N> &f)
{
    const C zero = splat<N>(0);
    // The free slots in order: a, b, c.
    const C a = free & c_sub(zero, free);
    const C rest = free ^ a;
    const C b = rest & c_sub(zero, rest);
    const C c = rest ^ b;
    const K same32 = need2 & need3 & c_eq(s[2], s[3]);
    const K new2 = need2 & static_cast<K>(~same32);
    const K same31 = need1 & need3 & c_eq(s[1], s[3]);
    const K same21 = need1 & new2 & c_eq(s[1], s[2]) & static_cast<K>(~same31);
    const K new1 = need1 & static_cast<K>(~(same31 | same21));
    const C take3 = c_only(need3, a);
    const C take2 = c_only(new2, c_blend(need3, a, b));
    const C take1 = c_only(new1, c_blend(need3 & new2, c_blend(need3 | new2, a, b), c));
    free = free ^ (take3 | take2 | take1);
    word = c_put_bytes(word, take3, repeat<N>(s[3]));
    word = c_put_bytes(word, take2, repeat<N>(s[2]));
    word = c_put_bytes(word, take1, repeat<N>(s[1]));
    return {f.t1 | c_only(same31, take3) | c_only(same21, take2) | take1,
            f.t2 | c_only(same32, take3) | take2, f.t3 | take3};
}

// Maps the object colours: each goes to the background or the first slot
// that holds it, else as take_slots gives. The three are compared with the
// word at once; only the taking of free slots goes in order.
template <int N, class C = typename Lanes<N>::C, class K = typename Lanes<N>::K>
ZBX_WIDE_INLINE Mapped<N> map_colours(C &word, C &free, const C (&s)[4], K used1, K used2, K used3)
{
    const Mapped<N> f{first_equal<N>(word, repeat<N>(s[1])), first_equal<N>(word, repeat<N>(s[2])),
                      first_equal<N>(word, repeat<N>(s[3]))};
    return take_slots<N>(word, free, s, c_zero(f.t1) & used1, c_zero(f.t2) & used2,
                         c_zero(f.t3) & used3, f);
}

// Where a mapping paints the low and the high bit of a pair: slots 1 and 3
// set the low bit, slots 2 and 3 the high bit.
template <int N> struct Paint
{
    typename Lanes<N>::K low, high;
};
template <int N> ZBX_WIDE_INLINE Paint<N> paint_of(typename Lanes<N>::C mapping)
{
    return {c_any(mapping, 0x80008000U), c_any(mapping, 0x80800000U)};
}

// The pixels of `p` (lower bits of pairs) of group g painted as `with`.
template <int N> ZBX_WIDE_INLINE V paint(V onto, const Paint<N> &with, int g, V p)
{
    onto = _mm512_mask_or_epi64(onto, part<N>(with.low, g), onto, p);
    return _mm512_mask_or_epi64(onto, part<N>(with.high, g), onto, shl(p, 1));
}

// The cells of N groups: bitmaps per group, colours in lanes.
template <int N> struct Many
{
    V bitmap[N];
    typename Lanes<N>::C screen, colour;
};

// Merges object cells (bitmaps mirrored, colours overridden) into
// destination cells. Lanes the scalar merge must take over come back in
// `redo`.
template <int N>
ZBX_WIDE_INLINE Many<N> merge(const Many<N> &dst, const Many<N> &obj, uint32_t bg,
                              typename Lanes<N>::K &redo)
{
    using C = typename Lanes<N>::C;
    using K = typename Lanes<N>::K;
    const C zero = splat<N>(0);
    const C one = splat<N>(1);
    const C free_bytes = c_only(c_none(dst.colour, 0x20), splat<N>(0xFF00)) |
                         c_only(c_none(dst.colour, 0x40), splat<N>(0xFF0000)) |
                         c_only(c_none(dst.colour, 0x80), splat<N>(0xFF000000U));
    const C colours = c_shl(c_shr(dst.screen, 4), 8) | c_shl(dst.screen & splat<N>(15), 16) |
                      c_shl(dst.colour & splat<N>(15), 24);
    C word = c_but(colours, free_bytes) | (free_bytes & splat<N>(kSlotBits)) |
             splat<N>(bg < 16 ? bg : 0x90);
    C free = free_bytes & splat<N>(kSlotBits);
    const K used1 = c_any(obj.colour, 0x20);
    const K used2 = c_any(obj.colour, 0x40);
    const K used3 = c_any(obj.colour, 0x80);
    // The object's colours, index 1..3.
    const C s[4] = {zero, c_blend(used1, splat<N>(kUnused), c_shr(obj.screen, 4)),
                    c_blend(used2, splat<N>(kUnused), obj.screen & splat<N>(15)),
                    c_blend(used3, splat<N>(kUnused), obj.colour & splat<N>(15))};

    V p1[N], p2[N], p3[N], covering[N];
    for (int g = 0; g < N; g++) {
        const V lo = obj.bitmap[g] & all(kLow);
        const V hi = shr(obj.bitmap[g], 1) & all(kLow);
        p1[g] = but(lo, hi);
        p2[g] = but(hi, lo);
        p3[g] = lo & hi;
        covering[g] = (lo | hi) | shl(lo | hi, 1);
    }

    const C free_before = free;
    Mapped<N> t = map_colours<N>(word, free, s, used1, used2, used3);
    const K c1 = used1 & c_zero(t.t1);
    const K c2 = used2 & c_zero(t.t2);
    const K c3 = used3 & c_zero(t.t3);
    const K conflicting = c1 | c2 | c3;
    if (conflicting != 0) {
        const C fresh = free_before ^ free;
        // The census: what each slot shows with this mapping, the pixels of
        // the colours without place taken out.
        const Paint<N> paint1 = paint_of<N>(t.t1);
        const Paint<N> paint2 = paint_of<N>(t.t2);
        const Paint<N> paint3 = paint_of<N>(t.t3);
        V shown[3][N];
        V pairs[3][N];
        for (int g = 0; g < N; g++) {
            V painted = but(dst.bitmap[g], covering[g]);
            painted = paint<N>(painted, paint1, g, p1[g]);
            painted = paint<N>(painted, paint2, g, p2[g]);
            painted = paint<N>(painted, paint3, g, p3[g]);
            const V plo = painted & all(kLow);
            const V phi = shr(painted, 1) & all(kLow);
            shown[0][g] = count(plo & phi);
            shown[1][g] = count(but(phi, plo));
            shown[2][g] = count(but(plo, phi));
            pairs[0][g] = count(p3[g]);
            pairs[1][g] = count(p2[g]);
            pairs[2][g] = count(p1[g]);
        }
        // Candidates in order: slots 3, 2, 1, then object pairs 3, 2, 1;
        // key = pixels * 8 + place in that order. Evicting a slot frees it
        // and gives up the object colours mapped to it; evicting a pair
        // gives up its colour. Each counts for the gap it closes.
        const C n[3] = {count_lanes(shown[0]), count_lanes(shown[1]), count_lanes(shown[2])};
        const C pair_pixels[3] = {count_lanes(pairs[0]), count_lanes(pairs[1]),
                                  count_lanes(pairs[2])};
        const K pair_conflicting[3] = {c3, c2, c1};
        C key[6];
        C closes[6];
        C gap = zero;
        // Byte j: how many object colours slot j holds.
        const C held = c_add(c_add(c_shr(t.t1, 7), c_shr(t.t2, 7)), c_shr(t.t3, 7));
        for (int i = 0; i < 3; i++) {
            const K fresh_slot = c_any(fresh, kSlotBit[3 - i]);
            key[i] = c_shl(n[i], 3) | splat<N>(static_cast<uint32_t>(i));
            closes[i] =
                c_only(c_set(n[i]) & static_cast<K>(~fresh_slot),
                       c_add(c_shr(held, static_cast<unsigned>(8 * (3 - i))) & splat<N>(3), one));
            gap = c_sub_where(c_zero(n[i]) & static_cast<K>(~fresh_slot), gap, one);
            key[3 + i] = c_shl(pair_pixels[i], 3) | splat<N>(static_cast<uint32_t>(3 + i));
            closes[3 + i] = c_only(pair_conflicting[i] & c_set(pair_pixels[i]), one);
            gap = c_add_where(pair_conflicting[i], gap, one);
        }
        // A candidate goes when those before it leave a gap.
        C before[6] = {zero, zero, zero, zero, zero, zero};
        C total = zero;
        for (int i = 0; i < 6; i++) {
            total = c_add(total, closes[i]);
            for (int j = i + 1; j < 6; j++) {
                const K j_first = c_below(key[j], key[i]);
                before[i] = c_add_where(j_first, before[i], closes[j]);
                before[j] = c_add_where(static_cast<K>(~j_first), before[j], closes[i]);
            }
        }
        redo |= c_less(total, gap);
        K evicted[6];
        for (int i = 0; i < 6; i++) {
            evicted[i] = c_set(closes[i]) & c_less(before[i], gap);
        }
        const C evicted_slots = c_only(evicted[0], splat<N>(kSlotBit[3])) |
                                c_only(evicted[1], splat<N>(kSlotBit[2])) |
                                c_only(evicted[2], splat<N>(kSlotBit[1]));
        const K drop1 = evicted[5] | c_test(t.t1, evicted_slots);
        const K drop2 = evicted[4] | c_test(t.t2, evicted_slots);
        const K drop3 = evicted[3] | c_test(t.t3, evicted_slots);
        // Slots evicted or showing nothing lose their colour.
        const C emptied =
            c_only(conflicting, evicted_slots | c_only(c_zero(n[0]), splat<N>(kSlotBit[3])) |
                                    c_only(c_zero(n[1]), splat<N>(kSlotBit[2])) |
                                    c_only(c_zero(n[2]), splat<N>(kSlotBit[1])));
        word = c_put_bytes(word, emptied, splat<N>(kSlotBits));
        free = free | emptied;

        // Second pass. The colours that kept their place keep it; those
        // without place that were not given up take the slots now free. A
        // colour whose slot emptied without being evicted (only with usage
        // bits that promise pixels the bitmap does not have) is for the
        // scalar merge.
        const Mapped<N> kept{c_only(static_cast<K>(~drop1), t.t1),
                             c_only(static_cast<K>(~drop2), t.t2),
                             c_only(static_cast<K>(~drop3), t.t3)};
        redo |= c_test(kept.t1, emptied) | c_test(kept.t2, emptied) | c_test(kept.t3, emptied);
        t = take_slots<N>(word, free, s, c1 & static_cast<K>(~drop1), c2 & static_cast<K>(~drop2),
                          c3 & static_cast<K>(~drop3), kept);
        redo |= (c1 & static_cast<K>(~drop1) & c_zero(t.t1)) |
                (c2 & static_cast<K>(~drop2) & c_zero(t.t2)) |
                (c3 & static_cast<K>(~drop3) & c_zero(t.t3));
    }

    // Colour nibbles, 15 for a slot without colour.
    const C none = c_but(word, c_shl(word, 3)) & splat<N>(kSlotBits);
    const C nibbles = c_put_bytes(word, none, splat<N>(kByteNibbles)) & splat<N>(kByteNibbles);
    const C shown = c_but(splat<N>(kSlotBits), none);
    Many<N> out;
    out.screen = (c_shr(nibbles, 4) & splat<N>(0xF0)) | (c_shr(nibbles, 16) & splat<N>(15));
    out.colour = (c_shr(shown, 10) & splat<N>(0x20)) | (c_shr(shown, 17) & splat<N>(0x40)) |
                 (c_shr(shown, 24) & splat<N>(0x80)) | c_shr(nibbles, 24);
    const K mapped1 = c_set(t.t1);
    const K mapped2 = c_set(t.t2);
    const K mapped3 = c_set(t.t3);
    const Paint<N> paint1 = paint_of<N>(t.t1);
    const Paint<N> paint2 = paint_of<N>(t.t2);
    const Paint<N> paint3 = paint_of<N>(t.t3);
    for (int g = 0; g < N; g++) {
        const V mapped_pixels = only(part<N>(mapped1, g), p1[g]) |
                                only(part<N>(mapped2, g), p2[g]) | only(part<N>(mapped3, g), p3[g]);
        V bitmap = but(dst.bitmap[g], mapped_pixels | shl(mapped_pixels, 1));
        bitmap = paint<N>(bitmap, paint1, g, p1[g]);
        bitmap = paint<N>(bitmap, paint2, g, p2[g]);
        out.bitmap[g] = paint<N>(bitmap, paint3, g, p3[g]);
    }
    return out;
}

// Object cells over destination cells: copied where the destination is
// empty or the object cell has no pixel of pair 00, kept where the object
// cell is empty, merged otherwise.
template <int N>
ZBX_WIDE_INLINE Many<N> place(const Many<N> &dst, const Many<N> &obj, uint32_t bg,
                              typename Lanes<N>::K &redo)
{
    using K = typename Lanes<N>::K;
    const K object_used = c_any(obj.colour, 0xE0);
    const K copy = c_none(dst.colour, 0xE0) | (object_used & c_none(obj.colour, 0x10));
    const K merging = static_cast<K>(~copy) & object_used;
    Many<N> out;
    if (merging == 0) {
        redo = 0;
        for (int g = 0; g < N; g++) {
            out.bitmap[g] = blend(part<N>(copy, g), dst.bitmap[g], obj.bitmap[g]);
        }
        out.screen = c_blend(copy, dst.screen, obj.screen);
        out.colour = c_blend(copy, dst.colour, obj.colour);
        return out;
    }
    K merge_redo = 0;
    const Many<N> merged = merge<N>(dst, obj, bg, merge_redo);
    redo = merge_redo & merging;
    for (int g = 0; g < N; g++) {
        out.bitmap[g] =
            blend(part<N>(copy, g), blend(part<N>(merging, g), dst.bitmap[g], merged.bitmap[g]),
                  obj.bitmap[g]);
    }
    out.screen = c_blend(copy, c_blend(merging, dst.screen, merged.screen), obj.screen);
    out.colour = c_blend(copy, c_blend(merging, dst.colour, merged.colour), obj.colour);
    return out;
}

// A group's cells as read: bitmaps per lane, screen and colour bytes in
// the low eight bytes.
struct GroupCells
{
    V bitmap;
    __m128i screen, colour;
};

// A group of cells merged at once: `rows` object rows from `first_row` of
// the span, `n` cells of each from column `offset` of the span on; row q
// goes to lanes q * n to q * n + n - 1. Narrow objects put several rows in
// one group.
struct Group
{
    int first_row, rows, offset, n;
    M lanes(int q) const { return static_cast<M>(((1U << n) - 1) << (q * n)); }
};

// Lane q * n + l takes lane q * n + n - 1 - l: each row's cells reversed.
// Byte numbers for the colours, widened to lane numbers for the bitmaps.
struct RowReversals
{
    uint8_t of[9][8];
};
constexpr RowReversals make_row_reversals()
{
    RowReversals t{};
    for (int n = 1; n <= 8; n++) {
        for (int lane = 0; lane < 8; lane++) {
            const int q = lane / n;
            t.of[n][lane] =
                static_cast<uint8_t>((q + 1) * n <= 8 ? q * n + n - 1 - lane % n : lane);
        }
    }
    return t;
}
constexpr RowReversals row_reversals = make_row_reversals();

// Reads a group's rows, row q from cell `first(q)` of each array, into
// its lanes; a masked load reads no cell outside them.
template <class First>
ZBX_WIDE_INLINE GroupCells load_group(const Group &g, const uint8_t *bitmap, const uint8_t *screen,
                                      const uint8_t *colour, First &&first)
{
    GroupCells cells{_mm512_setzero_si512(), _mm_setzero_si128(), _mm_setzero_si128()};
    for (int q = 0; q < g.rows; q++) {
        // Shifted back by the row's first lane, so that lane q * n + l
        // reads cell first(q) + l.
        const ptrdiff_t cell = static_cast<ptrdiff_t>(first(q)) - q * g.n;
        cells.bitmap = _mm512_mask_loadu_epi64(cells.bitmap, g.lanes(q), bitmap + 8 * cell);
        cells.screen = _mm_mask_loadu_epi8(cells.screen, g.lanes(q), screen + cell);
        cells.colour = _mm_mask_loadu_epi8(cells.colour, g.lanes(q), colour + cell);
    }
    return cells;
}

// The object cells of a group as placed: colours overridden, and when
// mirrored each row read leftwards and its lines mirrored.
ZBX_WIDE_INLINE GroupCells object_cells(GroupCells cells, bool mirror, int n, const uint8_t *map)
{
    if (map != nullptr) {
        const __m128i table = _mm_loadu_si128(reinterpret_cast<const __m128i *>(map));
        const __m128i low = _mm_set1_epi8(15);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(cells.screen, 4), low);
        cells.screen = _mm_or_si128(_mm_slli_epi16(_mm_shuffle_epi8(table, high), 4),
                                    _mm_shuffle_epi8(table, _mm_and_si128(cells.screen, low)));
        cells.colour = _mm_or_si128(_mm_andnot_si128(low, cells.colour),
                                    _mm_shuffle_epi8(table, _mm_and_si128(cells.colour, low)));
    }
    if (mirror) {
        // Only the low eight bytes of the colours count.
        const __m128i reverse_bytes =
            _mm_loadl_epi64(reinterpret_cast<const __m128i *>(row_reversals.of[n]));
        const V reverse = _mm512_cvtepu8_epi64(reverse_bytes);
        const V pairs = all(kPairs);
        const V nibbles = all(kNibbles);
        V x = _mm512_permutexvar_epi64(reverse, cells.bitmap);
        x = shl(x & pairs, 2) | (shr(x, 2) & pairs);
        cells.bitmap = shl(x & nibbles, 4) | (shr(x, 4) & nibbles);
        cells.screen = _mm_shuffle_epi8(cells.screen, reverse_bytes);
        cells.colour = _mm_shuffle_epi8(cells.colour, reverse_bytes);
    }
    return cells;
}

// Where a group's row q lands in the buffers and starts in the record.
struct GroupPlace
{
    const ObjectSpan &span;
    int row, w, h;
    bool mirror;

    // The destination cell of row q's first lane.
    int dst(const Group &g, int q) const
    {
        return (row + g.first_row + q) * kComposeColumns + span.first_col + g.offset;
    }
    // The object cell row q reads first (the row's last cell placed when
    // mirrored).
    int src(const Group &g, int q) const
    {
        const int first = (g.first_row + q) * w + span.first_obj_col + span.step * g.offset;
        return mirror ? first - g.n + 1 : first;
    }
};

// The cells of a group the scalar merge takes over, merged from their
// destination as it was.
__attribute__((noinline)) void redo_group(CellArrays cells, const Group &g, const GroupPlace &at,
                                          const GroupCells &under, const GroupCells &over, M redo,
                                          int bg)
{
    alignas(64) uint64_t lines[2][8];
    alignas(16) uint8_t bytes[4][16];
    _mm512_store_si512(lines[0], under.bitmap);
    _mm512_store_si512(lines[1], over.bitmap);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[0]), under.screen);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[1]), under.colour);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[2]), over.screen);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[3]), over.colour);
    for (int lane = 0; lane < g.rows * g.n; lane++) {
        if ((redo >> lane & 1U) != 0) {
            const size_t d = static_cast<size_t>(at.dst(g, lane / g.n) + lane % g.n);
            std::memcpy(cells.bitmap + 8 * d, &lines[0][lane], 8);
            cells.screen[d] = bytes[0][lane];
            cells.colour[d] = bytes[1][lane];
            merge_fast_popcount(cells.bitmap + 8 * d, cells.screen[d], cells.colour[d],
                                lines[1][lane], bytes[2][lane], bytes[3][lane], bg);
        }
    }
}

// Eight cells with their colours one per 64-bit lane, as the full colour
// planes take them.
struct Cells
{
    V bitmap, screen, colour;
};
ZBX_WIDE_INLINE Cells wide_cells(const GroupCells &cells)
{
    return {cells.bitmap, _mm512_cvtepu8_epi64(cells.screen), _mm512_cvtepu8_epi64(cells.colour)};
}
// Eight cells painted in full colour over the planes: every pixel that is
// not 00 in its own colour.
ZBX_WIDE_INLINE void paint_planes_wide(const Cells &cells, V (&plane)[2])
{
    // Colour c's bits 0-1 (plane 0) and 2-3 (plane 1) in every bit pair,
    // looked up by c in tables of eight and sixteen words.
    const auto k = [](uint64_t times) { return static_cast<long long>(kLow * times); };
    const V bits01 = _mm512_set_epi64(k(3), k(2), k(1), 0, k(3), k(2), k(1), 0);
    const V bits23_low = _mm512_set_epi64(k(1), k(1), k(1), k(1), 0, 0, 0, 0);
    const V bits23_high = _mm512_set_epi64(k(3), k(3), k(3), k(3), k(2), k(2), k(2), k(2));
    const V colour[3] = {shr(cells.screen, 4), cells.screen & all(15), cells.colour & all(15)};
    const V lo = cells.bitmap & all(kLow);
    const V hi = shr(cells.bitmap, 1) & all(kLow);
    const V pixels[3] = {but(lo, hi), but(hi, lo), lo & hi}; // pairs 01, 10, 11
    const V covering = (lo | hi) | shl(lo | hi, 1);
    plane[0] = but(plane[0], covering);
    plane[1] = but(plane[1], covering);
    for (int i = 0; i < 3; i++) {
        const V where = pixels[i] | shl(pixels[i], 1);
        plane[0] = plane[0] | (where & _mm512_permutexvar_epi64(colour[i], bits01));
        plane[1] =
            plane[1] | (where & _mm512_permutex2var_epi64(bits23_low, colour[i], bits23_high));
    }
}

// A group's object cells painted into the full colour planes. On this
// path they lie plane by plane: plane b of cell c is full[b * kAreaCells + c].
ZBX_WIDE_INLINE void paint_group_planes(uint64_t *full, const Group &g, const GroupPlace &at,
                                        const GroupCells &over)
{
    V plane[kPlanes] = {_mm512_setzero_si512(), _mm512_setzero_si512()};
    for (int q = 0; q < g.rows; q++) {
        const ptrdiff_t cell = static_cast<ptrdiff_t>(at.dst(g, q)) - q * g.n;
        for (int b = 0; b < kPlanes; b++) {
            plane[b] = _mm512_mask_loadu_epi64(plane[b], g.lanes(q), full + b * kAreaCells + cell);
        }
    }
    paint_planes_wide(wide_cells(over), plane);
    for (int q = 0; q < g.rows; q++) {
        const ptrdiff_t cell = static_cast<ptrdiff_t>(at.dst(g, q)) - q * g.n;
        for (int b = 0; b < kPlanes; b++) {
            _mm512_mask_storeu_epi64(full + b * kAreaCells + cell, g.lanes(q), plane[b]);
        }
    }
}

// A group's destination cells and its object cells as placed.
ZBX_WIDE_INLINE void load_cells(CellArrays cells, const Group &g, const GroupPlace &at,
                                const uint8_t *data, const uint8_t *map, GroupCells &under,
                                GroupCells &over)
{
    const uint8_t *obj_bitmap = data + 1;
    const uint8_t *obj_screen = obj_bitmap + 8 * at.w * at.h;
    const uint8_t *obj_colour = obj_screen + at.w * at.h;
    under = load_group(g, cells.bitmap, cells.screen, cells.colour,
                       [&](int q) { return at.dst(g, q); });
    over = object_cells(
        load_group(g, obj_bitmap, obj_screen, obj_colour, [&](int q) { return at.src(g, q); }),
        at.mirror, g.n, map);
}

// Writes a placed group back.
ZBX_WIDE_INLINE void store_cells(CellArrays cells, const Group &g, const GroupPlace &at,
                                 const GroupCells &under, const GroupCells &over, V lines,
                                 __m128i screens, __m128i colours, M redo, int bg)
{
    for (int q = 0; q < g.rows; q++) {
        const ptrdiff_t cell = static_cast<ptrdiff_t>(at.dst(g, q)) - q * g.n;
        _mm512_mask_storeu_epi64(cells.bitmap + 8 * cell, g.lanes(q), lines);
        _mm_mask_storeu_epi8(cells.screen + cell, g.lanes(q), screens);
        _mm_mask_storeu_epi8(cells.colour + cell, g.lanes(q), colours);
    }
    redo &= static_cast<M>((1U << (g.rows * g.n)) - 1);
    if (redo != 0) {
        redo_group(cells, g, at, under, over, redo, bg);
    }
}

// N groups of one object (which share no cell) placed at once.
template <int N, bool kFull>
ZBX_WIDE_INLINE void place_groups(CellArrays cells, const Group *groups, const GroupPlace &at,
                                  const uint8_t *data, const uint8_t *map, int bg, uint64_t *full)
{
    GroupCells under[N], over[N];
    __m128i under_screen[N], under_colour[N], over_screen[N], over_colour[N];
    Many<N> dst, obj;
    for (int g = 0; g < N; g++) {
        load_cells(cells, groups[g], at, data, map, under[g], over[g]);
        dst.bitmap[g] = under[g].bitmap;
        obj.bitmap[g] = over[g].bitmap;
        under_screen[g] = under[g].screen;
        under_colour[g] = under[g].colour;
        over_screen[g] = over[g].screen;
        over_colour[g] = over[g].colour;
    }
    dst.screen = colour_lanes(under_screen);
    dst.colour = colour_lanes(under_colour);
    obj.screen = colour_lanes(over_screen);
    obj.colour = colour_lanes(over_colour);
    typename Lanes<N>::K redo = 0;
    const Many<N> placed = place<N>(dst, obj, static_cast<uint32_t>(bg), redo);
    __m128i screens[N], colours[N];
    colour_bytes(placed.screen, screens);
    colour_bytes(placed.colour, colours);
    for (int g = 0; g < N; g++) {
        store_cells(cells, groups[g], at, under[g], over[g], placed.bitmap[g], screens[g],
                    colours[g], part<N>(redo, g), bg);
        if constexpr (kFull) {
            paint_group_planes(full, groups[g], at, over[g]);
        }
    }
}

// One object's cells over the buffers, in groups of up to eight, two
// groups at once where there are two.
template <bool kFull>
ZBX_WIDE_INLINE long draw_cells(CellArrays cells, const uint8_t *data, const ObjectSpan &span,
                                int w, int h, int row, bool mirror, const uint8_t *map, int bg,
                                uint64_t *full)
{
    const GroupPlace at{span, row, w, h, mirror};
    const int rows_per_group = span.across <= 4 ? 8 / span.across : 1;
    // At most 15 rows of two groups each.
    Group groups[32];
    int count = 0;
    for (int r = span.first_row; r < span.last_row; r += rows_per_group) {
        const int rows_left = span.last_row - r;
        for (int offset = 0; offset < span.across; offset += 8) {
            const int cells_left = span.across - offset;
            groups[count++] = {r, rows_left < rows_per_group ? rows_left : rows_per_group, offset,
                               cells_left < 8 ? cells_left : 8};
        }
    }
    int i = 0;
    for (; i + 1 < count; i += 2) {
        place_groups<2, kFull>(cells, &groups[i], at, data, map, bg, full);
    }
    if (i < count) {
        place_groups<1, kFull>(cells, &groups[i], at, data, map, bg, full);
    }
    return static_cast<long>(span.last_row - span.first_row) * span.across;
}

// The clashing cells, eight at a time: each cell as shown (pair 00 in the
// background) against the full colour planes (plane by plane). The 720
// cells lie one after another in the buffers.
ZBX_WIDE_INLINE void find_clashes(CellArrays cells, const uint64_t *full,
                                  const ColourMasks &background, uint64_t *differ)
{
    static_assert(kAreaCells % 8 == 0);
    for (int first = 0; first < kAreaCells; first += 8) {
        const Cells shown{_mm512_loadu_si512(cells.bitmap + 8 * first),
                          _mm512_cvtepu8_epi64(_mm_loadl_epi64(
                              reinterpret_cast<const __m128i *>(cells.screen + first))),
                          _mm512_cvtepu8_epi64(_mm_loadl_epi64(
                              reinterpret_cast<const __m128i *>(cells.colour + first)))};
        V plane[2] = {all(background.plane[0]), all(background.plane[1])};
        paint_planes_wide(shown, plane);
        const V expected[kPlanes] = {_mm512_loadu_si512(full + first),
                                     _mm512_loadu_si512(full + kAreaCells + first)};
        const uint64_t mask =
            static_cast<uint64_t>(_mm512_cmpneq_epi64_mask(plane[0], expected[0]) |
                                  _mm512_cmpneq_epi64_mask(plane[1], expected[1]));
        differ[first / 64] = (first % 64 == 0 ? 0 : differ[first / 64]) | mask << (first % 64);
    }
}

} // namespace

long draw_cells_avx512(CellArrays cells, const uint8_t *data, const ObjectSpan &span, int w, int h,
                       int row, bool mirror, const uint8_t *map, int bg, uint64_t *full)
{
    return full != nullptr
               ? draw_cells<true>(cells, data, span, w, h, row, mirror, map, bg, full)
               : draw_cells<false>(cells, data, span, w, h, row, mirror, map, bg, nullptr);
}

void find_clashes_avx512(CellArrays cells, const uint64_t *full, const ColourMasks &background,
                         uint64_t *differ)
{
    find_clashes(cells, full, background, differ);
}

} // namespace compose_impl
#endif
