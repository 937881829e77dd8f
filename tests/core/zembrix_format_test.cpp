// The project file as bytes: every reader check, skip and overlap rule, the
// writer's layout and limit, and the round trip between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/bytes.h"
#include "../support/project.h"
#include "files/zembrix_format.h"
#include "gref.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr unsigned data_address(int count)
{
    return 0x845 + 2 * count;
}

// An object record of w x h cells whose bytes after the header count up
// from seed.
Bytes record(int w, int h, uint8_t seed = 1)
{
    Bytes bytes(10 * w * h + 1);
    bytes[0] = static_cast<uint8_t>(w << 4 | h);
    for (std::size_t i = 1; i < bytes.size(); i++) {
        bytes[i] = static_cast<uint8_t>(seed + i);
    }
    return bytes;
}

// Lays out a file by hand: pointer entries as given, item data appended in
// the order the test chooses. An entry left unset is an empty item pointing
// at the end of the data.
struct Builder
{
    explicit Builder(int n) : count(n), pointers(n, kUnset)
    {
        for (int slot = 0; slot < 32; slot++) {
            locations[2 * slot] = 0xff;
        }
    }
    unsigned here() const { return data_address(count) + static_cast<unsigned>(data.size()); }
    unsigned append(const Bytes &bytes)
    {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return here() - static_cast<unsigned>(bytes.size());
    }
    void object_at(int i, unsigned address) { pointers[i] = 0x8000 | address; }
    void panel_at(int i, unsigned address) { pointers[i] = address; }
    // Appends an item's data and points entry i at it.
    unsigned add_object(int i, const Bytes &record)
    {
        object_at(i, here());
        return append(record);
    }
    unsigned add_panel(int i, const Bytes &defs)
    {
        panel_at(i, here());
        return append(defs);
    }
    Bytes bytes() const
    {
        Bytes out = {0x00, 0x08, static_cast<uint8_t>(count), 0x00, 0x08};
        out.insert(out.end(), locations.begin(), locations.end());
        for (unsigned p : pointers) {
            p = p == kUnset ? 0x8000 | here() : p;
            out.push_back(p & 0xff);
            out.push_back(p >> 8);
        }
        unsigned end = here();
        out.push_back(end & 0xff);
        out.push_back(end >> 8);
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
    // The whole file with its terminator.
    Bytes file() const
    {
        Bytes out = bytes();
        out.push_back(0xff);
        return out;
    }

    static constexpr unsigned kUnset = 0x10000;
    int count;
    std::vector<unsigned> pointers;
    std::array<uint8_t, 64> locations{};
    Bytes data;
};

struct Parsed
{
    int ok = 0;
    std::string message;
    ZbxProject project;
};

Parsed parse(const Bytes &bytes, const char *name = "test.prg")
{
    Parsed p;
    GError *error = nullptr;
    p.ok = zembrix_parse(bytes, name, &p.project, nullptr, nullptr, &error);
    if (error != nullptr) {
        EXPECT_EQ(error->domain, G_FILE_ERROR);
        EXPECT_EQ(error->code, G_FILE_ERROR_FAILED);
        p.message = error->message;
        g_error_free(error);
    }
    EXPECT_EQ(p.ok == 0, !p.message.empty());
    return p;
}

std::string unsupported(int number, const char *name = "test.prg")
{
    return std::string("File \"") + name +
           "\" doesn't appear to be a supported zembrix file. Error: " + std::to_string(number);
}

Bytes encode(const ZbxProject &project)
{
    Bytes out;
    EXPECT_TRUE(zembrix_encode(project, &out, nullptr));
    return out;
}

} // namespace

