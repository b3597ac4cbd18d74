#include "effects/PictMod2.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>

#include "support/CliRunner.h"
#include "support/EditorFixture.h"
#include "support/FakeOverlayMedia.h"

namespace movalux {
namespace {

constexpr uint32_t kGrey = 0xFF646464u;
constexpr uint32_t kRed = 0xFFC80000u;
constexpr uint32_t kBlue = 0xFF0000C8u;

class Picture2Test : public test::EditorTest {
  protected:
    void SetUp() override {
        editor.setOverlayMedia(&media);
        openPicture(Surface(120, 90, kGrey));
        dir = std::make_unique<test::TempDir>("pict2");
        halves = addPicture("halves.png", halvesPicture());
        editor.startUp({});
    }
    // 4 x 2: left half red, right half blue.
    static Surface halvesPicture() {
        Surface s(4, 2, kRed);
        for (int y = 0; y < 2; ++y)
            for (int x = 2; x < 4; ++x) s.setPixel(x, y, kBlue);
        return s;
    }
    std::string addPicture(const std::string& name, const Surface& pic) {
        const std::string path = dir->path(name);
        std::ofstream(path) << "x";
        media.pictures[path] = pic;
        return path;
    }
    // Chooses a file through the panel's read button.
    void choose(const std::string& path) {
        host.queueDialogPath(path);
        if (editor.picture2().pictureLoaded()) host.queueAnswer(msgbox::kAnswerYes);
        editor.RDPictBtn_Click();
    }
    void render(float x, float y, float w, float h, int16_t transparency, const std::string& text) {
        editor.EffArr.at(0, 0) = EffRec{kouka::kPicture2, x, y, w, h, transparency, text};
        editor.DspFrame2();
    }
    uint32_t at(int x, int y) { return editor.PictMain().pixel(x, y) | kOpaque; }

