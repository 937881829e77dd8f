// Reading and writing whole files: every reader refuses what could hang it
// or exhaust memory, and every writer replaces its file all or nothing,
// through links and with the file's permissions kept.
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <glib/gstdio.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
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

// Users that own nothing on the system, for files of another user.
constexpr uid_t kOwner = 4001;
constexpr uid_t kSomeoneElse = 4002;

// Runs body in a child process, as user uid when the tests run as the
// administrator (as ourselves otherwise), and returns what it returned.
std::string in_child(uid_t uid, const std::function<std::string()> &body)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return "no pipe";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) {
            _exit(2);
        }
        const std::string result = body();
        const bool sent =
            ::write(fds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        _exit(sent ? 0 : 3);
    }
    close(fds[1]);
    std::string result;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the child ended with status " + std::to_string(status);
    }
    return result;
}

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
    // A bound far above the file costs nothing: a small file read under a
    // bound of 64 GiB (recovery copies and images have bounds of many
    // megabytes) is read as it is, with no room made for the bound.
    EXPECT_EQ(
        zbx_outcome(fileio_read_file(just_over.c_str(), &read, &error, gsize{64} << 30), &error),
        "");
    EXPECT_EQ(read, largest);
    EXPECT_LT(read.capacity(), 4 * largest.size());
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

    std::vector<FileioNote> notes;
    GError *error = nullptr;
    EXPECT_EQ(zbx_outcome(fileio_write_file(relative_link.c_str(), std::vector<uint8_t>{2, 2},
                                            &notes, &error),
                          &error),
              "");
    struct stat st = {};
    ASSERT_EQ(lstat(relative_link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(zbx_read_file(real), (std::vector<uint8_t>{2, 2}));
    // The file is replaced whole like any other: its other hard link keeps
    // the old content, and the caller hears of it under the name it gave.
    EXPECT_EQ(zbx_read_file(hard), (std::vector<uint8_t>{1}));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].kind, FileioNoteKind::OtherLinksKeepOld);
    EXPECT_EQ(notes[0].filename, relative_link);
    EXPECT_EQ(notes[0].message,
              "\"" + relative_link + "\" had 1 other hard link: it keeps the old content");
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 1u);

    // Without further links the file is replaced, its mode kept, and
    // nothing is noted.
    notes.clear();
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    EXPECT_EQ(
        zbx_outcome(fileio_write_file(real.c_str(), std::vector<uint8_t>{3, 3, 3}, &notes, &error),
                    &error),
        "");
    EXPECT_TRUE(notes.empty());
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

TEST_F(FileIo, AFailingLateOutputPutsBackTheFilesTheEarlierOnesReplaced)
{
    const std::string first = tmp.path("first.prg");
    const std::string first_link = tmp.path("first-link.prg");
    const std::string second = tmp.path("second.png");
    const std::string third = tmp.path("third.bin");
    zbx_write_file(first, {1});
    ASSERT_EQ(link(first.c_str(), first_link.c_str()), 0);
    zbx_write_file(third, {3});
    struct stat before = {};
    ASSERT_EQ(stat(first.c_str(), &before), 0);
    const std::vector<uint8_t> a = {9, 9};
    const std::vector<uint8_t> b = {8};
    const std::vector<uint8_t> c = {7};
    const FileioOutput outputs[] = {{first.c_str(), a}, {second.c_str(), b}, {third.c_str(), c}};

    // The last target becomes a folder with something in it just before it
    // would be replaced: the earlier outputs are undone.
    const auto folder_in_the_way = [&](size_t i) {
        if (i == 2) {
            ASSERT_EQ(unlink(third.c_str()), 0);
            ASSERT_EQ(g_mkdir(third.c_str(), 0700), 0);
            zbx_write_file(third + "/inside", {0});
        }
    };
    std::vector<FileioNote> notes;
    GError *error = nullptr;
    EXPECT_EQ(zbx_outcome(fileio_write_files_observed(outputs, &notes, folder_in_the_way, &error),
                          &error),
              "Could not write \"" + third + "\": Is a directory");
    EXPECT_TRUE(notes.empty());
    // The very file is back, with its other link, and nothing is left beside.
    struct stat after = {};
    ASSERT_EQ(stat(first.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(zbx_read_file(first), (std::vector<uint8_t>{1}));
    EXPECT_EQ(names(), (std::vector<std::string>{"first-link.prg", "first.prg", "third.bin"}));

    // With the way clear the same write goes through and keeps nothing.
    ASSERT_EQ(unlink((third + "/inside").c_str()), 0);
    ASSERT_EQ(rmdir(third.c_str()), 0);
    EXPECT_EQ(zbx_outcome(fileio_write_files(outputs, &notes, &error), &error), "");
    EXPECT_EQ(zbx_read_file(first), a);
    EXPECT_EQ(zbx_read_file(first_link), (std::vector<uint8_t>{1}));
    EXPECT_EQ(zbx_read_file(second), b);
    EXPECT_EQ(zbx_read_file(third), c);
    EXPECT_EQ(names(),
              (std::vector<std::string>{"first-link.prg", "first.prg", "second.png", "third.bin"}));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].filename, first);
}

