// Opening and releasing movies in the editor: the name check, the project
// re-created for the movie, its read-outs, failed opens that leave the open
// movie as it was, and the frame display reading the movie.

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "base/NumberText.h"
#include "media/FrameGrab.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCannotRead = "この形式は読めません";

class OpenMovieTest : public test::EditorTest {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("movalux-open-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string makeMovie(const std::string& name, int frames, int w = 64, int h = 48,
                          int fpsNum = 25, int fpsDen = 1) {
        const std::string path = (dir / name).string();
        MovieWriterOptions o;
        o.width = w;
        o.height = h;
        o.fpsNum = fpsNum;
        o.fpsDen = fpsDen;
        o.videoCodec = "mpeg4";
        o.maxBFrames = 2;
        o.quality = 3;
        auto writer = MovieWriter::create(path, o);
        EXPECT_TRUE(writer) << writer.error();
        Surface s(w, h);
        for (int n = 0; n < frames; ++n) {
            drawTestFrame(s, n);
            EXPECT_TRUE((*writer)->writeFrame(s));
        }
        EXPECT_TRUE((*writer)->finish());
        return path;
    }

    void open(const std::string& path) {
        editor.MvFName = path;
        editor.OpenMovie();
    }

    int32_t shownNumber() { return readTestFrameNumber(editor.PictMain()); }

    // Descriptors of this process open on the file.
    static int openDescriptors(const std::string& path) {
        int count = 0;
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/self/fd", ec)) {
            std::error_code e2;
            if (fs::read_symlink(fd.path(), e2) == fs::path(path)) ++count;
        }
        return count;
    }

    fs::path dir;
};

TEST_F(OpenMovieTest, OpeningSetsUpTheProjectForTheMovie) {
    const std::string path = makeMovie("clip.avi", 30);
    editor.EdSaved = kFalse;
    open(path);
    ASSERT_EQ(editor.MvOpen, kTrue);
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(host.labels["Label21"], "clip.avi");
    EXPECT_EQ(host.pointers, (std::vector<int>{11, 0}));
    EXPECT_DOUBLE_EQ(editor.FrameRate, 25);
    EXPECT_EQ(editor.StreamInfo.dwRate, 25u);
    EXPECT_EQ(editor.StreamInfo.dwScale, 1u);
    EXPECT_EQ(editor.StreamInfo.dwLength, 30u);
    EXPECT_EQ(editor.StreamInfo.dwQuality, 10000u);
    EXPECT_EQ(editor.StreamInfo.rcFrame.right, 64);
    EXPECT_EQ(editor.StreamInfo.rcFrame.bottom, 48);
    EXPECT_EQ(editor.WholeFps, 25);
    EXPECT_EQ(editor.MvSound, kFalse);
    EXPECT_EQ(editor.MvSTFlame, 0);
    EXPECT_EQ(editor.MvENDFlame, 29);
    EXPECT_EQ(editor.STFlame, 0);
    EXPECT_EQ(editor.ENDFlame, 29);
    EXPECT_EQ(editor.RangeST, 0);
    EXPECT_EQ(editor.RangeEND, 29);
    EXPECT_EQ(editor.CurFlame, 0);
    EXPECT_EQ(editor.EffArr.frameCount(), 31);  // frames 0..(last - first + 1)
    EXPECT_EQ(editor.UndoArr.frameCount(), 31);
    EXPECT_EQ(editor.ENDFlamePos, roundHalfEven32(29 * editor.SliderScale));
    EXPECT_FALSE(editor.MvRuler.empty());
    // Work header: 64 * 3 = 192 bytes a row, already a multiple of 4.
    EXPECT_EQ(editor.WorkHeader.biWidth, 64);
    EXPECT_EQ(editor.WorkHeader.biHeight, 48);
    EXPECT_EQ(editor.WorkHeader.biBitCount, 24);
    EXPECT_EQ(editor.WorkHeader.biSizeImage, 192 * 48);
    EXPECT_EQ(editor.GrabHeader.biSizeImage, 64 * 48 * 3);
    for (const auto& buffer : editor.PixBuf) EXPECT_EQ(buffer.size(), 192u * 48u);
    EXPECT_EQ(host.labels["Label18"], "29");
    EXPECT_EQ(host.labels["Label16"], "00:01:160");
    EXPECT_EQ(host.labels["Label22"], "29");
    EXPECT_EQ(host.labels["Label20"], "00:01:160");
    EXPECT_EQ(host.labels["TextPos"], "0");
    EXPECT_EQ(host.labels["LabelTime"], "00:00:000");
    EXPECT_EQ(shownNumber(), 0);
    EXPECT_EQ(editor.PictJT().width(), 64);
    EXPECT_EQ(editor.PictMsk().height(), 48);
    EXPECT_GE(host.calls["SetTLine"], 1);
    EXPECT_GE(host.calls["DspSldr"], 1);
}

