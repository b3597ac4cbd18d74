// Writing movies from a generated source whose frames carry their numbers:
// which frames a write holds at each speed and direction, that its sound is
// as long as its picture, pausing, refusals and their messages, the sound
// and conversion menus, and the frame-rate adjustment dialog.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "editor/Editor.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/SectionWriter.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"
#include "support/RecordingHost.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

class MovieRecordTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { quietMediaLog(); }

    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        source = dir.path("clip.avi");
        MovieWriterOptions o;
        o.width = 64;
        o.height = 48;
        o.fpsNum = 25;
        o.sound = true;
        o.quality = 3;
        auto w = MovieWriter::create(source, o);
        ASSERT_TRUE(w) << w.error();
        Surface s(64, 48);
        std::vector<int16_t> tone;
        for (int n = 0; n < kFrames; ++n) {
            drawTestFrame(s, n);
            ASSERT_TRUE((*w)->writeFrame(s));
            tone.clear();
            for (int i = 0; i < 44100 / 25; ++i) {
                const auto v = static_cast<int16_t>(
                    std::lround(8000 * std::sin(2 * M_PI * 440 * (n * 1764 + i) / 44100.0)));
                tone.push_back(v);
                tone.push_back(v);
            }
            ASSERT_TRUE((*w)->writeSound(tone));
        }
        ASSERT_TRUE((*w)->finish());
        editor.setMovieNames(source);
        ASSERT_TRUE(editor.openMovieAndReport());
        host.labels["Combo2"] = "100";
        host.pointers.clear();
        host.controlEvents.clear();
    }

    // The frame numbers drawn in every picture of a written movie.
    static std::vector<int32_t> framesOf(const std::string& path) {
        std::vector<int32_t> numbers;
        auto movie = MovieSource::open(path);
        EXPECT_TRUE(movie) << movie.error();
        if (!movie) return numbers;
        Surface picture(64, 48);
        for (int32_t n = 0; n < (*movie)->info().frameCount; ++n) {
            if (!(*movie)->paintFrame(n, picture)) {
                numbers.push_back(-2);
                continue;
            }
            numbers.push_back(readTestFrameNumber(picture));
        }
        return numbers;
    }

    Editor::RecOutcome write(const std::string& name, const std::string& speed, bool forward,
                             int32_t from, int32_t to) {
        host.labels["Combo2"] = speed;
        if (forward) editor.Option7_Click();
        else editor.Option8_Click();
        editor.STFlame = from;
        editor.ENDFlame = to;
        host.queueDialogPath(dir.path(name));
        return editor.MVRec();
    }

    static std::vector<int32_t> repeated(std::initializer_list<int32_t> frames, int times) {
        std::vector<int32_t> out;
        for (int32_t f : frames) out.insert(out.end(), static_cast<size_t>(times), f);
        return out;
    }

    static double soundSeconds(const std::string& path) {
        auto length = measureSound(path);
        EXPECT_TRUE(length) << length.error();
        return length ? length->seconds() : -1;
    }

    static constexpr int kFrames = 30;
    test::TempDir dir{"record"};
    test::RecordingHost host;
    test::RecordingPanel panel;
    Editor editor{host, panel};
    std::string source;
};

