// Reading and writing whole files: every reader refuses what could hang it
// or exhaust memory, and every writer replaces its file all or nothing,
// through links and with the file's permissions kept.
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "files/fileio.h"
#include "files/object_file.h"
#include "files/picture_file.h"
#include "files/zembrix.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "support/bytes.h"
#include "support/items_fixture.h"

namespace {

class FileIo : public DocumentTest
{
  protected:
    ZbxTempDir tmp;

    // The names in the test folder, sorted.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        GDir *dir = g_dir_open(tmp.dir().c_str(), 0, nullptr);
        while (const char *name = dir != nullptr ? g_dir_read_name(dir) : nullptr) {
            found.emplace_back(name);
        }
        if (dir != nullptr) {
            g_dir_close(dir);
        }
        std::sort(found.begin(), found.end());
        return found;
    }
};

std::string write(const std::string &path, const std::vector<uint8_t> &bytes)
{
    GError *error = nullptr;
    const bool ok = fileio_write_file(path.c_str(), bytes, &error);
    return zbx_outcome(ok, &error);
}

// Files may grow to `limit` bytes while it lives, as on a full disk.
class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit low = saved_;
        low.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_handler_);
    }

  private:
    rlimit saved_ = {};
    void (*old_handler_)(int) = nullptr;
};

} // namespace

TEST_F(FileIo, EveryReaderRefusesDevicesPipesFoldersAndOversizedFilesWithoutReading)
{
    const std::string fifo = tmp.path("pipe.prg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A sparse file: huge in size, nothing on disk.
    const std::string huge = tmp.path("huge.prg");
    {
        const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, off_t{1} << 40), 0);
        close(fd);
    }
    const std::string just_over = tmp.path("over.prg");
    zbx_write_file(just_over, std::vector<uint8_t>(kFileioMaxInput + 1, 0));
    const struct
    {
        std::string path;
        std::string message;
    } cases[] = {
        {"/dev/zero", "Cannot read \"/dev/zero\": it is a device, not a regular file"},
        {fifo, "Cannot read \"" + fifo + "\": it is a pipe, not a regular file"},
        {tmp.dir(), "Cannot read \"" + tmp.dir() + "\": it is a folder, not a regular file"},
        {huge, "File \"" + huge +
                   "\" is too large: 1099511627776 bytes, and no file of its kind has more "
                   "than 65538"},
        {just_over, "File \"" + just_over +
                        "\" is too large: 65539 bytes, and no file of its kind has more than "
                        "65538"},
    };
    doc.new_project();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        GError *error = nullptr;
        EXPECT_EQ(open(c.path), c.message);
        std::vector<uint8_t> hires(kHiresDataSize);
        GdkPixbuf *image = nullptr;
        EXPECT_EQ(zbx_outcome(
                      picture_read_file(c.path.c_str(), kHiresDetect, &image, hires.data(), &error),
                      &error),
                  c.message);
        image = objfile_read_image(c.path.c_str(), &error);
        EXPECT_EQ(zbx_outcome(image != nullptr, &error), c.message);
        EXPECT_EQ(image, nullptr);
        std::vector<uint8_t> record;
        EXPECT_EQ(zbx_outcome(objfile_read(c.path.c_str(), &record, &error), &error), c.message);
    }
    EXPECT_EQ(doc.item_count(), 0);

    // The largest file any reader takes is read whole.
    std::vector<uint8_t> largest(kFileioMaxInput, 7);
    zbx_write_file(just_over, largest);
    std::vector<uint8_t> read;
    GError *error = nullptr;
    EXPECT_EQ(zbx_outcome(fileio_read_file(just_over.c_str(), &read, &error), &error), "");
    EXPECT_EQ(read, largest);
    EXPECT_EQ(zbx_outcome(fileio_read_file(tmp.path("missing").c_str(), &read, &error), &error),
              "Could not open \"" + tmp.path("missing") + "\": No such file or directory");
}