TEST_F(OpenMovieTest, FrameDisplayShowsExactlyTheFrameAskedForWithItsTime) {
    open(makeMovie("clip.avi", 40));
    for (int32_t n : {17, 3, 39, 38, 12, 13, 14, 0, 25}) {
        editor.CurFlame = n;
        ASSERT_EQ(editor.DspFrame2(), n);
        EXPECT_EQ(shownNumber(), n);
        EXPECT_EQ(host.labels["TextPos"], std::to_string(n));
    }
    editor.CurFlame = 25;
    editor.DspFrame2();
    EXPECT_EQ(host.labels["LabelTime"], "00:01:000");
    // Beyond the end: no picture; picture and read-outs stay.
    const Surface before = editor.PictMain();
    editor.CurFlame = 40;
    EXPECT_EQ(editor.DspFrame2(), -1);
    EXPECT_EQ(shownNumber(), 25);
    EXPECT_TRUE(std::equal(before.pixels().begin(), before.pixels().end(),
                           editor.PictMain().pixels().begin()));
    EXPECT_EQ(host.labels["TextPos"], "25");
    EXPECT_EQ(host.labels["LabelTime"], "00:01:000");
}

TEST_F(OpenMovieTest, NtscRateMovieIsDescribedWithRateThirtyAndSeeksAtItsOwnRate) {
    open(makeMovie("ntsc.avi", 40, 64, 48, 30000, 1001));
    ASSERT_EQ(editor.MvOpen, kTrue);
    EXPECT_NEAR(editor.FrameRate, 29.97003, 1e-4);
    EXPECT_EQ(editor.StreamInfo.dwRate, 30u);
    EXPECT_EQ(editor.StreamInfo.dwLength, 40u);
    EXPECT_EQ(editor.WholeFps, 30);
    editor.CurFlame = 30;
    ASSERT_EQ(editor.DspFrame2(), 30);
    EXPECT_EQ(shownNumber(), 30);
    EXPECT_EQ(host.labels["LabelTime"], "00:01:000");
}

TEST_F(OpenMovieTest, AnAdjustedFrameRateShowsThePictureOnScreenAtThatTime) {
    open(makeMovie("clip.avi", 60));
    // 25 + 100 x 0.002997 frames a second: frame 10 is at 0.3953 s, inside
    // the movie's picture 9 (rounding would give 10); frame 51 is in 50.
    ASSERT_TRUE(editor.AdjVComd_Click("100"));
    for (const auto& [frame, picture] : {std::pair{10, 9}, std::pair{51, 50}, std::pair{0, 0}}) {
        editor.CurFlame = frame;
        ASSERT_EQ(editor.DspFrame2(), frame);
        EXPECT_EQ(shownNumber(), picture) << frame;
    }
}