TEST_F(MovieRecordTest, EachSpeedWritesTheFramesOfItsStepping) {
    struct Case {
        const char* speed;
        bool forward;
        int32_t from, to;
        std::vector<int32_t> expected;
    };
    const std::vector<Case> cases = {
        {"100", true, 2, 9, {2, 3, 4, 5, 6, 7, 8, 9}},
        {"50", true, 3, 6, repeated({3, 4, 5, 6}, 2)},
        {"200", true, 2, 9, {2, 4, 6, 8}},
        {"1000", true, 0, 29, {0, 10, 20}},
        {"静止", true, 4, 6, repeated({4, 5, 6}, 10)},
        {"100", false, 2, 9, {9, 8, 7, 6, 5, 4, 3, 2}},
        {"50", false, 3, 6, repeated({6, 5, 4, 3}, 2)},
        {"200", false, 20, 29, {29, 27, 25, 23, 21}},
        {"75", true, 0, 5, {0, 0, 1, 2, 3, 3, 4, 5}},
        {"70", true, 0, 6, {0, 0, 1, 2, 2, 3, 4, 4, 5, 6}},
    };
    int i = 0;
    for (const Case& c : cases) {
        const std::string name = "w" + std::to_string(i++) + ".avi";
        SCOPED_TRACE(std::string(c.speed) + (c.forward ? " forward" : " backward"));
        ASSERT_EQ(write(name, c.speed, c.forward, c.from, c.to), Editor::RecOutcome::Written)
            << editor.RecError;
        EXPECT_EQ(framesOf(dir.path(name)), c.expected);
        // The sound lasts as long as the picture, within one frame.
        EXPECT_NEAR(soundSeconds(dir.path(name)), c.expected.size() / 25.0, 1 / 25.0);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(MovieRecordTest, AWriteAsksItsDialogsAndGivesTheControlsBack) {
    editor.RecFName = dir.path("suggested.avi");
    ASSERT_EQ(write("a.avi", "100", true, 0, 3), Editor::RecOutcome::Written);
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].title, "名前を付けて保存");
    EXPECT_EQ(host.dialogs[0].fileName, dir.path("suggested.avi"));
    EXPECT_EQ(host.dialogs[0].flags, 2);
    EXPECT_EQ(host.dialogs[0].filter.rfind("AVIﾌｧｲﾙ (*.avi)|*.avi|", 0), 0u);
    EXPECT_EQ(editor.RecFName, dir.path("a.avi"));
    ASSERT_EQ(host.compressorTitles, std::vector<std::string>{"圧縮の指定"});
    EXPECT_EQ(host.compressorPreset.codec, "mpeg4");
    ASSERT_FALSE(host.compressorOffered.empty());
    EXPECT_EQ(host.compressorOffered.front().name, "mpeg4");
    const std::vector<std::string> controls = {"BTNDEnable", "ComStp enabled",
                                               "CheckPreVew checked", "BTNEnable"};
    EXPECT_EQ(host.controlEvents, controls);
    EXPECT_EQ(host.pointers.front(), 13);
    EXPECT_EQ(host.pointers.back(), 0);
    EXPECT_TRUE(editor.Idle);
    EXPECT_TRUE(editor.PreviewOn);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.front().task, "render");
    EXPECT_TRUE(host.progress.back().finished);
}

TEST_F(MovieRecordTest, TheShownPictureIsTheFrameJustWritten) {
    // Whenever the window gets to repaint during the write, PictMain holds
    // the frame the frame box names (frames without effects are shown only
    // a few times a second); afterwards it holds the last one written.
    std::vector<std::pair<int32_t, int32_t>> seen;  // shown, counted
    host.onDoEvents = [&](int) {
        if (host.labels.count("TextPos") == 0) return;
        seen.emplace_back(readTestFrameNumber(editor.PictMain()), std::stoi(host.labels["TextPos"]));
    };
    ASSERT_EQ(write("shown.avi", "100", true, 4, 12), Editor::RecOutcome::Written);
    ASSERT_FALSE(seen.empty());
    for (auto [shown, counted] : seen) {
        if (counted >= 4 && counted <= 12) {
            EXPECT_EQ(shown, counted);
        }
    }
    EXPECT_EQ(readTestFrameNumber(editor.PictMain()), 12);
    EXPECT_EQ(host.labels["TextPos"], "12");
}

TEST_F(MovieRecordTest, CancellingEitherDialogWritesNothing) {
    ASSERT_EQ(editor.MVRec(), Editor::RecOutcome::Cancelled);  // save dialog cancelled
    host.queueDialog({FileDialogResult::Outcome::EmptyName, ""});
    ASSERT_EQ(editor.MVRec(), Editor::RecOutcome::Cancelled);
    host.compressorCancel = true;
    ASSERT_EQ(write("c.avi", "100", true, 0, 5), Editor::RecOutcome::Cancelled);
    EXPECT_FALSE(fs::exists(dir.path("c.avi")));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.controlEvents.back(), "BTNEnable");
    EXPECT_EQ(host.pointers.back(), 0);
}

