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

// Picture 2 and the movie share PictStart and the table's current slot; a
// record must name the file it was made with whatever was shown or chosen
// before it.
TEST_F(OverlayEditFileTest, EveryRecordNamesItsOwnFileWhateverWasShownOrChosenBefore) {
    host.queueDialogPath(picture);
    editor.Combo3_Click("画像2");
    editor.RDPictBtn_Click();
    host.queueDialogPath(clip);
    editor.Combo3_Click("ムービー");
    editor.RDPictBtn_Click();
    ASSERT_EQ(editor.overlay().table.entries[0], "11" + picture);
    ASSERT_EQ(editor.overlay().table.entries[1], "20" + clip);
    const std::string movieRecord = overlayRecordText(1, 5, kNoKeyColour);
    editor.EffArr.at(0, 2) =
        EffRec{kouka::kPicture2, 5, 6, 40, 30, 0, overlayRecordText(0, 0, kNoKeyColour)};
    editor.EffArr.at(0, 3) = EffRec{kouka::kMovie, 50, 40, 32, 24, 0, movieRecord};

    // The picture-2 frame, the overlay slider moved, then the movie frame.
    frame(2);
    panel.setScrollValue("HScroll1", 7);
    editor.HScroll1_Change();
    frame(3);
    EXPECT_EQ(editor.EffArr.at(0, 3).Text, movieRecord);
    // The picture-2 frame, then "ムービー" chosen in the effect list.
    frame(2);
    editor.Combo3_Click("ムービー");
    frame(3);
    EXPECT_EQ(editor.EffArr.at(0, 3).Text, movieRecord);

    // Picture 2 chosen again and then the movie: a rectangle dragged on an
    // empty layer names the movie.
    editor.Combo3_Click("画像2");
    editor.Combo3_Click("ムービー");
    editor.SelLay = 1;
    editor.CurFlame = 6;
    editor.DspFrame2();
    editor.PictMain_MouseDown(1, 0, 10, 10);
    editor.PictMain_MouseMove(1, 0, 40, 30);
    editor.PictMain_MouseUp(1, 0, 40, 30);
    EXPECT_EQ(editor.EffArr.at(1, 6).Kind, kouka::kMovie);
    EXPECT_EQ(editor.EffArr.at(1, 6).Text.substr(0, 2), "01");

    // Interpolated movie frames name the key frames' file, though picture
    // 2's was the shared current slot last.
    editor.EffArr.at(2, 10) =
        EffRec{kouka::kMovie, 0, 0, 32, 24, 0, overlayRecordText(1, 0, kNoKeyColour)};
    editor.EffArr.at(2, 14) =
        EffRec{kouka::kMovie, 0, 0, 32, 24, 0, overlayRecordText(1, 4, kNoKeyColour)};
    editor.EffArr.at(3, 10) =
        EffRec{kouka::kPicture2, 0, 0, 16, 12, 0, overlayRecordText(0, 0, kNoKeyColour)};
    editor.EffArr.at(3, 14) =
        EffRec{kouka::kPicture2, 8, 8, 16, 12, 0, overlayRecordText(0, 0, kNoKeyColour)};
    editor.SelLay = 2;
    frame(2);  // picture 2's slot is the current one
    host.SetLabel("TextHSt", "10");
    host.SetLabel("TextHEnd", "14");
    ASSERT_TRUE(editor.HokanEffect());
    for (int f = 11; f <= 13; ++f)
        EXPECT_EQ(editor.EffArr.at(2, f).Text, overlayRecordText(1, f - 10, kNoKeyColour)) << f;
    editor.Combo3_Click("画像2");
    editor.SelLay = 3;
    frame(3);  // the movie's slot is the marker
    host.SetLabel("TextHSt", "10");
    host.SetLabel("TextHEnd", "14");
    ASSERT_TRUE(editor.HokanEffect());
    for (int f = 11; f <= 13; ++f) EXPECT_EQ(editor.EffArr.at(3, f).Text.substr(0, 2), "00") << f;

    // The whole frame for picture 2 on a frame whose arrow drew its sprite
    // into PictStart takes the picture's own size and draws the picture.
    editor.EffArr.at(0, 7) = EffRec{3, 60, 50, 2, 3, 4, ""};
    editor.SelLay = 1;
    frame(7);
    editor.mnuAll_Click();
    const EffRec& whole = editor.EffArr.at(1, 7);
    EXPECT_EQ(whole.Kind, kouka::kPicture2);
    EXPECT_EQ(whole.W, 16);
    EXPECT_EQ(whole.H, 12);
    EXPECT_EQ(whole.Text.substr(0, 2), "00");
    const Surface pic = test::patternPicture(16, 12);
    EXPECT_EQ(frame(7).pixel(3, 4) | kOpaque, pic.pixel(3, 4) | kOpaque);

    // Saved, read by a fresh editor and saved again: every record as it was.
    ASSERT_EQ(editor.saveEditFileTo(dir->path("both.txt")), 0);
    const std::string text = slurp(dir->path("both.txt"));
    EXPECT_NE(text.find("3,20,50,40,32,24,0,\"" + movieRecord + "\""), std::string::npos) << text;
    EXPECT_NE(text.find("12,220,0,0,32,24,0,\"" + overlayRecordText(1, 2, kNoKeyColour) + "\""),
              std::string::npos)
        << text;
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
