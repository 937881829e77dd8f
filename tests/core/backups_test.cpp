// Backups of projects: kept in the state folder per project path, the
// newest few, each what the file held before a save replaced it.
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "files/backups.h"
#include "support/bytes.h"

namespace {

class Backups : public testing::Test
{
  protected:
    ZbxTempDir state;
    ZbxTempDir work;

    std::vector<uint8_t> bytes(uint8_t n) const { return std::vector<uint8_t>(100 + n, n); }
};

} // namespace

TEST_F(Backups, EachKeepsTheFileAsItWasAndTheOldestGoBeyondTheCount)
{
    const std::string project = work.path("game.prg");
    // Nothing to keep before the first save.
    EXPECT_TRUE(backups_keep(state.dir().c_str(), project.c_str(), kBackupsKept, nullptr));
    EXPECT_TRUE(backups_list(state.dir().c_str(), project.c_str()).empty());
    for (uint8_t n = 1; n <= 11; n++) {
        zbx_write_file(project, bytes(n));
        ASSERT_TRUE(backups_keep(state.dir().c_str(), project.c_str(), kBackupsKept, nullptr));
    }
    const std::vector<BackupEntry> kept = backups_list(state.dir().c_str(), project.c_str());
    ASSERT_EQ(kept.size(), 10u);
    // Newest first; the first version went with the eleventh save.
    EXPECT_TRUE(zbx_bytes_equal(bytes(11), zbx_read_file(kept.front().path)));
    EXPECT_TRUE(zbx_bytes_equal(bytes(2), zbx_read_file(kept.back().path)));
    EXPECT_EQ(kept.front().size, 111);
    // Never beside the project.
    EXPECT_EQ(kept.front().path.rfind(state.dir(), 0), 0u);
    EXPECT_EQ(kept.front().path.find("/zembrix/backups/game.prg-"), state.dir().size());
    // A count of 0 keeps none.
    EXPECT_TRUE(backups_keep(state.dir().c_str(), project.c_str(), 0, nullptr));
    EXPECT_EQ(backups_list(state.dir().c_str(), project.c_str()).size(), 10u);
}

TEST_F(Backups, OneFolderPerProjectHoweverItsPathIsWritten)
{
    g_mkdir(work.path("a").c_str(), 0700);
    g_mkdir(work.path("b").c_str(), 0700);
    const std::string a = work.path("a/game.prg");
    const std::string b = work.path("b/game.prg");
    zbx_write_file(a, bytes(1));
    zbx_write_file(b, bytes(2));
    ASSERT_EQ(symlink(a.c_str(), work.path("link.prg").c_str()), 0);
    const std::string folder = backups_folder(state.dir().c_str(), a.c_str());
    EXPECT_NE(folder, backups_folder(state.dir().c_str(), b.c_str()));
    EXPECT_EQ(folder, backups_folder(state.dir().c_str(), work.path("link.prg").c_str()));
    EXPECT_EQ(folder, backups_folder(state.dir().c_str(), work.path("a/../a/game.prg").c_str()));
}

TEST_F(Backups, AFolderThatCannotBeMadeIsSaidAndTheProjectStays)
{
    const std::string project = work.path("game.prg");
    zbx_write_file(project, bytes(1));
    // A file where the state folder's "zembrix" should be.
    zbx_write_file(state.path("zembrix"), bytes(0));
    GError *error = nullptr;
    EXPECT_NE(zbx_outcome(backups_keep(state.dir().c_str(), project.c_str(), 3, &error), &error)
                  .find("backup folder"),
              std::string::npos);
    EXPECT_TRUE(zbx_bytes_equal(bytes(1), zbx_read_file(project)));
}
