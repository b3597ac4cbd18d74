#pragma once
// Real-time playback with sound: the movie from the current frame to the
// end of the play range at a chosen speed, its sound stretched to that speed
// at its own pitch, and the picture following the sound as it is heard.
//
// RealTimeSchedule says which frame belongs to a moment of the playback;
// RealTimeSound decodes the sound section ahead on its own thread so that
// the sound output never waits for the decoder.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "base/Result.h"
#include "host/Host.h"
#include "media/SoundSection.h"

namespace movalux {

// The slowest and fastest speeds the sound can be stretched to.
inline constexpr double kRealTimeSlowest = 0.1;
inline constexpr double kRealTimeFastest = 10.0;
bool realTimeSpeedPlayable(double speed);

class RealTimeSchedule {
  public:
    // Frames first..last at `frameRate` frames a second, played at `speed`.
    RealTimeSchedule(double frameRate, int32_t first, int32_t last, double speed);

    int32_t first() const { return first_; }
    int32_t last() const { return last_; }
    // Seconds the whole section lasts when played.
    double duration() const;
    // The frame on screen `seconds` after the start (the last one at and
    // after the end).
    int32_t frameAt(double seconds) const;
    bool finishedAt(double seconds) const { return seconds >= duration(); }
    // Seconds from `seconds` until the next frame is due (0 when past the
    // end).
    double secondsToNextFrame(double seconds) const;

  private:
    double frameRate_;
    int32_t first_;
    int32_t last_;
    double speed_;
};

class RealTimeSound final : public SoundFeed {
  public:
    static Result<std::unique_ptr<RealTimeSound>> open(const SoundSectionRequest& request);
    ~RealTimeSound() override;
    RealTimeSound(const RealTimeSound&) = delete;
    RealTimeSound& operator=(const RealTimeSound&) = delete;

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    size_t read(int16_t* out, size_t maxValues) override;
    bool drained() const override;
    double secondsRead() const override;
    // What the stretch delivers early (see SoundSection::leadSeconds).
    double leadSeconds() const { return lead_; }
    // Waits until at least `values` samples are ready or decoding ended
    // (the start of playback, so that the output does not begin starved).
    void waitForBuffered(size_t values);
    // Why decoding stopped early, when it did.
    std::string failure() const;

  private:
    explicit RealTimeSound(std::unique_ptr<SoundSection> section);
    void decode();

    std::unique_ptr<SoundSection> section_;
    int rate_ = 0;
    int channels_ = 0;
    double lead_ = 0;
    size_t capacity_ = 0;  // samples kept ready at most
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<int16_t> ready_;
    int64_t valuesRead_ = 0;
    bool decodeDone_ = false;
    bool stop_ = false;
    std::string failure_;
    std::thread worker_;
};

}  // namespace movalux
