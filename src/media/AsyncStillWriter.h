#pragma once
// Writes still pictures on threads of their own, so that a run of numbered
// pictures is encoded (PNG compression is the slow part) on every core while
// the next frames are decoded and drawn. Pictures are copied on submission;
// at most `depth` wait for a writer.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "effects/Surface.h"
#include "media/StillImage.h"

namespace movalux {

class AsyncStillWriter {
  public:
    // threads: 0 for one per core (at least two).
    explicit AsyncStillWriter(int threads = 0, int depth = 0);
    // Waits for the pictures already handed over.
    ~AsyncStillWriter();
    AsyncStillWriter(const AsyncStillWriter&) = delete;
    AsyncStillWriter& operator=(const AsyncStillWriter&) = delete;

    // Queues a copy of the picture for path; waits while the queue is full.
    // Fails with the first error of any write so far (nothing more is
    // queued after one).
    Status submit(const Surface& picture, const std::string& path, StillFormat format);
    // Waits until everything queued is written: the first error, if any.
    Status finish();

    // The first failed write: its name and the system's error number (0 when
    // the failure was not the file system's).
    const std::string& failedPath() const { return failedPath_; }
    int failedSystemError() const { return failedErrno_; }
    // Pictures written so far.
    int64_t written() const;

  private:
    struct Job {
        Surface picture;
        std::string path;
        StillFormat format;
    };
    void run();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::vector<Surface> spare_;  // buffers of finished jobs, to reuse
    size_t depth_;
    int busy_ = 0;
    int64_t written_ = 0;
    bool closing_ = false;
    bool failed_ = false;
    std::string error_;
    std::string failedPath_;
    int failedErrno_ = 0;
    std::vector<std::thread> threads_;
};

}  // namespace movalux
