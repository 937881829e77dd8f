// Bounded, non-blocking reads and all-or-nothing writes of whole files.
#include "files/fileio.h"
#include "base/error.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/gref.h"

namespace {

// Symbolic links followed at most before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

// Temporary files of ours: ".zbx-" and six letters or digits, ".tmp".
constexpr char kTempPrefix[] = ".zbx-";
constexpr char kTempSuffix[] = ".tmp";

void set_errno_error(GError **error, int err, const char *what, const char *filename)
{
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err), "%s \"%s\": %s", what,
                fileio_display_name(filename).c_str(), g_strerror(err));
}

const char *kind_of(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "something else";
}

void set_not_regular(GError **error, const char *what, const char *filename, mode_t mode)
{
    zbx_set_error_printf(error, ZbxError::BadFile, "%s \"%s\": it is %s, not a regular file", what,
                         fileio_display_name(filename).c_str(), kind_of(mode));
}

void set_too_large(GError **error, const char *filename, goffset size, gsize max_size)
{
    zbx_set_error_printf(error, ZbxError::TooLarge,
                         "File \"%s\" is too large: %" G_GINT64_FORMAT
                         " bytes, and no file of its kind has more than %" G_GSIZE_FORMAT,
                         fileio_display_name(filename).c_str(), static_cast<gint64>(size),
                         max_size);
}

// A file descriptor closed on destruction unless handed over.
class Fd
{
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd(Fd &&other) noexcept : fd_(other.release()) {}
    Fd &operator=(Fd &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = fd;
    }
    // Closes and reports whether the close succeeded (errno set if not).
    bool close_checked() { return close(release()) == 0; }

  private:
    int fd_;
};

bool write_all(int fd, std::span<const uint8_t> data, off_t offset)
{
    while (!data.empty()) {
        const ssize_t n = pwrite(fd, data.data(), data.size(), offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        data = data.subspan(static_cast<size_t>(n));
        offset += n;
    }
    return true;
}

std::string dirname_of(const std::string &path)
{
    GCharPtr dir(g_path_get_dirname(path.c_str()));
    return dir.get();
}

// The folder resolved, then the name: one spelling for every way of naming
// a file that need not exist yet.
std::string canonical_path(const std::string &path)
{
    GCharPtr base(g_path_get_basename(path.c_str()));
    const std::unique_ptr<char, decltype(&free)> real(realpath(dirname_of(path).c_str(), nullptr),
                                                      free);
    return real ? std::string(real.get()) + "/" + base.get() : path;
}

// "name:group" of a user and group, their numbers where they have no names.
std::string owner_text(uid_t uid, gid_t gid)
{
    std::string text;
    std::vector<char> buffer(16384);
    passwd pw = {};
    passwd *found_pw = nullptr;
    if (getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found_pw) == 0 && found_pw) {
        text = found_pw->pw_name;
    } else {
        text = std::to_string(uid);
    }
    group gr = {};
    group *found_gr = nullptr;
    if (getgrgid_r(gid, &gr, buffer.data(), buffer.size(), &found_gr) == 0 && found_gr) {
        return text + ":" + found_gr->gr_name;
    }
    return text + ":" + std::to_string(gid);
}

bool is_temp_name(const char *name)
{
    const size_t prefix = sizeof kTempPrefix - 1;
    const size_t suffix = sizeof kTempSuffix - 1;
    if (strlen(name) != prefix + 6 + suffix || !g_str_has_prefix(name, kTempPrefix) ||
        !g_str_has_suffix(name, kTempSuffix)) {
        return false;
    }
    for (size_t i = prefix; i < prefix + 6; i++) {
        if (!g_ascii_isalnum(name[i])) {
            return false;
        }
    }
    return true;
}

// One output on its way: the file it really goes to and how.
struct Pending
{
    FileioOutput given = {};
    std::string path;   // after following symbolic links
    std::string folder; // the folder of path
    bool existed = false;
    struct stat old = {};
    Fd temp_fd;       // open and locked until the commit
    std::string temp; // the new content beside the target
    std::string kept; // the old file (a hard link, or a copy) until every commit is done
    bool committed = false;
    std::vector<FileioNote> notes;
};

