#include "media/AsyncFrameWriter.h"

#include <algorithm>

namespace movalux {

AsyncFrameWriter::AsyncFrameWriter(std::unique_ptr<MovieWriter> writer, int depth)
    : writer_(std::move(writer)), depth_(static_cast<size_t>(std::max(1, depth))) {
    thread_ = std::thread([this] { run(); });
}

AsyncFrameWriter::~AsyncFrameWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

Status AsyncFrameWriter::submit(const Surface& picture) {
    Surface buffer;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return failed_ || queue_.size() < depth_; });
        if (failed_) return Error{error_};
        if (!spare_.empty()) {
            buffer = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    // The copy is made outside the lock so the encoder never waits for it.
    buffer.assign(picture);
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(buffer));
    }
    changed_.notify_all();
    return Status::success();
}

Status AsyncFrameWriter::submitSwap(Surface& picture) {
    Surface buffer;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return failed_ || queue_.size() < depth_; });
        if (failed_) return Error{error_};
        if (!spare_.empty()) {
            buffer = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    if (buffer.width() != picture.width() || buffer.height() != picture.height())
        buffer.resize(picture.width(), picture.height());
    // The picture keeps its drawing colours; only the pixels change hands.
    const uint32_t fore = picture.ForeColor, back = picture.BackColor, fill = picture.FillColor;
    std::swap(buffer, picture);
    picture.ForeColor = fore;
    picture.BackColor = back;
    picture.FillColor = fill;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(buffer));
    }
    changed_.notify_all();
    return Status::success();
}

bool AsyncFrameWriter::takeLast(Surface& picture) {
    std::lock_guard lock(mutex_);
    if (!haveLast_ || thread_.joinable()) return false;
    const uint32_t fore = picture.ForeColor, back = picture.BackColor, fill = picture.FillColor;
    std::swap(picture, last_);
    picture.ForeColor = fore;
    picture.BackColor = back;
    picture.FillColor = fill;
    haveLast_ = false;
    return true;
}

void AsyncFrameWriter::run() {
    for (;;) {
        Surface picture;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) return;
            picture = std::move(queue_.front());
            queue_.pop_front();
        }
        Status st = writer_->writeFrame(picture);
        {
            std::lock_guard lock(mutex_);
            if (haveLast_) spare_.push_back(std::move(last_));
            last_ = std::move(picture);
            haveLast_ = true;
            if (!st && !failed_) {
                failed_ = true;
                error_ = st.error();
                queue_.clear();
            }
        }
        changed_.notify_all();
    }
}

Status AsyncFrameWriter::finish() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (failed_) return Error{error_};
    return writer_->finish();
}

}  // namespace movalux
