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
    // After finish(): the last picture written, handed back.
    bool takeLast(Surface& picture);
    // Encodes what is queued, then finishes the movie.
    Status finish();

  private:
    void run();

    std::unique_ptr<MovieWriter> writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Surface> queue_;   // waiting for the encoder, oldest first
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
