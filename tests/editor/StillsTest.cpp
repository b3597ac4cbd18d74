// Still pictures from a generated movie whose frames carry their numbers:
// one frame and the marked range saved with their effects, the numbered
// names, the run's overwrite question, pausing; movies built from numbered
// BMP, PNG, GIF and JPEG runs with Form2's frame rate, the overwrite
// question, pictures of another size or missing, and the round trip.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "editor/Editor.h"
#include "editor/StillNames.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"
#include "support/RecordingHost.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;
using Outcome = Editor::StillsOutcome;

constexpr int kW = 64, kH = 48, kFrames = 12;

bool samePixels(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

Surface numberedPicture(int n, int w = kW, int h = kH) {
    Surface s(w, h);
    drawTestFrame(s, n);
    return s;
}

// The pictures of a movie, in order.
std::vector<Surface> framesOf(const std::string& path) {
    std::vector<Surface> out;
    auto movie = MovieSource::open(path);
    EXPECT_TRUE(movie) << movie.error();
    if (!movie) return out;
    for (int32_t n = 0; n < (*movie)->info().frameCount; ++n) {
        Surface s((*movie)->info().width, (*movie)->info().height);
        EXPECT_TRUE((*movie)->paintFrame(n, s)) << n;
        out.push_back(std::move(s));
    }
    return out;
}

class StillsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }

    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        movie = dir.path("clip.avi");
        MovieWriterOptions o;
        o.width = kW;
        o.height = kH;
        o.fpsNum = 25;
        o.videoCodec = "rawvideo";
        o.pixelFormat = "bgr24";
        auto w = MovieWriter::create(movie, o);
        ASSERT_TRUE(w) << w.error();
        for (int n = 0; n < kFrames; ++n) ASSERT_TRUE((*w)->writeFrame(numberedPicture(n)));
        ASSERT_TRUE((*w)->finish());
        editor.setMovieNames(movie);
        ASSERT_TRUE(editor.openMovieAndReport());
        // A mosaic over the left half on frames 3 and 4, a layer-2 invert
        // over the top on frame 4.
        for (int f : {3, 4})
            editor.EffArr.checkedAt(0, f) = EffRec{kouka::kMosaic, 0, 0, 32, 48, 8, ""};
        editor.EffArr.checkedAt(1, 4) = EffRec{kouka::kInvert, 0, 0, 64, 10, 0, ""};
        host.controlEvents.clear();
        host.pointers.clear();
    }

    // Frame f as the editor shows it with its effects.
    Surface shown(int32_t f) {
        editor.CurFlame = f;
        EXPECT_EQ(editor.DspFrame2(), f);
        Surface s;
        s.assign(editor.PictMain());
        return s;
    }

    // Writes pictures n = from..to as stem + number + extension.
    void writeRun(const std::string& stem, int from, int to, const std::string& extension,
                  int w = kW, int h = kH) {
        for (int n = from; n <= to; ++n)
            ASSERT_TRUE(
                writeStillImage(numberedPicture(n, w, h), numberedStillName(stem, n, extension)));
    }

    test::TempDir dir{"stills"};
    std::string movie;
    test::RecordingHost host;
    test::RecordingPanel panel;
    Editor editor{host, panel};
};

