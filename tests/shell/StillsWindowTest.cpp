// The window's still-picture menus: one frame and a numbered run saved
// through the save dialog, and a movie built from pictures through the two
// open dialogs and Form2.

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>

#include "ModalDriver.h"
#include "editor/Editor.h"
#include "effects/Surface.h"
#include "media/MovieSource.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"
#include "shell/Form1.h"
#include "support/CliRunner.h"

namespace movalux::test {
namespace {

namespace fs = std::filesystem;
using shell::Form1;

QString u(const std::string& s) {
    return QString::fromStdString(s);
}

class StillsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        const CliResult made =
            runCli({"testmovie", dir.path("clip.avi"), "--size", "160x120", "--frames", "12"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    // Answers Form2 with `rate` typed, recording what it showed.
    void answerForm2(const QString& rate, bool ok) {
        modal.handle([this, rate, ok](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (dialog == nullptr || dialog->objectName() != "Form2") return false;
            form2Title = dialog->windowTitle().toStdString();
            form2Label = dialog->findChild<QLabel*>("Label1")->text().toStdString();
            auto* text = dialog->findChild<QLineEdit*>("Text1");
            form2Preset = text->text().toStdString();
            okCaption = dialog->findChild<QPushButton*>("Command1")->text().toStdString();
            cancelCaption = dialog->findChild<QPushButton*>("Command2")->text().toStdString();
            text->setText(rate);
            dialog->findChild<QPushButton*>(ok ? "Command1" : "Command2")->click();
            return true;
        });
    }

    TempDir dir{"shell-stills"};
    ModalDriver modal;
    Form1 form;
    std::string form2Title, form2Label, form2Preset, okCaption, cancelCaption;
};

TEST_F(StillsWindowTest, AMovieIsBuiltFromPicturesThroughForm2WithoutAMovieOpen) {
    for (int n = 7; n <= 10; ++n) {
        Surface s(96, 64);
        drawTestFrame(s, n);
        ASSERT_TRUE(writeStillImage(
            s, dir.path("pic0" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".png")));
    }
    form.Form_Load({});
    form.show();
    EXPECT_TRUE(form.MnuMakeMV->isEnabled());
    EXPECT_FALSE(form.MnuPicSave->isEnabled());
    EXPECT_FALSE(form.MnuPPPSave->isEnabled());

    // Cancelled in Form2: nothing is written.
    modal.choosePath(u(dir.path("pic007.png")));
    modal.choosePath(u(dir.path("pic010.png")));
    answerForm2("10", false);
    form.MnuMakeMV->trigger();
    EXPECT_FALSE(fs::exists(dir.path("pic.avi")));
    EXPECT_EQ(form2Title, "AVIファイルを作成します");
    EXPECT_EQ(form2Label, "4枚の画像をAVIファイルに保存します");
    EXPECT_EQ(form2Preset, "30");
    EXPECT_EQ(okCaption, "OK");
    EXPECT_EQ(cancelCaption, "キャンセル");
    ASSERT_EQ(modal.dialogTitles.size(), 2u);
    EXPECT_EQ(modal.dialogTitles[0], "1枚目の画像を開く");
    EXPECT_EQ(modal.dialogTitles[1], "最後の画像を開く");

    modal.choosePath(u(dir.path("pic007.png")));
    modal.choosePath(u(dir.path("pic010.png")));
    answerForm2("12", true);
    form.MnuMakeMV->trigger();
    auto movie = MovieSource::open(dir.path("pic.avi"));
    ASSERT_TRUE(movie) << movie.error();
    EXPECT_DOUBLE_EQ((*movie)->info().frameRate, 12.0);
    EXPECT_EQ((*movie)->info().frameCount, 4);
    // The last picture stays on screen; the pause button is off again.
    EXPECT_EQ(readTestFrameNumber(form.editor().PictMain()), 10);
    EXPECT_FALSE(form.ComStp->isEnabled());
    EXPECT_TRUE(form.editor().Idle);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(StillsWindowTest, OneFrameAndTheMarkedRangeAreSavedFromTheMenus) {
    form.Form_Load({dir.path("clip.avi")});
    form.show();
    ASSERT_EQ(form.editor().MvOpen, kTrue);
    EXPECT_TRUE(form.MnuPicSave->isEnabled());
    EXPECT_TRUE(form.MnuPPPSave->isEnabled());

    modal.choosePath(u(dir.path("one.png")));
    form.MnuPicSave->trigger();
    auto one = readStillImage(dir.path("one.png"));
    ASSERT_TRUE(one) << one.error();
    EXPECT_EQ(readTestFrameNumber(*one), 0);
    ASSERT_EQ(modal.dialogFilters.size(), 1u);
    EXPECT_NE(modal.dialogFilters[0].find("(*.png)"), std::string::npos) << modal.dialogFilters[0];

    form.editor().STFlame = 2;
    form.editor().ENDFlame = 4;
    modal.clickButton(QString::fromUtf8("はい"));
    modal.choosePath(u(dir.path("run.bmp")));
    form.MnuPPPSave->trigger();
    ASSERT_EQ(modal.seenTexts.size(), 1u);
    EXPECT_EQ(modal.seenTexts[0], "2～4のコマを連続して保存します");
    for (int f = 2; f <= 4; ++f) {
        auto back = readStillImage(dir.path("run00" + std::to_string(f) + ".bmp"));
        ASSERT_TRUE(back) << f;
        EXPECT_EQ(readTestFrameNumber(*back), f);
    }
    EXPECT_EQ(form.editor().CurFlame, 4);
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_FALSE(form.ProgBar1->isVisible());
    EXPECT_EQ(modal.unexpected, 0);
}

}  // namespace
}  // namespace movalux::test
