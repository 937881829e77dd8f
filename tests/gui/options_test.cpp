// The options file: round trip, and the damaged files a user may end up
// with. (A first run's file and folder: tests/e2e/grab_object.sh.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/paths.h"
#include "window_support.h"

namespace {

class OptionsTest : public testing::Test
{
  protected:
    std::string folder() const { return config / "zbx-decoder"; }
    std::string file() const { return folder() + "/user-qv.ini"; }

    // Writes the file, then reads options over it.
    void start_with(const std::string &text)
    {
        g_mkdir_with_parents(folder().c_str(), 0700);
        ASSERT_TRUE(g_file_set_contents(file().c_str(), text.c_str(), -1, nullptr));
        options = std::make_unique<Options>(config.path().c_str());
    }

    TempFolder config;
    std::unique_ptr<Options> options;
};

TEST_F(OptionsTest, FoldersWithSpacesAndTheWindowPositionRoundTrip)
{
    Options first(config.path().c_str());
    const std::string pictures = config / "My Pictures";
    const std::string objects = config / "objets d'art";
    g_mkdir(pictures.c_str(), 0700);
    g_mkdir(objects.c_str(), 0700);
    first.set_folder(OPTIONS_PICTURE_DIR, pictures.c_str());
    first.set_folder(OPTIONS_OBJECT_DIR, objects.c_str());
    first.set_incremental_rendering(true);
    ASSERT_TRUE(first.save(120, 80));

    options = std::make_unique<Options>(config.path().c_str());
    EXPECT_STREQ(options->folder(OPTIONS_PICTURE_DIR), pictures.c_str());
    EXPECT_STREQ(options->folder(OPTIONS_OBJECT_DIR), objects.c_str());
    EXPECT_EQ(options->folder(OPTIONS_ZEMBRIX_DIR), nullptr);
    EXPECT_TRUE(options->incremental_rendering());
    int x = 0, y = 0;
    ASSERT_TRUE(options->window_position(&x, &y));
    EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({120, 80}));
}

TEST_F(OptionsTest, DamagedFilesAreReadAsFarAsTheyMakeSense)
{
    // A malformed file is ignored until the next save.
    const std::string garbage = "this is [not a key file\n\x01\x02";
    start_with(garbage);
    EXPECT_FALSE(options->incremental_rendering());
    EXPECT_EQ(read_file(file()), garbage);
    ASSERT_TRUE(options->save());
    EXPECT_NE(read_file(file()).find("\nincremental_rendering=false\n"), std::string::npos);

    // A position needs exactly two numbers.
    for (auto [value, ok] :
         {std::pair{"10;20;30;", false}, {"10;", false}, {"ten;20;", false}, {"-10;20;", true}}) {
        start_with(std::string("[application]\nposition=") + value + "\n");
        int x = 0, y = 0;
        EXPECT_EQ(options->window_position(&x, &y), ok) << value;
        EXPECT_EQ(x, ok ? -10 : 0) << value;
    }

    // Incremental rendering is on only for true (or 1); a missing key turns
    // a previously loaded "on" off.
    for (auto [value, on] :
         {std::pair{"true", true}, {"maybe", false}, {"false", false}, {"1", true}, {"", false}}) {
        start_with(std::string("[misc]\nincremental_rendering=") + value + "\n");
        EXPECT_EQ(options->incremental_rendering(), on) << value;
    }
    start_with("[misc]\nincremental_rendering=true\n");
    ASSERT_TRUE(g_file_set_contents(file().c_str(), "[misc]\n", -1, nullptr));
    options->load();
    EXPECT_FALSE(options->incremental_rendering());
}

