// The project file as bytes: every reader check, skip and overlap rule (one
// file per case in tests/data/reader/, with what it must read as), the
// writer's definition bytes and limit, and the round trip between them.
// (The writer's layout: the sample and quirks files resaved byte for byte
// in zembrix_load_test.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/bytes.h"
#include "../support/paths.h"
#include "../support/project.h"
#include "base/error.h"
#include "base/gref.h"
#include "files/zembrix_format.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

// "ok" or "error: " and the message, then the project as read.
std::vector<std::string> parse(const Bytes &bytes)
{
    ZbxProject project;
    GError *error = nullptr;
    const int ok = zembrix_parse(bytes, "test.prg", &project, nullptr, nullptr, &error);
    EXPECT_EQ(ok != 0, error == nullptr);
    std::vector<std::string> lines = {error == nullptr ? "ok"
                                                       : "error: " + std::string(error->message)};
    EXPECT_TRUE(error == nullptr || zbx_error_is(error, ZbxError::BadFormat));
    g_clear_error(&error);
    for (const std::string &line : zbx_project_lines(project)) {
        lines.push_back(line);
    }
    return lines;
}

Bytes encode(const ZbxProject &project)
{
    Bytes out;
    EXPECT_TRUE(zembrix_encode(project, &out, nullptr));
    return out;
}

} // namespace

TEST(ZembrixReader, EachCaseReadsAsExpected)
{
    const std::string folder = zbx_source_path("tests/data/reader");
    GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
    ASSERT_NE(dir, nullptr);
    int cases = 0;
    while (const char *entry = g_dir_read_name(dir)) {
        const std::string name = entry;
        if (!g_str_has_suffix(entry, ".txt")) {
            continue;
        }
        const std::string stem = name.substr(0, name.size() - 4);
        SCOPED_TRACE("tests/data/reader/" + stem);
        EXPECT_EQ(parse(zbx_read_file(folder + "/" + stem + ".prg")),
                  zbx_data_rows("reader/" + name));
        cases++;
    }
    g_dir_close(dir);
    EXPECT_EQ(cases, 44);
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
    const std::size_t budget = 0x7fff - (0x845 + 2 * 14) - 13 * 2251;
    ASSERT_EQ(budget % 3, 0u); // 1 terminator + 3 per definition + 2 overrides
    std::vector<PanelDef> defs((budget - 3) / 3, zbx_panel_def(0, 0, 0));
    defs.back() = zbx_object_def(0, 0, 0, false, {1, 2});
    project.items.push_back(zbx_panel_item(defs));
    Bytes out = encode(project);
    EXPECT_EQ(out.size(), 0x7fffu - 0x0800 + 3);
    EXPECT_EQ(out[kZbxPointerTableOffset + 2 * 14], 0xff); // end pointer $7FFF
    EXPECT_EQ(out[kZbxPointerTableOffset + 2 * 14 + 1], 0x7f);
    EXPECT_EQ(parse(out)[0], "ok");

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
    const Bytes file = encode(project);
    ZbxProject read;
    ASSERT_TRUE(zembrix_parse(file, "x", &read, nullptr, nullptr, nullptr));
    EXPECT_EQ(read, project);
    EXPECT_TRUE(zbx_bytes_equal(file, encode(read)));
}
