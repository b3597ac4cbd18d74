#pragma once
// A movie writer whose encoding runs on a thread of its own, so that
// decoding and effects of the next frames overlap the encoding of the last
// ones. Pictures are taken in order through a small bounded queue; the file
// holds exactly what the same calls on the writer itself would give.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "effects/Surface.h"
#include "media/MovieWriter.h"

namespace movalux {

class AsyncFrameWriter {
  public:
    // depth: pictures that may wait for the encoder.
    explicit AsyncFrameWriter(std::unique_ptr<MovieWriter> writer, int depth = 3);
    // Stops the encoder; a movie not finished is dropped.
    ~AsyncFrameWriter();
    AsyncFrameWriter(const AsyncFrameWriter&) = delete;
    AsyncFrameWriter& operator=(const AsyncFrameWriter&) = delete;

    // Queues a copy of the picture; waits while the queue is full. Fails with
    // the encoder's first error (which may belong to an earlier picture).
    Status submit(const Surface& picture);
    // As submit, without the copy: the picture's pixels go to the encoder
    // and it takes those of a spare buffer of the same size in exchange
    // (their contents are an earlier picture's, or undefined). For callers
    // that paint the whole picture anew before the next submit.
    Status submitSwap(Surface& picture);
    // A decoded picture for the encoder as it is (see MovieWriter::canTake).
    Status submitDecoded(const VideoPicture& picture);
    // A decoded picture with the area x0..x1-1, y0..y1-1 of `drawn` over it;
    // only that area of `drawn` is copied.
    Status submitDecoded(const VideoPicture& picture, const Surface& drawn, int64_t x0, int64_t y0,
                         int64_t x1, int64_t y1);
    bool canTake(const VideoPicture& picture) const { return writer_->canTake(picture); }

    // After finish(): the last picture written, handed back.
    bool takeLast(Surface& picture);
    // Encodes what is queued, then finishes the movie.
    Status finish();

  private:
    struct Job {
        Surface pixels;         // the picture, or only the area over `decoded`
        VideoPicture decoded;   // empty: the picture is all in `pixels`
        bool area = false;      // `pixels` holds only the area below
        int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    void run();
    // Waits for room; a spare buffer when one is free. False after a failure.
    bool waitForRoom(Surface& buffer);
    Status queue(Job job);

    std::unique_ptr<MovieWriter> writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;       // waiting for the encoder, oldest first
    std::vector<Surface> spare_;  // buffers to reuse
    Surface last_;                // the last picture written
    bool haveLast_ = false;
    size_t depth_;
    bool closing_ = false;
    bool failed_ = false;
    std::string error_;
    std::thread thread_;
};

}  // namespace movalux
