#include "effects/PictModule1.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>

#include "effects/RasterOps.h"
#include "support/CliRunner.h"
#include "support/EditorFixture.h"
#include "support/FakeOverlayMedia.h"

namespace movalux {
namespace {

constexpr uint32_t kGrey = 0xFF646464u;

class PictureTest : public test::EditorTest {
  protected:
    void SetUp() override {
        media.pictures["/pics/logo.bmp"] = logo();
        media.pictures["/pics/white.bmp"] = Surface(10, 10, kWhite);
        editor.setOverlayMedia(&media);
        openPicture(Surface(120, 90, kGrey));
        // Files must exist to be loaded; the fake loader reads none of them.
        dir = std::make_unique<test::TempDir>("pict");
        const auto named = media.pictures;
        for (const auto& [path, pic] : named) {
            const std::string real = dir->path(FileTitle(path));
            std::ofstream(real) << "x";
            real_[path] = real;
            media.pictures[real] = pic;
        }
    }
    // 8 x 6: red with a white column at x = 0.
    static Surface logo() {
        Surface s(8, 6, rgb(200, 0, 0));
        for (int y = 0; y < 6; ++y) s.setPixel(0, y, kWhite);
        return s;
    }
    std::string file(const std::string& name) { return real_[name]; }
    void render(float x, float y, int16_t transparency, const std::string& path) {
        editor.EffArr.at(0, 0) = EffRec{kouka::kPicture, x, y, 0, 0, transparency, path};
        editor.DspFrame2();
    }
    uint32_t at(int x, int y) { return editor.PictMain().pixel(x, y) | kOpaque; }

    test::FakeOverlayMedia media;
    std::unique_ptr<test::TempDir> dir;
    std::map<std::string, std::string> real_;
};

TEST(OverlayOpacity, TransparencyPercentBecomesTheBlendAlpha) {
    EXPECT_EQ(overlayOpacity(0), 255);
    EXPECT_EQ(overlayOpacity(30), 178);
    EXPECT_EQ(overlayOpacity(50), 128);
    EXPECT_EQ(overlayOpacity(70), 76);
    EXPECT_EQ(overlayOpacity(90), 26);
    EXPECT_EQ(overlayOpacity(100), 0);
    EXPECT_EQ(overlayOpacity(-50), 255);
}

TEST_F(PictureTest, CentredAtNaturalSizeWithWhiteLeftOut) {
    render(40, 30, 0, file("/pics/logo.bmp"));
    // 8 x 6 centred on (40, 30): columns 36..43, rows 27..32.
    EXPECT_EQ(at(36, 27), kGrey);  // the white column
    EXPECT_EQ(at(37, 27), rgb(200, 0, 0));
    EXPECT_EQ(at(43, 32), rgb(200, 0, 0));
    EXPECT_EQ(at(44, 30), kGrey);
    EXPECT_EQ(at(40, 33), kGrey);
}

TEST_F(PictureTest, AnAllWhitePictureDrawsNothing) {
    editor.DspFrame2();
    const Surface before = editor.PictMain();
    render(60, 45, 0, file("/pics/white.bmp"));
    EXPECT_TRUE(std::equal(before.pixels().begin(), before.pixels().end(),
                           editor.PictMain().pixels().begin()));
}

TEST_F(PictureTest, TransparencyNinetyBlendsFaintly) {
    render(40, 30, 90, file("/pics/logo.bmp"));
    // alpha 26: (200 x 26 + 100 x 229 + 127) / 255 = 110; (100 x 229 + 127) / 255 = 90
    EXPECT_EQ(at(40, 30), rgb(110, 90, 90));
    EXPECT_EQ(at(36, 30), kGrey);  // white stays out of the blend
    EXPECT_EQ(at(50, 30), kGrey);
}

TEST_F(PictureTest, ClippedByTheFramesEdge) {
    render(2, 1, 0, file("/pics/logo.bmp"));
    // Columns -2..5, rows -2..3.
    EXPECT_EQ(at(0, 0), rgb(200, 0, 0));
    EXPECT_EQ(at(5, 3), rgb(200, 0, 0));
    EXPECT_EQ(at(6, 3), kGrey);
}

TEST_F(PictureTest, TheLoadedPathIsNotReadAgain) {
    render(40, 30, 0, file("/pics/logo.bmp"));
    render(50, 30, 30, file("/pics/logo.bmp"));
    EXPECT_EQ(media.pictureLoads, 1);
    render(50, 30, 30, file("/pics/white.bmp"));
    EXPECT_EQ(media.pictureLoads, 2);
}

TEST_F(PictureTest, AMissingFileAsksOnceAndDrawsNothingWhenNotSearched) {
    render(40, 30, 0, file("/pics/logo.bmp"));
    host.queueAnswer(msgbox::kAnswerNo);
    render(40, 30, 0, dir->path("gone.bmp"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "ファイルが見つかりません　探しますか");
    EXPECT_EQ(host.messages[0].style, 308);
    EXPECT_EQ(host.messages[0].title, "警告");
    // The picture loaded before is not drawn for another file's record.
    EXPECT_EQ(at(40, 30), kGrey);
    render(40, 30, 0, dir->path("gone.bmp"));
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(editor.EffArr.at(0, 0).Text, dir->path("gone.bmp"));
}

TEST_F(PictureTest, AFoundReplacementIsDrawnAndTheRecordKeepsItsPath) {
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(file("/pics/logo.bmp"));
    render(40, 30, 0, dir->path("moved.bmp"));
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].filter,
              "BMPﾌｧｲﾙ (*.bmp)|*.bmp|gifﾌｧｲﾙ (*.gif)|*.gif|jpgﾌｧｲﾙ (*.jpg)|*.jpg");
    EXPECT_EQ(host.dialogs[0].fileName, dir->path("moved.bmp"));
    EXPECT_EQ(at(40, 30), rgb(200, 0, 0));
    EXPECT_EQ(editor.EffArr.at(0, 0).Text, dir->path("moved.bmp"));
    // Later frames of the same record neither ask nor read again.
    render(40, 30, 0, dir->path("moved.bmp"));
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(media.pictureLoads, 1);
}

TEST_F(PictureTest, AnUnreadableFileSaysSoAndDrawsNothing) {
    const std::string bad = dir->path("bad.jpg");
    std::ofstream(bad) << "not a picture";
    render(40, 30, 0, bad);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "ファイルが開けません");
    EXPECT_EQ(at(40, 30), kGrey);
    EXPECT_EQ(editor.overlay().unreadable, std::vector<std::string>{bad});
}

