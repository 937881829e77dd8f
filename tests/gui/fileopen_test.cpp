// The picture chooser: its filters as written, the filter it remembers for
// the run, the folder it remembers, and its preview of the file under the
// cursor.
#include "window_support.h"

#include <sys/stat.h>

namespace {

// As the chooser names it: without "..".
std::string canonical(const std::string &path)
{
    GCharPtr real(realpath(path.c_str(), nullptr));
    return real ? real.get() : path;
}

const std::string kPictures = canonical(zbx_source_path("tests/data/pictures"));

class Choosers : public WindowAtWork
{
  protected:
    ChooserAnswer picture(const std::string &path, int use_filter = -1)
    {
        ChooserAnswer answer;
        answer.title = "Select a picture file";
        answer.path = path;
        answer.use_filter = use_filter;
        answer.probes = {"a.koa", "PICTURE.KOA", "b.kla", "c.pet", "d.prg", "e.Prg", "f.pRg"};
        answer_next_chooser(&answer);
        char *chosen = nullptr;
        returned = fileopen_open_hires_file(&chosen);
        GCharPtr owned(chosen);
        returned_path = chosen != nullptr ? chosen : "";
        return answer;
    }
    gboolean returned = FALSE;
    std::string returned_path;
};

TEST_F(Choosers, PictureChooserFiltersRememberedFilterAndFolder)
{
    const std::string upper = kPictures + "/koala/NINJA3.KOA";
    ChooserAnswer first = picture(upper, 2);
    ASSERT_TRUE(first.answered);
    EXPECT_TRUE(returned);
    EXPECT_EQ(returned_path, upper);
    EXPECT_EQ(first.filter_names,
              (std::vector<std::string>{
                  "  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) ",
                  "  Image files as non-executable PRG files (.prg) ", "  All files (*) "}));
    EXPECT_EQ(first.selected_filter, 0);
    // Patterns match as written: upper-case names only under all files; no
    // pattern for .pet although the name lists it.
    EXPECT_EQ(first.passes[0], (std::vector<bool>{true, false, true, false, false, false, false}));
    EXPECT_EQ(first.passes[1], (std::vector<bool>{false, false, false, false, true, true, false}));
    EXPECT_EQ(first.passes[2], std::vector<bool>(7, true));
    // The picture chooser has a preview of no fixed size.
    EXPECT_TRUE(first.has_preview);
    EXPECT_EQ(first.preview_request[0], -1);
    EXPECT_STREQ(options_get_folder(OPTIONS_PICTURE_DIR), (kPictures + "/koala").c_str());

    // All files was in use: offered first next time. A picture saved as a
    // program file, chosen under the PRG filter...
    const std::string prg = folder / "PIC.prg";
    zbx_write_file(prg, zbx_read_file(kPictures + "/koala/metal.kla"));
    ChooserAnswer second = picture(prg, 1);
    ASSERT_TRUE(second.answered);
    EXPECT_EQ(second.selected_filter, 2);
    EXPECT_EQ(second.folder, kPictures + "/koala");
    EXPECT_EQ(options_get_folder(OPTIONS_PICTURE_DIR), folder.path());

    // ...makes it the first choice; a cancel changes nothing.
    ChooserAnswer third = picture("");
    ASSERT_TRUE(third.answered);
    EXPECT_FALSE(returned);
    EXPECT_EQ(third.selected_filter, 1);
    EXPECT_EQ(third.folder, folder.path());
    ChooserAnswer fourth = picture("");
    EXPECT_EQ(fourth.selected_filter, 1);
    EXPECT_EQ(options_get_folder(OPTIONS_PICTURE_DIR), folder.path());
}

TEST(ChooserPreviews, ShowPicturesAndObjectsAndSkipEverythingElse)
{
    TempFolder folder;
    GRef<GdkPixbuf> picture(fileopen_preview_picture((kPictures + "/koala/NINJA3.KOA").c_str()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(gdk_pixbuf_get_width(picture.get()), 320);
    EXPECT_EQ(gdk_pixbuf_get_height(picture.get()), 200);
    GRef<GdkPixbuf> object(
        fileopen_preview_object(zbx_source_path("tests/data/files/object_3.zbxobject").c_str()));
    ASSERT_TRUE(object);
    EXPECT_LE(gdk_pixbuf_get_width(object.get()), 120);
    EXPECT_LE(gdk_pixbuf_get_height(object.get()), 120);
    // An object is no picture and a picture no object.
    EXPECT_FALSE(GRef<GdkPixbuf>(
        fileopen_preview_picture(zbx_source_path("tests/data/files/object_3.zbxobject").c_str())));
    EXPECT_FALSE(
        GRef<GdkPixbuf>(fileopen_preview_object((kPictures + "/koala/metal.kla").c_str())));
    // Folders, missing files, and a pipe, which would never end: nothing
    // is read, nothing shown.
    const std::string pipe = folder / "pipe.koa";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string &path : {pipe, folder.path(), folder / "missing.koa"}) {
        EXPECT_FALSE(GRef<GdkPixbuf>(fileopen_preview_picture(path.c_str()))) << path;
        EXPECT_FALSE(GRef<GdkPixbuf>(fileopen_preview_object(path.c_str()))) << path;
    }
}

TEST_F(Choosers, OpeningAProjectLeavesTheLastProjectPathAsItWas)
{
    const char *name = nullptr;
    ASSERT_TRUE(open_through_menu(zbx_source_path("tests/data/files/sample.prg")));
    fileopen_get_zembrix_filename(&name);
    EXPECT_EQ(name, nullptr);
}

} // namespace