// Follows symbolic links to the file that is to be written, and refuses
// what is not a regular file, not writable, or a link not to be trusted.
bool resolve(Pending *out, GError **error)
{
    const char *given = out->given.filename;
    std::string path = given;
    const std::string home = canonical_path(given);
    for (int hops = 0;; hops++) {
        if (hops > kMaxLinks) {
            set_errno_error(error, ELOOP, "Could not write", given);
            return false;
        }
        struct stat st = {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                set_errno_error(error, errno, "Could not write", given);
                return false;
            }
            out->path = path; // a new file (or one a dangling link names)
            break;
        }
        if (S_ISLNK(st.st_mode)) {
            const std::string folder = dirname_of(path);
            struct stat dir = {};
            if (stat(folder.c_str(), &dir) != 0) {
                set_errno_error(error, errno, "Could not write", given);
                return false;
            }
            if (!fileio_may_follow_link(dir.st_mode, dir.st_uid, st.st_uid, geteuid())) {
                zbx_set_error_printf(error, ZbxError::UnsafeLink,
                                     "Cannot write \"%s\": the symbolic link \"%s\" in the shared "
                                     "folder \"%s\" belongs to another user",
                                     fileio_display_name(given).c_str(),
                                     fileio_display_name(path.c_str()).c_str(),
                                     fileio_display_name(folder.c_str()).c_str());
                return false;
            }
            GCharPtr target(g_file_read_link(path.c_str(), nullptr));
            if (!target) {
                set_errno_error(error, errno, "Could not write", given);
                return false;
            }
            if (g_path_is_absolute(target.get())) {
                path = target.get();
            } else {
                GCharPtr joined(g_build_filename(folder.c_str(), target.get(), nullptr));
                path = joined.get();
            }
            if (out->given.stay_in_folder && dirname_of(canonical_path(path)) != dirname_of(home)) {
                zbx_set_error_printf(error, ZbxError::UnsafeLink,
                                     "Cannot write \"%s\": it is a symbolic link to \"%s\", "
                                     "outside its folder",
                                     fileio_display_name(given).c_str(),
                                     fileio_display_name(path.c_str()).c_str());
                return false;
            }
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            set_not_regular(error, "Cannot write", given, st.st_mode);
            return false;
        }
        if (g_access(path.c_str(), W_OK) != 0) {
            set_errno_error(error, errno, "Could not write", given);
            return false;
        }
        out->path = path;
        out->existed = true;
        out->old = st;
        break;
    }
    out->folder = dirname_of(out->path);
    return true;
}

// Refuses two outputs that are one file: the same file when both exist,
// the same name in the same folder otherwise.
bool check_distinct(const std::vector<Pending> &pending, GError **error)
{
    for (size_t i = 0; i < pending.size(); i++) {
        for (size_t j = i + 1; j < pending.size(); j++) {
            const Pending &a = pending[i];
            const Pending &b = pending[j];
            const bool same =
                a.existed && b.existed
                    ? a.old.st_dev == b.old.st_dev && a.old.st_ino == b.old.st_ino
                    : !a.existed && !b.existed && canonical_path(a.path) == canonical_path(b.path);
            if (same) {
                zbx_set_error_printf(error, ZbxError::SameFile,
                                     "Cannot write \"%s\" and \"%s\": they are the same file, and "
                                     "each output needs a file of its own",
                                     fileio_display_name(a.given.filename).c_str(),
                                     fileio_display_name(b.given.filename).c_str());
                return false;
            }
        }
    }
    return true;
}

void set_folder_error(GError **error, int err, const Pending &p)
{
    if (err == EACCES || err == EPERM || err == EROFS) {
        g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err),
                    "Could not write \"%s\": cannot make a file in the folder \"%s\": %s",
                    fileio_display_name(p.given.filename).c_str(),
                    fileio_display_name(p.folder.c_str()).c_str(), g_strerror(err));
    } else {
        set_errno_error(error, err, "Could not write", p.given.filename);
    }
}