TEST_F(OpenMovieTest, FilesThatCannotBeReadLeaveTheOpenMovieAsItWas) {
    const std::string good = makeMovie("good.avi", 30);
    host.queueDialogPath(good);
    editor.mnuOpen_Click();
    ASSERT_EQ(editor.MvOpen, kTrue);
    editor.CurFlame = 7;
    editor.EffArr.at(0, 7) = EffRec{6, 1, 2, 30, 20, 8, "0"};
    editor.EdSaved = kFalse;
    const AviStreamInfo info = editor.StreamInfo;

    // Sound only, cut short, not a movie at all.
    const std::string wav = (dir / "sound.avi").string();
    {
        std::ofstream f(wav, std::ios::binary);
        const char header[] =
            "RIFF\x24\x10\0\0WAVEfmt "
            "\x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data\0\x10\0\0";
        f.write(header, sizeof header - 1);
        f.write(std::string(4096, '\0').data(), 4096);
    }
    const std::string cut = makeMovie("cut.avi", 20);
    fs::resize_file(cut, 5000);
    const std::string text = (dir / "text.avi").string();
    std::ofstream(text) << "hello\n";

    for (const std::string& bad : {wav, cut, text}) {
        host.messages.clear();
        host.queueAnswer(msgbox::kAnswerNo);  // the unsaved work may go
        host.queueDialogPath(bad);
        editor.mnuOpen_Click();
        ASSERT_EQ(host.messages.size(), 2u) << bad;
        EXPECT_EQ(host.messages[0].text, "現在の編集ファイルは保存していません。保存しますか？");
        EXPECT_EQ(host.messages[1].text, kCannotRead);
        EXPECT_EQ(host.messages[1].style, 272);
        EXPECT_EQ(host.messages[1].title, "警告");
        EXPECT_EQ(host.labels["Label21"], "ファイルは読み込まれません");
        // Everything of the open movie is still there.
        EXPECT_EQ(editor.MvOpen, kTrue);
        EXPECT_EQ(editor.MvFName, good);
        EXPECT_EQ(editor.EdFName, (dir / "good-1.txt").string());
        EXPECT_EQ(editor.RecFName, (dir / "good-1.avi").string());
        EXPECT_EQ(editor.EdSaved, kFalse);
        EXPECT_EQ(editor.MvENDFlame, 29);
        EXPECT_EQ(editor.StreamInfo.dwLength, info.dwLength);
        EXPECT_EQ(editor.EffArr.at(0, 7).Kind, 6);
        editor.CurFlame = 21;
        ASSERT_EQ(editor.DspFrame2(), 21);
        EXPECT_EQ(shownNumber(), 21);
    }
}

TEST_F(OpenMovieTest, AMissingMovieIsNamedAsMissingNotAsUnreadable) {
    const std::string missing = (dir / "gone" / "ムービー.avi").string();
    editor.PictMain_OLEDragDrop({missing});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "ファイルが見つかりません\n" + missing);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.MvOpen, kFalse);
    // A folder of that name is there but is no movie: unreadable.
    host.messages.clear();
    fs::create_directories(dir / "folder.avi");
    editor.PictMain_OLEDragDrop({(dir / "folder.avi").string()});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kCannotRead);
}

TEST_F(OpenMovieTest, OpeningAnotherMovieReleasesTheFirstAndStartsAFreshProject) {
    const std::string first = makeMovie("first.avi", 30);
    const std::string second = makeMovie("second.avi", 12);
    open(first);
    EXPECT_GE(openDescriptors(first), 1);
    editor.EffArr.at(1, 5) = EffRec{6, 1, 2, 3, 4, 5, "0"};
    editor.takeUndoStep(1);
    host.queueDialogPath(second);
    editor.mnuOpen_Click();
    EXPECT_EQ(openDescriptors(first), 0);
    EXPECT_EQ(editor.MvFName, second);
    EXPECT_EQ(editor.MvENDFlame, 11);
    EXPECT_EQ(editor.EffArr.frameCount(), 13);
    EXPECT_EQ(editor.EffArr.at(1, 5).Kind, 0);
    EXPECT_EQ(editor.undo.UndoHist[0].code, 0);
    EXPECT_EQ(shownNumber(), 0);
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].title, "開く");
    EXPECT_FALSE(host.dialogs[0].cancelError);
}