TEST_F(FileIo, WhereNoHardLinkCanBeMadeACopyOfTheOldFileIsPutBack)
{
    // The kernel refuses another user a hard link to a set-user-id file.
    std::vector<uint8_t> protection;
    GError *error = nullptr;
    if (geteuid() != 0 ||
        !fileio_read_file("/proc/sys/fs/protected_hardlinks", &protection, &error) ||
        protection != std::vector<uint8_t>{'1', '\n'}) {
        g_clear_error(&error);
        GTEST_SKIP() << "needs the administrator and protected hard links";
    }
    ASSERT_EQ(chmod(tmp.dir().c_str(), 0777), 0);
    const std::string first = tmp.path("first.prg");
    const std::string second = tmp.path("second.bin");
    zbx_write_file(first, {1, 2, 3});
    ASSERT_EQ(chown(first.c_str(), kOwner, kOwner), 0);
    ASSERT_EQ(chmod(first.c_str(), 04666), 0);
    const std::vector<uint8_t> data = {9};
    const FileioOutput outputs[] = {{first.c_str(), data}, {second.c_str(), data}};
    const std::string said = in_child(kSomeoneElse, [&] {
        GError *child_error = nullptr;
        return zbx_outcome(fileio_write_files_observed(
                               outputs, nullptr,
                               [&](size_t i) {
                                   if (i == 1) {
                                       g_mkdir(second.c_str(), 0700);
                                       zbx_write_file(second + "/inside", {0});
                                   }
                               },
                               &child_error),
                           &child_error);
    });
    EXPECT_EQ(said, "Could not write \"" + second + "\": Is a directory");
    EXPECT_EQ(zbx_read_file(first), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(names(), (std::vector<std::string>{"first.prg", "second.bin"}));
}

TEST_F(FileIo, TwoOutputsThatAreOneFileAreRefusedBeforeAnythingIsWritten)
{
    const std::string png = tmp.path("out.png");
    zbx_write_file(png, {1});
    ASSERT_EQ(symlink("out.png", tmp.path("link.png").c_str()), 0);
    ASSERT_EQ(link(png.c_str(), tmp.path("hard.png").c_str()), 0);
    ASSERT_EQ(g_mkdir(tmp.path("sub").c_str(), 0700), 0);
    const struct
    {
        std::string a;
        std::string b;
    } cases[] = {
        {png, png},
        {tmp.path("link.png"), png},
        {png, tmp.path("hard.png")},
        {png, tmp.path("sub/../out.png")},
        {tmp.path("new.bin"), tmp.path("sub/../new.bin")},
    };
    const std::vector<std::string> before = names();
    const std::vector<uint8_t> data = {2, 2};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.a + " " + c.b);
        const FileioOutput outputs[] = {{c.a.c_str(), data}, {c.b.c_str(), data}};
        GError *error = nullptr;
        EXPECT_EQ(zbx_outcome(fileio_write_files(outputs, &error), &error),
                  "Cannot write \"" + c.a + "\" and \"" + c.b +
                      "\": they are the same file, and each output needs a file of its own");
        EXPECT_EQ(zbx_read_file(png), (std::vector<uint8_t>{1}));
        EXPECT_EQ(names(), before);
    }
}