TEST_F(StillsTest, NumberedNamesHaveAtLeastThreeDigitsAndEndARunByItsStem) {
    EXPECT_EQ(numberedStillName("Picture1", 5, ".bmp"), "Picture1005.bmp");
    EXPECT_EQ(numberedStillName("img", 9, ".bmp"), "img009.bmp");
    EXPECT_EQ(numberedStillName("img", 10, ".bmp"), "img010.bmp");
    EXPECT_EQ(numberedStillName("img", 1234, ".png"), "img1234.png");

    const auto first = parseNumberedStill("/p/a.b/img990.JPG");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->stem, "/p/a.b/img");
    EXPECT_EQ(first->number, 990);
    EXPECT_EQ(first->extension, ".JPG");
    // Past 999 the run's names grow a digit: its last three alone say 10.
    EXPECT_EQ(lastStillNumber(*first, "/p/a.b/img1010.JPG"), 1010);
    EXPECT_EQ(lastStillNumber(*first, "/p/a.b/img995.JPG"), 995);
    // Another stem: its own last three digits, as the first's are read.
    EXPECT_EQ(lastStillNumber(*first, "/q/other042.bmp"), 42);
    EXPECT_FALSE(lastStillNumber(*first, "/q/other.bmp"));
    EXPECT_FALSE(parseNumberedStill("/p/img12.bmp"));
    EXPECT_FALSE(parseNumberedStill("/p/123/.bmp"));
    EXPECT_FALSE(parseNumberedStill("/p/picture.bmp"));

    EXPECT_EQ(stillRunName("/x/run.PNG").stem, "/x/run");
    EXPECT_EQ(stillRunName("/x/run.PNG").extension, ".png");
    EXPECT_EQ(stillRunName("/x/run.bmp").extension, ".bmp");
    EXPECT_EQ(stillRunName("/x.d/run").stem, "/x.d/run");
    EXPECT_EQ(stillRunName("/x.d/run").extension, ".bmp");
}

TEST_F(StillsTest, Form2FrameRateIsItsNumberWithinOneToThirty) {
    EXPECT_EQ(Editor::form2FrameRate("0"), 1);
    EXPECT_EQ(Editor::form2FrameRate("60"), 30);
    EXPECT_EQ(Editor::form2FrameRate("15"), 15);
    EXPECT_EQ(Editor::form2FrameRate("12.5"), 12);  // halves to even
    EXPECT_EQ(Editor::form2FrameRate("13.5fps"), 14);
    EXPECT_EQ(Editor::form2FrameRate("-5"), 1);
    EXPECT_EQ(Editor::form2FrameRate("abc"), 1);
    EXPECT_EQ(Editor::form2FrameRate("1e9"), 30);
}

TEST_F(StillsTest, OneFrameIsSavedAsShownWithItsDialogAndMessages) {
    const Surface frame4 = shown(4);
    host.queueDialogPath(dir.path("one.bmp"));
    EXPECT_EQ(editor.MnuPicSave_Click(), Outcome::Written);
    ASSERT_EQ(host.dialogs.size(), 1u);
    const FileDialogRequest& d = host.dialogs[0];
    EXPECT_EQ(d.kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(d.title, "名前を付けて保存");
    EXPECT_EQ(d.filter, "BMPﾌｧｲﾙ (*.bmp)|*.bmp|PNGﾌｧｲﾙ (*.png)|*.png");
    EXPECT_EQ(d.fileName, "Picture1.bmp");
    EXPECT_EQ(d.flags, 2);
    EXPECT_TRUE(d.cancelError);
    auto back = readStillImage(dir.path("one.bmp"));
    ASSERT_TRUE(back) << back.error();
    EXPECT_TRUE(samePixels(*back, frame4));
    // A PNG name gives a PNG file; a name of any other type a BMP file.
    host.queueDialogPath(dir.path("one.png"));
    EXPECT_EQ(editor.MnuPicSave_Click(), Outcome::Written);
    host.queueDialogPath(dir.path("one.jpg"));
    EXPECT_EQ(editor.MnuPicSave_Click(), Outcome::Written);
    std::ifstream png(dir.path("one.png"), std::ios::binary),
        other(dir.path("one.jpg"), std::ios::binary);
    char magic[4] = {}, bm[2] = {};
    png.read(magic, 4);
    other.read(bm, 2);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    EXPECT_EQ(std::string(bm, 2), "BM");
    EXPECT_TRUE(host.messages.empty());

    // Cancelled: the error it raises is shown and nothing is written.
    host.queueDialog({FileDialogResult::Outcome::Cancelled, {}});
    EXPECT_EQ(editor.MnuPicSave_Click(), Outcome::Cancelled);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "エラー(PIC1)32755が発生しました");
    EXPECT_EQ(host.messages[0].style, 0);
    EXPECT_EQ(editor.StillsWritten, 0);
    // A folder that does not exist: the classic "path not found".
    host.queueDialogPath(dir.path("none/one.bmp"));
    EXPECT_EQ(editor.MnuPicSave_Click(), Outcome::Failed);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "エラー(PIC1)76が発生しました");
}

