// Projects with picture-2 and movie overlays: the resource lines of the edit
// file written and read through the real modules and files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "effects/MovieModule1.h"
#include "effects/PictMod2.h"
#include "media/StillImage.h"
#include "support/CliRunner.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

class OverlayEditFileTest : public test::EditorTest {
  protected:
    void SetUp() override {
        dir = std::make_unique<test::TempDir>("overlay-edit");
        picture = dir->path("絵 1.bmp");
        Surface pic = test::patternPicture(16, 12);
        ASSERT_TRUE(writeStillImage(pic, picture).ok());
        clip = dir->path("clip.avi");
        ASSERT_EQ(
            test::runCli({"testmovie", clip, "--size", "32x24", "--frames", "20", "--fps", "10"})
                .status,
            0);
        movie = dir->path("main.avi");
        std::ofstream(movie) << "stand-in";
        openPicture(Surface(96, 72, 0xFF303030u), 30);
        editor.MvFName = movie;
        editor.startUp({});
    }
    std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    Surface frame(int32_t n) {
        editor.CurFlame = n;
        editor.DspFrame2();
        return editor.PictMain();
    }

    std::unique_ptr<test::TempDir> dir;
    std::string picture, clip, movie;
};

TEST_F(OverlayEditFileTest, SaveReadSaveIsByteIdenticalAndRendersTheSameFrames) {
    host.queueDialogPath(picture);
    editor.Combo3_Click("画像2");
    editor.RDPictBtn_Click();
    host.queueDialogPath(clip);
    editor.Combo3_Click("ムービー");
    editor.RDPictBtn_Click();
    ASSERT_EQ(editor.overlay().table.count, 2);
    editor.EffArr.at(0, 3) =
        EffRec{kouka::kPicture2, 5, 6, 40, -30, 30, overlayRecordText(0, 0, kNoKeyColour)};
    editor.EffArr.at(1, 3) =
        EffRec{kouka::kMovie, 50, 40, 32, 24, 0, overlayRecordText(1, 7, kNoKeyColour)};
    editor.EffArr.at(1, 4) =
        EffRec{kouka::kMovie, 50, 40, -32, 24, 50, overlayRecordText(1, 12, kNoKeyColour)};
    const Surface shown3 = frame(3), shown4 = frame(4);
    ASSERT_NE(shown3.pixel(10, 2) | kOpaque, 0xFF303030u);   // picture 2, upside down above y 6
    ASSERT_NE(shown3.pixel(60, 50) | kOpaque, 0xFF303030u);  // the movie

    ASSERT_EQ(editor.saveEditFileTo(dir->path("a.txt")), 0);
    const std::string text = slurp(dir->path("a.txt"));
    EXPECT_NE(text.find("0,0,0,11,0,0,1,\"11" + picture + "\"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0,0,1,20,0,0,1,\"20" + clip + "\"\r\n"), std::string::npos) << text;

    // A fresh editor reads it back.
    test::RecordingHost host2;
    test::RecordingPanel panel2;
    Editor again(host2, panel2);
    test::PictureSource source2;
    source2.picture = source.picture;
    again.setPictureSize(96, 72);
    again.setFrameSource(&source2);
    again.startUp({});
    ASSERT_EQ(again.readEditFile(dir->path("a.txt"), Editor::ReadOptions{false}),
              Editor::ReadOutcome::Read);
    EXPECT_EQ(again.overlay().table.count, 2);
    EXPECT_TRUE(again.overlay().unreadable.empty());
    ASSERT_EQ(again.saveEditFileTo(dir->path("b.txt")), 0);
    EXPECT_EQ(text, slurp(dir->path("b.txt")));

    again.CurFlame = 3;
    again.DspFrame2();
    EXPECT_TRUE(std::equal(shown3.pixels().begin(), shown3.pixels().end(),
                           again.PictMain().pixels().begin()));
    again.CurFlame = 4;
    again.DspFrame2();
    EXPECT_TRUE(std::equal(shown4.pixels().begin(), shown4.pixels().end(),
                           again.PictMain().pixels().begin()));
}

TEST_F(OverlayEditFileTest, AMissingResourceIsSearchedAndARefusedOneDrawsNothing) {
    const std::string text = "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                             "\"\r\n0,30,0,30\r\n60\r\n" + "0,0,0,11,0,0,1,\"11" +
                             dir->path("gone.bmp") + "\"\r\n" +
                             "2,11,0,0,40,30,0,\"0000000099999999\"\r\n";
    std::ofstream(dir->path("m.txt"), std::ios::binary) << text;
    host.queueAnswer(msgbox::kAnswerNo);
    ASSERT_EQ(editor.readEditFile(dir->path("m.txt"), Editor::ReadOptions{false}),
              Editor::ReadOutcome::Read);
    EXPECT_EQ(host.messages.at(0).text, "ファイルが見つかりません　探しますか");
    const Surface shown = frame(2);
    EXPECT_EQ(shown.pixel(5, 5) | kOpaque, 0xFF303030u);
    EXPECT_EQ(editor.overlay().unreadable, std::vector<std::string>{dir->path("gone.bmp")});
    // The slot is kept as it was read, so saving loses nothing.
    EXPECT_EQ(editor.overlay().table.entries[0], "11" + dir->path("gone.bmp"));
}

}  // namespace
}  // namespace movalux