TEST(FileIoLinks, InASharedStickyFolderOnlyLinksOfTheSaverOrTheFolderOwnerAreFollowed)
{
    const struct
    {
        mode_t folder_mode;
        uid_t link_owner;
        bool followed;
    } cases[] = {
        // Folder owned by 100, saved by 300.
        {01777, 200, false}, {01777, 300, true}, {01777, 100, true},
        {0777, 200, true},   {01775, 200, true}, {01770, 200, true},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(fileio_may_follow_link(S_IFDIR | c.folder_mode, 100, c.link_owner, 300),
                  c.followed)
            << std::oct << c.folder_mode << " " << std::dec << c.link_owner;
    }
}

TEST_F(FileIo, ALinkInASharedStickyFolderIsFollowedOnlyWhenItsOwnerMayBeTrusted)
{
    const std::string real = tmp.path("real.prg");
    zbx_write_file(real, {1});
    const std::string shared = tmp.path("shared");
    ASSERT_EQ(g_mkdir(shared.c_str(), 0700), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string link_path = shared + "/project.prg";
    ASSERT_EQ(symlink(real.c_str(), link_path.c_str()), 0);
    // Our own link is written through.
    EXPECT_EQ(write(link_path, {2}), "");
    EXPECT_EQ(zbx_read_file(real), (std::vector<uint8_t>{2}));
    if (geteuid() != 0) {
        GTEST_SKIP() << "links of other users need the administrator to be made";
    }
    // One planted by another user, in a folder of a third, is not.
    ASSERT_EQ(chown(shared.c_str(), kOwner, kOwner), 0);
    ASSERT_EQ(lchown(link_path.c_str(), kSomeoneElse, kSomeoneElse), 0);
    EXPECT_EQ(write(link_path, {3}), "Cannot write \"" + link_path + "\": the symbolic link \"" +
                                         link_path + "\" in the shared folder \"" + shared +
                                         "\" belongs to another user");
    EXPECT_EQ(zbx_read_file(real), (std::vector<uint8_t>{2}));
    // The folder's owner's link is trusted again.
    ASSERT_EQ(lchown(link_path.c_str(), kOwner, kOwner), 0);
    EXPECT_EQ(write(link_path, {4}), "");
    EXPECT_EQ(zbx_read_file(real), (std::vector<uint8_t>{4}));
}

TEST_F(FileIo, TheOwnerIsKeptWhereItCanBeAndSaidWhereNot)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "files of other users need the administrator to be made";
    }
    ASSERT_EQ(chmod(tmp.dir().c_str(), 0777), 0);
    const std::string shared = tmp.path("shared.prg");
    zbx_write_file(shared, {1});
    ASSERT_EQ(chown(shared.c_str(), kOwner, kOwner), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0666), 0);
    std::vector<FileioNote> notes;
    GError *error = nullptr;
    EXPECT_EQ(
        zbx_outcome(fileio_write_file(shared.c_str(), std::vector<uint8_t>{2}, &notes, &error),
                    &error),
        "");
    EXPECT_TRUE(notes.empty());
    struct stat st = {};
    ASSERT_EQ(stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kOwner);
    EXPECT_EQ(st.st_gid, kOwner);

    // Another user may write the file but cannot give it away: it is said.
    const std::string said = in_child(kSomeoneElse, [&] {
        std::vector<FileioNote> found;
        GError *child_error = nullptr;
        std::string outcome = zbx_outcome(
            fileio_write_file(shared.c_str(), std::vector<uint8_t>{3}, &found, &child_error),
            &child_error);
        for (const FileioNote &note : found) {
            outcome +=
                (note.kind == FileioNoteKind::OwnerChanged ? "owner: " : "other: ") + note.message;
        }
        return outcome;
    });
    EXPECT_EQ(said, "owner: The owner of \"" + shared +
                        "\" changed from 4001:4001 to 4002:4002: it could not be kept");
    ASSERT_EQ(stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kSomeoneElse);
    EXPECT_EQ(zbx_read_file(shared), (std::vector<uint8_t>{3}));
}