TEST(ZembrixHeader, RejectsWhatIsNotAProjectFileBeforeReadingAnything)
{
    const Bytes file = Builder(0).file();
    Bytes two_items = Builder(2).bytes(); // 75 bytes: one short
    const struct
    {
        Bytes bytes;
        int error; // -1: too short
    } cases[] = {
        {{}, -1},
        {{0x00}, -1},
        // Short files that start well still fail on the missing second $0800.
        {{0x00, 0x08}, 1},
        {{0x00, 0x08, 0x00, 0x00}, 1},
        {{0x01, 0x08}, 1},
        // 68 bytes cannot hold the header and location table; 69 to 71 not
        // the end pointer, 75 not two items' pointers and the end pointer.
        {{file.begin(), file.begin() + 68}, 2},
        {{file.begin(), file.begin() + 69}, 3},
        {{file.begin(), file.begin() + 71}, 3},
        {two_items, 3},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parse(c.bytes).message,
                  c.error < 0 ? "File \"test.prg\" is too short" : unsupported(c.error))
            << c.bytes.size() << " bytes";
    }
    two_items.push_back(0xff);
    EXPECT_TRUE(parse(two_items).ok);
    for (int offset : {0, 1, 3, 4}) {
        Bytes bad = file;
        bad[offset] ^= 0x10;
        EXPECT_EQ(parse(bad).message, unsupported(1)) << "offset " << offset;
    }
}

TEST(ZembrixHeader, SmallestFileHasNoItemsAndKeepsLocationBytesAsRead)
{
    Builder b(0);
    b.locations[2 * 7] = 12;
    b.locations[2 * 7 + 1] = 6;
    b.locations[2 * 31] = 0;
    b.locations[2 * 31 + 1] = 0x47; // above 15: kept as read
    Parsed p = parse(b.file());
    ASSERT_EQ(b.file().size(), 72u);
    ASSERT_TRUE(p.ok) << p.message;
    EXPECT_TRUE(p.project.items.empty());
    EXPECT_EQ(p.project.locations[7], (ZbxLocationRecord{12, 6}));
    EXPECT_EQ(p.project.locations[31], (ZbxLocationRecord{0, 0x47}));
    EXPECT_EQ(p.project.locations[0], (ZbxLocationRecord{255, 0}));
}

TEST(ZembrixObjects, DecodesRecordsWhereverTheyLie)
{
    Builder b(3);
    // Data in reverse order: the pointer table alone says where items are.
    unsigned c = b.append(record(1, 1, 30));
    b.object_at(0, b.append(record(3, 2, 10)));
    b.object_at(2, c);
    b.panel_at(1, b.append({0xff}));
    Parsed p = parse(b.file());
    ASSERT_TRUE(p.ok) << p.message;
    EXPECT_EQ(p.project.items,
              (std::vector<ZbxItem>{zbx_object_item(record(3, 2, 10)), zbx_panel_item({}),
                                    zbx_object_item(record(1, 1, 30))}));
}

