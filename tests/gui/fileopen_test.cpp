// The choosers' previews of the file under the cursor. (What a chooser
// remembers: FileMenu.OpenChooserStartsAmongTheExamplesOrInTheRememberedFolder.)
#include "window_support.h"

#include "ui/fileopen.h"

#include <sys/stat.h>

TEST(ChooserPreviews, ShowPicturesAndObjectsAndSkipEverythingElse)
{
    TempFolder folder;
    const std::string picture = zbx_source_path("tests/data/pictures/koala/NINJA3.KOA");
    const std::string object = zbx_source_path("tests/data/files/object_3.zbxobject");
    GRef<GdkPixbuf> shown(fileopen_preview_picture(picture.c_str()));
    ASSERT_TRUE(shown);
    EXPECT_EQ(gdk_pixbuf_get_width(shown.get()), 320);
    shown.reset(fileopen_preview_object(object.c_str()));
    ASSERT_TRUE(shown);
    EXPECT_LE(gdk_pixbuf_get_width(shown.get()), 120);
    // An object is no picture and a picture no object.
    EXPECT_FALSE(GRef<GdkPixbuf>(fileopen_preview_picture(object.c_str())));
    EXPECT_FALSE(GRef<GdkPixbuf>(fileopen_preview_object(picture.c_str())));
    // Folders, missing files, and a pipe, which would never end: nothing
    // is read, nothing shown.
    const std::string pipe = folder / "pipe.koa";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string &path : {pipe, folder.path(), folder / "missing.koa"}) {
        EXPECT_FALSE(GRef<GdkPixbuf>(fileopen_preview_picture(path.c_str()))) << path;
        EXPECT_FALSE(GRef<GdkPixbuf>(fileopen_preview_object(path.c_str()))) << path;
    }
}
