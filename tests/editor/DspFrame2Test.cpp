// The frame display: layers drawn in order over the frame, and the state
// that the timeline model keeps around it.

#include <gtest/gtest.h>

#include <random>

#include "effects/MozaikModule1.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

class DspFrame2Test : public test::EditorTest {
protected:
    void SetUp() override {
        picture = patternPicture(64, 48);
        openPicture(picture, 20);
    }
    bool mainEquals(const Surface& s) const {
        const Surface& m = const_cast<Editor&>(editor).PictMain();
        return std::equal(m.pixels().begin(), m.pixels().end(), s.pixels().begin());
    }
    Surface picture;
};

TEST_F(DspFrame2Test, HigherLayersDrawOverTheResultOfLowerOnes) {
    editor.CurFlame = 3;
    editor.EffArr.at(0, 3) = EffRec{6, 0, 0, 63, 47, 4, "0"};
    editor.EffArr.at(2, 3) = EffRec{6, 8, 8, 20, 20, 16, "0"};
    editor.LayEnable[3] = kFalse;
    EXPECT_EQ(editor.DspFrame2(), 3);
    Surface expect = picture;
    mosaicInside(expect, 0, 0, 63, 47, 4);
    const Surface beforeTop = expect;
    mosaicInside(expect, 8, 8, 20, 20, 16);
    EXPECT_TRUE(mainEquals(expect));
    // The scratch picture holds the picture as it stood before the last
    // enabled layer.
    EXPECT_TRUE(std::equal(beforeTop.pixels().begin(), beforeTop.pixels().end(), editor.PictJT().pixels().begin()));
    EXPECT_EQ(host.labels["TextPos"], "3");
    EXPECT_EQ(host.calls["SetSlr2"], 1);
}

// Region layers say where they drew, so that the next layer's copy of the
// picture covers only that area. Whatever the regions (partly or wholly off
// the picture, negative sizes, every strength and block size, inside and
// outside), four layers drawn together must equal the same layers drawn one
// at a time, each over a fresh copy of the result before it.
TEST_F(DspFrame2Test, FourRegionLayersEqualTheSameLayersDrawnOneAtATime) {
    std::mt19937 random(20261209);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const int16_t blockSizes[] = {2, 4, 8, 16, 24};
    const int16_t strengths[] = {1, 2, 4, 7};
    for (int trial = 0; trial < 400; ++trial) {
        EffRec layers[4];
        for (EffRec& r : layers) {
            const int kind = pick(0, 2);
            const bool mosaic = kind == 0;
            r = EffRec{static_cast<int16_t>(mosaic ? kouka::kMosaic : kind == 1 ? kouka::kBlur : kouka::kInvert),
                       static_cast<float>(pick(-30, 70)), static_cast<float>(pick(-30, 55)),
                       static_cast<float>(pick(-40, 80)), static_cast<float>(pick(-40, 60)),
                       mosaic ? blockSizes[pick(0, 4)] : strengths[pick(0, 3)],
                       pick(0, 4) == 0 ? "1" : "0"};
        }
        // One at a time.
        Surface expect = picture;
        for (const EffRec& r : layers) {
            openPicture(expect, 20);
            editor.EffArr.at(0, 3) = r;
            editor.CurFlame = 3;
            ASSERT_EQ(editor.DspFrame2(), 3);
            expect = editor.PictMain();
        }
        // All four together.
        openPicture(picture, 20);
        for (int l = 0; l < 4; ++l) editor.EffArr.at(l, 3) = layers[l];
        editor.CurFlame = 3;
        ASSERT_EQ(editor.DspFrame2(), 3);
        ASSERT_TRUE(mainEquals(expect)) << "trial " << trial;
    }
}

TEST_F(DspFrame2Test, ScratchPictureIsTheFinalPictureWhenTheTopLayersAreEmpty) {
    editor.EffArr.at(0, 0) = EffRec{6, 0, 0, 30, 30, 8, "1"};
    editor.DspFrame2();
    const Surface& jt = editor.PictJT();
    EXPECT_TRUE(mainEquals(jt));
}

TEST_F(DspFrame2Test, DisabledLayersAreSkippedAndTheOthersStillDraw) {
    editor.EffArr.at(0, 0) = EffRec{6, 0, 0, 63, 47, 4, "0"};
    editor.EffArr.at(1, 0) = EffRec{6, 0, 0, 63, 47, 16, "0"};
    editor.LayEnable[1] = kFalse;
    editor.DspFrame2();
    Surface expect = picture;
    mosaicInside(expect, 0, 0, 63, 47, 4);
    EXPECT_TRUE(mainEquals(expect));
    // Only exactly true (-1) draws.
    editor.LayEnable[1] = 1;
    editor.DspFrame2();
    EXPECT_TRUE(mainEquals(expect));
}

TEST_F(DspFrame2Test, LayerFourIsNeverDrawn) {
    editor.EffArr.at(4, 0) = EffRec{6, 0, 0, 63, 47, 8, "0"};
    editor.DspFrame2();
    EXPECT_TRUE(mainEquals(picture));
}

TEST_F(DspFrame2Test, PreviewOffOrDraggingShowsThePlainFrame) {
    editor.EffArr.at(0, 0) = EffRec{6, 0, 0, 63, 47, 8, "0"};
    editor.PreviewOn = false;
    editor.DspFrame2();
    EXPECT_TRUE(mainEquals(picture));
    editor.PreviewOn = true;
    editor.Dragging = true;
    editor.DspFrame2();
    EXPECT_TRUE(mainEquals(picture));
}

