// Autosave and recovery in the editor: when the unsaved project is written,
// what removes it, and what the next start offers.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "editfile/EditFileFormat.h"
#include "editfile/RecoveryStore.h"
#include "media/MediaLog.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"
#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOffer = "前回終了時に保存されていない作業があります。復元しますか？";
constexpr uint32_t kTwoMinutes = 120'000;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AutosaveTriggerTest, WritesTwoMinutesAfterTheFirstUnwrittenChangeOrAfterFiftyChanges) {
    AutosaveTrigger t;
    EXPECT_FALSE(t.due(0, false, 0));
    EXPECT_FALSE(t.due(5, false, 500'000)) << "a saved project needs no recovery";
    t.reset(5);
    EXPECT_FALSE(t.due(6, true, 1000));  // the first change not yet written: the clock starts
    EXPECT_FALSE(t.due(30, true, 1000 + kTwoMinutes - 1));
    EXPECT_TRUE(t.due(30, true, 1000 + kTwoMinutes));
    t.started(30);
    EXPECT_FALSE(t.due(30, true, 999'999)) << "nothing new since";
    EXPECT_FALSE(t.due(79, true, 200'000));
    EXPECT_TRUE(t.due(80, true, 200'001)) << "fifty changes";
    t.started(80);
    // A failed write counts as unwritten and is tried again an interval
    // later, however many changes come meanwhile.
    t.failed(30, 300'000);
    EXPECT_FALSE(t.due(200, true, 300'001));
    EXPECT_FALSE(t.due(80, true, 300'000 + kTwoMinutes - 1));
    EXPECT_TRUE(t.due(80, true, 300'000 + kTwoMinutes));
    // The millisecond clock wraps.
    AutosaveTrigger w;
    EXPECT_FALSE(w.due(1, true, 0xFFFF'0000u));
    EXPECT_TRUE(w.due(1, true, 0xFFFF'0000u + kTwoMinutes));
}

class RecoveryTest : public EditorTest {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("movalux-autosave-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        folder = (dir / "recovery").string();
        movie = makeMovie("clip.avi", 40);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string makeMovie(const std::string& name, int frames) {
        const std::string path = (dir / name).string();
        MovieWriterOptions o;
        o.width = 32;
        o.height = 24;
        o.videoCodec = "mpeg4";
        auto writer = MovieWriter::create(path, o);
        EXPECT_TRUE(writer) << writer.error();
        Surface s(32, 24);
        for (int n = 0; n < frames; ++n) {
            drawTestFrame(s, n);
            EXPECT_TRUE((*writer)->writeFrame(s));
        }
        EXPECT_TRUE((*writer)->finish());
        return path;
    }
    // The movie opened as the user would, with autosave on.
    void openWithAutosave(AutosavePolicy policy = {}) {
        editor.enableAutosave(folder, policy);
        editor.setMovieNames(movie);
        ASSERT_TRUE(editor.openMovieAndReport());
        editor.EdFName = (dir / "project.txt").string();
    }
    // A change through a command.
    void change(int32_t frame) {
        editor.KoukaSel = kouka::kMosaic;
        editor.CurFlame = frame;
        editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.0f);
        editor.mnuAll_Click();
    }
    std::string projectText() { return editFileText(editor.editFileContent()); }
    std::string recoveryText() {
        editor.autosave()->wait();
        const std::string p = editor.autosave()->store().textPath();
        return p.empty() || !fs::exists(p) ? std::string() : slurp(p);
    }
    size_t recoveryTexts() {
        if (editor.autosave() != nullptr) editor.autosave()->wait();
        size_t n = 0;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            n += e.path().extension() == ".txt" && e.path().filename().string()[0] != '.';
        return n;
    }
    // A project an editor left when it ended without closing it.
    std::string leaveProject(const std::string& text, const std::string& editFile) {
        RecoveryStore gone(folder);
        EXPECT_TRUE(gone.write(text, RecoveryInfo{editFile, editFile + ".avi", movie, 0}));
        return gone.textPath();
    }

    fs::path dir;
    std::string folder;
    std::string movie;
};

TEST_F(RecoveryTest, NothingIsWrittenWithoutAutosaveOrWithoutChanges) {
    change(3);
    EXPECT_FALSE(editor.AutosaveTick()) << "off unless the window turns it on";
    openWithAutosave();
    host.clockMs = 10 * kTwoMinutes;
    EXPECT_FALSE(editor.AutosaveTick()) << "a fresh project has nothing to recover";
    EXPECT_EQ(recoveryTexts(), 0u);
}

TEST_F(RecoveryTest, TheUnsavedProjectIsWrittenTwoMinutesAfterItsFirstChange) {
    openWithAutosave();
    host.clockMs = 5000;
    change(3);
    EXPECT_FALSE(editor.AutosaveTick());
    host.clockMs = 5000 + kTwoMinutes - 1;
    EXPECT_FALSE(editor.AutosaveTick());
    host.clockMs = 5000 + kTwoMinutes;
    ASSERT_TRUE(editor.AutosaveTick());
    EXPECT_EQ(recoveryText(), projectText());
    const RecoveryInfo info =
        parseRecoveryInfo(slurp(folder + "/" + editor.autosave()->store().id() + ".info"));
    EXPECT_EQ(info.editFile, (dir / "project.txt").string());
    EXPECT_EQ(info.movie, movie);
    // Never the user's own edit file.
    EXPECT_FALSE(fs::exists(dir / "project.txt"));
    EXPECT_EQ(editor.EdSaved, kFalse);
}

TEST_F(RecoveryTest, FiftyChangesAreWrittenAtOnce) {
    openWithAutosave();
    for (int n = 0; n < 49; ++n) change(n % 30);
    EXPECT_FALSE(editor.AutosaveTick());
    change(5);
    ASSERT_TRUE(editor.AutosaveTick());
    EXPECT_EQ(recoveryText(), projectText());
    EXPECT_EQ(editor.autosave()->status().written, 1u);
}

TEST_F(RecoveryTest, NothingIsWrittenWhilePlayingOrWriting) {
    openWithAutosave(AutosavePolicy{1000, 1});
    change(3);
    editor.Idle = false;
    EXPECT_FALSE(editor.AutosaveTick());
    editor.Idle = true;
    EXPECT_TRUE(editor.AutosaveTick());
}

TEST_F(RecoveryTest, SavingRemovesTheRecoveryFileAndTheNextChangeWritesItAgain) {
    openWithAutosave(AutosavePolicy{kTwoMinutes, 1});
    change(3);
    ASSERT_TRUE(editor.AutosaveTick());
    ASSERT_EQ(recoveryTexts(), 1u);
    ASSERT_EQ(editor.saveEditFileTo((dir / "project.txt").string()), 0);
    EXPECT_EQ(recoveryTexts(), 0u);
    EXPECT_FALSE(editor.AutosaveTick());
    change(4);
    ASSERT_TRUE(editor.AutosaveTick());
    EXPECT_EQ(recoveryText(), projectText());
}

TEST_F(RecoveryTest, ReleasingTheMovieOrClosingCleanlyRemovesIt) {
    openWithAutosave(AutosavePolicy{kTwoMinutes, 1});
    change(3);
    ASSERT_TRUE(editor.AutosaveTick());
    host.queueAnswer(msgbox::kAnswerCancel);
    editor.MVFree();
    EXPECT_EQ(recoveryTexts(), 1u) << "a cancelled release keeps everything";
    host.queueAnswer(msgbox::kAnswerNo);
    editor.MVFree();
    EXPECT_EQ(recoveryTexts(), 0u);

    ASSERT_TRUE(editor.openMovieAndReport());
    change(3);
    ASSERT_TRUE(editor.AutosaveTick());
    host.queueAnswer(msgbox::kAnswerCancel);
    EXPECT_FALSE(editor.Form_Unload());
    EXPECT_EQ(recoveryTexts(), 1u);
    host.queueAnswer(msgbox::kAnswerNo);
    EXPECT_TRUE(editor.Form_Unload());
    EXPECT_TRUE(fs::is_empty(folder)) << "the lock goes with a clean end";
}

TEST_F(RecoveryTest, OpeningAnotherProjectRemovesTheOldRecoveryFile) {
    openWithAutosave(AutosavePolicy{kTwoMinutes, 1});
    change(3);
    ASSERT_TRUE(editor.AutosaveTick());
    host.queueAnswer(msgbox::kAnswerNo);
    host.queueDialogPath(makeMovie("other.avi", 10));
    editor.mnuOpen_Click();
    ASSERT_EQ(editor.MvENDFlame, 9);
    EXPECT_EQ(recoveryTexts(), 0u);
}

TEST_F(RecoveryTest, AnEndWithoutCloseLeavesTheLastWriteForTheNextStart) {
    std::string written;
    {
        RecordingHost h;
        RecordingPanel p;
        Editor first(h, p);
        first.enableAutosave(folder, AutosavePolicy{kTwoMinutes, 1});
        first.setMovieNames(movie);
        ASSERT_TRUE(first.openMovieAndReport());
        first.EdFName = (dir / "mine.txt").string();
        first.EffArr.at(2, 7) = EffRec{6, 1, 2, 8, 8, 16, "0"};
        first.markChanged();
        ASSERT_TRUE(first.AutosaveTick());
        first.autosave()->wait();
        written = editFileText(first.editFileContent());
        first.EffArr.at(2, 9) = EffRec{6, 1, 2, 8, 8, 16, "0"};  // after the last write: lost
        first.markChanged();
    }  // gone without Form_Unload, as a crash would end it

    editor.enableAutosave(folder);
    host.queueAnswer(msgbox::kAnswerYes);
    editor.offerRecovery();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kOffer);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(host.messages[0].style, msgbox::kYesNo | msgbox::kExclamation);
    EXPECT_TRUE(host.lists.empty()) << "one project needs no list";
    EXPECT_EQ(projectText(), written);
    EXPECT_EQ(editor.EffArr.at(2, 7).Kind, 6);
    EXPECT_EQ(editor.EffArr.at(2, 9).Kind, 0);
    EXPECT_EQ(editor.EdSaved, kFalse) << "an unsaved project";
    EXPECT_EQ(editor.EdFName, (dir / "mine.txt").string());
    EXPECT_EQ(editor.RecFName, (dir / "clip-1.avi").string());
    EXPECT_EQ(editor.MvFName, movie);
    EXPECT_FALSE(fs::exists(dir / "mine.txt"));
    // It is this editor's project now: its next write goes to the same file.
    EXPECT_EQ(recoveryTexts(), 1u);
    change(1);
    EXPECT_FALSE(editor.AutosaveTick());
    host.clockMs += kTwoMinutes;
    ASSERT_TRUE(editor.AutosaveTick());
    EXPECT_EQ(recoveryTexts(), 1u);
    EXPECT_EQ(recoveryText(), projectText());
}

TEST_F(RecoveryTest, NoKeepsTheProjectForTheMenuWhichListsAndOpensIt) {
    const std::string text = "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                             "\"\r\n2,30,0,39\r\n45\r\n4,106,1,1,8,8,16,\"0\"\r\n";
    const std::string path = leaveProject(text, "/home/u/project.txt");
    editor.enableAutosave(folder);
    editor.offerRecovery();  // the box answers No
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(editor.MvOpen, kFalse);
    EXPECT_TRUE(fs::exists(path));

    host.messages.clear();
    host.queueListAnswer(0);
    editor.mnuRecover_Click();
    ASSERT_EQ(host.lists.size(), 1u);
    EXPECT_EQ(host.lists[0].title, "復元");
    ASSERT_EQ(host.lists[0].items.size(), 1u);
    EXPECT_EQ(host.lists[0].items[0].rfind("project.txt（clip.avi）", 0), 0u)
        << host.lists[0].items[0];
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(editor.MvOpen, kTrue);
    EXPECT_EQ(projectText(), text);
    EXPECT_EQ(editor.TLRows, 45);
    EXPECT_EQ(editor.EdFName, "/home/u/project.txt");
    EXPECT_EQ(editor.EdSaved, kFalse);
}

// Declining once is enough: the next start does not ask again, 復元... still
// lists the work, and an entry can be deleted there after a question.
TEST_F(RecoveryTest, DeclinedWorkIsNotAskedAgainAndCanBeDeletedFromTheMenu) {
    const std::string text = "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                             "\"\r\n0,39,0,39\r\n60\r\n1,101,1,1,8,8,16,\"0\"\r\n";
    const std::string path = leaveProject(text, "/home/u/declined.txt");
    editor.enableAutosave(folder);
    host.queueAnswer(msgbox::kAnswerNo);
    editor.offerRecovery();
    ASSERT_EQ(host.messages.size(), 1u);

    test::RecordingHost nextHost;
    test::RecordingPanel nextPanel;
    Editor next(nextHost, nextPanel);
    next.enableAutosave(folder);
    next.offerRecovery();
    EXPECT_TRUE(nextHost.messages.empty()) << nextHost.messages[0].text;

    // Deleting asks first; No keeps it, and the list comes back.
    nextHost.queueListRemove(0);
    nextHost.queueAnswer(msgbox::kAnswerNo);
    nextHost.queueListRemove(0);
    nextHost.queueAnswer(msgbox::kAnswerYes);
    next.mnuRecover_Click();
    ASSERT_EQ(nextHost.lists.size(), 2u);
    EXPECT_EQ(nextHost.lists[0].removeCaption, "削除");
    EXPECT_EQ(nextHost.lists[0].items[0].rfind("declined.txt（clip.avi）", 0), 0u);
    ASSERT_EQ(nextHost.messages.size(), 2u);
    EXPECT_EQ(nextHost.messages[0].text,
              "選んだ作業を削除します。元に戻せません。よろしいですか？");
    EXPECT_EQ(nextHost.messages[0].style, msgbox::kStyleYesNoWarn);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(next.MvOpen, kFalse);
    EXPECT_EQ(recoveryTexts(), 0u);
}

TEST_F(RecoveryTest, SeveralProjectsAreChosenFromAListAndTheOthersStay) {
    const std::string a = "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                          "\"\r\n0,39,0,39\r\n60\r\n1,101,1,1,8,8,16,\"0\"\r\n";
    const std::string b = "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                          "\"\r\n0,39,0,39\r\n60\r\n2,201,1,1,8,8,16,\"0\"\r\n";
    const std::string pa = leaveProject(a, "/a.txt");
    const std::string pb = leaveProject(b, "/b.txt");
    editor.enableAutosave(folder);
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueListAnswer(1);
    editor.offerRecovery();
    ASSERT_EQ(host.lists.size(), 1u);
    ASSERT_EQ(host.lists[0].items.size(), 2u);
    const bool bFirst = host.lists[0].items[0].rfind("b.txt", 0) == 0;
    EXPECT_EQ(projectText(), bFirst ? a : b);
    // The other one waits for later.
    EXPECT_TRUE(fs::exists(bFirst ? pb : pa));
    host.lists.clear();
    editor.mnuRecover_Click();  // cancelled
    ASSERT_EQ(host.lists.size(), 1u);
    EXPECT_EQ(host.lists[0].items.size(), 1u);
}

TEST_F(RecoveryTest, ARecoveredProjectWhoseMovieIsGoneChangesNothingAndStays) {
    const std::string text = "\"MovaluxMovieFile96320\"\r\n\"" + (dir / "gone.avi").string() +
                             "\"\r\n0,39,0,39\r\n60\r\n1,106,1,1,8,8,16,\"0\"\r\n";
    const std::string path = leaveProject(text, "/p.txt");
    editor.enableAutosave(folder);
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueAnswer(msgbox::kAnswerNo);  // do not search for the movie
    editor.offerRecovery();
    EXPECT_EQ(editor.MvOpen, kFalse);
    EXPECT_EQ(editor.EdFName, "");
    EXPECT_TRUE(fs::exists(path));
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_NE(host.messages[2].text.find("gone.avi"), std::string::npos);
    // Offered again at the next look.
    host.queueListAnswer(-1);
    editor.mnuRecover_Click();
    EXPECT_EQ(host.lists.back().items.size(), 1u);
}

TEST_F(RecoveryTest, OpeningARecoveredProjectOverUnsavedWorkAsksFirst) {
    const std::string text = "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                             "\"\r\n0,39,0,39\r\n60\r\n1,106,1,1,8,8,16,\"0\"\r\n";
    leaveProject(text, "/p.txt");
    openWithAutosave();
    change(3);
    host.queueListAnswer(0);
    host.queueAnswer(msgbox::kAnswerCancel);
    editor.mnuRecover_Click();
    EXPECT_EQ(host.messages.back().text, "現在の編集ファイルは保存していません。保存しますか？");
    EXPECT_EQ(editor.EdFName, (dir / "project.txt").string());
    EXPECT_EQ(editor.EffArr.at(0, 1).Kind, 0);
}

TEST_F(RecoveryTest, WithNothingToRecoverTheMenuSaysSo) {
    editor.enableAutosave(folder);
    editor.offerRecovery();
    EXPECT_TRUE(host.messages.empty()) << "the start asks nothing";
    editor.mnuRecover_Click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "復元できる作業はありません");
    EXPECT_TRUE(host.lists.empty());
}

}  // namespace
}  // namespace movalux::test
