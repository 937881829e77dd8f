#include "app/recovery_keeper.h"

#include <algorithm>
#include <atomic>
#include <glib/gstdio.h>
#include <utility>

#include "base/error.h"

// One write: the state it writes (shared, never changed), where it goes,
// and what came of it.
struct RecoveryKeeper::Job
{
    Document::Frozen state;
    RecoveryInfo info;
    std::string state_dir;
    long generation = 0;
    std::atomic<bool> done{false};
    bool ok = false;
    std::string error;
    double seconds = 0;

    void run()
    {
        const gint64 start = g_get_monotonic_time();
        std::vector<const ZbxItem *> items;
        for (const Document::FrozenItem &item : state.items) {
            items.push_back(item.get());
        }
        const std::vector<uint8_t> bytes =
            recovery_encode(info, items, state.locations, state.preview);
        GErrorPtr failure;
        ok = recovery_write(state_dir.c_str(), info.session, bytes, failure.out());
        if (!ok) {
            error = failure.message("Could not write the recovery copy");
        }
        seconds = static_cast<double>(g_get_monotonic_time() - start) / G_USEC_PER_SEC;
        done.store(true);
    }
};

RecoveryKeeper::RecoveryKeeper(Document &document, std::string state_dir, RecoveryTimes times,
                               Describe describe, Complain complain)
    : document_(document), state_dir_(std::move(state_dir)), times_(times),
      describe_(std::move(describe)), complain_(std::move(complain))
{
    session_.start(state_dir_.c_str());
    // After the lists and previews: a copy never holds up what the user sees.
    listener_ = document_.add_listener([this](const DocEvent &event) { follow(event); }, 2);
}

RecoveryKeeper::~RecoveryKeeper()
{
    document_.remove_listener(listener_);
    cancel_timer();
    finish_write();
    // The run ends as the user chose (saved, or closed without saving).
    discard();
}

std::string RecoveryKeeper::path() const
{
    return recovery_path(state_dir_.c_str(), session_.id());
}

bool RecoveryKeeper::adopt(const std::string &left_path)
{
    finish_write();
    if (!session_.started() || g_rename(left_path.c_str(), path().c_str()) != 0) {
        return false;
    }
    have_copy_ = true;
    return true;
}

void RecoveryKeeper::follow(const DocEvent &)
{
    if (!document_.is_open() || !document_.is_modified()) {
        discard();
        return;
    }
    schedule();
}

// Due a few seconds after this change, but no sooner than the interval
// after the previous write, and no later than the interval after the first
// change that no copy holds (so that steady editing is still kept).
void RecoveryKeeper::schedule()
{
    const gint64 now = g_get_monotonic_time();
    if (!dirty_) {
        dirty_ = true;
        dirty_since_ = now;
    }
    if (writing()) {
        return; // write_done() schedules the next one
    }
    const gint64 interval = gint64{times_.interval_ms} * 1000;
    const gint64 earliest = last_write_ > 0 ? last_write_ + interval : 0;
    const gint64 due = std::max(
        std::min(now + gint64{times_.after_change_ms} * 1000, dirty_since_ + interval), earliest);
    cancel_timer();
    timer_ =
        g_timeout_add(static_cast<guint>(std::max<gint64>(0, due - now) / 1000), on_timer, this);
}

void RecoveryKeeper::cancel_timer()
{
    if (timer_ != 0) {
        g_source_remove(timer_);
        timer_ = 0;
    }
}

gboolean RecoveryKeeper::on_timer(gpointer self)
{
    auto *keeper = static_cast<RecoveryKeeper *>(self);
    keeper->timer_ = 0;
    keeper->start_write();
    return G_SOURCE_REMOVE;
}

void RecoveryKeeper::start_write()
{
    if (!session_.started() || writing() || !document_.is_open() || !document_.is_modified()) {
        return;
    }
    auto job = std::make_shared<Job>();
    job->state = document_.frozen();
    describe_(&job->info.project_path, &job->info.name);
    job->info.session = session_.id();
    job->info.written = g_get_real_time();
    job->state_dir = state_dir_;
    job->generation = generation_;
    dirty_ = false;
    last_write_ = g_get_monotonic_time();
    job_ = job;
    have_copy_ = true;
    worker_ = std::thread([job] { job->run(); });
    poll_ = g_timeout_add(20, on_poll, this);
}

gboolean RecoveryKeeper::on_poll(gpointer self)
{
    auto *keeper = static_cast<RecoveryKeeper *>(self);
    if (!keeper->job_->done.load()) {
        return G_SOURCE_CONTINUE;
    }
    keeper->poll_ = 0;
    keeper->write_done();
    return G_SOURCE_REMOVE;
}

void RecoveryKeeper::finish_write()
{
    if (!writing()) {
        return;
    }
    if (poll_ != 0) {
        g_source_remove(poll_);
        poll_ = 0;
    }
    write_done();
}

void RecoveryKeeper::write_done()
{
    worker_.join();
    const std::shared_ptr<Job> job = std::move(job_);
    last_write_seconds_ = job->seconds;
    if (job->generation != generation_) {
        // Nothing was unsaved any more by the time it was written.
        recovery_remove(state_dir_.c_str(), session_.id());
        have_copy_ = false;
    } else if (!job->ok && !complained_) {
        complained_ = true;
        complain_("Unsaved changes cannot be kept for recovery: " + job->error);
    }
    if (dirty_ && document_.is_open() && document_.is_modified()) {
        schedule();
    }
}

void RecoveryKeeper::discard()
{
    cancel_timer();
    dirty_ = false;
    if (have_copy_) {
        have_copy_ = false;
        generation_++;
        recovery_remove(state_dir_.c_str(), session_.id());
    }
}