TEST_F(OpenMovieTest, OpeningOrDroppingAMovieOverUnsavedWorkAsksFirst) {
    const std::string first = makeMovie("first.avi", 30);
    const std::string second = makeMovie("second.avi", 12);
    open(first);
    editor.EffArr.at(1, 5) = EffRec{6, 1, 2, 3, 4, 5, "0"};
    editor.EdSaved = kFalse;

    // Cancel: no dialog, nothing changes.
    host.queueAnswer(msgbox::kAnswerCancel);
    editor.mnuOpen_Click();
    EXPECT_TRUE(host.dialogs.empty());
    host.queueAnswer(msgbox::kAnswerCancel);
    editor.PictMain_OLEDragDrop({second});
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "現在の編集ファイルは保存していません。保存しますか？");
    EXPECT_EQ(host.messages[1].style, 307);
    EXPECT_EQ(editor.MvFName, first);
    EXPECT_EQ(editor.EffArr.at(1, 5).Kind, 6);

    // No: the dropped movie replaces the work.
    host.queueAnswer(msgbox::kAnswerNo);
    editor.PictMain_OLEDragDrop({second});
    EXPECT_EQ(editor.MvFName, second);
    EXPECT_EQ(editor.EffArr.at(1, 5).Kind, 0);
    EXPECT_EQ(editor.EdSaved, kTrue);
}

TEST_F(OpenMovieTest, OpenDialogWithoutAnAnswerChangesNothing) {
    host.queueDialog({FileDialogResult::Outcome::EmptyName, ""});
    editor.mnuOpen_Click();
    editor.mnuOpen_Click();  // cancelled
    EXPECT_EQ(editor.MvOpen, kFalse);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(editor.MvFName, "");
}

TEST_F(OpenMovieTest, NameCheckWantsOneMovieName) {
    EXPECT_FALSE(editor.ChkFName({"a.avi", "b.avi"}));
    EXPECT_FALSE(editor.ChkFName({}));
    EXPECT_FALSE(editor.ChkFName({"/home/me/picture.bmp"}));
    EXPECT_FALSE(editor.ChkFName({"/home/me/movie"}));
    ASSERT_EQ(host.messages.size(), 4u);
    EXPECT_EQ(host.messages[0].text, "ひとつだけドロップしてください");
    EXPECT_EQ(host.messages[1].text, "ひとつだけドロップしてください");
    EXPECT_EQ(host.messages[2].text, "ファイル形式が違います");
    EXPECT_EQ(host.messages[3].text, "ファイル形式が違います");
    EXPECT_EQ(host.messages[0].style, 0);
    for (const char* name : {"a.avi", "a.MPG", "a.mpeg", "a.WMV", "a.asf", "a.mp4", "a.M4V",
                             "a.mov", "a.mkv", "a.WebM", "/my movies/holiday clip.avi"})
        EXPECT_TRUE(editor.ChkFName({name})) << name;
    EXPECT_EQ(host.messages.size(), 4u);
}

TEST_F(OpenMovieTest, ADroppedMovieWithBlanksInItsPathOpens) {
    fs::create_directories(dir / "my movies");
    const std::string path = makeMovie("my movies/holiday clip.mp4", 10);
    editor.PictMain_OLEDragDrop({path});
    ASSERT_EQ(editor.MvOpen, kTrue);
    EXPECT_EQ(host.labels["Label21"], "holiday clip.mp4");
    EXPECT_EQ(editor.EdFName, (dir / "my movies/holiday clip-1.txt").string());
    EXPECT_EQ(editor.RecFName, (dir / "my movies/holiday clip-1.avi").string());
    // Several files: refused, the open movie stays.
    editor.PictMain_OLEDragDrop({path, path});
    EXPECT_EQ(host.messages.back().text, "ひとつだけドロップしてください");
    EXPECT_EQ(editor.MvFName, path);
}

