// Keeps a recovery copy of the document while it has unsaved changes: a
// few seconds after a change (and at most once in a while), the document's
// state is handed to a thread that writes it, so that editing never waits
// for the disk. The copy goes once there is nothing unsaved (a save, undo
// back to the saved state, a new project, a close) and when the run ends
// normally; a run that ends any other way leaves it for the next one.
#pragma once

#include <functional>
#include <glib.h>
#include <memory>
#include <string>
#include <thread>

#include "files/recovery.h"
#include "items/document.h"

struct RecoveryTimes
{
    // From a change to the write of the copy that holds it...
    guint after_change_ms = 3000;
    // ...and at least this long from one write to the next.
    guint interval_ms = 30000;
};

class RecoveryKeeper
{
  public:
    // Where the copy comes from: the project's file ("" for none) and the
    // name it goes by.
    using Describe = std::function<void(std::string *project_path, std::string *name)>;
    // Told, once per run, that copies cannot be written and why.
    using Complain = std::function<void(const std::string &message)>;

    RecoveryKeeper(Document &document, std::string state_dir, RecoveryTimes times,
                   Describe describe, Complain complain);
    ~RecoveryKeeper();
    RecoveryKeeper(const RecoveryKeeper &) = delete;
    RecoveryKeeper &operator=(const RecoveryKeeper &) = delete;

    const std::string &session() const { return session_.id(); }
    // This run's copy (it may not exist).
    std::string path() const;
    // Takes over a copy left by an ended run as this run's own, so that it
    // stays until this run writes its first copy or has nothing unsaved.
    bool adopt(const std::string &left_path);
    // Whether a write runs in the background now.
    bool writing() const { return worker_.joinable(); }
    // Waits for the write in flight (tests and the end of the run).
    void finish_write();
    // How long the latest write took (encoding and writing), in seconds.
    double last_write_seconds() const { return last_write_seconds_; }

  private:
    struct Job;
    void follow(const DocEvent &event);
    void schedule();
    void cancel_timer();
    void start_write();
    void write_done();
    void discard();
    static gboolean on_timer(gpointer self);
    static gboolean on_poll(gpointer self);

    Document &document_;
    std::string state_dir_;
    RecoveryTimes times_;
    Describe describe_;
    Complain complain_;
    RecoverySession session_;
    int listener_ = 0;

    guint timer_ = 0;
    guint poll_ = 0;
    std::thread worker_;
    std::shared_ptr<Job> job_;
    // Changes not yet in a copy written or being written, and since when.
    bool dirty_ = false;
    gint64 dirty_since_ = 0;
    gint64 last_write_ = 0;
    // Bumped by every discard: a write begun before one is removed again.
    long generation_ = 0;
    // Whether a copy of this run may exist.
    bool have_copy_ = false;
    bool complained_ = false;
    double last_write_seconds_ = 0;
};