TEST_F(DspFrame2Test, NegativeOrUnknownKindsAreNotDrawn) {
    editor.EffArr.at(0, 0) = EffRec{-6, 0, 0, 63, 47, 8, "0"};
    editor.EffArr.at(1, 0) = EffRec{14, 0, 0, 63, 47, 8, "0"};
    editor.EffResult = 55;
    editor.DspFrame2();
    EXPECT_TRUE(mainEquals(picture));
    EXPECT_EQ(editor.EffResult, 55);
}

TEST_F(DspFrame2Test, FrameWithoutPictureKeepsWhatIsShown) {
    editor.EffArr.at(0, 5) = EffRec{6, 0, 0, 63, 47, 8, "0"};
    editor.CurFlame = 5;
    editor.DspFrame2();
    const Surface shown = editor.PictMain();
    editor.CurFlame = 21;  // past the last frame
    EXPECT_EQ(editor.DspFrame2(), -1);
    EXPECT_TRUE(mainEquals(shown));
    EXPECT_EQ(host.labels["TextPos"], "5");
}

TEST_F(DspFrame2Test, RenderCopiesTheRecordBackIntoTheTimeline) {
    editor.EffArr.at(0, 0) = EffRec{6, 5.75f, 6.5f, 20.9f, 10.1f, 8, "0"};
    editor.DspFrame2();
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{6, 5, 6, 20, 10, 8, "0"}));
    EXPECT_EQ(editor.WorkRecord, (EffRec{}));  // the last layer's (empty) record
}

TEST(EditorModel, StartsWithTheDocumentedState) {
    test::RecordingHost host;
    test::RecordingPanel panel;
    Editor e(host, panel);
    EXPECT_EQ(e.MvOpen, kFalse);
    EXPECT_EQ(e.EdSaved, kTrue);
    EXPECT_EQ(e.TLRows, 60);
    EXPECT_EQ(e.TLTop, 0);
    EXPECT_EQ(e.SelLay, 0);
    EXPECT_EQ(e.HokanRngST, -1);
    EXPECT_EQ(e.HokanRngEND, -1);
    EXPECT_EQ(e.HokanST, -1);
    EXPECT_EQ(e.KoukaSel, 1);
    for (int16_t f : e.LayEnable) EXPECT_EQ(f, kTrue);
    EXPECT_EQ(e.DspFrame2(), -1);  // no movie, no picture
}

TEST_F(DspFrame2Test, SetEffectStoresIntoTheSelectedLayerOnlyAndCancelsKeyFrames) {
    editor.SelLay = 2;
    editor.CurFlame = 7;
    editor.HokanST = 3;
    editor.HokanEND = 5;
    host.labels["TextHSt"] = "3";
    editor.EffArr.at(1, 7) = EffRec{6, 1, 1, 1, 1, 2, "1"};
    editor.WorkRecord = EffRec{6, 10, 20, 30, 40, 16, "0"};
    editor.SetEffect();
    EXPECT_EQ(editor.EffArr.at(2, 7), editor.WorkRecord);
    EXPECT_EQ(editor.EffArr.at(1, 7), (EffRec{6, 1, 1, 1, 1, 2, "1"}));
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(editor.HokanEND, -1);
    EXPECT_EQ(host.labels["TextHSt"], "");
    EXPECT_EQ(host.labels["TextHEnd"], "");
    EXPECT_EQ(editor.EdSaved, kTrue);  // storing alone does not mark the project
}

TEST_F(DspFrame2Test, TimelineCoversFirstToLastPlusOneFrames) {
    editor.recreateTimeline(100, 250);
    EXPECT_EQ(editor.EffArr.frameCount(), 152);  // 0..151
    EXPECT_EQ(editor.UndoArr.frameCount(), 152);
    editor.recreateTimeline(5, 2);  // a reversed range leaves no frames to edit
    EXPECT_EQ(editor.EffArr.frameCount(), 0);
}

TEST_F(DspFrame2Test, ReleasingTheMovieClearsKindsAndResetsTheState) {
    editor.EffArr.at(0, 4) = EffRec{6, 1, 2, 3, 4, 8, "0"};
    editor.EffArr.at(9, 20) = EffRec{3, 1, 2, 3, 4, 8, "x"};
    editor.EffArr.at(10, 2) = EffRec{7, 0, 0, 0, 0, 0, ""};
    editor.CurFlame = 9;
    editor.STFlame = 2;
    editor.ENDFlame = 8;
    editor.TLTop = 30;
    editor.HokanRngST = 1;
    editor.KoukaSel = 6;
    editor.releaseMovieRecords();
    EXPECT_EQ(editor.EffArr.at(0, 4).Kind, 0);
    EXPECT_EQ(editor.EffArr.at(0, 4).Param, 8);  // stale fields stay
    EXPECT_EQ(editor.EffArr.at(9, 20).Kind, 0);
    EXPECT_EQ(editor.EffArr.at(10, 2).Kind, 7);  // layer 10 is not touched
    EXPECT_EQ(editor.MvOpen, kFalse);
    EXPECT_EQ(editor.CurFlame, 0);
    EXPECT_EQ(editor.STFlame, 0);
    EXPECT_EQ(editor.ENDFlame, 0);
    EXPECT_EQ(editor.TLTop, 0);
    EXPECT_EQ(editor.HokanRngST, -1);
    EXPECT_EQ(editor.HokanRngEND, -1);
    EXPECT_EQ(editor.KoukaSel, 1);
    EXPECT_EQ(editor.ResName, "1");
    EXPECT_EQ(editor.EdFName, "EditFile1.txt");
    EXPECT_EQ(editor.RecFName, "AVIFile1.avi");
}

}  // namespace
}  // namespace movalux