// Keeps the old owner and group of the file on the new one where the
// system allows, and notes it where not.
void keep_owner(Pending *p)
{
    const struct stat &old = p->old;
    if (old.st_uid == geteuid() && old.st_gid == getegid()) {
        return;
    }
    // The group alone may still be kept when the owner cannot.
    if (fchown(p->temp_fd.get(), old.st_uid, old.st_gid) != 0) {
        (void) fchown(p->temp_fd.get(), static_cast<uid_t>(-1), old.st_gid);
    }
    struct stat now = {};
    if (fstat(p->temp_fd.get(), &now) == 0 &&
        (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
        const std::string shown = fileio_display_name(p->given.filename);
        p->notes.push_back({FileioNoteKind::OwnerChanged, p->given.filename,
                            "The owner of \"" + shown + "\" changed from " +
                                owner_text(old.st_uid, old.st_gid) + " to " +
                                owner_text(now.st_uid, now.st_gid) + ": it could not be kept"});
    }
}

// Writes the new content where it cannot harm the old one yet: into a
// temporary file beside the target, locked while this call lives.
bool prepare(Pending *p, GError **error)
{
    std::string temp = p->folder + "/" + kTempPrefix + "XXXXXX" + kTempSuffix;
    Fd fd(g_mkstemp_full(temp.data(), O_WRONLY | O_CLOEXEC, p->existed ? 0600 : 0666));
    if (fd.get() < 0) {
        set_folder_error(error, errno, *p);
        return false;
    }
    p->temp = temp;
    p->temp_fd = std::move(fd);
    (void) flock(p->temp_fd.get(), LOCK_EX | LOCK_NB);
    if (p->existed) {
        // The owner first: changing it may drop the set-id bits.
        keep_owner(p);
        (void) fchmod(p->temp_fd.get(), p->old.st_mode & 07777);
        if (p->old.st_nlink > 1) {
            const std::string shown = fileio_display_name(p->given.filename);
            const unsigned long others = static_cast<unsigned long>(p->old.st_nlink) - 1;
            p->notes.push_back(
                {FileioNoteKind::OtherLinksKeepOld, p->given.filename,
                 "\"" + shown + "\" had " + std::to_string(others) +
                     (others == 1 ? " other hard link: it keeps" : " other hard links: they keep") +
                     " the old content"});
        }
    }
    if (!write_all(p->temp_fd.get(), p->given.data, 0) || fsync(p->temp_fd.get()) != 0) {
        set_errno_error(error, errno, "Could not write", p->given.filename);
        return false;
    }
    return true;
}

// A copy of the old file beside it, where no second name can be made (a
// file system without hard links): as the old file, but a new one.
bool copy_old(Pending *p)
{
    Fd from(open(p->path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    std::string name = p->folder + "/" + kTempPrefix + "XXXXXX" + kTempSuffix;
    Fd to(from.get() < 0 ? -1 : g_mkstemp_full(name.data(), O_WRONLY | O_CLOEXEC, 0600));
    if (to.get() < 0) {
        return false;
    }
    p->kept = name; // removed again by the roll-back if the copy fails
    std::vector<uint8_t> buffer(65536);
    off_t offset = 0;
    for (;;) {
        const ssize_t n = read(from.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 ||
            !write_all(to.get(), {buffer.data(), static_cast<size_t>(std::max<ssize_t>(n, 0))},
                       offset)) {
            return false;
        }
        if (n == 0) {
            break;
        }
        offset += n;
    }
    (void) fchown(to.get(), p->old.st_uid, p->old.st_gid);
    (void) fchmod(to.get(), p->old.st_mode & 07777);
    return fsync(to.get()) == 0;
}

// A second name for the old file beside it (or a copy), so that it can be
// put back.
bool keep_old(Pending *p, GError **error)
{
    for (int tries = 0; tries < 100; tries++) {
        std::string name = p->folder + "/" + kTempPrefix;
        constexpr char kLetters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = 0; i < 6; i++) {
            name += kLetters[g_random_int_range(0, sizeof kLetters - 1)];
        }
        name += kTempSuffix;
        if (link(p->path.c_str(), name.c_str()) == 0) {
            p->kept = name;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const int err = errno;
    if (copy_old(p)) {
        return true;
    }
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err),
                "Could not write \"%s\": cannot keep the old file until the other outputs are "
                "written: %s",
                fileio_display_name(p->given.filename).c_str(), g_strerror(err));
    return false;
}

// Makes the renames in the folders last.
void sync_folder(const std::string &folder)
{
    Fd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) {
        (void) fsync(fd.get());
    }
}

// Undoes what can be undone: temporary files go, files this call created go,
// files it replaced get their old content back. Says in *error what could
// not be put back.
void roll_back(std::vector<Pending> &pending, GError **error)
{
    std::string lost;
    for (auto p = pending.rbegin(); p != pending.rend(); ++p) {
        if (!p->temp.empty()) {
            g_unlink(p->temp.c_str());
        }
        if (p->committed && !p->existed) {
            g_unlink(p->path.c_str());
        }
        if (p->committed && !p->kept.empty()) {
            if (g_rename(p->kept.c_str(), p->path.c_str()) != 0) {
                lost += "; the old content of \"" + fileio_display_name(p->given.filename) +
                        "\" is in \"" + fileio_display_name(p->kept.c_str()) + "\"";
                continue;
            }
        } else if (!p->kept.empty()) {
            g_unlink(p->kept.c_str());
        }
    }
    if (!lost.empty() && error != nullptr && *error != nullptr) {
        GError *old = *error;
        *error = g_error_new(old->domain, old->code, "%s%s", old->message, lost.c_str());
        g_error_free(old);
    }
}

} // namespace