TEST(ZembrixObjects, SkipAndOverlapRules)
{
    // Item 0 is the object under test, item 2 a well-formed object that
    // must survive whatever happens to item 0 and 1.
    struct Case
    {
        const char *what;
        bool kept;
        ZbxItemKind second;
        void (*make)(Builder &);
    };
    const Case cases[] = {
        {"next entry 9 bytes on", false, ZbxItemKind::Panel,
         [](Builder &b) {
             Bytes rec = record(1, 2);
             rec[9] = rec[10] = 0xff; // an empty panel's data inside the record
             b.panel_at(1, b.add_object(0, rec) + 9);
         }},
        {"next entry 10 bytes on", true, ZbxItemKind::Panel,
         [](Builder &b) {
             Bytes rec = record(1, 2);
             rec[9] = rec[10] = 0xff;
             b.panel_at(1, b.add_object(0, rec) + 10);
         }},
        {"same address twice keeps the second", false, ZbxItemKind::Object,
         [](Builder &b) { b.object_at(1, b.add_object(0, record(1, 1))); }},
        {"address below $0800", false, ZbxItemKind::Empty,
         [](Builder &b) { b.object_at(0, 0x07ff); }},
        {"header $00", false, ZbxItemKind::Empty,
         [](Builder &b) {
             b.add_object(0, {0x00, 1, 2, 3, 4, 5, 6, 7});
         }},
        {"header $F0", false, ZbxItemKind::Empty,
         [](Builder &b) {
             b.add_object(0, {0xf0, 1, 2, 3, 4, 5, 6, 7});
         }},
        {"header $0F", false, ZbxItemKind::Empty,
         [](Builder &b) {
             b.add_object(0, {0x0f, 1, 2, 3, 4, 5, 6, 7});
         }},
        // Object 1 starts on the last colour byte of object 0: 0 goes.
        {"overlap with the next object", false, ZbxItemKind::Object,
         [](Builder &b) {
             Bytes first = record(1, 1);
             first.back() = 0x11;
             b.object_at(1, b.add_object(0, first) + 10);
             b.append(Bytes(10, 0x42));
         }},
        {"touching the next object", true, ZbxItemKind::Object,
         [](Builder &b) {
             b.add_object(0, record(1, 1));
             b.add_object(1, record(1, 1, 50));
         }},
    };
    for (const Case &c : cases) {
        Builder b(3);
        c.make(b);
        b.add_object(2, record(2, 1, 77));
        Parsed p = parse(b.file());
        ASSERT_TRUE(p.ok) << c.what << ": " << p.message;
        EXPECT_EQ(p.project.items[0].kind == ZbxItemKind::Object, c.kept) << c.what;
        EXPECT_EQ(p.project.items[1].kind, c.second) << c.what;
        EXPECT_EQ(p.project.items[2], zbx_object_item(record(2, 1, 77))) << c.what;
    }

    // An object that overlaps the object decoded last empties the slot just
    // before it, not the slot of that object: here slot 1 holds nothing, so
    // the overlap changes nothing.
    Builder gap(3);
    Bytes big = record(2, 2);
    big[5] = 0x11; // a 1 x 1 record inside it
    unsigned start = gap.add_object(0, big);
    gap.object_at(1, start + 20); // skipped: the next entry lies before it
    gap.object_at(2, start + 5);
    EXPECT_EQ(parse(gap.file()).project.items,
              (std::vector<ZbxItem>{zbx_object_item(big), ZbxItem{},
                                    zbx_object_item({big.begin() + 5, big.begin() + 16})}));

    // The last item must lie within the file: a record ending on the last
    // byte is read, one byte shorter not; a header on the last byte, or
    // past it, is no object.
    Builder last(1);
    last.add_object(0, record(2, 2));
    Bytes file = last.bytes();
    EXPECT_EQ(parse(file).project.items[0], zbx_object_item(record(2, 2)));
    file.pop_back();
    EXPECT_EQ(parse(file).project.items[0].kind, ZbxItemKind::Empty);
    for (unsigned past : {0, 1}) {
        Builder end(1);
        end.object_at(0, end.here() + past);
        file = end.bytes();
        file.push_back(0x11);
        EXPECT_EQ(parse(file).project.items[0].kind, ZbxItemKind::Empty) << past;
    }
}

TEST(ZembrixPanels, DecodesDefinitionFieldsAndDropsSelfPlacement)
{
    Builder b(9);
    b.add_object(7, record(1, 1));
    b.add_object(3, record(1, 1));
    b.add_panel(2, {0xff});
    // clang-format off
    b.add_panel(0, {
        0x07, 0x8e, 0x2e, 0x05,       // object 7 at 0, 0, mirrored, override 5
        0x03, 0x40, 0x80,             // reserved bits set: object 3 at -112, -112
        0x03, 0x3f, 0x7f, 1, 2, 3,    // X 63, Y 31, three overrides
        0x02, 0x8f, 0x4e, 0x44, 0x55, // panel 2: mirror and overrides dropped
        0x05, 0x0e, 0x0e,             // empty item: a panel placement
        0x00, 0x0e, 0x2e, 0x99,       // itself, with an override byte to skip
        0x09, 0x0e, 0x0e,             // item 9 of 9
        0xfe, 0x0e, 0x0e,             // item 254
        0xff,
    });
    // clang-format on
    Parsed p = parse(b.file());
    ASSERT_TRUE(p.ok) << p.message;
    EXPECT_EQ(p.project.items[0], zbx_panel_item({
                                      zbx_object_def(7, 0, 0, true, {5}),
                                      zbx_object_def(3, -112, -112),
                                      zbx_object_def(3, 392, 136, false, {1, 2, 3}),
                                      zbx_panel_def(2, 8, 0),
                                      zbx_panel_def(5, 0, 0),
                                  }));
    EXPECT_EQ(p.project.items[2], zbx_panel_item({}));
}