TEST_F(StillsTest, TheMarkedRangeIsSavedAsNumberedPicturesWithTheirEffects) {
    editor.STFlame = 2;
    editor.ENDFlame = 5;
    editor.PreviewOn = false;  // the run shows the effects regardless
    std::vector<Surface> expected;
    editor.PreviewOn = true;
    for (int f = 2; f <= 5; ++f) expected.push_back(shown(f));
    editor.PreviewOn = false;
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(dir.path("Picture1.bmp"));
    EXPECT_EQ(editor.MnuPPPSave_Click(), Outcome::Written);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "2～5のコマを連続して保存します");
    EXPECT_EQ(host.messages[0].style, 308);
    EXPECT_EQ(host.messages[0].title, "警告");
    for (int f = 2; f <= 5; ++f) {
        const std::string name = dir.path("Picture100" + std::to_string(f) + ".bmp");
        auto back = readStillImage(name);
        ASSERT_TRUE(back) << name;
        EXPECT_TRUE(samePixels(*back, expected[static_cast<size_t>(f - 2)])) << name;
    }
    // The effects are in the pictures: frame 4 differs from the plain frame.
    EXPECT_FALSE(samePixels(expected[2], numberedPicture(4)));
    EXPECT_TRUE(samePixels(expected[0], numberedPicture(2)));
    EXPECT_FALSE(fs::exists(dir.path("Picture1.bmp")));
    EXPECT_EQ(editor.CurFlame, 5);
    EXPECT_EQ(editor.StillsWritten, 4);
    EXPECT_TRUE(editor.PreviewOn);
    EXPECT_TRUE(editor.Idle);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back().task, "stills");
    EXPECT_EQ(host.progress.back().done, 4);
    EXPECT_TRUE(host.progress.back().finished);
    EXPECT_EQ(host.controlEvents.front(), "BTNDEnable");
    EXPECT_EQ(host.controlEvents.back(), "BTNEnable");
    EXPECT_EQ(host.pointers.back(), pointer::kDefault);

    // PNG for a PNG name, also past frame 9 (run009, run010).
    editor.STFlame = 8;
    editor.ENDFlame = 11;
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(dir.path("run.png"));
    EXPECT_EQ(editor.MnuPPPSave_Click(), Outcome::Written);
    for (const char* name : {"run008.png", "run009.png", "run010.png", "run011.png"}) {
        auto back = readStillImage(dir.path(name));
        ASSERT_TRUE(back) << name;
        EXPECT_EQ(readTestFrameNumber(*back), std::stoi(std::string(name).substr(3, 3)));
    }
}

TEST_F(StillsTest, TheRunEndsWithoutWritingWhenTheQuestionOrDialogSaysNo) {
    editor.STFlame = 0;
    editor.ENDFlame = 1;
    host.queueAnswer(msgbox::kAnswerNo);
    EXPECT_EQ(editor.MnuPPPSave_Click(), Outcome::Cancelled);
    EXPECT_TRUE(host.dialogs.empty());
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialog({FileDialogResult::Outcome::Cancelled, {}});
    EXPECT_EQ(editor.MnuPPPSave_Click(), Outcome::Cancelled);
    EXPECT_EQ(host.messages.back().text, "エラー(PIC1)32755が発生しました");
    EXPECT_EQ(editor.StillsWritten, 0);
    for (const auto& e : fs::directory_iterator(dir.root()))
        EXPECT_NE(e.path().extension(), ".bmp") << e.path();
}

