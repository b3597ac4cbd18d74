// Real-time playback with sound (the "再生(音付)" menu): the sound section
// is decoded ahead on a worker thread, the window's sound output plays it,
// and the picture shows whichever frame the sound has reached. Without a
// sound output the picture keeps the system clock instead.

#include "playback/RealTimePlayback.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "host/Host.h"

namespace movalux {

namespace {

constexpr const char* kSpeedRefusedText = "この速度では再生できません";
constexpr const char* kNoOutputText = "音声出力がありません（音なしで再生します）";
constexpr const char* kSoundUnreadableText = "音声を読み込めません（音なしで再生します）";
constexpr const char* kOutputStoppedText = "音声出力が止まりました（音なしで再生します）";
constexpr const char* kStoppedErrorText = "エラーが発生しました(Cordec)";
constexpr const char* kStatusLabel = "StatusText";
// LabelTime while the movie plays: light blue, as blue-green-red.
constexpr int32_t kPlayingLabelColour = 0xFF8080;
constexpr int32_t kFaceColour = -1;

// Seconds of sound decoded ahead of the output.
constexpr double kDecodeAheadSeconds = 2.0;
// Decoded before the output starts, so that it does not begin starved.
constexpr double kPrimeSeconds = 0.25;
// The longest the loop sleeps, so that a pause is answered at once even at
// slow speeds.
constexpr uint32_t kMaxWaitMs = 40;
// A sound clock that has not moved for this long is taken to have stopped.
constexpr uint32_t kStalledMs = 2000;
// How close to everything read the sound clock must be to count as run out.
constexpr double kRanOutSlack = 0.005;
// Sample frames decoded per read.
constexpr int kChunkFrames = 4096;

}  // namespace

bool realTimeSpeedPlayable(double speed) {
    // Slightly outside the bounds still counts (0.1 comes from "10" / 100).
    return std::isfinite(speed) && speed >= kRealTimeSlowest - 1e-9 &&
           speed <= kRealTimeFastest + 1e-9;
}

// --- Schedule ----------------------------------------------------------------

RealTimeSchedule::RealTimeSchedule(double frameRate, int32_t first, int32_t last, double speed)
    : frameRate_(frameRate), first_(first), last_(std::max(first, last)), speed_(speed) {}

double RealTimeSchedule::duration() const {
    if (!(frameRate_ > 0) || !(speed_ > 0)) return 0;
    return (static_cast<double>(last_) - first_ + 1) / frameRate_ / speed_;
}

int32_t RealTimeSchedule::frameAt(double seconds) const {
    if (!(seconds > 0)) return first_;
    // The small slack keeps a moment computed exactly at a frame's start
    // (3 frames at 30 fps: 0.1 s) from landing on the frame before.
    const double moved = std::floor(seconds * frameRate_ * speed_ + 1e-9);
    if (moved >= static_cast<double>(last_) - first_) return last_;
    return first_ + static_cast<int32_t>(moved);
}

double RealTimeSchedule::secondsToNextFrame(double seconds) const {
    if (finishedAt(seconds) || !(frameRate_ > 0) || !(speed_ > 0)) return 0;
    const double perFrame = 1.0 / frameRate_ / speed_;
    const double moved = std::floor(std::max(0.0, seconds) / perFrame + 1e-9);
    return std::max(0.0, (moved + 1) * perFrame - seconds);
}

// --- Sound decoded ahead -------------------------------------------------------

Result<std::unique_ptr<RealTimeSound>> RealTimeSound::open(const SoundSectionRequest& request) {
    auto section = SoundSection::open(request);
    if (!section) return Error{section.error()};
    return std::unique_ptr<RealTimeSound>(new RealTimeSound(std::move(*section)));
}

RealTimeSound::RealTimeSound(std::unique_ptr<SoundSection> section)
    : section_(std::move(section)),
      rate_(section_->sampleRate()),
      channels_(section_->channels()),
      lead_(section_->leadSeconds()) {
    capacity_ = static_cast<size_t>(kDecodeAheadSeconds * rate_) * static_cast<size_t>(channels_);
    worker_ = std::thread([this] { decode(); });
}

RealTimeSound::~RealTimeSound() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void RealTimeSound::decode() {
    std::vector<int16_t> chunk;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || ready_.size() < capacity_; });
            if (stop_) break;
        }
        chunk.clear();
        int got = 0;
        std::string why;
        try {
            auto r = section_->read(chunk, kChunkFrames);
            if (!r)
                why = r.error().empty() ? "the sound cannot be decoded" : r.error();
            else
                got = *r;
        } catch (const std::exception& e) {
            why = e.what();
        }
        const std::lock_guard lock(mutex_);
        if (!why.empty()) failure_ = why;
        ready_.insert(ready_.end(), chunk.begin(), chunk.end());
        if (got <= 0 || !why.empty()) {
            decodeDone_ = true;
            changed_.notify_all();
            break;
        }
        changed_.notify_all();
    }
    const std::lock_guard lock(mutex_);
    decodeDone_ = true;
    changed_.notify_all();
}

