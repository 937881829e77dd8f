// A claim on a project file for as long as a Zembrix has it open, kept as
// a lock on a file in the user's state folder: a second Zembrix that opens
// the same project finds it held and can say so. The lock goes with the
// process, however it ends.
#pragma once

#include <string>

class ProjectLock
{
  public:
    ProjectLock() = default;
    ~ProjectLock() { release(); }
    ProjectLock(const ProjectLock &) = delete;
    ProjectLock &operator=(const ProjectLock &) = delete;

    // Claims project_path (below state_dir); false, holding nothing, when
    // another claim holds it, in this process or another.
    bool take(const char *state_dir, const char *project_path);
    void release();
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Whether a claim other than ours holds project_path.
bool project_lock_held_elsewhere(const char *state_dir, const char *project_path);
