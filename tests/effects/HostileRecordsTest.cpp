// Records with absurd numbers (issue 18, items 1 and 12): NaN and infinite
// values are refused with 99 and leave the picture as it was; huge ones are
// cut to the picture before any integer arithmetic or allocation, so they
// neither fail nor overflow, and give the same picture as a record reaching
// just beyond the picture.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "effects/MaskModule1.h"
#include "effects/RasterOps.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

bool same(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

EffRec record(int16_t kind, float x, float y, float w, float h, int16_t param, const char* text) {
    EffRec r;
    r.Kind = kind;
    r.X = x;
    r.Y = y;
    r.W = w;
    r.H = h;
    r.Param = param;
    r.Text = text;
    return r;
}

struct KindCase {
    int16_t kind;
    int16_t param;
};
// Every region module: mask (both shapes), zoom, mosaic, invert, blur.
constexpr KindCase kRegionKinds[] = {{1, 50}, {2, 0}, {5, 1}, {6, 8}, {9, 0}, {10, 7}};

class HostileRecordsTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = test::patternPicture(64, 48);
        openPicture(picture);
    }
    // Renders one record on layer 0 of frame 0; the module's answer.
    int32_t render(const EffRec& rec) {
        editor.EffArr.at(0, 0) = rec;
        editor.EffResult = 0;
        EXPECT_EQ(editor.DspFrame2(), 0);
        return editor.EffResult;
    }
    Surface shown() { return editor.PictMain(); }
    Surface picture;
};

TEST_F(HostileRecordsTest, NaNAndInfiniteValuesAreRefusedAndLeaveThePicture) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (const KindCase& k : kRegionKinds)
        for (const char* text : {"0", "1"})
            for (int field = 0; field < 4; ++field)
                for (float v : bad) {
                    float g[4] = {10, 8, 30, 20};
                    if (k.kind == 1) g[3] = 0.5f;  // the ellipse's aspect
                    g[field] = v;
                    const EffRec rec = record(k.kind, g[0], g[1], g[2], g[3], k.param, text);
                    EXPECT_EQ(render(rec), kTrappedError) << "kind " << k.kind << " text " << text
                                                          << " field " << field << " value " << v;
                    EXPECT_TRUE(same(shown(), picture)) << "kind " << k.kind << " text " << text
                                                        << " field " << field << " value " << v;
                }
}

TEST_F(HostileRecordsTest, HugeValuesCostNoMoreThanThePictureAndNeverFail) {
    const float huge[] = {1e38f, -1e38f, 3e9f, -3e9f, 0.0f};
    for (const KindCase& k : kRegionKinds)
        for (const char* text : {"0", "1"})
            for (float x : huge)
                for (float w : huge) {
                    // Before the regions were cut, these ran out of memory or
                    // overflowed (UBSan) on the way.
                    const EffRec rec = record(k.kind, x, x, w, w, k.param, text);
                    EXPECT_NE(render(rec), kTrappedError)
                        << "kind " << k.kind << " x " << x << " w " << w;
                }
}

TEST_F(HostileRecordsTest, AHugeRegionGivesThePictureOfOneJustBeyondThePicture) {
    // Inside and outside of a region holding the whole picture, for the
    // effects whose result does not depend on where the region starts.
    for (const KindCase& k : {KindCase{2, 0}, KindCase{9, 0}, KindCase{10, 2}})
        for (const char* text : {"0", "1"}) {
            render(record(k.kind, -1e38f, -1e38f, 3e38f, 3e38f, k.param, text));
            const Surface huge = shown();
            render(record(k.kind, -100, -100, 300, 300, k.param, text));
            EXPECT_TRUE(same(huge, shown())) << "kind " << k.kind << " text " << text;
        }
    // The apply command's record that took 15 GB: an ellipse centred far away.
    EXPECT_NE(render(record(1, 1e38f, 1e38f, 1e38f, 1e38f, 0, "0")), kTrappedError);
    EXPECT_TRUE(same(shown(), picture));  // "中黒" of a shape off the picture: nothing darkened
}

// Item 12: the fill starts inside the shape.
TEST(MaskFill, StartsInsideASmallEllipseAndARectangleTypedWithANegativeSize) {
    Surface msk(64, 48, kWhite);
    auto blackCount = [&] {
        int n = 0;
        for (uint32_t p : msk.pixels()) n += sameColour(p, kBlack);
        return n;
    };
    // Radius 1.5: (X + 2, Y + 2) lies outside the ellipse.
    drawMask(msk, 1, 30, 20, 1.5f, 1, false);
    EXPECT_GT(blackCount(), 0);
    EXPECT_LT(blackCount(), 20);
    EXPECT_TRUE(sameColour(msk.pixel(30, 20), kBlack));
    EXPECT_TRUE(sameColour(msk.pixel(0, 0), kWhite));
    // Typed from (40, 30) with width -20 and height -10: the rectangle from
    // (20, 20) to (40, 30), filled inside only.
    drawMask(msk, 2, 40, 30, -20, -10, false);
    EXPECT_EQ(blackCount(), 21 * 11);
    EXPECT_TRUE(sameColour(msk.pixel(30, 25), kBlack));
    EXPECT_TRUE(sameColour(msk.pixel(5, 5), kWhite));
    // Where (X + 2, Y + 2) lies inside, the mask is as it always was.
    Surface a(64, 48, kWhite);
    drawMask(a, 2, 20, 20, 20, 10, false);
    EXPECT_TRUE(same(a, msk));
    // A centre off the picture still fills the part on it.
    drawMask(msk, 1, -20, 24, 40, 1, false);
    EXPECT_TRUE(sameColour(msk.pixel(5, 24), kBlack));
    EXPECT_TRUE(sameColour(msk.pixel(30, 24), kWhite));
}

TEST_F(HostileRecordsTest, MaskInsideASmallShapeDarkensOnlyTheShape) {
    // "中黒" (text "0") with transparency 0: black inside the shape only.
    render(record(2, 40, 30, -20, -10, 0, "0"));
    EXPECT_EQ(shown().pixel(30, 25) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown().pixel(5, 5), picture.pixel(5, 5));
    render(record(1, 30, 20, 1.5f, 1, 0, "0"));
    EXPECT_EQ(shown().pixel(5, 5), picture.pixel(5, 5));
    EXPECT_EQ(shown().pixel(60, 40), picture.pixel(60, 40));
}

// Item 13: a release on the column left of the picture is a pointer at 0,
// not the whole-frame command.
TEST_F(HostileRecordsTest, AReleaseLeftOfThePictureIsNotTheWholeFrame) {
    editor.DspFrame2();
    editor.Combo3_Click("反転");
    editor.PictMain_MouseDown(1, 0, 20, 10);
    editor.PictMain_MouseMove(1, 0, 5, 30);
    editor.PictMain_MouseUp(1, 0, -1, 30);
    const EffRec& rec = editor.EffArr.at(0, 0);
    EXPECT_EQ(rec.Kind, 9);
    EXPECT_EQ(rec.X, 0);
    EXPECT_EQ(rec.W, 20);
    EXPECT_EQ(rec.Y, 10);
    EXPECT_EQ(rec.H, 20);
    // The right of the picture is untouched.
    EXPECT_EQ(editor.PictMain().pixel(50, 20), picture.pixel(50, 20));
    // The whole-frame command still is.
    editor.mnuAll_Click();
    EXPECT_EQ(editor.EffArr.at(0, 0).W, 64);
}

}  // namespace
}  // namespace movalux