TEST(ZembrixPanels, DataOutsideTheFileIsError4AndKeepsWhatWasDecoded)
{
    const struct
    {
        const char *what;
        Bytes tail; // the panel's data, the file's final bytes
        bool ok;
    } cases[] = {
        {"empty panel on the last byte", {0xff}, true},
        {"one definition, terminator last", {0x00, 0x0e, 0x0e, 0xff}, true},
        {"two bytes of definition", {0x00, 0x0e}, false},
        {"three bytes, no terminator", {0x00, 0x0e, 0x0e}, false},
        {"override byte missing", {0x00, 0x0e, 0x2e}, false},
        {"one override, no terminator", {0x00, 0x0e, 0x2e, 0x01}, false},
        {"two overrides, one missing", {0x00, 0x0e, 0x4e, 0x01}, false},
        {"three overrides, one missing", {0x00, 0x0e, 0x6e, 0x01, 0x02}, false},
        {"three overrides, terminator last", {0x00, 0x0e, 0x6e, 0x01, 0x02, 0x03, 0xff}, true},
        {"next definition cut short", {0x00, 0x0e, 0x0e, 0x00, 0x0e}, false},
    };
    for (const auto &c : cases) {
        Builder b(2);
        b.add_object(0, record(1, 1));
        b.add_panel(1, c.tail);
        EXPECT_EQ(parse(b.bytes()).message, c.ok ? "" : unsupported(4)) << c.what;
    }
    Builder low(1);
    low.panel_at(0, 0x07ff);
    EXPECT_EQ(parse(low.file()).message, unsupported(4));
    Builder past(1);
    past.panel_at(0, past.here() + 1);
    EXPECT_EQ(parse(past.file()).message, unsupported(4));

    // What was decoded before the error stays for the caller.
    Builder b(4);
    b.add_object(3, record(1, 1));
    b.add_panel(0, {0x03, 0x0e, 0x0e, 0xff});
    b.add_panel(2, {0xff});
    b.add_panel(1, {0x03, 0x0f, 0x0e, 0x03}); // runs off the end
    Parsed p = parse(b.bytes());
    EXPECT_EQ(p.message, unsupported(4));
    EXPECT_EQ(p.project.items, (std::vector<ZbxItem>{zbx_panel_item({zbx_object_def(3, 0, 0)}),
                                                     zbx_panel_item({zbx_object_def(3, 8, 0)}),
                                                     ZbxItem{}, // never reached
                                                     zbx_object_item(record(1, 1))}));
}

TEST(ZembrixParse, ReportsPhasesAndProgress)
{
    static std::vector<std::string> calls;
    Builder b(2);
    b.add_object(0, record(1, 1));
    b.add_panel(1, {0xff});
    ZbxProject project;
    ASSERT_TRUE(zembrix_parse(
        b.file(), "x", &project, [](double f) { calls.push_back(std::to_string(f)); },
        [](const char *text) { calls.push_back(text); }, nullptr));
    const std::string zero = std::to_string(0.0), half = std::to_string(0.5),
                      one = std::to_string(1.0);
    EXPECT_EQ(calls, (std::vector<std::string>{"Decoding objects...", zero, half, one,
                                               "Decoding panels and panel definitions...", zero,
                                               half, one}));
}

TEST(ZembrixEncode, LaysOutHeaderPointersAndData)
{
    ZbxProject project;
    project.locations[0] = {1, 6};
    project.locations[31] = {0, 0x1e};
    project.items = {
        zbx_object_item(record(1, 1, 9)),
        zbx_panel_item({zbx_object_def(0, -8, 16, true, {0x25, 0x57}), zbx_panel_def(3, 0, 0)}),
        ZbxItem{}, zbx_panel_item({})};

    Builder b(4);
    b.locations[0] = 1;
    b.locations[1] = 6;
    b.locations[62] = 0;
    b.locations[63] = 0x1e;
    b.add_object(0, record(1, 1, 9));
    b.add_panel(1, {0x00, 0x8d, 0x50, 0x25, 0x57, 0x03, 0x0e, 0x0e, 0xff});
    b.object_at(2, b.here());
    b.add_panel(3, {0xff});
    EXPECT_TRUE(zbx_bytes_equal(b.file(), encode(project)));
}