bool fileio_read_file(const char *filename, std::vector<uint8_t> *contents, GError **error,
                      gsize max_size)
{
    contents->clear();
    GStatBuf st = {};
    if (g_stat(filename, &st) != 0) {
        set_errno_error(error, errno, "Could not open", filename);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        set_not_regular(error, "Cannot read", filename, st.st_mode);
        return false;
    }
    if (static_cast<guint64>(st.st_size) > max_size) {
        set_too_large(error, filename, st.st_size, max_size);
        return false;
    }
    // Not blocking: the name may have become a pipe since it was looked at.
    Fd fd(g_open(filename, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0));
    if (fd.get() < 0) {
        set_errno_error(error, errno, "Could not open", filename);
        return false;
    }
    if (fstat(fd.get(), &st) != 0) {
        set_errno_error(error, errno, "Could not read", filename);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        set_not_regular(error, "Cannot read", filename, st.st_mode);
        return false;
    }
    // Room for the file as it stands and one byte more, which tells a
    // file that grew since; grown as far as one byte past the limit while
    // it keeps growing (never the whole limit up front: a bound of many
    // megabytes costs nothing for a small file).
    const gsize limit = max_size + 1;
    contents->resize(std::min<gsize>(static_cast<gsize>(st.st_size) + 1, limit));
    gsize length = 0;
    while (length < contents->size()) {
        const ssize_t n = read(fd.get(), contents->data() + length, contents->size() - length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            contents->clear();
            set_errno_error(error, errno, "Could not read", filename);
            return false;
        }
        if (n == 0) {
            break;
        }
        length += static_cast<gsize>(n);
        if (length == contents->size() && contents->size() < limit) {
            contents->resize(std::min<gsize>(2 * contents->size(), limit));
        }
    }
    if (length > max_size) {
        contents->clear();
        set_too_large(error, filename, static_cast<goffset>(length), max_size);
        return false;
    }
    contents->resize(length);
    return true;
}