    test::FakeOverlayMedia media;
    std::unique_ptr<test::TempDir> dir;
    std::string halves;
};

TEST_F(Picture2Test, StretchedIntoTheRectangleAndMirroredForNegativeSizes) {
    editor.Combo3_Click("画像2");
    choose(halves);
    ASSERT_EQ(editor.overlay().table.count, 1);
    render(10, 10, 40, 20, 0, "0000000099999999");
    EXPECT_EQ(at(10, 10), kRed);
    EXPECT_EQ(at(49, 29), kBlue);
    EXPECT_EQ(at(50, 20), kGrey);
    // From (50, 30) back to (10, 10): the same place, both ways mirrored.
    render(50, 30, -40, -20, 0, "0000000099999999");
    EXPECT_EQ(at(10, 10), kBlue);
    EXPECT_EQ(at(49, 29), kRed);
    EXPECT_EQ(at(9, 10), kGrey);
    EXPECT_EQ(editor.EffArr.at(0, 0).W, -40.0f);
}

TEST_F(Picture2Test, TheKeyedColourIsLeftOutExactlyAndTransparencyBlends) {
    editor.Combo3_Click("画像2");
    choose(halves);
    // Blue (0, 0, 200) keyed: 200 << 16 = 13107200 as a colour value.
    render(0, 0, 40, 20, 0, "0000000013107200");
    EXPECT_EQ(at(5, 5), kRed);
    EXPECT_EQ(at(35, 5), kGrey);
    // Halftone mixes the two halves at the seam: close to blue but not
    // blue, so those pixels stay.
    render(0, 0, 5, 2, 0, "0000000013107200");
    EXPECT_NE(at(2, 0), kGrey);
    EXPECT_NE(at(2, 0), kBlue);
    EXPECT_EQ(at(4, 0), kGrey);
    render(0, 0, 40, 20, 90, "0000000099999999");
    EXPECT_EQ(at(5, 5), rgb(110, 90, 90));
    EXPECT_EQ(at(35, 5), rgb(90, 90, 110));
}

TEST_F(Picture2Test, ChoosingTheSameFileTwiceReusesItsSlot) {
    editor.Combo3_Click("画像2");
    choose(halves);
    const std::string other = addPicture("other.bmp", Surface(3, 3, kBlue));
    choose(other);
    choose(halves);
    const ResourceTable& t = editor.overlay().table;
    EXPECT_EQ(t.count, 2);
    EXPECT_EQ(t.entries[0], "11" + halves);
    EXPECT_EQ(t.entries[1], "11" + other);
    EXPECT_EQ(t.currentSlot, 0);
    EXPECT_EQ(t.marker, 0);
    EXPECT_EQ(host.messages.back().text, "現在の画像を入れ替えますか？");
}

TEST_F(Picture2Test, AFullTableRefusesANewFileWithAMessageAndChangesNothing) {
    editor.Combo3_Click("画像2");
    ResourceTable& t = editor.overlay().table;
    for (int i = 0; i < ResourceTable::kSlots; ++i) t.entries[i] = "11/x/" + std::to_string(i);
    t.count = ResourceTable::kSlots;
    t.marker = 7;
    t.currentSlot = 7;
    host.queueDialogPath(halves);
    editor.RDPictBtn_Click();
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "ファイルが開けません");
    EXPECT_EQ(t.count, ResourceTable::kSlots);
    EXPECT_EQ(t.marker, 7);
    EXPECT_EQ(media.pictureLoads, 0);
    // A slot beyond the table from a file is refused, not written.
    EXPECT_EQ(editor.jumpEffValues(kouka::kPicture2, cmd::kResLoad, 100, 1), kTrappedError);
}

TEST_F(Picture2Test, SlotQueriesAndLoadsCarryTheTable) {
    int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    int32_t a = 0, b = 0;
    EXPECT_EQ(editor.JumpEff(kouka::kPicture2ThenMovie, cmd::kResQuery, button, shift, x, y, a, b),
              1);
    editor.ResName = "11" + halves;
    EXPECT_EQ(editor.jumpEffValues(kouka::kPicture2, cmd::kResLoad, 0, 1), 0);
    EXPECT_EQ(editor.overlay().table.count, 1);
    EXPECT_EQ(editor.overlay().PictStart.width(), 4);
    editor.ResName.clear();
    button = 0;
    EXPECT_EQ(editor.JumpEff(kouka::kPicture2ThenMovie, cmd::kResQuery, button, shift, x, y, a, b),
              0);
    EXPECT_EQ(shift, 1);
    EXPECT_EQ(editor.ResName, "11" + halves);
    button = 1;
    EXPECT_EQ(editor.JumpEff(kouka::kPicture2ThenMovie, cmd::kResQuery, button, shift, x, y, a, b),
              1);
}

TEST_F(Picture2Test, AnUnreadableSlotDrawsNothingAndIsNotRetriedEveryFrame) {
    const std::string bad = dir->path("bad.gif");
    std::ofstream(bad) << "x";
    editor.ResName = "11" + bad;
    editor.jumpEffValues(kouka::kPicture2, cmd::kResLoad, 0, 1);
    editor.ResName = "11" + halves;
    editor.jumpEffValues(kouka::kPicture2, cmd::kResLoad, 1, 1);
    render(0, 0, 40, 20, 0, "0000000099999999");
    EXPECT_EQ(at(5, 5), kGrey);
    const int loads = media.pictureLoads;
    render(0, 0, 40, 20, 0, "0000000099999999");
    EXPECT_EQ(media.pictureLoads, loads);
    EXPECT_TRUE(host.messages.empty());
    render(0, 0, 40, 20, 0, "0100000099999999");
    EXPECT_EQ(at(5, 5), kRed);
}

TEST_F(Picture2Test, ShiftDragKeepsThePicturesAspectAndCtrlMovesByTheCentre) {
    editor.Combo3_Click("画像2");
    choose(halves);  // 4 x 2: ratio 0.5
    editor.PictMain_MouseDown(1, 0, 60, 40);
    editor.PictMain_MouseMove(1, 1, 20, 10);  // up-left, taller than the ratio
    editor.PictMain_MouseUp(1, 1, 20, 10);
    const EffRec& r = editor.EffArr.at(0, 0);
    EXPECT_EQ(r.X, 60);
    EXPECT_EQ(r.W, -60);  // |dy| 30 / 0.5
    EXPECT_EQ(r.H, -30);
    // Level with the anchor: no constraint.
    editor.PictMain_MouseDown(1, 0, 10, 10);
    editor.PictMain_MouseUp(1, 1, 30, 10);
    EXPECT_EQ(editor.EffArr.at(0, 0).W, 20);
    EXPECT_EQ(editor.EffArr.at(0, 0).H, 0);
    // Ctrl: same size, centred on the release.
    editor.PictMain_MouseDown(1, 0, 60, 40);
    editor.PictMain_MouseUp(1, 0, 70, 50);
    editor.FixSize = kTrue;
    editor.PictMain_MouseDown(1, 0, 40, 40);
    editor.PictMain_MouseUp(1, 0, 40, 40);
    EXPECT_EQ(editor.EffArr.at(0, 0).X, 35);
    EXPECT_EQ(editor.EffArr.at(0, 0).Y, 35);
    EXPECT_EQ(editor.EffArr.at(0, 0).W, 10);
}

TEST_F(Picture2Test, PanelCaptionsTransparentColourAndHokanText) {
    editor.Combo3_Click("画像2");
    EXPECT_EQ(editor.KoukaSel, kouka::kPicture2);
    EXPECT_EQ(panel.state("Label3").caption, "<画像なし>");
    EXPECT_EQ(panel.state("RDPictBtn").caption, "読込");
    EXPECT_EQ(panel.state("CheckPreVew").caption, "プレビュー");
    EXPECT_EQ(panel.state("Frame7").caption, "効果情報");
    EXPECT_EQ(panel.state("Label13").caption, "幅高さ");
    EXPECT_FALSE(panel.state("Label6").visible);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    choose(halves);
    EXPECT_EQ(panel.state("Label3").caption, "halves.png");
    // Picking blue on the preview.
    editor.mnuTouka_Click();
    EXPECT_EQ(host.pointers.back(), pointer::kCross);
    const Surface& pv = editor.PreVewPict();
    ASSERT_GT(pv.width(), 0);
    editor.PreVewPict_MouseDown(1, 0, 3, 0);  // the picture shows 1:1 at the top left
    EXPECT_EQ(editor.picture2().keyColour(), 200 << 16);
    EXPECT_EQ(host.pointers.back(), pointer::kDefault);
    EXPECT_EQ(editor.jumpEffValues(kouka::kPicture2, cmd::kHokan, 2), 0);
    EXPECT_EQ(editor.ResName, "0000000013107200");
    editor.mnuTokaNon_Click();
    EXPECT_EQ(editor.picture2().keyColour(), kNoKeyColour);
}

TEST(StretchOverlay, AKeptStretchGivesTheSamePixelsAsOneComputedForTheVisiblePart) {
    const Surface pic = test::patternPicture(37, 23);
    StretchCache cache;
    for (const auto& [x, y, w, h] :
         {std::array{-30, 10, 90, 50}, std::array{70, 60, -90, -45}, std::array{5, -20, 64, 64}}) {
        Surface fresh(80, 60, kGrey), kept(80, 60, kGrey);
        stretchOverlay(fresh, x, y, w, h, pic, kNoKeyColour);
        stretchOverlay(kept, x, y, w, h, pic, kNoKeyColour, &cache, 1);
        stretchOverlay(kept, x, y, w, h, pic, kNoKeyColour, &cache, 1);  // from the kept stretch
        EXPECT_TRUE(std::equal(fresh.pixels().begin(), fresh.pixels().end(), kept.pixels().begin()))
            << x << "," << y << "," << w << "," << h;
    }
}

TEST(OverlayRecordText, FieldsByPosition) {
    EXPECT_EQ(overlayRecordText(3, 42, kNoKeyColour), "0300004299999999");
    const OverlayRecordFields f = parseOverlayRecordText("1200123416777215");
    EXPECT_EQ(f.slot, 12);
    EXPECT_EQ(f.frame, 1234);
    EXPECT_EQ(f.colour, 16777215);
}

}  // namespace
}  // namespace movalux
