#pragma once
// An Editor on recording ports with a picture to show as every frame.

#include <gtest/gtest.h>

#include <ostream>

#include "editor/Editor.h"
#include "effects/Surface.h"
#include "media/FrameSource.h"
#include "support/RecordingHost.h"

namespace movalux {
// Records in test failures as their fields rather than their bytes.
inline void PrintTo(const EffRec& r, std::ostream* os) {
    *os << "{" << r.Kind << ", " << r.X << ", " << r.Y << ", " << r.W << ", " << r.H << ", "
        << r.Param << ", \"" << r.Text << "\"}";
}
}  // namespace movalux

namespace movalux::test {

// Serves one picture for every frame up to a last frame; later frames have
// no picture.
class PictureSource : public FrameSource {
  public:
    bool paintFrame(int32_t frame, Surface& target) override {
        ++requests;
        if (frame < 0 || frame > lastFrame) return false;
        target.assign(picture);
        return true;
    }
    Surface picture;
    int32_t lastFrame = 1000;
    int requests = 0;
};

// A picture whose every pixel differs from its neighbours, so that any
// misplaced copy shows.
inline Surface patternPicture(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.setPixel(x, y, rgb((x * 7 + y * 3) & 255, (x * 13 + y * 29) & 255, (x ^ y) & 255));
    return s;
}

class EditorTest : public ::testing::Test {
  protected:
    void openPicture(const Surface& picture, int32_t lastFrame = 10) {
        source.picture = picture;
        source.lastFrame = lastFrame;
        editor.setPictureSize(picture.width(), picture.height());
        editor.setFrameSource(&source);
        editor.recreateTimeline(0, lastFrame);
        editor.MvOpen = kTrue;
        editor.MvSTFlame = 0;
        editor.MvENDFlame = lastFrame;
        editor.CurFlame = 0;
    }

    RecordingHost host;
    RecordingPanel panel;
    Editor editor{host, panel};
    PictureSource source;
};

}  // namespace movalux::test
