// Recovery in the window: the offer at start, "復元..." under ファイル with its
// list, and the timer that writes the unsaved project.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QListView>
#include <QTest>
#include <filesystem>

#include "ModalDriver.h"
#include "editfile/RecoveryStore.h"
#include "editor/Editor.h"
#include "shell/Form1.h"
#include "shell/PictureBox.h"
#include "support/CliRunner.h"

namespace movalux::test {
namespace {

namespace fs = std::filesystem;
using shell::Form1;

QString u(const char* s) {
    return QString::fromUtf8(s);
}

class RecoveryWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir("recovery-window");
        const CliResult made = runCli({"testmovie", dir_->path("clip.avi"), "--size", "160x120",
                                       "--fps", "10", "--frames", "20"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        folder = dir_->path(std::string("recovery-") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { fs::remove_all(folder); }

    // A project that an editor left when it ended without closing it.
    void leaveProject() {
        RecoveryStore gone(folder);
        const std::string text = "\"MovaluxMovieFile96320\"\r\n\"" + dir_->path("clip.avi") +
                                 "\"\r\n0,19,0,19\r\n60\r\n3,206,10,10,40,30,8,\"0\"\r\n";
        ASSERT_TRUE(
            gone.write(text, RecoveryInfo{dir_->path("left.txt"), "", dir_->path("clip.avi"), 0}));
    }
    size_t recoveryTexts() const {
        size_t n = 0;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            n += e.path().extension() == ".txt" && e.path().filename().string()[0] != '.';
        return n;
    }
    // Picks row `row` of the next list and accepts it.
    void chooseRow(int row) {
        modal.handle([this, row](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (dialog == nullptr || dialog->objectName() != "ChooseFromList") return false;
            listTitles.push_back(dialog->windowTitle().toStdString());
            auto* view = dialog->findChild<QListView*>();
            if (view == nullptr) return false;
            for (int i = 0; i < view->model()->rowCount(); ++i)
                listItems.push_back(view->model()->index(i, 0).data().toString().toStdString());
            view->setCurrentIndex(view->model()->index(row, 0));
            QMetaObject::invokeMethod(dialog, "accept");
            return true;
        });
    }
    void start() {
        form.Form_Load({});
        form.show();
        QApplication::processEvents();
    }
    // Waits for the modal driver to have answered everything queued.
    void settle() {
        for (int i = 0; i < 200 && !modal.idle(); ++i) QTest::qWait(10);
    }

    static TempDir* dir_;
    std::string folder;
    std::vector<std::string> listTitles, listItems;
    ModalDriver modal;
    Form1 form;
};

TempDir* RecoveryWindowTest::dir_ = nullptr;

TEST_F(RecoveryWindowTest, NoAtStartKeepsItAndTheFileMenuListsAndOpensIt) {
    leaveProject();
    form.enableRecovery(folder);
    start();
    modal.clickButton(u("いいえ"));
    form.offerRecovery();
    ASSERT_EQ(modal.seenTexts.size(), 1u);
    EXPECT_EQ(modal.seenTexts[0], "前回終了時に保存されていない作業があります。復元しますか？");
    EXPECT_EQ(modal.seenButtons, (std::vector<std::string>{"はい", "いいえ"}));
    EXPECT_EQ(form.editor().MvOpen, kFalse);
    EXPECT_EQ(recoveryTexts(), 1u);

    ASSERT_TRUE(form.mnuRecover->isEnabled());
    chooseRow(0);
    form.mnuRecover->trigger();
    settle();
    ASSERT_EQ(listItems.size(), 1u);
    EXPECT_EQ(listTitles[0], "復元");
    EXPECT_EQ(listItems[0].rfind("left.txt（clip.avi）", 0), 0u) << listItems[0];
    Editor& e = form.editor();
    ASSERT_EQ(e.MvOpen, kTrue);
    EXPECT_EQ(e.EffArr.at(2, 3).Kind, 6);
    EXPECT_EQ(e.EdFName, dir_->path("left.txt"));
    EXPECT_EQ(e.EdSaved, kFalse);
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_EQ(modal.unexpected, 0);

    // Closing without saving lets it go.
    modal.clickButton(u("いいえ"));
    EXPECT_TRUE(form.close());
    EXPECT_EQ(recoveryTexts(), 0u);
}

TEST_F(RecoveryWindowTest, YesAtStartOpensIt) {
    leaveProject();
    form.enableRecovery(folder);
    start();
    modal.clickButton(u("はい"));
    form.offerRecovery();
    EXPECT_EQ(form.editor().MvOpen, kTrue);
    EXPECT_EQ(form.editor().EffArr.at(2, 3).Kind, 6);
    EXPECT_EQ(form.editor().EdSaved, kFalse);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(RecoveryWindowTest, TheTimerWritesTheUnsavedProject) {
    // Every change due at once, so the test need not wait two minutes.
    form.enableRecovery(folder, AutosavePolicy{0, 1});
    start();
    form.offerRecovery();  // nothing to offer: no box
    Editor& e = form.editor();
    e.setMovieNames(dir_->path("clip.avi"));
    ASSERT_TRUE(e.openMovieAndReport());
    e.CurFlame = 4;
    e.KoukaSel = kouka::kMosaic;
    e.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.0f);
    e.mnuAll_Click();
    ASSERT_EQ(e.EdSaved, kFalse);
    for (int i = 0; i < 300 && recoveryTexts() == 0; ++i) QTest::qWait(10);
    EXPECT_EQ(recoveryTexts(), 1u);
    EXPECT_EQ(modal.unexpected, 0);
}

}  // namespace
}  // namespace movalux::test