TEST_F(StillsTest, ARunOverExistingPicturesAsksOnceForTheWholeRun) {
    editor.STFlame = 0;
    editor.ENDFlame = 3;
    std::ofstream(dir.path("old001.bmp")) << "old";
    std::ofstream(dir.path("old003.bmp")) << "old";
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(dir.path("old.bmp"));
    host.queueAnswer(msgbox::kAnswerNo);
    EXPECT_EQ(editor.MnuPPPSave_Click(), Outcome::Cancelled);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text,
              "old001.bmp ほか1個のファイルがすでにあります。上書きしますか");
    EXPECT_EQ(host.messages[1].title, "上書き");
    EXPECT_EQ(host.messages[1].style, 308);
    EXPECT_FALSE(fs::exists(dir.path("old000.bmp")));
    EXPECT_EQ(fs::file_size(dir.path("old001.bmp")), 3u);

    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(dir.path("old.bmp"));
    host.queueAnswer(msgbox::kAnswerYes);
    EXPECT_EQ(editor.MnuPPPSave_Click(), Outcome::Written);
    EXPECT_EQ(host.messages.size(), 4u);  // one question for the two pictures
    auto back = readStillImage(dir.path("old003.bmp"));
    ASSERT_TRUE(back);
    EXPECT_EQ(readTestFrameNumber(*back), 3);
}

TEST_F(StillsTest, PauseEndsTheRunAndAFrameWithoutPictureIsNotSavedAsAnother) {
    editor.STFlame = 0;
    editor.ENDFlame = 9;
    int shownFrames = 0;
    host.onDoEvents = [&](int) {
        if (++shownFrames == 4) editor.ComStp_Click();
    };
    EXPECT_EQ(editor.saveNumberedStills(dir.path("p"), ".bmp"), Outcome::Stopped);
    host.onDoEvents = nullptr;
    EXPECT_EQ(editor.StillsWritten, 3);
    EXPECT_TRUE(fs::exists(dir.path("p002.bmp")));
    EXPECT_FALSE(fs::exists(dir.path("p003.bmp")));
    EXPECT_TRUE(editor.Idle);

    // Frames past the movie's end have no picture: the run stops there.
    editor.ENDFlame = kFrames + 2;
    editor.STFlame = kFrames - 2;
    EXPECT_EQ(editor.saveNumberedStills(dir.path("q"), ".png"), Outcome::Stopped);
    EXPECT_EQ(editor.StillsWritten, 2);
    EXPECT_FALSE(fs::exists(dir.path("q012.png")));
    EXPECT_EQ(host.messages.back().text, "12のコマが読めないため、保存を中止しました");
}