TEST_F(FileIo, AFailedWriteKeepsTheOldFileLeavesNothingBehindAndNamesTheFileGiven)
{
    const std::string target = tmp.path("saved.prg");
    zbx_write_file(target, {1, 2, 3});
    {
        FileSizeLimit full(100);
        EXPECT_EQ(write(target, std::vector<uint8_t>(1000, 9)),
                  "Could not write \"" + target + "\": File too large");
        EXPECT_EQ(write(tmp.path("new.png"), std::vector<uint8_t>(1000, 9)),
                  "Could not write \"" + tmp.path("new.png") + "\": File too large");
        // A project save and an object export fail alike.
        load({zbx_object_item(zbx_test_record(15, 15))});
        GError *error = nullptr;
        EXPECT_EQ(zbx_outcome(zembrix_write_file(target.c_str(), doc.project(), &error), &error),
                  "Could not write \"" + target + "\": File too large");
        EXPECT_EQ(zbx_outcome(objfile_write(target.c_str(), doc.object_record(0), &error), &error),
                  "Could not write \"" + target + "\": File too large");
    }
    EXPECT_EQ(zbx_read_file(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(names(), std::vector<std::string>{"saved.prg"});
}

TEST_F(FileIo, WritesGoThroughLinksAndKeepPermissions)
{
    const std::string real = tmp.path("real.prg");
    zbx_write_file(real, {1});
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(g_mkdir(tmp.path("sub").c_str(), 0700), 0);
    const std::string relative_link = tmp.path("sub/link.prg");
    ASSERT_EQ(symlink("../real.prg", relative_link.c_str()), 0);
    const std::string hard = tmp.path("hard.prg");
    ASSERT_EQ(link(real.c_str(), hard.c_str()), 0);

    EXPECT_EQ(write(relative_link, {2, 2}), "");
    struct stat st = {};
    ASSERT_EQ(lstat(relative_link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(zbx_read_file(real), (std::vector<uint8_t>{2, 2}));
    // Every hard link sees the new content; the mode stays.
    EXPECT_EQ(zbx_read_file(hard), (std::vector<uint8_t>{2, 2}));
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 2u);

    // Without further links the file is replaced, its mode kept.
    ASSERT_EQ(unlink(hard.c_str()), 0);
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    EXPECT_EQ(write(real, {3, 3, 3}), "");
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(zbx_read_file(real), (std::vector<uint8_t>{3, 3, 3}));

    // A dangling link makes the file it names.
    ASSERT_EQ(symlink("made.prg", tmp.path("dangling").c_str()), 0);
    EXPECT_EQ(write(tmp.path("dangling"), {4}), "");
    EXPECT_EQ(zbx_read_file(tmp.path("made.prg")), (std::vector<uint8_t>{4}));
    // A loop of links is refused.
    ASSERT_EQ(symlink("loop2", tmp.path("loop1").c_str()), 0);
    ASSERT_EQ(symlink("loop1", tmp.path("loop2").c_str()), 0);
    EXPECT_NE(write(tmp.path("loop1"), {5}), "");
}

TEST_F(FileIo, OutputsThatAreNotRegularFilesAreRefusedAndLeftAlone)
{
    const std::string fifo = tmp.path("pipe.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(write(fifo, {1}), "Cannot write \"" + fifo + "\": it is a pipe, not a regular file");
    EXPECT_EQ(write(tmp.dir(), {1}),
              "Cannot write \"" + tmp.dir() + "\": it is a folder, not a regular file");
    // A device node of our own, where the system allows making one.
    const std::string device = tmp.path("null");
    if (mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        EXPECT_EQ(write(device, {1}),
                  "Cannot write \"" + device + "\": it is a device, not a regular file");
        struct stat st = {};
        ASSERT_EQ(lstat(device.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    struct stat st = {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(FileIo, SeveralOutputsAreWrittenAllOrNone)
{
    const std::string first = tmp.path("first.png");
    const std::string kept = tmp.path("kept.bin");
    zbx_write_file(kept, {7});
    const std::vector<uint8_t> a = {1, 2};
    const std::vector<uint8_t> b = {3, 4};
    const std::string missing = tmp.path("no-such-folder/h.bin");
    const FileioOutput failing[] = {{first.c_str(), a}, {kept.c_str(), b}, {missing.c_str(), b}};
    GError *error = nullptr;
    EXPECT_EQ(zbx_outcome(fileio_write_files(failing, &error), &error),
              "Could not write \"" + missing + "\": No such file or directory");
    EXPECT_EQ(names(), std::vector<std::string>{"kept.bin"});
    EXPECT_EQ(zbx_read_file(kept), (std::vector<uint8_t>{7}));

    const FileioOutput both[] = {{first.c_str(), a}, {kept.c_str(), b}};
    EXPECT_EQ(zbx_outcome(fileio_write_files(both, &error), &error), "");
    EXPECT_EQ(zbx_read_file(first), a);
    EXPECT_EQ(zbx_read_file(kept), b);
}