bool fileio_write_files_observed(std::span<const FileioOutput> outputs,
                                 std::vector<FileioNote> *notes,
                                 const std::function<void(size_t)> &before_commit, GError **error)
{
    std::vector<Pending> pending(outputs.size());
    for (size_t i = 0; i < outputs.size(); i++) {
        pending[i].given = outputs[i];
        if (!resolve(&pending[i], error)) {
            return false;
        }
    }
    if (!check_distinct(pending, error)) {
        return false;
    }
    std::vector<std::string> folders;
    for (const Pending &p : pending) {
        if (std::find(folders.begin(), folders.end(), p.folder) == folders.end()) {
            folders.push_back(p.folder);
            fileio_clear_stale_temps(p.folder.c_str(), kFileioStaleSeconds);
        }
    }
    for (Pending &p : pending) {
        if (!prepare(&p, error)) {
            roll_back(pending, nullptr);
            return false;
        }
    }
    // The old files the earlier outputs replace are kept until the last is
    // in place; the last one needs no keeping.
    for (size_t i = 0; i + 1 < pending.size(); i++) {
        if (pending[i].existed && !keep_old(&pending[i], error)) {
            roll_back(pending, nullptr);
            return false;
        }
    }
    for (size_t i = 0; i < pending.size(); i++) {
        Pending &p = pending[i];
        if (before_commit) {
            before_commit(i);
        }
        if (g_rename(p.temp.c_str(), p.path.c_str()) != 0) {
            set_errno_error(error, errno, "Could not write", p.given.filename);
            roll_back(pending, error);
            return false;
        }
        p.temp.clear();
        p.committed = true;
    }
    for (Pending &p : pending) {
        p.temp_fd.reset();
        if (!p.kept.empty()) {
            g_unlink(p.kept.c_str());
        }
        if (notes != nullptr) {
            notes->insert(notes->end(), p.notes.begin(), p.notes.end());
        }
    }
    for (const std::string &folder : folders) {
        sync_folder(folder);
    }
    return true;
}

bool fileio_write_files(std::span<const FileioOutput> outputs, std::vector<FileioNote> *notes,
                        GError **error)
{
    return fileio_write_files_observed(outputs, notes, nullptr, error);
}

bool fileio_write_files(std::span<const FileioOutput> outputs, GError **error)
{
    return fileio_write_files_observed(outputs, nullptr, nullptr, error);
}

bool fileio_write_file(const char *filename, std::span<const uint8_t> data,
                       std::vector<FileioNote> *notes, GError **error)
{
    const FileioOutput output{filename, data};
    return fileio_write_files({&output, 1}, notes, error);
}

bool fileio_write_file(const char *filename, std::span<const uint8_t> data, GError **error)
{
    return fileio_write_file(filename, data, nullptr, error);
}

void fileio_clear_stale_temps(const char *folder, int older_than)
{
    GDir *dir = g_dir_open(folder, 0, nullptr);
    if (dir == nullptr) {
        return;
    }
    const time_t now = time(nullptr);
    while (const char *name = g_dir_read_name(dir)) {
        if (!is_temp_name(name)) {
            continue;
        }
        const std::string path = std::string(folder) + "/" + name;
        struct stat st = {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
            st.st_ctime > now - older_than || st.st_ctime > now) {
            continue;
        }
        Fd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened = {};
        if (fd.get() >= 0 && fstat(fd.get(), &opened) == 0 && opened.st_ino == st.st_ino &&
            opened.st_dev == st.st_dev && flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            g_unlink(path.c_str());
        }
    }
    g_dir_close(dir);
}

bool fileio_may_follow_link(mode_t folder_mode, uid_t folder_owner, uid_t link_owner, uid_t saver)
{
    const bool shared = (folder_mode & S_ISVTX) != 0 && (folder_mode & S_IWOTH) != 0;
    return !shared || link_owner == saver || link_owner == folder_owner;
}

std::string fileio_display_name(const char *filename)
{
    GCharPtr shown(g_filename_display_name(filename));
    std::string text;
    for (const char *c = shown.get(); *c != '\0'; c = g_utf8_next_char(c)) {
        const gunichar u = g_utf8_get_char(c);
        if (!g_unichar_iscntrl(u)) {
            text.append(c, static_cast<size_t>(g_utf8_next_char(c) - c));
        } else if (u == '\n') {
            text += "\\n";
        } else if (u == '\t') {
            text += "\\t";
        } else if (u == '\r') {
            text += "\\r";
        } else {
            char code[16];
            g_snprintf(code, sizeof code, u < 0x80 ? "\\x%02x" : "\\u%04x", u);
            text += code;
        }
    }
    return text;
}
