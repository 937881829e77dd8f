// Recovery copies as bytes: everything the document holds comes back, a
// hand-broken copy is refused with the reason, and a session is alive for
// exactly as long as it runs.
#include <gtest/gtest.h>

#include <string>

#include "base/error.h"
#include "base/gref.h"
#include "files/recovery.h"
#include "support/bytes.h"
#include "support/project.h"

namespace {

RecoveryCopy sample_copy()
{
    RecoveryCopy copy;
    copy.session = "5e1f-ab";
    copy.project_path = "/tmp/game.prg";
    copy.name = "game.prg";
    copy.written = 1765130000123456;
    PanelDef hidden = zbx_object_def(0, -112, 136, true, {0x21, 0x43});
    hidden.enabled = false;
    copy.project.items = {ZbxItem{ZbxItemKind::Object, {0x11, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}},
                          zbx_panel_item({hidden, zbx_panel_def(2, 392, -8)}), zbx_panel_item({}),
                          ZbxItem{}};
    copy.project.locations[4] = {1, 9};
    copy.preview = {0, 9, 3, 0};
    return copy;
}

std::string text(const RecoveryCopy &copy)
{
    const std::vector<uint8_t> bytes = recovery_encode(copy);
    return std::string(bytes.begin(), bytes.end());
}

std::string refusal(const std::string &json)
{
    RecoveryCopy copy;
    GErrorPtr error;
    const std::vector<uint8_t> bytes(json.begin(), json.end());
    if (recovery_parse(bytes, &copy, error.out())) {
        return "read";
    }
    EXPECT_TRUE(zbx_error_is(error.get(), ZbxError::BadFormat));
    return error.message();
}

void replace(std::string &s, const std::string &from, const std::string &to)
{
    const size_t at = s.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    s.replace(at, from.size(), to);
}

} // namespace

TEST(RecoveryCopies, KeepWhatTheFileCannotAndReadBackTheSame)
{
    const RecoveryCopy copy = sample_copy();
    RecoveryCopy back;
    ASSERT_TRUE(recovery_parse(recovery_encode(copy), &back, nullptr));
    EXPECT_EQ(back.project, copy.project);
    EXPECT_EQ(back.preview, copy.preview);
    EXPECT_EQ(back.session, copy.session);
    EXPECT_EQ(back.project_path, copy.project_path);
    EXPECT_EQ(back.name, copy.name);
    EXPECT_EQ(back.written, copy.written);
}

TEST(RecoveryCopies, HandBrokenCopiesAreRefusedWithTheReason)
{
    const std::string good = text(sample_copy());
    EXPECT_EQ(refusal(good), "read");
    EXPECT_NE(refusal(good.substr(0, good.size() / 2)).find("Not a sound recovery copy"),
              std::string::npos);
    struct Case
    {
        std::string from, to, reason;
    } const cases[] = {
        {"\"zembrix recovery\"", "\"something else\"", "not a recovery copy"},
        {"\"version\":1", "\"version\":2", "a version this Zembrix cannot read"},
        {"\"kind\":\"empty\"", "\"kind\":\"ghost\"", "item 3: no kind of item"},
        // A placement of item 200 in a project of four.
        {"\"defs\":\"00", "\"defs\":\"c8", "item 1: a bad placement"},
        {"\"defs\":\"00", "\"defs\":\"0", "item 1: a bad placement"},
        {"[1,9]", "[7,9]", "location 4 out of range"},
        {"[1,9]", "[1,16]", "location 4 out of range"},
        {"[1,9]", "[1,9.5]", "location 4 out of range"},
        {"\"preview\":[0,9,3,0]", "\"preview\":[0,9,3]", "not one preview colour per item"},
        {"\"preview\":[0,9,3,0]", "\"preview\":[0,9,3,1e300]", "a preview colour out of range"},
        {"\"written\":1765130000123456", "\"written\":-1", "no time of writing"},
    };
    for (const Case &c : cases) {
        std::string broken = good;
        replace(broken, c.from, c.to);
        EXPECT_EQ(refusal(broken), "Not a sound recovery copy: " + c.reason) << c.to;
    }
}

TEST(RecoveryCopies, ASessionIsAliveWhileItRunsAndItsCopyIsLeftOnlyAfter)
{
    ZbxTempDir state;
    const std::string dir = state.dir();
    std::string id;
    {
        RecoverySession session;
        ASSERT_TRUE(session.start(dir.c_str()));
        id = session.id();
        EXPECT_TRUE(recovery_session_alive(dir.c_str(), id));
        RecoveryCopy copy = sample_copy();
        copy.session = id;
        copy.project_path = "";
        ASSERT_TRUE(recovery_write(dir.c_str(), id, recovery_encode(copy), nullptr));
        EXPECT_TRUE(recovery_find_left(dir.c_str(), nullptr).empty());
        // Another session is another id.
        RecoverySession other;
        ASSERT_TRUE(other.start(dir.c_str()));
        EXPECT_NE(other.id(), id);
    }
    EXPECT_FALSE(recovery_session_alive(dir.c_str(), id));
    const std::vector<RecoveryFound> left = recovery_find_left(dir.c_str(), nullptr);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, recovery_path(dir.c_str(), id));
    // Ids that could name a file elsewhere are never used.
    EXPECT_FALSE(recovery_write(dir.c_str(), "../x", {}, nullptr));
    recovery_remove(dir.c_str(), id);
    EXPECT_TRUE(recovery_find_left(dir.c_str(), nullptr).empty());
}
