// Placements on the clipboard as text: both forms written and read back
// with every field, what a user may type, and what is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/project.h"
#include "base/error.h"
#include "base/gref.h"
#include "files/placements_clip.h"

namespace {

// "ok" or the error's message.
std::string parse(const std::string &text, bool own, std::vector<PanelDef> *defs = nullptr)
{
    std::vector<PanelDef> read;
    GErrorPtr error;
    if (!placements_clip_parse(text, own, &read, error.out())) {
        EXPECT_TRUE(zbx_error_is(error.get(), ZbxError::BadFormat));
        return error.message();
    }
    if (defs != nullptr) {
        *defs = read;
    }
    return "ok";
}

std::vector<PanelDef> every_field()
{
    PanelDef off = zbx_object_def(3, 8, 8, false, {0x21, 0x32});
    off.has_overrides = false;
    PanelDef hidden = zbx_panel_def(7, 0, -8);
    hidden.enabled = false;
    PanelDef on_without_bytes = zbx_object_def(0, -112, 136);
    on_without_bytes.has_overrides = true;
    on_without_bytes.enabled = false;
    return {zbx_object_def(12, 24, 16, true, {0x21}), hidden, off, on_without_bytes,
            zbx_object_def(254, 392, -112, true, {0xFF, 0x00, 0x7})};
}

} // namespace

TEST(PlacementsClip, BothFormsCarryEveryFieldBackAndForth)
{
    const std::vector<PanelDef> defs = every_field();
    EXPECT_EQ(placements_clip_text(defs),
              "object 12 at 24, 16 mirror overrides 0x21\n"
              "panel 7 at 0, -8 disabled\n"
              "object 3 at 8, 8 overrides off 0x21 0x32\n"
              "object 0 at -112, 136 disabled overrides\n"
              "object 254 at 392, -112 mirror overrides 0xFF 0x00 0x07\n");
    const std::string own = placements_clip_encode(defs);
    EXPECT_EQ(own, std::string("zembrix placements 1\n") + placements_clip_text(defs));
    std::vector<PanelDef> read;
    ASSERT_EQ(parse(own, true, &read), "ok");
    EXPECT_EQ(read, defs);
    read.clear();
    ASSERT_EQ(parse(placements_clip_text(defs), false, &read), "ok");
    EXPECT_EQ(read, defs);
    // The own form is text too.
    read.clear();
    ASSERT_EQ(parse(own, false, &read), "ok");
    EXPECT_EQ(read, defs);
}

TEST(PlacementsClip, TextAsAUserMightWriteIt)
{
    std::vector<PanelDef> read;
    ASSERT_EQ(parse("\r\n  object 12 at 24,16   overrides 33 0x5\r\n\n\tpanel 7 at -8 , 0 \r\n",
                    false, &read),
              "ok");
    EXPECT_EQ(read, (std::vector<PanelDef>{zbx_object_def(12, 24, 16, false, {33, 5}),
                                           zbx_panel_def(7, -8, 0)}));
}

TEST(PlacementsClip, WhatIsNotAListOfPlacementsIsRefusedWithItsLine)
{
    const std::pair<std::string, std::string> text_cases[] = {
        {"", "No placements"},
        {"\n \n", "No placements"},
        {"object 1 at 8, 8\nsprite 2 at 0, 0", "Line 2: it does not start with"},
        {"object 1 at 8", "Line 1: it is not \"object|panel N at X, Y\""},
        {"object 1 on 8, 8", "Line 1: it is not"},
        {"object 255 at 8, 8", "Line 1: the item is not a number"},
        {"object -1 at 8, 8", "Line 1: the item is not a number"},
        {"object 1x at 8, 8", "Line 1: the item is not a number"},
        {"object 1 at 3, 8", "Line 1: the position is not"},
        {"object 1 at 400, 8", "Line 1: the position is not"},
        {"object 1 at 8, 144", "Line 1: the position is not"},
        {"object 1 at 99999999, 8", "Line 1: the position is not"},
        {"panel 1 at 8, 8 mirror", "Line 1: \"mirror\" is not understood here"},
        {"panel 1 at 8, 8 overrides", "Line 1: \"overrides\" is not understood here"},
        {"object 1 at 8, 8 mirror mirror", "Line 1: \"mirror\" is not understood here"},
        {"object 1 at 8, 8 overrides 1 2 3 4", "Line 1: it has more than three override bytes"},
        {"object 1 at 8, 8 overrides 0x100", "Line 1: \"0x100\" is not understood here"},
        {"object 1 at 8, 8 overrides 256", "Line 1: \"256\" is not understood here"},
        {"object 1 at 8, 8 off", "Line 1: \"off\" is not understood here"},
        {"object 1 at 8, 8 0x21", "Line 1: \"0x21\" is not understood here"},
    };
    for (const auto &[text, message] : text_cases) {
        EXPECT_EQ(parse(text, false).rfind(message, 0), 0u) << text << ": " << parse(text, false);
    }
    // The own form: its header first, and every line as the program writes it.
    const std::pair<std::string, std::string> own_cases[] = {
        {"object 1 at 8, 8\n", "These are not Zembrix placements"},
        {"zembrix placements 2\nobject 1 at 8, 8\n", "These are not Zembrix placements"},
        {"zembrix placements 1\n", "No placements"},
        {"zembrix placements 1\nobject 1 at 8,8\n", "Line 2: it is not written as the program"},
        {"zembrix placements 1\nobject 1 at 8, 8\r\n", "Line 2: "},
        {"zembrix placements 1\n\nobject 1 at 8, 8\n", "Line 2: it is empty"},
    };
    for (const auto &[text, message] : own_cases) {
        EXPECT_EQ(parse(text, true).rfind(message, 0), 0u) << text << ": " << parse(text, true);
    }
    std::string many;
    for (int i = 0; i <= kPlacementsClipMaxLines; i++) {
        many += "object 1 at 0, 0\n";
    }
    EXPECT_EQ(parse(many, false), "More than 4096 placements");
}

TEST(PlacementsClip, ItemsMustBeOfTheKindTheClipboardSays)
{
    ZbxProject project;
    project.items = {zbx_object_item({0x11, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), zbx_panel_item({}),
                     ZbxItem{}};
    const auto check = [&project](std::vector<PanelDef> defs) -> std::string {
        GErrorPtr error;
        if (placements_clip_check(project, defs, error.out())) {
            return "ok";
        }
        EXPECT_TRUE(zbx_error_is(error.get(), ZbxError::InvalidItem));
        return error.message();
    };
    EXPECT_EQ(check({zbx_object_def(0, 0, 0), zbx_panel_def(1, 0, 0)}), "ok");
    EXPECT_EQ(check({zbx_object_def(0, 0, 0), zbx_object_def(57, 0, 0)}),
              "Item 57 is not an object of this project");
    EXPECT_EQ(check({zbx_panel_def(0, 0, 0)}), "Item 0 is not a panel of this project");
    EXPECT_EQ(check({zbx_object_def(1, 0, 0)}), "Item 1 is not an object of this project");
    EXPECT_EQ(check({zbx_panel_def(2, 0, 0)}), "Item 2 is not a panel of this project");
}
