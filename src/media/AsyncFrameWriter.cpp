#include "media/AsyncFrameWriter.h"

#include <algorithm>

#include "effects/RasterOps.h"

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

bool AsyncFrameWriter::waitForRoom(Surface& buffer) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || queue_.size() < depth_; });
    if (failed_) return false;
    if (!spare_.empty()) {
        buffer = std::move(spare_.back());
        spare_.pop_back();
    }
    return true;
}

Status AsyncFrameWriter::queue(Job job) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    changed_.notify_all();
    return Status::success();
}

Status AsyncFrameWriter::submit(const Surface& picture) {
    Job job;
    if (!waitForRoom(job.pixels)) return Error{error_};
    // The copy is made outside the lock so the encoder never waits for it.
    job.pixels.assign(picture);
    return queue(std::move(job));
}

Status AsyncFrameWriter::submitDecoded(const VideoPicture& picture) {
    Job job;
    if (!waitForRoom(job.pixels)) return Error{error_};
    job.decoded = picture;
    return queue(std::move(job));
}

Status AsyncFrameWriter::submitDecoded(const VideoPicture& picture, const Surface& drawn,
                                       int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    Job job;
    if (!waitForRoom(job.pixels)) return Error{error_};
    if (job.pixels.width() != drawn.width() || job.pixels.height() != drawn.height())
        job.pixels.resize(drawn.width(), drawn.height());
    // The writer converts whole chroma pairs: the pixels it takes beside an
    // odd edge must be this frame's, not those a recycled buffer held.
    const int64_t w = drawn.width(), h = drawn.height();
    copyPictureRect(job.pixels, drawn, std::clamp<int64_t>(x0, 0, w) & ~int64_t{1},
                    std::clamp<int64_t>(y0, 0, h) & ~int64_t{1},
                    std::min(w, (std::clamp<int64_t>(x1, 0, w) + 1) & ~int64_t{1}),
                    std::min(h, (std::clamp<int64_t>(y1, 0, h) + 1) & ~int64_t{1}));
    job.decoded = picture;
    job.area = true;
    job.x0 = x0, job.y0 = y0, job.x1 = x1, job.y1 = y1;
    return queue(std::move(job));
}

Status AsyncFrameWriter::submitSwap(Surface& picture) {
    Surface buffer;
    if (!waitForRoom(buffer)) return Error{error_};
    if (buffer.width() != picture.width() || buffer.height() != picture.height())
        buffer.resize(picture.width(), picture.height());
    // The picture keeps its drawing colours; only the pixels change hands.
    const uint32_t fore = picture.ForeColor, back = picture.BackColor, fill = picture.FillColor;
    std::swap(buffer, picture);
    picture.ForeColor = fore;
    picture.BackColor = back;
    picture.FillColor = fill;
    Job job;
    job.pixels = std::move(buffer);
    return queue(std::move(job));
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
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        const bool decodedOnly = !job.decoded.empty() && !job.area;
        Status st = job.decoded.empty() ? writer_->writeFrame(job.pixels)
                    : job.area ? writer_->writePicture(job.decoded, job.pixels, job.x0, job.y0,
                                                       job.x1, job.y1)
                               : writer_->writePicture(job.decoded);
        job.decoded.reset();
        {
            std::lock_guard lock(mutex_);
            if (decodedOnly || job.area) {
                // Not a whole picture: the buffer, if any, is only a spare.
                if (!job.pixels.empty()) spare_.push_back(std::move(job.pixels));
            } else {
                if (haveLast_) spare_.push_back(std::move(last_));
                last_ = std::move(job.pixels);
                haveLast_ = true;
            }
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
