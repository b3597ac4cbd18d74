// The window's playing and writing: the transport buttons and keys, the
// pause button reaching a running loop, real-time playback without a sound
// output, the writing menus with the compressor dialog and the progress
// bar, and the frame-rate adjustment dialog.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "ModalDriver.h"
#include "editor/Editor.h"
#include "media/MovieSource.h"
#include "shell/Form1.h"
#include "shell/QtHost.h"
#include "support/CliRunner.h"

namespace movalux::test {
namespace {

namespace fs = std::filesystem;
using shell::Form1;

QString u(const char* s) {
    return QString::fromUtf8(s);
}

class PlaybackWriteTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir("shell-play");
        const CliResult made = runCli({"testmovie", dir_->path("clip.avi"), "--size", "160x120",
                                       "--fps", "10", "--frames", "40", "--sound"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void start() {
        form.Form_Load({dir_->path("clip.avi")});
        form.show();
        QApplication::processEvents();
        ASSERT_EQ(editor().MvOpen, kTrue);
    }
    Editor& editor() { return form.editor(); }
    void chooseSpeed(QComboBox* combo, const char* text) {
        combo->setCurrentText(u(text));
        emit combo->textActivated(u(text));
    }
    // Runs `during` once the loop started by `begin` has run for `afterMs`.
    void whileRunning(int afterMs, const std::function<void()>& during,
                      const std::function<void()>& begin) {
        bool ran = false;
        QTimer::singleShot(afterMs, &form, [&] {
            ran = true;
            during();
        });
        begin();
        // The loop may have ended by itself before the timer: give it its
        // turn so that the test's checks do not pass unseen.
        QTest::qWait(afterMs + 50);
        EXPECT_TRUE(ran);
    }
    QWidget* keyTarget() {
        QWidget* w = QApplication::focusWidget();
        return w != nullptr ? w : &form;
    }
    QColor labelTimeColour() const { return form.LabelTime->palette().color(QPalette::Window); }

    static TempDir* dir_;
    ModalDriver modal;
    Form1 form;
};

TempDir* PlaybackWriteTest::dir_ = nullptr;

TEST_F(PlaybackWriteTest, WritingAndPlayingControlsFollowTheEnableLists) {
    form.Form_Load({});
    form.show();
    for (QWidget* w : std::initializer_list<QWidget*>{form.ComPlay, form.ComBack, form.ComStp,
                                                      form.ComRec})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(form.menuRec1->menuAction()->isEnabled());
    EXPECT_FALSE(form.MnuChangeMV->isEnabled());
    // Not in the lists: always there.
    EXPECT_TRUE(form.mnuPlay->isEnabled());
    EXPECT_TRUE(form.menuZure->isEnabled());
    // Without a movie the real-time playback does nothing at all.
    form.mnuPlay->trigger();
    EXPECT_TRUE(editor().Idle);

    form.close();
    Form1 second;
    second.Form_Load({dir_->path("clip.avi")});
    for (QWidget* w : std::initializer_list<QWidget*>{second.ComPlay, second.ComBack,
                                                      second.ComStp, second.ComRec})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(second.menuRec1->menuAction()->isEnabled());
    for (QAction* a : {second.menuRec, second.menuRecM, second.menuRecS, second.MnuChangeMV,
                       second.MnuPicSave, second.MnuPPPSave})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, PlayButtonPlaysToTheEndAndThePriorityMenusReachTheEditor) {
    start();
    form.mnuFrameY->trigger();
    EXPECT_FALSE(editor().TimeYusenMenu);
    EXPECT_TRUE(form.mnuFrameY->isChecked());
    EXPECT_FALSE(form.mnuTimeY->isChecked());
    chooseSpeed(form.Combo4, "1000");
    EXPECT_DOUBLE_EQ(editor().PlaySpeed, 10.0);
    EXPECT_TRUE(editor().TimeYusen);  // above speed 1 time always has priority
    form.mnuTimeY->trigger();
    EXPECT_TRUE(form.mnuTimeY->isChecked());
    EXPECT_FALSE(form.mnuFrameY->isChecked());
    // 40 frames at 10 a second, ten times as fast: about 0.4 s.
    form.ComPlay->click();
    EXPECT_EQ(editor().CurFlame, 39);
    EXPECT_TRUE(editor().Idle);
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_EQ(form.TextPos->text(), u("39"));
    // F8 plays backwards to the start of the range.
    QTest::keyClick(keyTarget(), Qt::Key_F8);
    EXPECT_EQ(editor().CurFlame, 0);
    EXPECT_EQ(editor().PlayDirection, -1);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, PauseStopsPlaybackAndTheWheelDoesNothingMeanwhile) {
    start();
    chooseSpeed(form.Combo4, "10");  // one frame a second
    bool playEnabled = true;
    int32_t beforeWheel = -1, afterWheel = -2;
    whileRunning(
        600,
        [&] {
            playEnabled = form.ComPlay->isEnabled();
            beforeWheel = editor().CurFlame;
            QWheelEvent wheel(QPointF(10, 10), form.mapToGlobal(QPointF(10, 10)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(&form, &wheel);
            afterWheel = editor().CurFlame;
            // A second play command inside the loop is refused.
            QTest::keyClick(keyTarget(), Qt::Key_F11);
            QTest::keyClick(keyTarget(), Qt::Key_F9);
        },
        [&] { QTest::keyClick(keyTarget(), Qt::Key_F11); });
    EXPECT_FALSE(playEnabled);
    EXPECT_EQ(beforeWheel, afterWheel);
    EXPECT_TRUE(editor().Idle);
    EXPECT_LE(editor().CurFlame, 2);
    EXPECT_TRUE(form.ComPlay->isEnabled());
    // With the loop over, the wheel moves the frame again.
    const int32_t now = editor().CurFlame;
    QWheelEvent wheel(QPointF(10, 10), form.mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&form, &wheel);
    EXPECT_EQ(editor().CurFlame, now + 1);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, RealTimePlaybackWithoutASoundOutputPlaysSilentlyAndPauses) {
    start();
    editor().CurFlame = 5;
    chooseSpeed(form.Combo4, "100");
    const QColor face = labelTimeColour();
    bool soundPlaying = true;
    QColor during;
    QString status;
    int32_t reached = -1;
    whileRunning(
        800,
        [&] {
            soundPlaying = form.host().soundPlaying();
            during = labelTimeColour();
            status = form.StatusText->text();
            reached = editor().CurFlame;
            form.ComStp->click();
        },
        [&] { form.mnuPlay->trigger(); });
    EXPECT_EQ(during, QColor(0x80, 0x80, 0xFF));  // light blue while playing
    if (!soundPlaying) {
        EXPECT_EQ(status, u("音声出力がありません（音なしで再生します）"));
    }
    // About 0.8 s at 10 frames a second from frame 5.
    EXPECT_GE(reached, 9);
    EXPECT_LE(reached, 16);
    EXPECT_EQ(editor().CurFlame, reached);
    EXPECT_TRUE(editor().Idle);
    EXPECT_TRUE(editor().PreviewOn);
    EXPECT_EQ(labelTimeColour(), face);
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_EQ(form.TextPos->text(), QString::number(reached));
    EXPECT_FALSE(form.host().soundPlaying());

    // A speed that cannot be played says so.
    modal.clickButton("OK");
    chooseSpeed(form.Combo4, "5000");
    form.mnuPlay->trigger();
    ASSERT_EQ(modal.seenTexts.size(), 1u);
    EXPECT_EQ(modal.seenTexts[0], "この速度では再生できません");
    EXPECT_EQ(editor().CurFlame, reached);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, ClosingTheWindowWhilePlayingStopsThePlayAndCloses) {
    start();
    chooseSpeed(form.Combo4, "10");
    whileRunning(300, [&] { form.close(); }, [&] { form.ComPlay->click(); });
    QTest::qWait(50);
    EXPECT_TRUE(editor().Idle);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, VideoOnlyWriteAsksForTheCompressorAndShowsProgress) {
    start();
    const std::string out = dir_->path("written.avi");
    modal.choosePath(QString::fromStdString(out));
    std::vector<std::string> offered;
    std::string title;
    modal.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog == nullptr || dialog->objectName() != "CompressorDialog") return false;
        title = dialog->windowTitle().toStdString();
        auto* list = dialog->findChild<QComboBox*>("CompressorList");
        for (int i = 0; i < list->count(); ++i)
            offered.push_back(list->itemData(i).toString().toStdString());
        list->setCurrentIndex(list->findData(QStringLiteral("mpeg4")));
        dialog->findChild<QSpinBox*>("CompressorKeyInterval")->setValue(5);
        dialog->accept();
        return true;
    });
    int progressSeen = 0, disagreeing = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.ProgBar1->isVisible()) return;
        ++progressSeen;
        // The text and the bar show the same fraction.
        const QString text = form.StatusText->text();
        if (!text.contains(QStringLiteral("（%1%）").arg(form.ProgBar1->value()))) ++disagreeing;
    });
    watch.start(1);
    chooseSpeed(form.Combo2, "50");
    form.menuRecM->trigger();
    watch.stop();
    EXPECT_EQ(title, "圧縮の指定");
    EXPECT_NE(std::find(offered.begin(), offered.end(), "mpeg4"), offered.end());
    ASSERT_TRUE(fs::exists(out));
    auto movie = MovieSource::open(out);
    ASSERT_TRUE(movie) << movie.error();
    EXPECT_EQ((*movie)->info().codecName, "mpeg4");
    EXPECT_FALSE((*movie)->info().hasSound);  // video only
    EXPECT_EQ((*movie)->info().frameCount, 80);  // every frame twice at 50 %
    EXPECT_GT(progressSeen, 0);
    EXPECT_EQ(disagreeing, 0);
    EXPECT_FALSE(form.ProgBar1->isVisible());
    // The status line says it is done, how much, how long and where.
    const QString said = form.StatusText->text();
    EXPECT_TRUE(said.startsWith(QString::fromUtf8("書き出しが完了しました（80 フレーム、")))
        << said.toStdString();
    EXPECT_TRUE(said.endsWith(QString::fromUtf8(" 秒）: ") + QString::fromStdString(out)))
        << said.toStdString();
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_TRUE(form.CheckPreVew->isChecked());
    EXPECT_EQ(form.host().pointer(), 0);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, CancellingTheCompressorWritesNothingAndEnablesTheControls) {
    start();
    const std::string out = dir_->path("cancelled.avi");
    modal.choosePath(QString::fromStdString(out));
    modal.handle([](QWidget* w) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog == nullptr || dialog->objectName() != "CompressorDialog") return false;
        dialog->reject();
        return true;
    });
    form.ComRec->click();
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(form.ComRec->isEnabled());
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, PauseButtonEndsAWriteWithAValidShorterMovie) {
    start();
    const std::string out = dir_->path("paused.avi");
    modal.choosePath(QString::fromStdString(out));
    modal.handle([](QWidget* w) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog == nullptr) return false;
        dialog->accept();
        return true;
    });
    // "静止": every frame ten times, 400 pictures in all.
    chooseSpeed(form.Combo2, "静止");
    bool stpEnabled = false, playEnabled = true;
    // Paused as soon as the first pictures are written.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.ProgBar1->isVisible() || editor().Idle) return;
        watch.stop();
        stpEnabled = form.ComStp->isEnabled();
        playEnabled = form.ComPlay->isEnabled();
        form.ComStp->click();
    });
    watch.start(1);
    form.menuRec->trigger();
    watch.stop();
    EXPECT_TRUE(stpEnabled);
    EXPECT_FALSE(playEnabled);
    EXPECT_GT(editor().RecFramesWritten, 0);
    EXPECT_LT(editor().RecFramesWritten, 400);
    auto movie = MovieSource::open(out);
    ASSERT_TRUE(movie) << movie.error();
    EXPECT_EQ((*movie)->info().frameCount, editor().RecFramesWritten);
    EXPECT_EQ(form.StatusText->text(),
              QString::fromUtf8("書き出しを一時停止しました（%1 / 400 フレーム）: %2")
                  .arg(editor().RecFramesWritten)
                  .arg(QString::fromStdString(out)));
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, SoundOnlyAndConversionMenusWriteTheirFiles) {
    start();
    const std::string wav = dir_->path("sound.wav");
    modal.choosePath(QString::fromStdString(wav));
    form.menuRecS->trigger();
    ASSERT_TRUE(fs::exists(wav));
    EXPECT_GT(fs::file_size(wav), 1000u);
    const std::string converted = dir_->path("converted.avi");
    modal.clickButton(u("はい"));
    modal.choosePath(QString::fromStdString(converted));
    form.MnuChangeMV->trigger();
    ASSERT_TRUE(fs::exists(converted));
    auto movie = MovieSource::open(converted);
    ASSERT_TRUE(movie) << movie.error();
    EXPECT_TRUE((*movie)->info().hasSound);
    EXPECT_FALSE(form.ProgBar1->isVisible());
    EXPECT_TRUE(form.MnuChangeMV->isEnabled());
    ASSERT_FALSE(modal.seenTexts.empty());
    EXPECT_EQ(modal.seenTexts.back(),
              "ファイルサイズが10倍以上になります。無圧縮ムービーに変換しますか？");
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(PlaybackWriteTest, AdjustmentDialogRefusesOutOfRangeValuesAndAppliesTheRest) {
    start();
    const double rate = editor().FrameRate;
    std::string shown;
    modal.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog == nullptr || dialog->objectName() != "AdjV") return false;
        auto* text = dialog->findChild<QLineEdit*>("AdjVText");
        shown = text->text().toStdString();
        EXPECT_EQ(dialog->findChild<QCheckBox*>("AdjVChk")->text(), u("書出しのみ適用"));
        text->setText("101");
        dialog->findChild<QPushButton*>("AdjVComd")->click();  // refused: stays open
        EXPECT_TRUE(dialog->isVisible());
        text->setText("100");
        dialog->findChild<QPushButton*>("AdjVComd")->click();
        return true;
    });
    modal.clickButton("OK");
    form.menuZure->trigger();
    EXPECT_EQ(shown, "0");
    ASSERT_EQ(modal.seenTexts.size(), 1u);
    EXPECT_EQ(modal.seenTexts[0], "ずれ調整値は-100～100の範囲内にしてください");
    EXPECT_NEAR(editor().FrameRate, rate + 0.2997, 1e-9);
    EXPECT_DOUBLE_EQ(editor().AdjVValue, 100);
    EXPECT_EQ(modal.unexpected, 0);
}

}  // namespace
}  // namespace movalux::test