TEST_F(StillsTest, AMovieIsBuiltFromANumberedRunThroughForm2) {
    writeRun(dir.path("img"), 8, 11, ".bmp");
    host.queueDialogPath(dir.path("img008.bmp"));
    host.queueDialogPath(dir.path("img011.bmp"));
    host.form2Answer = "60";
    EXPECT_EQ(editor.MnuMakeMV_Click(), Outcome::Written);
    ASSERT_EQ(host.dialogs.size(), 2u);
    EXPECT_EQ(host.dialogs[0].title, "1枚目の画像を開く");
    EXPECT_EQ(host.dialogs[1].title, "最後の画像を開く");
    EXPECT_EQ(host.dialogs[0].kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(host.dialogs[0].filter,
              "*.bmp;*.gif;*.jpg;*.jpeg;*.png|*.bmp;*.gif;*.jpg;*.jpeg;*.png");
    ASSERT_EQ(host.form2Labels.size(), 1u);
    EXPECT_EQ(host.form2Labels[0], "4枚の画像をAVIファイルに保存します");
    EXPECT_EQ(host.form2Presets[0], "30");
    const std::string out = dir.path("img.avi");
    EXPECT_EQ(editor.StillsOutput, out);
    auto probe = MovieSource::open(out);
    ASSERT_TRUE(probe) << probe.error();
    EXPECT_DOUBLE_EQ((*probe)->info().frameRate, 30.0);  // 60 becomes 30
    const std::vector<Surface> frames = framesOf(out);
    ASSERT_EQ(frames.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(samePixels(frames[static_cast<size_t>(i)], numberedPicture(8 + i))) << i;
    EXPECT_EQ(host.progress.back().task, "from-stills");
    EXPECT_EQ(host.progress.back().done, 4);
    // The open movie's frame is back on screen in its size.
    EXPECT_EQ(editor.PictMain().width(), kW);
    EXPECT_TRUE(editor.Idle);
    EXPECT_TRUE(host.messages.empty());

    // A rate of 0 becomes 1; the old movie is replaced after the question.
    host.form2Answer = "0";
    host.queueAnswer(msgbox::kAnswerYes);
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("img008.bmp"), dir.path("img009.bmp")),
              Outcome::Written);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "同じファイル名があります。上書きしますか");
    EXPECT_EQ(host.messages[0].title, "上書き");
    EXPECT_EQ(host.messages[0].style, msgbox::kYesNo);
    auto again = MovieSource::open(out);
    ASSERT_TRUE(again);
    EXPECT_DOUBLE_EQ((*again)->info().frameRate, 1.0);
    EXPECT_EQ((*again)->info().frameCount, 2);

    // No keeps the old movie.
    const auto size = fs::file_size(out);
    host.queueAnswer(msgbox::kAnswerNo);
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("img008.bmp"), dir.path("img011.bmp")),
              Outcome::Cancelled);
    EXPECT_EQ(fs::file_size(out), size);
}

TEST_F(StillsTest, NothingIsBuiltWhenForm2IsCancelledOrTheLastComesBeforeTheFirst) {
    writeRun(dir.path("s"), 1, 3, ".png");
    host.form2Cancel = true;
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("s001.png"), dir.path("s003.png")),
              Outcome::Cancelled);
    EXPECT_FALSE(fs::exists(dir.path("s.avi")));
    host.form2Cancel = false;
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("s003.png"), dir.path("s001.png")),
              Outcome::Failed);
    EXPECT_EQ(editor.StillsWritten, 0);
    EXPECT_FALSE(fs::exists(dir.path("s.avi")));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "最後の画像の番号が1枚目の画像の番号より小さいため、動画は作成しません");
    EXPECT_EQ(host.form2Labels.size(), 1u);  // not asked for a run of no pictures
    // A first picture without a number.
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("s.png"), dir.path("s003.png")), Outcome::Failed);
    EXPECT_EQ(host.messages.back().text,
              "s.pngは番号の付いた画像ではありません（拡張子の前に3桁の番号が要ります）");
    // A missing first picture: the first picture's error, nothing written.
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("t001.png"), dir.path("t003.png")),
              Outcome::Failed);
    EXPECT_EQ(host.messages.back().text, "001枚目の画像でエラー53が発生しました");
    EXPECT_FALSE(fs::exists(dir.path("t.avi")));
}

TEST_F(StillsTest, APictureOfAnotherSizeOrAMissingOneEndsAValidMovieBeforeIt) {
    writeRun(dir.path("a"), 0, 2, ".bmp");
    writeRun(dir.path("a"), 3, 3, ".bmp", kW + 2, kH);
    writeRun(dir.path("a"), 4, 5, ".bmp");
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("a000.bmp"), dir.path("a005.bmp")),
              Outcome::Stopped);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.messages[0].text,
        "a003."
        "bmpの大きさ（66×48）が1枚目の画像（64×48）と違うため、その前の3枚で動画を作成しました");
    EXPECT_EQ(host.messages[0].title, "警告");
    std::vector<Surface> frames = framesOf(dir.path("a.avi"));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(samePixels(frames[2], numberedPicture(2)));

    fs::remove(dir.path("a003.bmp"));
    std::ofstream(dir.path("a004.bmp")) << "not a picture";
    EXPECT_EQ(
        editor.makeMovieFromStills(dir.path("a000.bmp"), dir.path("a005.bmp"), dir.path("b.avi")),
        Outcome::Stopped);
    EXPECT_EQ(host.messages.back().text, "004枚目の画像でエラー53が発生しました");
    EXPECT_EQ(framesOf(dir.path("b.avi")).size(), 3u);
    writeRun(dir.path("a"), 3, 3, ".bmp");
    EXPECT_EQ(
        editor.makeMovieFromStills(dir.path("a000.bmp"), dir.path("a005.bmp"), dir.path("c.avi")),
        Outcome::Stopped);
    EXPECT_EQ(host.messages.back().text, "005枚目の画像でエラー481が発生しました");
    EXPECT_EQ(framesOf(dir.path("c.avi")).size(), 4u);
    EXPECT_EQ(editor.StillsWritten, 4);
}

