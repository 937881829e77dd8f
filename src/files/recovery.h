// Recovery copies: while a project has unsaved changes, a copy of the
// document as it stands (its data with the flags the project file cannot
// keep, such as disabled placements, and the panels' preview colours) is
// kept in the user's state folder, one file per running Zembrix. Each
// Zembrix is a session with a random id and holds a lock named by it for as
// long as it runs; a copy whose session holds no lock was left by a Zembrix
// that ended without removing it (a crash, a kill, a power cut), and the
// next one offers it.
#pragma once

#include <array>
#include <cstdint>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

#include "items/project.h"

// Recovery copies are larger than project files: they keep every placement
// of every panel, however the file would share them.
inline constexpr gsize kRecoveryMaxInput = gsize{256} << 20;

// Where a copy comes from.
struct RecoveryInfo
{
    // The session that wrote it.
    std::string session;
    // The project's file ("" for a project never saved) and the name it
    // went by.
    std::string project_path;
    std::string name;
    // When it was written (microseconds since 1970, as g_get_real_time).
    gint64 written = 0;
};

struct RecoveryCopy : RecoveryInfo
{
    ZbxProject project;
    // One per item: the colour a panel is previewed over.
    std::vector<uint8_t> preview;
};

// A copy as the bytes of its file (JSON): its origin, the items, the
// locations and the preview colours (one per item; missing ones are 0).
std::vector<uint8_t> recovery_encode(const RecoveryInfo &info,
                                     std::span<const ZbxItem *const> items,
                                     const std::array<ZbxLocationRecord, kLocationCount> &locations,
                                     std::span<const uint8_t> preview);
std::vector<uint8_t> recovery_encode(const RecoveryCopy &copy);
// Reads a copy back; false with a ZBX_ERROR BadFormat error naming what is
// wrong when the bytes are no sound copy (the project is checked as far as
// its shape: items, definitions and locations within their ranges).
bool recovery_parse(std::span<const uint8_t> bytes, RecoveryCopy *copy, GError **error);

// The folder the copies lie in: STATE/zembrix/recovery.
std::string recovery_folder(const char *state_dir);
// The file of a session's copy in that folder.
std::string recovery_path(const char *state_dir, const std::string &session);

// Writes the bytes of a session's copy as its file, through the safe
// writer.
bool recovery_write(const char *state_dir, const std::string &session,
                    std::span<const uint8_t> bytes, GError **error);
// Removes a session's copy (nothing when there is none).
void recovery_remove(const char *state_dir, const std::string &session);
// Removes what an ended session left: the lock file it named itself by
// (a copy left by it is the caller's to remove or take over).
void recovery_forget_session(const char *state_dir, const std::string &session);

// This run's session: a random id and a lock on a file named by it, held
// until the session ends (or the process does, however it ends).
class RecoverySession
{
  public:
    RecoverySession() = default;
    ~RecoverySession();
    RecoverySession(const RecoverySession &) = delete;
    RecoverySession &operator=(const RecoverySession &) = delete;

    // Starts a session with a new id; false when its lock cannot be made
    // (no copies are then written).
    bool start(const char *state_dir);
    const std::string &id() const { return id_; }
    bool started() const { return fd_ >= 0; }

  private:
    std::string state_dir_;
    std::string id_;
    int fd_ = -1;
};

// Whether the session of this id still runs (its lock is held).
bool recovery_session_alive(const char *state_dir, const std::string &session);

struct RecoveryFound
{
    std::string path;
    RecoveryCopy copy;
};

// The copies left by sessions that no longer run, newest first, that are
// worth offering: sound, and newer than their project's file as it is now.
// `project_path` non-null keeps only the copies of that project.
std::vector<RecoveryFound> recovery_find_left(const char *state_dir, const char *project_path);
