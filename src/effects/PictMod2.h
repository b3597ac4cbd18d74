#pragma once
// Effect 11, picture 2: a still picture stretched into a rectangle (mirrored
// where a size is negative), one colour transparent, a transparency for the
// rest. Records name the picture by its slot in the shared resource table,
// so the edit file stores each file once; the module answers the table's
// queries for the edit file for both picture 2 and the movie.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/OverlayRect.h"
#include "effects/OverlayShared.h"

namespace movalux {

class PictMod2 : public EffectModule {
  public:
    PictMod2(EffectEnv& env, OverlayShared& shared) : env_(env), shared_(shared) {}

    bool pictureLoaded() const { return loaded_; }
    const std::string& loadedPath() const { return loadedPath_; }
    int32_t keyColour() const { return key_.colour; }
    int16_t transparency() const { return transparency_; }
    const OverlayRect& rect() const { return rect_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void SetPict2Panel();
    void SelPict2File();
    int32_t LoadSlotPict(int16_t slot);
    // The slot this module's records name: the picture it showed last.
    int16_t ownSlot() const;
    // PictStart given back this module's picture where the arrow or the
    // movie drew since (no file is read for it).
    void takeBackPictStart();
    void Pict2Scale();
    int32_t Pict2Preview();
    int32_t DrawPict2();
    float pictureRatio() const;

    EffectEnv& env_;
    OverlayShared& shared_;
    OverlayRect rect_;
    KeyColourPick key_;
    float layoutScale_ = 0;
    int16_t transparency_ = 0;
    int32_t middle_ = 0;
    std::string loadedPath_;
    bool loaded_ = false;
    // The slot's file could not be read: its records draw nothing.
    bool slotFailed_ = false;
    bool render_ = false;
    float previewScale_ = 1;
    // The slot of the picture this module showed last: the shared current
    // slot may name the movie overlay's file.
    int16_t pictureSlot_ = -1;
    // The slot the key frames of the interpolation under way name.
    int16_t hokanSlot_ = 0;
    // The last picture read, so that taking PictStart back from the arrow
    // or the movie does not read the file again.
    std::string cachedPath_;
    Surface cached_;
    // Names each picture read (PictStart holds cached_ while the marker is
    // its slot), and the stretch of it last drawn.
    uint64_t cachedId_ = 0;
    StretchCache stretch_;
};

}  // namespace movalux