size_t RealTimeSound::read(int16_t* out, size_t maxValues) {
    std::lock_guard lock(mutex_);
    // Whole sample frames only, so the channels never swap places.
    const size_t ch = static_cast<size_t>(std::max(1, channels_));
    const size_t n = std::min(maxValues, ready_.size()) / ch * ch;
    std::copy_n(ready_.begin(), n, out);
    ready_.erase(ready_.begin(), ready_.begin() + static_cast<std::ptrdiff_t>(n));
    valuesRead_ += static_cast<int64_t>(n);
    changed_.notify_all();
    return n;
}

bool RealTimeSound::drained() const {
    const std::lock_guard lock(mutex_);
    return decodeDone_ && ready_.empty();
}

double RealTimeSound::secondsRead() const {
    const std::lock_guard lock(mutex_);
    if (rate_ <= 0 || channels_ <= 0) return 0;
    return static_cast<double>(valuesRead_) / channels_ / rate_;
}

void RealTimeSound::waitForBuffered(size_t values) {
    std::unique_lock lock(mutex_);
    values = std::min(values, capacity_);
    changed_.wait(lock, [&] { return decodeDone_ || ready_.size() >= values; });
}

std::string RealTimeSound::failure() const {
    const std::lock_guard lock(mutex_);
    return failure_;
}

// --- The menu command ------------------------------------------------------------

