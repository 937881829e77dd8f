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

TEST(ChooserFilters, EveryNameThePaintProgramsGiveShowsWhateverItsCase)
{
    TempFolder config;
    Options options(config.path().c_str());
    Choosers choosers(options);
    // Every name a paint program gives, then three that are no pictures.
    const std::vector<std::string> names = {
        "NINJA3.KOA", "abydos.koa",         "metal.kla",   "GPANTHE.gig", "coaster.rpm",
        "yazoo.ocp",  "NavySeals.ocp.mpic", "PPA3BYI.A64", "worldmap.pi", "map.BPI",
        "map.blp",    "apo343.vid",         "x.Vco",       "art.png",     "ANIM.GIF",
        "old.bmp",    "notes.txt",          "project.prg", "koa"};
    std::vector<std::string> shown;
    std::string filter_name;
    DialogAnswer answer{"Select a picture file", [&](GtkWidget *dialog) {
                            GtkFileFilter *filter =
                                gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
                            filter_name = gtk_file_filter_get_name(filter);
                            for (const std::string &name : names) {
                                GtkFileFilterInfo info{};
                                info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
                                info.display_name = name.c_str();
                                if (gtk_file_filter_filter(filter, &info)) {
                                    shown.push_back(name);
                                }
                            }
                            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
                        }};
    answer_next_dialog(&answer);
    std::string path;
    EXPECT_FALSE(choosers.open_hires_file(&path));
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(shown, std::vector<std::string>(names.begin(), names.end() - 3));
    // The filter names every extension it takes.
    for (const char *extension : {".koa;", ".vco;", ".png", ".gif", ".bmp"}) {
        EXPECT_NE(filter_name.find(extension), std::string::npos) << filter_name;
    }
}