TEST_F(FileIo, AFolderThatCannotBeWrittenIsNamedInTheError)
{
    ASSERT_EQ(chmod(tmp.dir().c_str(), 0777), 0);
    const std::string locked = tmp.path("locked");
    ASSERT_EQ(g_mkdir(locked.c_str(), 0755), 0);
    const std::string file = locked + "/saved.prg";
    zbx_write_file(file, {1});
    ASSERT_EQ(chmod(file.c_str(), 0666), 0);
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    }
    EXPECT_EQ(in_child(kSomeoneElse, [&] { return write(file, {2}); }),
              "Could not write \"" + file + "\": cannot make a file in the folder \"" + locked +
                  "\": Permission denied");
    EXPECT_EQ(zbx_read_file(file), (std::vector<uint8_t>{1}));
    chmod(locked.c_str(), 0755);
}

TEST_F(FileIo, LongNamesCanBeSavedAndStaleTemporaryFilesOfOursAreCleared)
{
    // Temporary names are short: the longest names a folder allows save.
    for (const size_t length : {249, 255}) {
        const std::string name = tmp.path(std::string(length, 'n'));
        EXPECT_EQ(write(name, {1}), "") << length;
        EXPECT_EQ(write(name, {2}), "") << length;
        EXPECT_EQ(zbx_read_file(name), (std::vector<uint8_t>{2}));
        ASSERT_EQ(unlink(name.c_str()), 0);
    }
    for (const char *name : {".zbx-AbC123.tmp", ".zbx-LOCKED.tmp", ".zbx-ab.tmp", ".zbx-AbC12!.tmp",
                             "zbx-AbC123.tmp", "notes.tmp"}) {
        zbx_write_file(tmp.path(name), {0});
    }
    // A save at work holds a lock on its temporary file.
    const int held = ::open(tmp.path(".zbx-LOCKED.tmp").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::vector<std::string> all = names();
    fileio_clear_stale_temps(tmp.dir().c_str(), 600);
    EXPECT_EQ(names(), all);
    fileio_clear_stale_temps(tmp.dir().c_str(), 0);
    EXPECT_EQ(names(), (std::vector<std::string>{".zbx-AbC12!.tmp", ".zbx-LOCKED.tmp",
                                                 ".zbx-ab.tmp", "notes.tmp", "zbx-AbC123.tmp"}));
    close(held);
}

TEST(FileIoNames, ControlCharactersInNamesAreEscapedInMessages)
{
    EXPECT_EQ(fileio_display_name("plain \xc3\xa9t\xc3\xa9.prg"), "plain \xc3\xa9t\xc3\xa9.prg");
    EXPECT_EQ(fileio_display_name("a\nb\tc\rd"), "a\\nb\\tc\\rd");
    EXPECT_EQ(fileio_display_name("\x1b[31mred\x7f"), "\\x1b[31mred\\x7f");
    EXPECT_EQ(fileio_display_name("\xc2\x9b"
                                  "2J"),
              "\\u009b2J");
    ZbxTempDir tmp;
    const std::string name = tmp.path("no\nfolder/x\x1b.bin");
    EXPECT_EQ(write(name, {1}), "Could not write \"" + tmp.dir() +
                                    "/no\\nfolder/x\\x1b.bin\": No such file or directory");
    // The readers' messages too.
    ZbxProject project;
    GError *error = nullptr;
    EXPECT_EQ(zbx_outcome(zembrix_parse(std::vector<uint8_t>{1}, "x\x1b.prg", &project, nullptr,
                                        nullptr, &error),
                          &error),
              "File \"x\\x1b.prg\" is too short");
}