TEST_F(StillsTest, PausingTheBuildKeepsAValidMovieOfThePicturesSoFar) {
    writeRun(dir.path("z"), 0, 7, ".png");
    int passes = 0;
    host.onDoEvents = [&](int) {
        if (++passes == 4) editor.ComStp_Click();
    };
    EXPECT_EQ(editor.makeMovieFromStills(dir.path("z000.png"), dir.path("z007.png")),
              Outcome::Stopped);
    host.onDoEvents = nullptr;
    EXPECT_EQ(editor.StillsWritten, 3);
    const std::vector<Surface> frames = framesOf(dir.path("z.avi"));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(samePixels(frames[2], numberedPicture(2)));
    EXPECT_TRUE(std::find(host.controlEvents.begin(), host.controlEvents.end(), "ComStp enabled") !=
                host.controlEvents.end());
}

TEST_F(StillsTest, GifAndJpegRunsAreReadAsTheyDecode) {
    for (const char* ext : {".gif", ".jpg"}) {
        const std::string stem = dir.path(std::string("g") + (ext + 1));
        writeRun(stem, 98, 101, ext);
        const std::string out = stem + ".avi";
        EXPECT_EQ(editor.makeMovieFromStills(numberedStillName(stem, 98, ext),
                                             numberedStillName(stem, 101, ext)),
                  Outcome::Written)
            << ext;
        const std::vector<Surface> frames = framesOf(out);
        ASSERT_EQ(frames.size(), 4u) << ext;
        for (int i = 0; i < 4; ++i) {
            auto still = readStillImage(numberedStillName(stem, 98 + i, ext));
            ASSERT_TRUE(still) << still.error();
            EXPECT_TRUE(samePixels(frames[static_cast<size_t>(i)], *still)) << ext << ' ' << i;
        }
    }
}

TEST_F(StillsTest, AMovieWithEffectsComesBackFromItsStillsFrameForFrame) {
    editor.STFlame = 1;
    editor.ENDFlame = 6;
    std::vector<Surface> expected;
    for (int f = 1; f <= 6; ++f) expected.push_back(shown(f));
    for (const char* ext : {".png", ".bmp"}) {
        const std::string stem = dir.path(std::string("rt") + (ext + 1) + "_");
        ASSERT_EQ(editor.saveNumberedStills(stem, ext), Outcome::Written);
        ASSERT_EQ(editor.makeMovieFromStills(numberedStillName(stem, 1, ext),
                                             numberedStillName(stem, 6, ext)),
                  Outcome::Written);
        const std::vector<Surface> frames = framesOf(stem + ".avi");
        ASSERT_EQ(frames.size(), 6u);
        for (size_t i = 0; i < 6; ++i) {
            auto still = readStillImage(numberedStillName(stem, static_cast<int>(i) + 1, ext));
            ASSERT_TRUE(still);
            EXPECT_TRUE(samePixels(frames[i], *still)) << ext << ' ' << i;
            EXPECT_TRUE(samePixels(frames[i], expected[i])) << ext << ' ' << i;
        }
    }
}

}  // namespace
}  // namespace movalux
