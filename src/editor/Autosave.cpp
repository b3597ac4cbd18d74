#include "editor/Autosave.h"

#include <chrono>
#include <utility>

namespace movalux {

bool AutosaveTrigger::due(uint64_t changes, bool unsaved, uint32_t nowMs) {
    if (!unsaved || changes == written_) {
        pending_ = false;
        return false;
    }
    if (!pending_) {
        pending_ = true;
        pendingSince_ = nowMs;
    }
    // Unsigned differences: the millisecond clock may wrap.
    const bool intervalGone = nowMs - pendingSince_ >= policy_.intervalMs;
    if (backingOff_) return intervalGone;
    return intervalGone || changes - written_ >= policy_.everyChanges;
}

void AutosaveTrigger::started(uint64_t changes) {
    written_ = changes;
    pending_ = false;
    backingOff_ = false;
}

void AutosaveTrigger::failed(uint64_t lastWritten, uint32_t nowMs) {
    written_ = lastWritten;
    pending_ = true;
    pendingSince_ = nowMs;
    backingOff_ = true;
}

void AutosaveTrigger::reset(uint64_t changes) {
    written_ = changes;
    pending_ = false;
    backingOff_ = false;
}

Autosave::Autosave(std::string folder, AutosavePolicy policy)
    : store_(std::move(folder)), trigger_(policy), thread_([this] { run(); }) {}

Autosave::~Autosave() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Autosave::run() {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || job_.has_value(); });
            // A write that was asked for is finished before the thread ends:
            // it is the newest state there is.
            if (!job_) return;
            job = std::move(*job_);
            job_.reset();
        }
        const auto t0 = Clock::now();
        std::string error;
        bool ok = false;
        if (const std::string* bad = unwritableText(job.content)) {
            error = "a text holds a double quote: " + *bad;
        } else {
            const std::string text = editFileText(job.content);
            const auto t1 = Clock::now();
            auto written = store_.write(text, job.info);
            const auto t2 = Clock::now();
            std::lock_guard lock(mutex_);
            status_.lastTextMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
            status_.lastWriteMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
            ok = static_cast<bool>(written);
            if (!ok) error = written.error();
        }
        {
            std::lock_guard lock(mutex_);
            if (ok) {
                ++status_.written;
                status_.lastWrittenChanges = job.changes;
            } else {
                ++status_.failed;
                status_.lastError = error;
                failedUncollected_ = true;
            }
            busy_ = false;
        }
        idle_.notify_all();
    }
}

void Autosave::collect(uint32_t nowMs) {
    std::lock_guard lock(mutex_);
    if (!failedUncollected_) return;
    failedUncollected_ = false;
    trigger_.failed(status_.lastWrittenChanges, nowMs);
}

bool Autosave::due(uint64_t changes, bool unsaved, uint32_t nowMs) {
    collect(nowMs);
    {
        std::lock_guard lock(mutex_);
        if (busy_) return false;
    }
    return trigger_.due(changes, unsaved, nowMs);
}

void Autosave::start(EditFileContent content, RecoveryInfo info, uint64_t changes) {
    trigger_.started(changes);
    {
        std::lock_guard lock(mutex_);
        job_ = Job{std::move(content), std::move(info), changes};
        busy_ = true;
        ++status_.started;
    }
    wake_.notify_all();
}

void Autosave::wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return !busy_; });
}

void Autosave::forget(uint64_t changes) {
    {
        std::lock_guard lock(mutex_);
        failedUncollected_ = false;
        status_.lastWrittenChanges = changes;
    }
    trigger_.reset(changes);
}

void Autosave::discard(uint64_t changes) {
    wait();
    store_.remove();
    forget(changes);
}

void Autosave::close(uint64_t changes) {
    wait();
    store_.close();
    forget(changes);
}

void Autosave::adopted(uint64_t changes) {
    wait();
    forget(changes);
}

Autosave::Status Autosave::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

}  // namespace movalux
