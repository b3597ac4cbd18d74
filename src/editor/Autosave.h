#pragma once
// The autosave: when the unsaved project is written for recovery, and the
// thread that writes it. The editor copies what a save would write
// (EditFileContent) on its own thread; making the text and writing it happen
// on the writer thread, so the window does not wait for either.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "editfile/EditFileFormat.h"
#include "editfile/RecoveryStore.h"

namespace movalux {

struct AutosavePolicy {
    uint32_t intervalMs = 120'000;  // at most this long after a change...
    uint64_t everyChanges = 50;     // ...or this many changes, whichever comes first
};

// When to write: while the project has changes that are not yet written,
// every intervalMs (counted from the first such change) and after every
// everyChanges changes.
class AutosaveTrigger {
  public:
    explicit AutosaveTrigger(AutosavePolicy policy = {}) : policy_(policy) {}

    // changes: the editor's change counter; unsaved: EdSaved is false.
    bool due(uint64_t changes, bool unsaved, uint32_t nowMs);
    // A write of the project as it was at `changes` has started.
    void started(uint64_t changes);
    // That write failed: what it held counts as unwritten again, and the
    // next try waits a whole interval (a full disk is not tried every tick).
    void failed(uint64_t lastWritten, uint32_t nowMs);
    // Nothing needs writing: the project was saved, closed, replaced or is
    // the recovery file it was read from.
    void reset(uint64_t changes);

  private:
    AutosavePolicy policy_;
    uint64_t written_ = 0;
    bool pending_ = false;  // changes not yet written were seen
    uint32_t pendingSince_ = 0;
    bool backingOff_ = false;  // the last write failed: only the interval counts
};

class Autosave {
  public:
    explicit Autosave(std::string folder, AutosavePolicy policy = {});
    // Waits for a write in progress.
    ~Autosave();
    Autosave(const Autosave&) = delete;
    Autosave& operator=(const Autosave&) = delete;

    RecoveryStore& store() { return store_; }

    // Whether a write should start now: one is due and none is running.
    bool due(uint64_t changes, bool unsaved, uint32_t nowMs);
    // Starts writing the project on the writer thread.
    void start(EditFileContent content, RecoveryInfo info, uint64_t changes);
    // Waits until no write is running.
    void wait();
    // Nothing is left to recover: waits for a running write, then removes
    // this editor's project files.
    void discard(uint64_t changes);
    // The program ends cleanly: discard(), and the lock file goes too.
    void close(uint64_t changes);
    // The project now is the recovery file this editor adopted.
    void adopted(uint64_t changes);

    struct Status {
        uint64_t started = 0;
        uint64_t written = 0;  // writes that reached the disk
        uint64_t failed = 0;
        uint64_t lastWrittenChanges = 0;  // the change count the last good write held
        double lastTextMs = 0;            // making the text of the last write
        double lastWriteMs = 0;           // writing it (both files, synced)
        std::string lastError;
    };
    Status status() const;

  private:
    struct Job {
        EditFileContent content;
        RecoveryInfo info;
        uint64_t changes;
    };
    void run();
    // Takes the outcome of a finished write into the trigger.
    void collect(uint32_t nowMs);
    // What there is now needs no writing.
    void forget(uint64_t changes);

    RecoveryStore store_;
    AutosaveTrigger trigger_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Job> job_;
    bool busy_ = false;
    bool quit_ = false;
    bool failedUncollected_ = false;
    Status status_;
    std::thread thread_;
};

}  // namespace movalux