TEST_F(MovieRecordTest, PausingKeepsAValidMovieOfTheFramesWrittenWithTheirSound) {
    host.onDoEvents = [&](int calls) {
        if (calls == 7) editor.ComStp_Click();
    };
    ASSERT_EQ(write("p.avi", "50", true, 10, 29), Editor::RecOutcome::Written);
    EXPECT_EQ(editor.RecFramesWritten, 6);
    EXPECT_EQ(framesOf(dir.path("p.avi")), repeated({10, 11, 12}, 2));
    EXPECT_NEAR(soundSeconds(dir.path("p.avi")), 6 / 25.0, 1 / 25.0);
    EXPECT_TRUE(editor.Idle);
}

TEST_F(MovieRecordTest, RefusedCodecAndUnwritableFolderShowTheirMessages) {
    const auto before = fs::file_size(source);
    CompressorSettings h265;
    h265.codec = "libx265";
    host.compressorAnswer = h265;
    ASSERT_EQ(write("r.avi", "100", true, 0, 5), Editor::RecOutcome::Failed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "オプションを設定して下さい");
    EXPECT_FALSE(fs::exists(dir.path("r.avi")));

    host.compressorAnswer.reset();
    ASSERT_EQ(write("missing/folder/x.avi", "100", true, 0, 5), Editor::RecOutcome::Failed);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "書き込みエラー");
    EXPECT_EQ(host.controlEvents.back(), "BTNEnable");
    EXPECT_EQ(host.pointers.back(), 0);
    EXPECT_EQ(fs::file_size(source), before);
    EXPECT_EQ(editor.MvOpen, kTrue);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.root()), fs::directory_iterator()), 1)
        << "nothing but the source, no part files";
}

TEST_F(MovieRecordTest, VideoOnlyWriteHasNoSound) {
    host.labels["Combo2"] = "100";
    host.queueDialogPath(dir.path("v.avi"));
    editor.STFlame = 0;
    editor.ENDFlame = 4;
    editor.menuRecM_Click();
    EXPECT_EQ(framesOf(dir.path("v.avi")), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(measureSound(dir.path("v.avi")));
    EXPECT_FALSE(fs::exists(dir.path(".v.picture.avi")));
}

TEST_F(MovieRecordTest, SoundOnlyWritesARealWaveFileForAWavName) {
    editor.STFlame = 5;
    editor.ENDFlame = 15;
    host.labels["Combo2"] = "50";
    host.queueDialogPath(dir.path("s.wav"));
    ASSERT_EQ(editor.menuRecS_Click(), Editor::RecOutcome::Written) << editor.RecError;
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].fileName, "SoundFile1.wav");
    EXPECT_EQ(host.dialogs[0].filter, "WAVEﾌｧｲﾙ (*.wav)|*.wav");
    std::ifstream wav(dir.path("s.wav"), std::ios::binary);
    std::string head(12, '\0');
    wav.read(head.data(), 12);
    EXPECT_EQ(head.substr(0, 4), "RIFF");
    EXPECT_EQ(head.substr(8, 4), "WAVE");
    EXPECT_NEAR(soundSeconds(dir.path("s.wav")), 10 / 25.0 / 0.5, 1 / 44100.0);

    // Another name keeps the AVI form.
    host.queueDialogPath(dir.path("s.avi"));
    ASSERT_EQ(editor.menuRecS_Click(), Editor::RecOutcome::Written);
    std::ifstream avi(dir.path("s.avi"), std::ios::binary);
    avi.read(head.data(), 12);
    EXPECT_EQ(head.substr(8, 4), "AVI ");
    EXPECT_EQ(host.controlEvents.back(), "BTNEnable");
    EXPECT_TRUE(editor.Idle);
}