TEST_F(PictureTest, DraggingShowsOpaqueAndReleaseBlends) {
    host.queueDialogPath(file("/pics/logo.bmp"));
    editor.Combo3_Click("画像");
    EXPECT_EQ(panel.state("Label3").caption, "logo.bmp");
    editor.jumpEffValues(kouka::kPicture, cmd::kParam, ctl::kCombo1, 4);  // 90
    editor.PictMain_MouseDown(1, 0, 40, 30);
    editor.PictMain_MouseMove(1, 0, 41, 30);
    EXPECT_EQ(at(41, 30), rgb(200, 0, 0));
    editor.PictMain_MouseUp(1, 0, 41, 30);
    EXPECT_EQ(at(41, 30), rgb(110, 90, 90));
    EXPECT_EQ(editor.EffArr.at(0, 0),
              (EffRec{kouka::kPicture, 41, 30, 0, 0, 90, file("/pics/logo.bmp")}));
}

TEST_F(PictureTest, PanelCaptionsAndAskingBeforeReplacing) {
    host.queueDialogPath(file("/pics/logo.bmp"));
    editor.Combo3_Click("画像");
    EXPECT_EQ(editor.KoukaSel, kouka::kPicture);
    EXPECT_EQ(host.dialogs.at(0).title, "開く");
    EXPECT_EQ(host.dialogs.at(0).filter, "*.bmp;*.gif;*.jpg|*.bmp;*.gif;*.jpg");
    EXPECT_EQ(panel.state("Label6").caption, "画像ファイル");
    EXPECT_EQ(panel.state("RDPictBtn").caption, "画像読込");
    EXPECT_EQ(panel.state("Label1").caption, "透明度%");
    EXPECT_EQ(panel.state("Combo1").items, (std::vector<std::string>{"0", "30", "50", "70", "90"}));
    EXPECT_EQ(panel.state("PreVewPict").left, 3200);
    EXPECT_TRUE(panel.state("ComFdIn").enabled);
    EXPECT_FALSE(panel.state("mnuAll").enabled);
    // A small picture shows 1:1 in the preview's top-left corner.
    EXPECT_EQ(editor.PreVewPict().pixel(1, 0) | kOpaque, rgb(200, 0, 0));
    EXPECT_EQ(editor.PreVewPict().pixel(9, 0) | kOpaque, kWhite);

    editor.RDPictBtn_Click();  // No: nothing else asked
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "現在のマスク画像を入れ替えますか？");
    EXPECT_EQ(host.dialogs.size(), 1u);
}

}  // namespace
}  // namespace movalux
