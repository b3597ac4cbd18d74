#pragma once
// The sound of a section of a movie, stretched or squeezed in time: a
// section of L seconds played at speed s lasts L / s seconds, at the pitch
// of the source. The samples come out as interleaved 16-bit values, exactly
// as many as the stretched length holds, so that a movie written at any
// speed has sound as long as its picture.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"

namespace movalux {

struct SoundSectionRequest {
    std::string moviePath;
    double fromSeconds = 0;  // from the movie's first picture
    double toSeconds = 0;    // above fromSeconds
    double speed = 1;        // 0.1 .. 10
    int channels = 0;        // 0: the source's (up to 8, in its layout); else 1 or 2
};

class SoundSection {
  public:
    // Fails with the reason when the movie has no sound that can be decoded.
    static Result<std::unique_ptr<SoundSection>> open(const SoundSectionRequest& request);
    ~SoundSection();
    SoundSection(const SoundSection&) = delete;
    SoundSection& operator=(const SoundSection&) = delete;

    int sampleRate() const;
    int channels() const;
    // The channels' layout as FFmpeg's mask (0 when it has none).
    uint64_t channelMask() const;
    // Sample frames (one value per channel each) the whole section yields.
    int64_t totalFrames() const;
    int64_t framesDelivered() const;
    // How much earlier than speed alone would place it the stretch delivers
    // a sound that starts after quiet (a word, a clap), in seconds of the
    // output; 0 without a stretch. A picture shown by the output's clock
    // is shown this much earlier to stay with what is heard.
    double leadSeconds() const;

    // Appends up to maxFrames sample frames to `out`; 0 once the section is
    // done.
    Result<int> read(std::vector<int16_t>& out, int maxFrames);

  private:
    struct Impl;
    friend double stretchLeadSeconds(int rate, double speed);
    explicit SoundSection(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The atempo factors (each within 0.5..2) whose product is `speed`.
std::vector<double> tempoChain(double speed);

// The stretch's lead at this rate and speed, measured once per process on
// beeps after quiet that fall on every part of its windows (the median).
double stretchLeadSeconds(int rate, double speed);

}  // namespace movalux