TEST_F(OpenMovieTest, ReleasingAsksAboutUnsavedWorkThenResetsTheProject) {
    const std::string path = makeMovie("clip.avi", 20);
    open(path);
    editor.EffArr.at(0, 3) = EffRec{6, 1, 2, 3, 4, 5, "0"};
    editor.EdSaved = kFalse;
    host.queueAnswer(msgbox::kAnswerCancel);
    editor.MVFree();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "現在の編集ファイルは保存していません。保存しますか？");
    EXPECT_EQ(host.messages[0].style, 307);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.MvOpen, kTrue);

    host.queueAnswer(msgbox::kAnswerNo);
    editor.LayEnable[2] = kFalse;
    // Preview switched off and a key frame picked before the release.
    panel.setChecked("CheckPreVew", false);
    editor.CheckPreVew_Click();
    host.SetLabel("TextHSt", "3");
    ASSERT_FALSE(editor.PreviewOn);
    ASSERT_FALSE(host.labels["TextPos"].empty());
    editor.MVFree();
    EXPECT_EQ(editor.MvOpen, kFalse);
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(editor.movie(), nullptr);
    EXPECT_EQ(openDescriptors(path), 0);
    EXPECT_EQ(editor.EffArr.at(0, 3).Kind, 0);
    EXPECT_EQ(editor.EdFName, "EditFile1.txt");
    EXPECT_EQ(editor.RecFName, "AVIFile1.avi");
    EXPECT_EQ(editor.CurFlame, 0);
    EXPECT_EQ(editor.ENDFlame, 0);
    EXPECT_EQ(editor.LayEnable[2], kTrue);
    EXPECT_TRUE(editor.MvRuler.empty());
    EXPECT_EQ(host.labels["Label21"], "");
    for (const char* label : {"Label16", "Label18", "Label20", "Label22"})
        EXPECT_EQ(host.labels[label], "") << label;
    for (const char* box : {"TextPos", "LabelTime", "TextHSt", "TextHEnd"})
        EXPECT_EQ(host.labels[box], "") << box;
    EXPECT_TRUE(editor.PreviewOn);
    EXPECT_TRUE(panel.checked("CheckPreVew"));
    EXPECT_EQ(editor.DspFrame2(), -1);
}

// Everything a failed read must leave as it was.
struct ProjectView {
    std::string movie, edit, record;
    int32_t st, en, mvSt, mvEnd, rows, frames;
    int16_t saved;
    EffRec a, b;
    bool operator==(const ProjectView&) const = default;
};