TEST(ZembrixEncode, DefinitionBytes)
{
    PanelDef stale = zbx_object_def(4, 0, 0, false, {1, 2});
    stale.has_overrides = false; // the count stays, but is not written
    PanelDef zero = zbx_object_def(4, 0, 0);
    zero.has_overrides = true; // with count 0
    PanelDef mirrored_panel = zbx_panel_def(4, 0, 0);
    mirrored_panel.mirror = true;
    const struct
    {
        const char *what;
        PanelDef def;
        Bytes bytes;
    } cases[] = {
        {"origin", zbx_object_def(4, 0, 0), {4, 0x0e, 0x0e}},
        {"extremes", zbx_object_def(4, -112, 136), {4, 0x00, 0x1f}},
        {"x 392", zbx_object_def(4, 392, 0), {4, 0x3f, 0x0e}},
        {"truncates toward zero", zbx_object_def(4, -12, 12), {4, 0x0d, 0x0f}},
        {"wraps modulo 64 and 32", zbx_object_def(4, -120, 144), {4, 0x3f, 0x00}},
        {"count without flag", stale, {4, 0x0e, 0x0e}},
        {"flag without count", zero, {4, 0x0e, 0x0e}},
        {"three overrides", zbx_object_def(4, 0, 0, true, {0x101, 2, 3}), {4, 0x8e, 0x6e, 1, 2, 3}},
        {"panel ignores mirror", mirrored_panel, {4, 0x0e, 0x0e}},
    };
    for (const auto &c : cases) {
        Bytes out;
        zembrix_encode_def_list({&c.def, 1}, &out);
        Bytes expected = c.bytes;
        expected.push_back(0xff);
        EXPECT_TRUE(zbx_bytes_equal(expected, out)) << c.what;
        EXPECT_EQ(zembrix_def_list_size({&c.def, 1}), expected.size()) << c.what;
    }
}

TEST(ZembrixEncode, RefusesDataThatWouldReachTheAddressLimit)
{
    // Thirteen objects of 15 x 15 cells and one panel whose definitions fill
    // the rest, so that the terminator lies exactly at $7FFF.
    ZbxProject project;
    project.items.assign(13, zbx_object_item(record(15, 15)));
    const std::size_t budget = 0x7fff - data_address(14) - 13 * 2251;
    ASSERT_EQ(budget % 3, 0u); // 1 terminator + 3 per definition + 2 overrides
    std::vector<PanelDef> defs((budget - 3) / 3, zbx_panel_def(0, 0, 0));
    defs.back() = zbx_object_def(0, 0, 0, false, {1, 2});
    project.items.push_back(zbx_panel_item(defs));
    Bytes out = encode(project);
    EXPECT_EQ(out.size(), 0x7fffu - 0x0800 + 3);
    EXPECT_EQ(out[kZbxPointerTableOffset + 2 * 14], 0xff); // end pointer $7FFF
    EXPECT_EQ(out[kZbxPointerTableOffset + 2 * 14 + 1], 0x7f);
    EXPECT_TRUE(parse(out).ok);

    // One more override byte: refused, and the output is left alone.
    project.items.back().defs.back() = zbx_object_def(0, 0, 0, false, {1, 2, 3});
    Bytes untouched = {1, 2, 3};
    GError *error = nullptr;
    EXPECT_FALSE(zembrix_encode(project, &untouched, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message,
                 "Data too large: the file would end at $8001, above the limit of $7FFF");
    g_error_free(error);
    EXPECT_EQ(untouched, (Bytes{1, 2, 3}));
}

TEST(ZembrixRoundTrip, WhatTheWriterWroteReadsBackTheSame)
{
    ZbxProject project;
    project.items = {
        zbx_object_item(record(3, 2, 1)),
        ZbxItem{},
        zbx_object_item(record(1, 1, 2)),
        zbx_panel_item({
            zbx_object_def(0, -112, 136, true, {0x12, 0x34, 0x56}), zbx_object_def(2, 392, -112),
            zbx_panel_def(5, 8, 8), zbx_panel_def(1, 16, 0), // an empty item
        }),
        ZbxItem{},
        zbx_panel_item({zbx_object_def(2, 0, 0, false, {0x0f})}),
        ZbxItem{}, // last item empty
    };
    project.locations[3] = {3, 14};
    project.locations[20] = {5, 0xf2};
    Bytes file = encode(project);
    Parsed p = parse(file);
    ASSERT_TRUE(p.ok) << p.message;
    EXPECT_EQ(p.project, project);
    EXPECT_TRUE(zbx_bytes_equal(file, encode(p.project)));
}
