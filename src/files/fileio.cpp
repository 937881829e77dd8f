// Bounded, non-blocking reads and all-or-nothing writes of whole files.
#include "files/fileio.h"
#include "base/error.h"

#include <cerrno>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/gref.h"

namespace {

// Symbolic links followed at most before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

void set_errno_error(GError **error, int err, const char *what, const char *filename)
{
    GCharPtr shown(g_filename_display_name(filename));
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err), "%s \"%s\": %s", what,
                shown.get(), g_strerror(err));
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
    GCharPtr shown(g_filename_display_name(filename));
    zbx_set_error_printf(error, ZbxError::BadFile, "%s \"%s\": it is %s, not a regular file", what,
                         shown.get(), kind_of(mode));
}

void set_too_large(GError **error, const char *filename, goffset size, gsize max_size)
{
    GCharPtr shown(g_filename_display_name(filename));
    zbx_set_error_printf(error, ZbxError::TooLarge,
                         "File \"%s\" is too large: %" G_GINT64_FORMAT
                         " bytes, and no file of its kind has more than %" G_GSIZE_FORMAT,
                         shown.get(), static_cast<gint64>(size), max_size);
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

// One output on its way: the file it really goes to and how.
struct Pending
{
    const char *given = nullptr; // as the caller named it, for messages
    std::span<const uint8_t> data;
    std::string path; // after following symbolic links
    bool existed = false;
    struct stat old = {};
    bool in_place = false; // further hard links: rewrite the file itself
    Fd fd;                 // the file itself when in place
    std::string temp;      // the new content beside the target otherwise
    bool committed = false;
};

// Follows symbolic links to the file that is to be written, and refuses
// what is not a regular file or not writable.
bool resolve(Pending *out, GError **error)
{
    std::string path = out->given;
    for (int hops = 0;; hops++) {
        if (hops > kMaxLinks) {
            set_errno_error(error, ELOOP, "Could not write", out->given);
            return false;
        }
        struct stat st = {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                set_errno_error(error, errno, "Could not write", out->given);
                return false;
            }
            out->path = path; // a new file (or one a dangling link names)
            return true;
        }
        if (S_ISLNK(st.st_mode)) {
            GCharPtr target(g_file_read_link(path.c_str(), nullptr));
            if (!target) {
                set_errno_error(error, errno, "Could not write", out->given);
                return false;
            }
            if (g_path_is_absolute(target.get())) {
                path = target.get();
            } else {
                GCharPtr dir(g_path_get_dirname(path.c_str()));
                GCharPtr joined(g_build_filename(dir.get(), target.get(), nullptr));
                path = joined.get();
            }
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            set_not_regular(error, "Cannot write", out->given, st.st_mode);
            return false;
        }
        if (g_access(path.c_str(), W_OK) != 0) {
            set_errno_error(error, errno, "Could not write", out->given);
            return false;
        }
        out->path = path;
        out->existed = true;
        out->old = st;
        out->in_place = st.st_nlink > 1;
        return true;
    }
}

// Writes the new content where it cannot harm the old one yet: into a
// temporary file beside the target, or, for a file rewritten in place, only
// makes sure the disk has room for it.
bool prepare(Pending *p, GError **error)
{
    if (p->in_place) {
        p->fd.reset(g_open(p->path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC, 0));
        if (p->fd.get() < 0) {
            set_errno_error(error, errno, "Could not write", p->given);
            return false;
        }
        const int err = p->data.empty() ? 0 : posix_fallocate(p->fd.get(), 0, p->data.size());
        if (err != 0 && err != EINVAL && err != EOPNOTSUPP) {
            (void) ftruncate(p->fd.get(), p->old.st_size);
            set_errno_error(error, err, "Could not write", p->given);
            return false;
        }
        return true;
    }
    std::string temp = p->path + ".XXXXXX";
    Fd fd(g_mkstemp_full(temp.data(), O_WRONLY | O_CLOEXEC, p->existed ? 0600 : 0666));
    if (fd.get() < 0) {
        set_errno_error(error, errno, "Could not write", p->given);
        return false;
    }
    p->temp = temp;
    if (p->existed) {
        // The owner first: changing it may drop the set-id bits.
        (void) fchown(fd.get(), p->old.st_uid, p->old.st_gid);
        (void) fchmod(fd.get(), p->old.st_mode & 07777);
    }
    if (!write_all(fd.get(), p->data, 0) || fsync(fd.get()) != 0 || !fd.close_checked()) {
        set_errno_error(error, errno, "Could not write", p->given);
        return false;
    }
    return true;
}

bool commit(Pending *p, GError **error)
{
    if (p->in_place) {
        if (!write_all(p->fd.get(), p->data, 0) ||
            ftruncate(p->fd.get(), static_cast<off_t>(p->data.size())) != 0 ||
            fsync(p->fd.get()) != 0 || !p->fd.close_checked()) {
            set_errno_error(error, errno, "Could not write", p->given);
            return false;
        }
    } else if (g_rename(p->temp.c_str(), p->path.c_str()) != 0) {
        set_errno_error(error, errno, "Could not write", p->given);
        return false;
    }
    p->temp.clear();
    p->committed = true;
    return true;
}

// Undoes what can be undone: temporary files go, files this call created go,
// room reserved in files rewritten in place is given back.
void roll_back(std::vector<Pending> &pending)
{
    for (Pending &p : pending) {
        if (!p.temp.empty()) {
            g_unlink(p.temp.c_str());
        }
        if (p.committed && !p.existed) {
            g_unlink(p.path.c_str());
        }
        if (!p.committed && p.in_place && p.fd.get() >= 0) {
            (void) ftruncate(p.fd.get(), p.old.st_size);
        }
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
    // One byte more than allowed tells a file that grew since.
    contents->resize(max_size + 1);
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
    }
    if (length > max_size) {
        contents->clear();
        set_too_large(error, filename, static_cast<goffset>(length), max_size);
        return false;
    }
    contents->resize(length);
    return true;
}

bool fileio_write_files(std::span<const FileioOutput> outputs, GError **error)
{
    std::vector<Pending> pending(outputs.size());
    for (size_t i = 0; i < outputs.size(); i++) {
        pending[i].given = outputs[i].filename;
        pending[i].data = outputs[i].data;
        if (!resolve(&pending[i], error)) {
            return false;
        }
    }
    for (Pending &p : pending) {
        if (!prepare(&p, error)) {
            roll_back(pending);
            return false;
        }
    }
    for (Pending &p : pending) {
        if (!commit(&p, error)) {
            roll_back(pending);
            return false;
        }
    }
    return true;
}

bool fileio_write_file(const char *filename, std::span<const uint8_t> data, GError **error)
{
    const FileioOutput output{filename, data};
    return fileio_write_files({&output, 1}, error);
}