TEST_F(MovieRecordTest, ConversionAsksFirstAndStretchesByTheWritingSpeed) {
    editor.STFlame = 0;
    editor.ENDFlame = 10;
    ASSERT_EQ(editor.MnuChangeMV_Click(), Editor::RecOutcome::Cancelled);  // answered No
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "ファイルサイズが10倍以上になります。無圧縮ムービーに変換しますか？");
    EXPECT_EQ(host.messages[0].style, 308);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_TRUE(host.dialogs.empty());

    host.queueAnswer(msgbox::kAnswerYes);
    host.labels["Combo2"] = "50";
    editor.RecFName = dir.path("ignored.avi");
    host.queueDialogPath(dir.path("u.avi"));
    ASSERT_EQ(editor.MnuChangeMV_Click(), Editor::RecOutcome::Written) << editor.RecError;
    EXPECT_EQ(host.dialogs.back().fileName, "AVIFile1.avi");
    auto converted = MovieSource::open(dir.path("u.avi"));
    ASSERT_TRUE(converted);
    EXPECT_EQ((*converted)->info().codecName, "rawvideo");
    EXPECT_EQ(framesOf(dir.path("u.avi")), repeated({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 2));
    EXPECT_NEAR(soundSeconds(dir.path("u.avi")), 20 / 25.0, 1 / 25.0);
}

TEST_F(MovieRecordTest, FrameRateAdjustmentAddsUpAndRefusesValuesOutOfRange) {
    editor.FrameRate = 30;
    editor.MvDuration = 10;
    editor.MvENDFlame = 400;
    EXPECT_EQ(editor.menuZure_Click(), "0");
    EXPECT_TRUE(editor.AdjVComd_Click("100"));
    EXPECT_DOUBLE_EQ(editor.FrameRate, 30.2997);
    EXPECT_EQ(editor.StreamInfo.dwRate, 30u);
    EXPECT_EQ(editor.StreamInfo.dwLength, 303u);
    EXPECT_EQ(editor.RangeEND, 303);
    EXPECT_TRUE(editor.AdjVComd_Click("100"));
    EXPECT_NEAR(editor.FrameRate, 30.5994, 1e-9);
    EXPECT_EQ(editor.menuZure_Click(), "100");
    EXPECT_TRUE(host.messages.empty());

    EXPECT_FALSE(editor.AdjVComd_Click("101"));
    EXPECT_FALSE(editor.AdjVComd_Click("-100.5"));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "ずれ調整値は-100～100の範囲内にしてください");
    EXPECT_NEAR(editor.FrameRate, 30.5994, 1e-9);
    EXPECT_EQ(editor.menuZure_Click(), "100");
    EXPECT_TRUE(editor.AdjVComd_Click("-100"));
    EXPECT_NEAR(editor.FrameRate, 30.2997, 1e-9);
}

}  // namespace
}  // namespace movalux

