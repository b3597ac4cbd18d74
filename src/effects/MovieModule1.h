#pragma once
// Effect 20, movie: a second movie shown in a rectangle on the frame, one of
// its frames per record, so that interpolation makes it play in step with
// the main movie at a chosen speed. Rectangle, transparent colour,
// transparency and resource slots work as for picture 2.

#include <cstdint>
#include <memory>
#include <string>

#include "effects/EffectModule.h"
#include "effects/OverlayRect.h"
#include "effects/OverlayShared.h"

namespace movalux {

// Main-movie frames per overlay frame for the speed list "10", "20", "33",
// "50", "100", "200", "300", "500", "1000".
inline constexpr float kMovieSpeeds[] = {10.0f, 5.0f, 3.0f, 2.0f, 1.0f, 0.5f, 0.334f, 0.2f, 0.1f};

class MovieModule1 : public EffectModule {
  public:
    MovieModule1(EffectEnv& env, OverlayShared& shared);
    ~MovieModule1() override;

    bool movieLoaded() const { return loaded_; }
    const std::string& moviePath() const { return moviePath_; }
    int32_t currentFrame() const { return currentFrame_; }
    int32_t lastFrame() const { return lastFrame_; }
    float speed() const { return speed_; }
    bool playing() const { return playing_; }
    int32_t clipStart() const { return clipStart_; }
    int32_t clipEnd() const { return clipEnd_; }
    const OverlayRect& rect() const { return rect_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    int32_t DoParam(EffArgs& args);
    void SetMoviePanel();
    void SelMovieFile();
    bool OpenOverlay(const std::string& path);
    int32_t ShowOverlayFrame();
    int32_t PlayOverlay();
    int32_t MovieHokan(EffArgs& args);
    int32_t LoadSlotMovie(int16_t slot);
    // The slot this module's records name: the movie it opened last.
    int16_t ownSlot() const;
    void CloseOverlay();
    int32_t DrawMovie();
    std::string hokanText(int32_t frame) const;

    EffectEnv& env_;
    OverlayShared& shared_;
    OverlayRect rect_;
    KeyColourPick key_;
    float layoutScale_ = 0;
    int16_t transparency_ = 0;
    bool render_ = false;

    std::unique_ptr<OverlayMovie> movie_;
    std::string moviePath_;
    int16_t movieSlot_ = -1;
    bool slotFailed_ = false;  // the slot's movie could not be opened
    bool loaded_ = false;
    double frameRate_ = 0;
    int32_t rate_ = 0;
    int32_t frameCount_ = 0;
    int32_t lastFrame_ = -1;
    int32_t currentFrame_ = 0;
    float speed_ = 1;
    bool playing_ = false;
    int32_t clipStart_ = 0;
    int32_t clipEnd_ = 0;

    // Interpolation: key frames' overlay frames, direction, running offset,
    // hold countdown, and the answer to the end-of-overlay question.
    int32_t hokanStart_ = 0;
    int32_t hokanEnd_ = 0;
    int hokanDirection_ = 0;  // -1, 0 or 1
    int16_t hokanSlot_ = 0;   // the slot the key frames name
    int32_t hokanOffset_ = 0;
    int32_t hokanCountdown_ = 0;
    int16_t endAnswer_ = 0;
};

}  // namespace movalux
