#include "effects/RevModule1.h"

#include <gtest/gtest.h>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

uint32_t inverted(uint32_t p) {
    return (p ^ 0x00FFFFFFu) | kOpaque;
}

class RevModuleTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = patternPicture(40, 30);
        openPicture(picture);
        editor.DspFrame2();
        EXPECT_EQ(editor.jumpEffValues(kouka::kInvert, cmd::kPanel, 0, 0, 1.0f), kouka::kInvert);
    }
    void render(const EffRec& rec) {
        editor.EffArr.at(0, 0) = rec;
        ASSERT_EQ(editor.DspFrame2(), 0);
    }
    // Which pixels differ from the picture: each must be exactly inverted.
    std::vector<std::pair<int, int>> changed() {
        std::vector<std::pair<int, int>> out;
        const Surface& m = editor.PictMain();
        for (int y = 0; y < m.height(); ++y)
            for (int x = 0; x < m.width(); ++x) {
                if (m.pixel(x, y) == picture.pixel(x, y)) continue;
                EXPECT_EQ(m.pixel(x, y), inverted(picture.pixel(x, y))) << x << "," << y;
                out.emplace_back(x, y);
            }
        return out;
    }
    Surface picture;
};

TEST_F(RevModuleTest, InsideIncludesBothEdgesAndIsClipped) {
    render(EffRec{9, 10, 10, 0, 0, 8, "0"});
    EXPECT_EQ(changed(), (std::vector<std::pair<int, int>>{{10, 10}}));
    render(EffRec{9, 2, 3, 2, 1, 8, "0"});
    EXPECT_EQ(changed(),
              (std::vector<std::pair<int, int>>{{2, 3}, {3, 3}, {4, 3}, {2, 4}, {3, 4}, {4, 4}}));
    render(EffRec{9, 35, -5, 100, 7, 8, "0"});  // past the right and above the top
    const auto c = changed();
    EXPECT_EQ(c.size(), 5u * 3u);  // columns 35-39, lines 0-2
    EXPECT_EQ(c.front(), std::pair(35, 0));
    EXPECT_EQ(c.back(), std::pair(39, 2));
}

TEST_F(RevModuleTest, OutsideSparesOnlyTheStrictInterior) {
    render(EffRec{9, 10, 10, 0, 0, 8, "1"});
    EXPECT_EQ(changed().size(), 40u * 30u);
    render(EffRec{9, 0, 0, 2, 2, 8, "1"});
    EXPECT_EQ(changed().size(), 40u * 30u - 1u);
    EXPECT_EQ(editor.PictMain().pixel(1, 1), picture.pixel(1, 1));
    render(EffRec{9, 5, 6, 10, 8, 8, "1"});
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool interior = 5 < x && x < 15 && 6 < y && y < 14;
            ASSERT_EQ(editor.PictMain().pixel(x, y) == picture.pixel(x, y), interior)
                << x << "," << y;
        }
}

TEST_F(RevModuleTest, InvertingTwiceRestoresTheFrame) {
    for (const char* side : {"0", "1"}) {
        Surface once = picture;
        invertInside(once, 3, 4, 20, 11);
        invertInside(once, 3, 4, 20, 11);
        EXPECT_TRUE(
            std::equal(once.pixels().begin(), once.pixels().end(), picture.pixels().begin()));
        // Two layers with the same record give the frame back.
        editor.EffArr.at(0, 0) = EffRec{9, 3, 4, 20, 11, 8, side};
        editor.EffArr.at(1, 0) = EffRec{9, 3, 4, 20, 11, 8, side};
        ASSERT_EQ(editor.DspFrame2(), 0);
        EXPECT_TRUE(changed().empty()) << side;
    }
}

TEST_F(RevModuleTest, PanelShowsTheSideChoiceAndTheCoordinateFrame) {
    EXPECT_TRUE(panel.state("Frame5").visible);
    EXPECT_EQ(panel.state("Frame5").caption, "反転範囲");
    for (const char* c :
         {"Frame6", "Combo5", "Combo6", "Label6", "Label3", "Label1", "RDPictBtn", "PreVewPict",
          "Combo1", "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_FALSE(panel.state("ComFdOut").enabled);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    EXPECT_TRUE(panel.checked("Option3"));
    EXPECT_EQ(panel.state("Option3").caption, "内側");
    EXPECT_EQ(panel.state("Option4").caption, "外側");
    EXPECT_EQ(panel.state("Frame7").caption, "効果位置");
    EXPECT_EQ(panel.state("Label13").caption, "幅・高さ");
    EXPECT_TRUE(panel.state("Wzahyou").visible);
    EXPECT_EQ(std::pair(panel.state("XYSet").left, panel.state("XYSet").top), std::pair(240, 2400));
    EXPECT_EQ(editor.invert().text(), "0");
    EXPECT_EQ(editor.invert().param(), 8);
}

TEST_F(RevModuleTest, SideChoiceSurvivesRenderingAndDrivesTheNextRegion) {
    EXPECT_EQ(editor.jumpEffValues(kouka::kInvert, cmd::kParam, ctl::kOption4, 50), kouka::kInvert);
    EXPECT_EQ(editor.invert().text(), "1");
    editor.jumpEffValues(kouka::kInvert, cmd::kParam, ctl::kCombo5, 2);  // not the invert's
    EXPECT_EQ(editor.invert().text(), "1");
    render(EffRec{9, 1.9f, 2.7f, 3.2f, 4.9f, 3, "0"});
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{9, 1, 2, 3, 4, 3, "0"}));  // whole numbers
    EXPECT_EQ(editor.invert().text(), "1");
    EXPECT_EQ(editor.invert().param(), 8);
    editor.EffArr.at(0, 0) = EffRec{};
    editor.DspFrame2();
    editor.jumpEffValues(kouka::kInvert, cmd::kXYSet, 10, 10, 0.5f, 0.5f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{9, 10, 10, 0.5f, 0.5f, 8, "1"}));
    EXPECT_EQ(changed().size(), 40u * 30u);  // outside of an empty interior
    EXPECT_EQ(panel.text("Wzahyou"), "1");   // "##0" of 0.5 rounds away from zero
}

TEST_F(RevModuleTest, TypedZeroSizeIsRefused) {
    editor.WorkRecord = EffRec{9, 1, 2, 3, 4, 8, "0"};
    editor.jumpEffValues(kouka::kInvert, cmd::kXYSet, 5, 5, 0.0f, 3.0f);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "この数値では設定できません");
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.WorkRecord, (EffRec{9, 1, 2, 3, 4, 8, "0"}));
    EXPECT_TRUE(changed().empty());
}

TEST_F(RevModuleTest, DragInvertsTheDraggedRegionWithoutTheRubberBand) {
    editor.Dragging = true;
    editor.jumpEffValues(kouka::kInvert, cmd::kMouseDown, 1, 0, 30, 20);
    editor.jumpEffValues(kouka::kInvert, cmd::kMouseMove, 1, 0, 12, 5);
    editor.jumpEffValues(kouka::kInvert, cmd::kMouseUp, 1, 0, 10, 4);
    editor.Dragging = false;
    EXPECT_EQ(editor.WorkRecord, (EffRec{9, 10, 4, 20, 16, 8, "0"}));
    EXPECT_EQ(changed().size(), 21u * 17u);
}

}  // namespace
}  // namespace movalux