TEST_F(OptionsTest, OnlyExistingLocalFoldersAreTaken)
{
    const std::string kept = config / "kept";
    g_mkdir(kept.c_str(), 0700);
    GCharPtr kept_uri(g_filename_to_uri(kept.c_str(), nullptr, nullptr));
    GCharPtr gone_uri(g_filename_to_uri((config / "gone").c_str(), nullptr, nullptr));
    GCharPtr file_uri(g_filename_to_uri(file().c_str(), nullptr, nullptr));
    // A folder deleted since, a bare path that is no URI and a file that is
    // no folder are dropped, and written back as unknown.
    start_with(std::string("[directories]\nzembrix_dir=") + kept_uri.get() +
               "\nobject_dir=" + gone_uri.get() + "\npicture_dir=" + kept + "\n");
    EXPECT_STREQ(options->folder(OPTIONS_ZEMBRIX_DIR), kept.c_str());
    EXPECT_EQ(options->folder(OPTIONS_OBJECT_DIR), nullptr);
    EXPECT_EQ(options->folder(OPTIONS_PICTURE_DIR), nullptr);
    ASSERT_TRUE(options->save());
    const std::string text = read_file(file());
    EXPECT_NE(text.find("object_dir=(NULL)\npicture_dir=(NULL)\n"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("zembrix_dir=") + kept_uri.get() + "\n"), std::string::npos);
    start_with(std::string("[directories]\nzembrix_dir=") + file_uri.get() + "\n");
    EXPECT_EQ(options->folder(OPTIONS_ZEMBRIX_DIR), nullptr);
}

TEST_F(OptionsTest, UncreatableFolderIsToldOnceAndNothingIsWrittenElsewhere)
{
    // The settings "folder" is a plain file: nothing can be made in it.
    const std::string blocker = config / "zbx-decoder";
    ASSERT_TRUE(g_file_set_contents(blocker.c_str(), "", 0, nullptr));
    GCharPtr cwd(g_get_current_dir());
    ASSERT_EQ(chdir(config.path().c_str()), 0);
    testing::internal::CaptureStderr();
    options = std::make_unique<Options>(config.path().c_str());
    const std::string path = options->path();
    options->set_incremental_rendering(true);
    EXPECT_FALSE(options->save());
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(chdir(cwd.get()), 0);
    EXPECT_EQ(path, "");
    EXPECT_EQ(told, "The settings cannot be saved: cannot make the folder \"" + blocker +
                        "\": Not a directory\n");
    EXPECT_FALSE(g_file_test((config / "user-qv.ini").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_EQ(read_file(blocker), "");
    // The run goes on with the settings in memory.
    EXPECT_TRUE(options->incremental_rendering());
}

TEST_F(OptionsTest, ASettingsFileThatLinksOutOfItsFolderIsNotWrittenThroughAndFailuresAreToldOnce)
{
    // A settings file that is a link to a project: the project stays.
    g_mkdir_with_parents(folder().c_str(), 0700);
    const std::string project = config / "project.prg";
    ASSERT_TRUE(g_file_set_contents(project.c_str(), "project", -1, nullptr));
    ASSERT_EQ(symlink(project.c_str(), file().c_str()), 0);
    options = std::make_unique<Options>(config.path().c_str());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(options->save(10, 20));
    EXPECT_FALSE(options->save());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The settings cannot be saved: Cannot write \"" + file() +
                  "\": it is a symbolic link to \"" + project + "\", outside its folder\n");
    EXPECT_EQ(read_file(project), "project");

    // A link to another file in the folder is written through.
    ASSERT_EQ(unlink(file().c_str()), 0);
    ASSERT_EQ(symlink("shared.ini", file().c_str()), 0);
    options = std::make_unique<Options>(config.path().c_str());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(options->save(10, 20));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(read_file(folder() + "/shared.ini").find("position=10;20;"), std::string::npos);

    // A settings file that cannot be written is told once, not at every save.
    ASSERT_EQ(unlink(file().c_str()), 0);
    ASSERT_EQ(g_mkdir(file().c_str(), 0700), 0);
    options = std::make_unique<Options>(config.path().c_str());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(options->save());
    EXPECT_FALSE(options->save(1, 2));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The settings cannot be saved: Cannot write \"" + file() +
                  "\": it is a folder, not a regular file\n");
}

} // namespace
