#pragma once
// Effect 4, picture: a still picture pasted at its natural size, centred on
// the effect point, white being transparent, with a chosen transparency for
// the rest. Each record carries the picture's full path; one picture is held
// at a time (PicEffect).

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/OverlayShared.h"

namespace movalux {

// The picture over dst with its centre at (x, y) rounded to whole pixels,
// white pixels left out.
void pastePicture(Surface& dst, const Surface& picture, float x, float y);

class PictModule1 : public EffectModule {
  public:
    PictModule1(EffectEnv& env, OverlayShared& shared) : env_(env), shared_(shared) {}

    bool pictureLoaded() const { return loaded_; }
    const std::string& loadedPath() const { return loadedPath_; }
    int16_t transparency() const { return transparency_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void SetPictPanel();
    void SelPictFile();
    void LoadPictFile();
    void PutPict(float x, float y);
    void DrawPictRec();
    void PictPreview();
    void writeRecord();

    EffectEnv& env_;
    OverlayShared& shared_;
    float layoutScale_ = 0;
    float X_ = 0, Y_ = 0, W_ = 0, H_ = 0;
    int16_t transparency_ = 0;
    int16_t savedTransparency_ = 0;
    std::string recordPath_;
    std::string loadedPath_;
    // The record path the picture in PicEffect answers: the loaded path, or
    // the missing path whose replacement the user found.
    std::string answersPath_;
    bool loaded_ = false;
    // The picture named last could not be had: nothing is drawn for it.
    bool failed_ = false;
    bool dragging_ = false;
    bool render_ = false;
};

}  // namespace movalux
