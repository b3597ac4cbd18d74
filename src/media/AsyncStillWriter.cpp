#include "media/AsyncStillWriter.h"

#include <algorithm>

namespace movalux {

AsyncStillWriter::AsyncStillWriter(int threads, int depth) {
    if (threads <= 0) threads = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
    // Enough waiting pictures to keep every writer busy while the next
    // frame is drawn, few enough to bound the memory (a 1080p copy is 8 MB).
    depth_ = static_cast<size_t>(depth > 0 ? depth : threads + 1);
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { run(); });
}

AsyncStillWriter::~AsyncStillWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
}

Status AsyncStillWriter::submit(const Surface& picture, const std::string& path,
                                StillFormat format) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || queue_.size() < depth_; });
    if (failed_) return Error{error_};
    Job job;
    if (!spare_.empty()) {
        job.picture = std::move(spare_.back());
        spare_.pop_back();
    }
    job.picture.assign(picture);
    job.path = path;
    job.format = format;
    queue_.push_back(std::move(job));
    lock.unlock();
    changed_.notify_all();
    return Status::success();
}

Status AsyncStillWriter::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && busy_ == 0; });
    if (failed_) return Error{error_};
    return Status::success();
}

int64_t AsyncStillWriter::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void AsyncStillWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return closing_ || !queue_.empty(); });
        if (queue_.empty()) return;  // closing, nothing left
        Job job = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        const bool skip = failed_;
        lock.unlock();
        changed_.notify_all();
        int err = 0;
        Status st =
            skip ? Status::success() : writeStillImage(job.picture, job.path, job.format, &err);
        lock.lock();
        --busy_;
        if (!skip) {
            if (st) {
                ++written_;
            } else if (!failed_) {
                failed_ = true;
                error_ = st.error();
                failedPath_ = job.path;
                failedErrno_ = err;
            }
        }
        spare_.push_back(std::move(job.picture));
        changed_.notify_all();
    }
}

}  // namespace movalux