void Editor::mnuPlay_Click() {
    // One playback at a time, and only of an open movie.
    if (MvOpen == kFalse || frameSource_ == nullptr || !Idle) return;
    const double speed = leadingValue(host_.LabelText("Combo4")) / 100.0;
    if (!realTimeSpeedPlayable(speed) || !(FrameRate > 0)) {
        host_.MsgBox(kSpeedRefusedText, msgbox::kOk, "");
        return;
    }
    const int32_t first = std::clamp(CurFlame, RangeST, std::max(RangeST, RangeEND));
    const RealTimeSchedule schedule(FrameRate, first, RangeEND, speed);

    host_.SetControlEnabled("ComPlay", false);
    host_.SetLabelColor("LabelTime", kPlayingLabelColour);
    host_.SetLabel(kStatusLabel, "");
    Idle = false;

    // The movie plays as it is; its effects come back when it stops.
    const bool previewWas = PreviewOn;
    PreviewOn = false;
    // The first frame is on screen before the first sound is heard: a seek
    // that takes a while must not leave the sound running ahead of a still
    // picture.
    int32_t shown = -1;
    CurFlame = first;
    if (DspFrame2() >= 0) shown = first;

    std::unique_ptr<RealTimeSound> sound;
    bool heard = false;
    if (MvSound == kTrue && movie_) {
        SoundSectionRequest request;
        request.moviePath = MvFName;
        // The sound of exactly the pictures shown: frame f starts f / rate
        // seconds in, as DspFrame2 shows it.
        request.fromSeconds = first / FrameRate;
        request.toSeconds = (static_cast<double>(schedule.last()) + 1) / FrameRate;
        request.speed = speed;
        auto opened = RealTimeSound::open(request);
        if (opened) {
            sound = std::move(*opened);
            sound->waitForBuffered(static_cast<size_t>(kPrimeSeconds * sound->sampleRate()) *
                                   static_cast<size_t>(sound->channels()));
            heard = host_.StartSound(*sound);
            if (!heard) host_.SetLabel(kStatusLabel, kNoOutputText);
        } else {
            host_.SetLabel(kStatusLabel, kSoundUnreadableText);
        }
    }
    const bool soundStarted = heard;

    // A stretched sound brings a start after quiet this much before the
    // speed alone would; the picture keeps to what is heard. The lead comes
    // in over the first moments, as the stretch's own start is in place.
    const double lead = sound ? sound->leadSeconds() : 0;
    const auto pictureSeconds = [lead](double s) {
        return lead >= 0 ? s + std::min(s, lead) : std::max(0.0, s + lead);
    };
    double position = 0;
    double soundWas = 0;
    double systemBase = 0;
    uint32_t systemTick = host_.timeGetTime();
    uint32_t lastMoveTick = systemTick;
    int32_t reached = first;
    try {
        for (;;) {
            const uint32_t now = host_.timeGetTime();
            if (heard) {
                const double s = host_.SoundSeconds();
                const bool ranOut = sound->drained() && s >= sound->secondsRead() - kRanOutSlack;
                if (s > soundWas) {
                    lastMoveTick = now;
                    soundWas = s;
                }
                const bool stalled = static_cast<uint32_t>(now - lastMoveTick) > kStalledMs;
                if (s < 0 || ranOut || stalled) {
                    // Past the sound's end (or without an output that
                    // works) the picture goes on by the system clock.
                    heard = false;
                    if (s < 0 || stalled) {
                        host_.StopSound();
                        host_.SetLabel(kStatusLabel, kOutputStoppedText);
                    }
                    systemBase = std::max(position, pictureSeconds(s));
                    systemTick = now;
                } else {
                    position = std::max(position, pictureSeconds(s));
                }
            }
            if (!heard)
                position = systemBase + static_cast<uint32_t>(now - systemTick) / 1000.0;
            if (schedule.finishedAt(position)) {
                reached = schedule.last();
                break;
            }
            const int32_t frame = schedule.frameAt(position);
            if (frame != shown) {
                CurFlame = frame;
                if (DspFrame2() >= 0) {
                    shown = frame;
                    reached = frame;
                    SliderPos = static_cast<float>(CurFlame * SliderScale);
                    host_.DspSldr();
                }
            }
            if (Idle) break;
            const double next = schedule.secondsToNextFrame(position);
            const auto waitMs = static_cast<uint32_t>(
                std::clamp(std::ceil(next * 1000.0), 1.0, static_cast<double>(kMaxWaitMs)));
            host_.WaitEvents(waitMs);
            if (Idle) break;
        }
    } catch (const std::exception&) {
        host_.MsgBox(kStoppedErrorText, msgbox::kOk, "");
    }
    if (soundStarted) host_.StopSound();
    sound.reset();

    // Stopped: the frame reached stays current and is shown with its
    // effects, the page of the timeline starting at it.
    PreviewOn = previewWas;
    Idle = true;
    CurFlame = reached;
    try {
        DspFrame2();
    } catch (const std::exception&) {
        host_.MsgBox(kStoppedErrorText, msgbox::kOk, "");
    }
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    TLTop = SliderScale > 0 ? static_cast<int32_t>(std::lround(SliderPos / SliderScale)) : CurFlame;
    host_.DspSldr();
    host_.SetSlr2();
    host_.SetTLine();
    host_.SetLabelColor("LabelTime", kFaceColour);
    // What the status line said about the sound was about this playback.
    host_.SetLabel(kStatusLabel, "");
    host_.SetControlEnabled("ComPlay", true);
}

}  // namespace movalux