TEST_F(OpenMovieTest, AnEditFileWhoseMovieDoesNotOpenIsNotReadAndTheProjectStays) {
    const std::string good = makeMovie("good.avi", 30);
    open(good);
    editor.EffArr.at(0, 7) = EffRec{6, 1, 2, 30, 20, 8, "0"};
    editor.STFlame = 3;
    editor.ENDFlame = 20;
    editor.EdSaved = kFalse;
    editor.EdFName = (dir / "mine.txt").string();
    editor.RecFName = (dir / "mine-1.avi").string();
    auto view = [&] {
        return ProjectView{editor.MvFName,    editor.EdFName,         editor.RecFName,
                           editor.STFlame,    editor.ENDFlame,        editor.MvSTFlame,
                           editor.MvENDFlame, editor.TLRows,          editor.EffArr.frameCount(),
                           editor.EdSaved,    editor.EffArr.at(0, 7), editor.EffArr.at(1, 2)};
    };
    const ProjectView before = view();

    // The file names a movie that exists but is not one.
    const std::string broken = (dir / "broken.avi").string();
    std::ofstream(broken) << "not a movie\n";
    const std::string file = (dir / "other.txt").string();
    std::ofstream(file, std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << broken << "\"\r\n0,5,0,5\r\n30\r\n"
        << "2,106,1,1,4,4,8,\"0\"\r\n";
    host.messages.clear();
    EXPECT_EQ(editor.readEditFile(file), Editor::ReadOutcome::MovieNotOpened);
    EXPECT_EQ(view(), before);
    EXPECT_EQ(editor.EffArr.at(1, 2), EffRec{});
    // The user learns which movie could not be opened.
    ASSERT_FALSE(host.messages.empty());
    EXPECT_NE(host.messages.back().text.find(broken), std::string::npos)
        << host.messages.back().text;
    EXPECT_EQ(host.labels["Label21"], "good.avi");
    // The open movie still shows its own frames.
    editor.CurFlame = 21;
    ASSERT_EQ(editor.DspFrame2(), 21);
    EXPECT_EQ(shownNumber(), 21);

    // A missing movie whose search is refused is no different.
    const std::string gone = (dir / "gone.txt").string();
    std::ofstream(gone, std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << (dir / "nowhere.avi").string()
        << "\"\r\n0,5,0,5\r\n30\r\n2,106,1,1,4,4,8,\"0\"\r\n";
    host.messages.clear();
    host.queueAnswer(msgbox::kAnswerNo);
    EXPECT_EQ(editor.readEditFile(gone), Editor::ReadOutcome::MovieNotOpened);
    EXPECT_EQ(view(), before);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.messages[1].text.find("nowhere.avi"), std::string::npos);
}

TEST_F(OpenMovieTest, GetPic2ReadsTheFrameAsPaddedBottomUpRows) {
    open(makeMovie("wide.avi", 5, 66, 50));
    // 66 * 3 = 198 bytes, padded to 200.
    EXPECT_EQ(editor.WorkHeader.biSizeImage, 200 * 50);
    Surface& main = editor.PictMain();
    main.setPixel(0, 0, rgb(10, 20, 30));
    main.setPixel(65, 49, rgb(40, 50, 60));
    editor.PixBuf[0].assign(editor.PixBuf[0].size(), 0xEE);
    EXPECT_EQ(editor.GetPic2(), 50);
    const std::vector<uint8_t>& px = editor.PixBuf[0];
    // Top-left pixel is in the last row; bottom-right in the first.
    EXPECT_EQ(px[49 * 200 + 0], 30);
    EXPECT_EQ(px[49 * 200 + 1], 20);
    EXPECT_EQ(px[49 * 200 + 2], 10);
    EXPECT_EQ(px[65 * 3 + 0], 60);
    EXPECT_EQ(px[65 * 3 + 2], 40);
    EXPECT_EQ(px[198], 0);  // padding
    EXPECT_TRUE(host.messages.empty());
    // A picture that no longer matches the header reads nothing.
    editor.setPictureSize(10, 10);
    EXPECT_EQ(editor.GetPic2(), 0);
    EXPECT_EQ(host.messages.back().text, "取得に失敗しました(GP2)");
}

TEST_F(OpenMovieTest, AGrabDeliversOnePictureOncePerArming) {
    open(makeMovie("clip.avi", 20));
    FrameGrab grab(*editor.movie(), 64, 48);
    Surface target(64, 48, kBlack);
    EXPECT_EQ(editor.DspPict(64, 48, grab, target), 1);
    EXPECT_FALSE(grab.request(5));  // not armed
    EXPECT_EQ(editor.GetGrPict2(grab), 0);
    ASSERT_TRUE(grab.request(5));
    EXPECT_EQ(editor.DspPict(64, 48, grab, target), 0);
    EXPECT_EQ(readTestFrameNumber(target), 5);
    EXPECT_EQ(editor.DspPict(64, 48, grab, target), 1);
}

}  // namespace
}  // namespace movalux