namespace movalux {
namespace {

// Issue 18: writes that fail or stop half-way, temporary files, and the
// movie being read as the target.
class WriteHardeningTest : public MovieRecordTest {
  protected:
    static std::string contents(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static std::vector<std::string> filesIn(const std::string& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string mxTemp() const { return dir.path("cache/movalux/MXTemp"); }
};

TEST_F(WriteHardeningTest, EveryWriteRemovesItsTemporaryFiles) {
    ASSERT_EQ(write("w.avi", "100", true, 0, 9), Editor::RecOutcome::Written);
    EXPECT_NEAR(soundSeconds(dir.path("w.avi")), 10 / 25.0, 1 / 25.0);
    EXPECT_EQ(filesIn(mxTemp()), std::vector<std::string>{}) << "the sound of the write is gone";
    EXPECT_EQ(filesIn(dir.root()), (std::vector<std::string>{"cache", "clip.avi", "w.avi"}));
}

TEST_F(WriteHardeningTest, ASoundThatCannotBeMadeFailsTheWriteAndLeavesTheTarget) {
    std::ofstream(dir.path("t.avi")) << "old";
    // The cache folder cannot be made: a file stands where it should be.
    ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("blocked/cache").c_str(), 1), 0);
    std::ofstream(dir.path("blocked")) << "a file, not a folder";
    EXPECT_EQ(write("t.avi", "100", true, 0, 9), Editor::RecOutcome::Failed);
    EXPECT_TRUE(contents(dir.path("t.avi")) == "old");
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "音声データを書き込みできません");
    EXPECT_EQ(filesIn(dir.root()), (std::vector<std::string>{"blocked", "clip.avi", "t.avi"}));
    EXPECT_TRUE(editor.Idle);
    EXPECT_EQ(host.controlEvents.back(), "BTNEnable");
}

TEST_F(WriteHardeningTest, ASecondPauseWhileTheSoundIsJoinedLeavesTheEarlierTargetIntact) {
    std::ofstream(dir.path("t.avi")) << "old";
    host.onDoEvents = [&](int calls) {
        if (calls == 5) editor.ComStp_Click();  // the first pause: the pictures end
        if (calls == 6) editor.ComStp_Click();  // the second, once the sound runs
    };
    EXPECT_EQ(write("t.avi", "100", true, 0, 29), Editor::RecOutcome::Failed);
    EXPECT_TRUE(editor.RecStopped);
    EXPECT_TRUE(contents(dir.path("t.avi")) == "old") << "never a movie without its sound";
    EXPECT_EQ(filesIn(dir.root()), (std::vector<std::string>{"cache", "clip.avi", "t.avi"}));
    EXPECT_EQ(filesIn(mxTemp()), std::vector<std::string>{});
}

TEST_F(WriteHardeningTest, APauseKeepsTheMovieAndSaysHowManyOfHowManyFrames) {
    host.onDoEvents = [&](int calls) {
        if (calls == 5) editor.ComStp_Click();
    };
    ASSERT_EQ(write("p.avi", "100", true, 0, 29), Editor::RecOutcome::Written);
    EXPECT_TRUE(editor.RecPaused);
    EXPECT_EQ(editor.RecFramesWritten, 4);
    EXPECT_EQ(editor.RecFramesExpected, 30);
    EXPECT_NEAR(soundSeconds(dir.path("p.avi")), 4 / 25.0, 1 / 25.0);
}

TEST_F(WriteHardeningTest, TheMovieBeingReadIsNeverTheTarget) {
    const std::string before = contents(source);
    // Another spelling of the same file.
    fs::create_directory(dir.path("sub"));
    EXPECT_EQ(write("./sub/../clip.avi", "100", true, 0, 4), Editor::RecOutcome::Failed);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text,
              "読み込み中のムービーには書き込めません。別の名前を指定してください");
    EXPECT_TRUE(contents(source) == before);
    // A hard link is the same file too.
    fs::create_hard_link(source, dir.path("link.avi"));
    EXPECT_EQ(write("link.avi", "100", true, 0, 4), Editor::RecOutcome::Failed);
    EXPECT_TRUE(contents(source) == before);
}

TEST_F(WriteHardeningTest, FramesTheMovieLacksAreNamedBeforeAnythingIsWritten) {
    // The edit file claimed 100 frames; the movie has 30.
    editor.MvENDFlame = 99;
    EXPECT_EQ(write("r.avi", "100", true, 25, 40), Editor::RecOutcome::Failed);
    EXPECT_NE(editor.RecError.find("frames 30 to 40"), std::string::npos) << editor.RecError;
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "フレーム 30～40 はムービーにありません");
    EXPECT_FALSE(fs::exists(dir.path("r.avi")));
    EXPECT_EQ(editor.framesLacking(0, 29), "");
    EXPECT_EQ(editor.framesLacking(29, 30), "30");
    EXPECT_EQ(editor.movieLastFrame(), 29);
}

}  // namespace
}  // namespace movalux
