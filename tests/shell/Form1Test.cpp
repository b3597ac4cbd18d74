// The editor window driven as a user drives it: menus, buttons, mouse on the
// pictures and strips, keys, and the boxes and dialogs it opens.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "ModalDriver.h"
#include "editor/Editor.h"
#include "effects/Surface.h"
#include "shell/CheckDialog.h"
#include "shell/Form1.h"
#include "shell/PictureBox.h"
#include "shell/StripPainter.h"
#include "support/CliRunner.h"
#include "support/FfmpegReference.h"

namespace movalux::test {
namespace {

using shell::Form1;
using shell::PictureBox;

QString u(const char* s) {
    return QString::fromUtf8(s);
}

// "caption" for an item, "-" for a separator, "caption>" for a sub-menu.
std::vector<std::string> menuLayout(const QMenu* menu) {
    std::vector<std::string> out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            out.push_back("-");
        else
            out.push_back(a->text().toStdString() + (a->menu() != nullptr ? ">" : ""));
    }
    return out;
}

class Form1Test : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir("shell");
        const CliResult made = runCli({"testmovie", dir_->path("clip.avi"), "--size", "160x120",
                                       "--fps", "10", "--frames", "40"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string moviePath() { return dir_->path("clip.avi"); }

    void start(const std::vector<std::string>& arguments) {
        form.Form_Load(arguments);
        form.show();
        QApplication::processEvents();
    }
    Editor& editor() { return form.editor(); }

    static QPoint at(double x, double y) {
        return QPoint(static_cast<int>(x) + PictureBox::kBorder,
                      static_cast<int>(y) + PictureBox::kBorder);
    }
    // A press, a drag with the button held and a release on PictMain.
    void drawRegion(QPoint from, QPoint to) {
        QTest::mousePress(form.PictMain, Qt::LeftButton, Qt::NoModifier, at(from.x(), from.y()));
        for (int i = 1; i <= 4; ++i) {
            const QPoint p =
                at(from.x() + (to.x() - from.x()) * i / 4, from.y() + (to.y() - from.y()) * i / 4);
            QMouseEvent move(QEvent::MouseMove, p, form.PictMain->mapToGlobal(p), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form.PictMain, &move);
        }
        QTest::mouseRelease(form.PictMain, Qt::LeftButton, Qt::NoModifier, at(to.x(), to.y()));
    }
    // A click on row i of the timeline page in layer column c.
    void clickTimeline(int row, int column = 0) {
        const double y = static_cast<double>(Form1::kStripHeight) / 60.0 * row + 4;
        QTest::mouseClick(form.PictTLine, Qt::LeftButton, Qt::NoModifier, at(22 * column + 5, y));
    }
    QWidget* keyTarget() {
        QWidget* w = QApplication::focusWidget();
        return w != nullptr ? w : &form;
    }
    void shiftDown() { QTest::keyPress(keyTarget(), Qt::Key_Shift); }
    void shiftUp() { QTest::keyRelease(keyTarget(), Qt::Key_Shift); }
    void chooseEffect(const char* name) {
        const int index = form.Combo3->findText(u(name));
        ASSERT_GE(index, 0);
        form.Combo3->setCurrentIndex(index);
        emit form.Combo3->textActivated(u(name));
    }
    QColor timelineCell(int row, int column) {
        const int y =
            static_cast<int>(std::lround(static_cast<double>(Form1::kStripHeight) / 60.0 * row)) +
            2;
        return form.PictTLine->picture().pixelColor(22 * column + 10, y);
    }

    static TempDir* dir_;
    ModalDriver modal;
    Form1 form;
};

TempDir* Form1Test::dir_ = nullptr;

TEST_F(Form1Test, StartsWithMenusInOrderAndMovieControlsDisabled) {
    start({});
    std::vector<std::string> top;
    for (QAction* a : form.menuBar()->actions()) top.push_back(a->text().toStdString());
    EXPECT_EQ(top, (std::vector<std::string>{"ファイル", "編集", "再生", "効果", "レイヤー", "表示",
                                             "ヘルプ"}));
    EXPECT_EQ(menuLayout(form.mnuFile),
              (std::vector<std::string>{
                  "ムービーを開く", "-", "編集ファイルを開く", "編集ファイルを保存", "復元...", "-",
                  "ムービーの書き出し>", "ムービーの解放", "-", "画像の保存(１コマ)",
                  "画像の保存(連続)", "-", "画像から動画作成", "ムービー変換", "-", "終了"}));
    EXPECT_EQ(menuLayout(form.menuRec1),
              (std::vector<std::string>{"映像+音", "映像のみ", "音のみ(wav)"}));
    EXPECT_EQ(
        menuLayout(form.menuEdit),
        (std::vector<std::string>{"効果の取消", "やり直し", "-", "開始フレーム", "終了フレーム",
                                  "-", "範囲の解除", "-", "効果の端（前）", "効果の端（後）"}));
    EXPECT_EQ(menuLayout(form.mnuPly), (std::vector<std::string>{"再生時間優先", "表示優先", "-",
                                                                 "再生(音付)", "-", "ずれ調整"}));
    EXPECT_EQ(menuLayout(form.mnuEff),
              (std::vector<std::string>{"効果の補間", "フェードイン", "フェードアウト", "-",
                                        "効果の削除", "-", "画面全体選択", "-", "透過色>", "-",
                                        "顔を探す", "ナンバーを探す", "隠し漏れ確認"}));
    EXPECT_EQ(menuLayout(form.mnuToukasyoku), (std::vector<std::string>{"設定", "なし"}));
    EXPECT_EQ(menuLayout(form.mnu_Lay),
              (std::vector<std::string>{"上へ（右）", "下へ（左）", "削除"}));
    EXPECT_EQ(menuLayout(form.menuHelp),
              (std::vector<std::string>{"ヒント", "-", "バージョン情報"}));

    // ComFdIn and ComFdOut are left to the mask's panel routine, which runs
    // after the controls were disabled and decides about them.
    for (const char* name :
         {"ComPlay", "ComFStep", "ComEnd", "ComStop", "ComBack", "ComBStep", "ComBegin", "ComStp",
          "BgnFlame", "EndFlame", "ComHokan", "ComRec", "LayLeft", "LayRight", "LayErase"}) {
        QWidget* w = form.findChild<QWidget*>(u(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_FALSE(w->isEnabled()) << name;
    }
    for (const char* name : {"mnuEdFileSaveAs", "mnuStFrame", "mnuEndFrame", "mnuHokan", "mnuFDin",
                             "mnuFDout", "mnuEfDelete", "mnuEfUndo", "MnuPicSave", "MnuPPPSave",
                             "menuRec1", "menuFree", "mnu_Lay", "MnuChangeMV"}) {
        QAction* a = form.findChild<QAction*>(u(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->isEnabled()) << name;
    }
    EXPECT_TRUE(form.mnuOpen->isEnabled());
    EXPECT_TRUE(form.mnuEdFileOpen->isEnabled());
    EXPECT_FLOAT_EQ(editor().PanelScale, 1.0f);

    std::vector<std::string> effects, speeds, recSpeeds;
    for (int i = 0; i < form.Combo3->count(); ++i)
        effects.push_back(form.Combo3->itemText(i).toStdString());
    for (int i = 0; i < form.Combo4->count(); ++i)
        speeds.push_back(form.Combo4->itemText(i).toStdString());
    for (int i = 0; i < form.Combo2->count(); ++i)
        recSpeeds.push_back(form.Combo2->itemText(i).toStdString());
    EXPECT_EQ(effects,
              (std::vector<std::string>{"マスク", "矢印", "画像", "画像2", "拡大", "モザイク",
                                        "反転", "ぼかし", "色調", "明るさ", "ムービー"}));
    const std::vector<std::string> eleven{"10",  "20",  "30",  "50",  "75",  "100",
                                          "150", "200", "300", "500", "1000"};
    EXPECT_EQ(speeds, eleven);
    ASSERT_EQ(recSpeeds.size(), 12u);
    EXPECT_EQ(recSpeeds.front(), "静止");
    EXPECT_EQ(std::vector<std::string>(recSpeeds.begin() + 1, recSpeeds.end()), eleven);
    EXPECT_EQ(form.Combo4->currentText(), "100");
    EXPECT_EQ(form.Combo2->currentText(), "100");
    EXPECT_EQ(form.Option1->text(), u("選択内"));
    EXPECT_EQ(form.Option2->text(), u("全体"));
    EXPECT_EQ(form.Option7->text(), u("正転"));
    EXPECT_EQ(form.Option8->text(), u("逆転"));
    EXPECT_EQ(form.LayErase->text(), u("ﾚｲﾔｰ削除"));
    EXPECT_EQ(form.LayRight->text(), u("→"));
    EXPECT_EQ(form.LayLeft->text(), u("←"));
    // The mask's panel is up.
    EXPECT_EQ(form.Frame5->title(), u("形状"));
    EXPECT_EQ(form.Option3->text(), u("楕円"));
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, EveryTooltipIsSetAtStartAndTheHintMenuTogglesThem) {
    start({});
    // The classic 38 and the follow button's.
    ASSERT_EQ(Form1::toolTipTable().size(), 39u);
    for (const auto& [name, tip] : Form1::toolTipTable()) {
        QWidget* w = form.findChild<QWidget*>(u(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->toolTip(), u(tip)) << name;
    }
    EXPECT_TRUE(form.menuToolTip->isChecked());
    form.menuToolTip->trigger();
    EXPECT_FALSE(form.menuToolTip->isChecked());
    for (const auto& entry : Form1::toolTipTable())
        EXPECT_TRUE(form.findChild<QWidget*>(u(entry.first))->toolTip().isEmpty()) << entry.first;
    form.menuToolTip->trigger();
    EXPECT_EQ(form.PictTLine->toolTip(), u("効果の状態"));
    EXPECT_TRUE(form.menuToolTip->isChecked());
}

TEST_F(Form1Test, CommandLineMovieOpensAndEnablesTheControls) {
    start({moviePath()});
    ASSERT_EQ(editor().MvOpen, kTrue);
    EXPECT_EQ(editor().PictMain().width(), 160);
    EXPECT_EQ(form.PictMain->width(), 160 + 2 * PictureBox::kBorder);
    EXPECT_EQ(form.Label21->text(), u("clip.avi"));
    EXPECT_EQ(form.TextPos->text(), u("0"));
    EXPECT_EQ(form.Label18->text(), u("39"));
    for (const char* name :
         {"ComFStep", "ComEnd", "ComBegin", "ComBStep", "ComHokan", "LayErase", "BgnFlame"})
        EXPECT_TRUE(form.findChild<QWidget*>(u(name))->isEnabled()) << name;
    EXPECT_TRUE(form.mnuEfUndo->isEnabled());
    EXPECT_TRUE(form.mnu_Lay->menuAction()->isEnabled());
    EXPECT_TRUE(form.ComPlay->isEnabled());
    EXPECT_TRUE(form.menuRec1->menuAction()->isEnabled());
    // F5 steps, F7 jumps to the end, F2 back to the start.
    QTest::keyClick(keyTarget(), Qt::Key_F5);
    EXPECT_EQ(editor().CurFlame, 1);
    EXPECT_EQ(form.TextPos->text(), u("1"));
    QTest::keyClick(keyTarget(), Qt::Key_F7);
    EXPECT_EQ(editor().CurFlame, 39);
    QTest::keyClick(keyTarget(), Qt::Key_F2);
    EXPECT_EQ(editor().CurFlame, 0);
    // Typing a frame number and Enter jumps there.
    form.TextPos->setText("25");
    QTest::keyClick(form.TextPos, Qt::Key_Return);
    EXPECT_EQ(editor().CurFlame, 25);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, WindowKeysActWhateverControlHasTheFocusAndGoNoFurther) {
    start({moviePath()});
    ASSERT_EQ(editor().MvOpen, kTrue);
    chooseEffect("モザイク");
    // Choosing an effect hands the keys back to the picture.
    EXPECT_EQ(form.focusWidget(), form.PictMain);
    // With the list focused anyway, F5 steps and F4 steps back; the list
    // neither opens nor changes.
    form.Combo3->setFocus();
    QTest::keyClick(form.Combo3, Qt::Key_F5);
    QTest::keyClick(form.Combo3, Qt::Key_F5);
    EXPECT_EQ(editor().CurFlame, 2);
    QTest::keyClick(form.Combo3, Qt::Key_F4);
    EXPECT_EQ(editor().CurFlame, 1);
    EXPECT_FALSE(form.Combo3->view()->isVisible());
    form.Combo3->hidePopup();
    EXPECT_EQ(form.Combo3->currentText(), u("モザイク"));
    // A key typed into a text box is acted on once, not again by the
    // parents it would travel through.
    QTest::keyClick(form.TextPos, Qt::Key_F5);
    EXPECT_EQ(editor().CurFlame, 2);
    QTest::keyClick(form.Frame1, Qt::Key_F7);
    EXPECT_EQ(editor().CurFlame, 39);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, ADragAtHalfSizeGivesTheRecordOfTheSameDragAtFullSize) {
    start({moviePath()});
    chooseEffect("モザイク");
    form.setViewChoice(1.0);
    EXPECT_EQ(form.PictMain->width(), 160 + 2 * PictureBox::kBorder);
    drawRegion(QPoint(20, 32), QPoint(100, 96));
    const EffRec full = editor().EffArr.at(0, 0);
    ASSERT_EQ(full.Kind, kouka::kMosaic);
    QTest::keyClick(keyTarget(), Qt::Key_F5);
    ASSERT_EQ(editor().CurFlame, 1);
    form.setViewChoice(0.5);
    EXPECT_EQ(form.PictMain->width(), 80 + 2 * PictureBox::kBorder);
    EXPECT_EQ(form.PictMain->height(), 60 + 2 * PictureBox::kBorder);
    // The same movie points, half as far from the corner on the screen.
    drawRegion(QPoint(10, 16), QPoint(50, 48));
    const EffRec half = editor().EffArr.at(0, 1);
    EXPECT_EQ(half, full);
    // A screen pixel maps to the movie pixel under its top-left corner.
    drawRegion(QPoint(11, 17), QPoint(51, 49));
    EXPECT_EQ(editor().EffArr.at(0, 1).X, 22);
    EXPECT_EQ(editor().EffArr.at(0, 1).Y, 34);
    // What is shown is the core's picture, reduced.
    const QImage shown = form.PictMain->grab().toImage();
    EXPECT_EQ(shown.width(), 80 + 2 * PictureBox::kBorder);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, LargeMoviesFitTheScreenWithEveryControlVisible) {
    const std::string hd = dir_->path("hd.avi"), uhd = dir_->path("uhd.avi");
    ASSERT_EQ(runCli({"testmovie", hd, "--size", "1920x1080", "--frames", "2"}).status, 0);
    ASSERT_EQ(runCli({"testmovie", uhd, "--size", "3840x2160", "--frames", "2"}).status, 0);
    // Laptop screens, less a panel.
    const QRect laptop(0, 0, 1366, 768 - 32), small(0, 0, 1280, 720 - 32);
    form.setScreenArea(laptop);
    start({hd});
    const std::vector<std::pair<QRect, std::string>> cases = {
        {laptop, hd}, {laptop, uhd}, {small, hd}, {small, uhd}};
    for (const auto& [area, movie] : cases) {
        SCOPED_TRACE(movie + " on " + std::to_string(area.width()) + "x" +
                     std::to_string(area.height()));
        if (movie == uhd || area == small) {
            form.setScreenArea(area);
            modal.choosePath(QString::fromStdString(movie));
            form.mnuOpen->trigger();
            QApplication::processEvents();
        }
        ASSERT_EQ(editor().MvOpen, kTrue);
        ASSERT_EQ(editor().MvFName, movie);
        EXPECT_LT(form.viewScale(), movie == hd ? 0.5 : 0.25);
        EXPECT_LE(form.frameGeometry().width(), area.width());
        EXPECT_LE(form.frameGeometry().height(), area.height());
        const QRect inside(QPoint(0, 0), form.size());
        for (QWidget* w : form.findChildren<QWidget*>()) {
            if (w->window() != &form || !w->isVisibleTo(&form) || w->objectName().isEmpty())
                continue;
            const QRect r(w->mapTo(&form, QPoint(0, 0)), w->size());
            EXPECT_TRUE(inside.contains(r)) << w->objectName().toStdString();
        }
        // The picture keeps its aspect.
        const double shownAspect =
            static_cast<double>(form.PictMain->width() - 4) / (form.PictMain->height() - 4);
        EXPECT_NEAR(shownAspect, 16.0 / 9.0, 0.02);
        // The records stay in movie pixels: the whole frame's region.
        EXPECT_EQ(editor().PictMain().width(), movie == hd ? 1920 : 3840);
    }
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, CtrlZUndoesAndCtrlYRedoesLikeTheMenus) {
    start({moviePath()});
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    chooseEffect("モザイク");
    drawRegion(QPoint(20, 20), QPoint(100, 80));
    ASSERT_EQ(editor().EffArr.at(0, 0).Kind, kouka::kMosaic);
    QTest::keyClick(keyTarget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor().EffArr.at(0, 0).Kind, 0);
    QTest::keyClick(keyTarget(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(editor().EffArr.at(0, 0).Kind, kouka::kMosaic);
    QTest::keyClick(keyTarget(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(keyTarget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor().EffArr.at(0, 0).Kind, kouka::kMosaic);
    // Ctrl let go: the fixed-size drag mode it holds ends.
    EXPECT_EQ(editor().FixSize, kFalse);
    EXPECT_EQ(form.mnuOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(form.mnuEdFileSaveAs->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(form.mnuEnd->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, FileDialogsStartInTheLastFolderUsed) {
    start({});
    const std::filesystem::path elsewhere = dir_->path("elsewhere");
    std::filesystem::create_directories(elsewhere);
    std::filesystem::copy_file(moviePath(), elsewhere / "copy.avi",
                               std::filesystem::copy_options::overwrite_existing);
    modal.choosePath(QString::fromStdString((elsewhere / "copy.avi").string()));
    form.mnuOpen->trigger();
    ASSERT_EQ(editor().MvOpen, kTrue);
    QString started;
    modal.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (dialog == nullptr) return false;
        started = dialog->directory().absolutePath();
        dialog->reject();
        return true;
    });
    form.mnuOpen->trigger();
    EXPECT_EQ(started.toStdString(), std::filesystem::canonical(elsewhere).string());
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, TheTimeRulerNumbersEveryTenthFrame) {
    start({moviePath()});
    const QImage& ruler = form.PicSL2Mj->picture();
    const auto inkInRow = [&](int row) {
        const double h = static_cast<double>(ruler.height()) / 60.0;
        int ink = 0;
        for (int y = static_cast<int>(row * h); y < static_cast<int>((row + 1) * h); ++y)
            for (int x = 0; x < ruler.width(); ++x)
                ink += QColor(ruler.pixel(x, y)).lightness() < 128;
        return ink;
    };
    // A 40-frame movie: 10, 20 and 30 are numbered, rows between are not.
    for (int row : {10, 20, 30}) EXPECT_GT(inkInRow(row), 5) << row;
    for (int row : {5, 15, 25, 35, 45}) EXPECT_EQ(inkInRow(row), 0) << row;
}

TEST_F(Form1Test, FadeButtonsStayOffWithoutAMovie) {
    start({});
    // The mask's panel offers fades, but there is nothing to fade yet.
    EXPECT_EQ(form.Combo3->currentText(), u("マスク"));
    EXPECT_FALSE(form.ComFdIn->isEnabled());
    EXPECT_FALSE(form.ComFdOut->isEnabled());
    chooseEffect("モザイク");
    chooseEffect("マスク");
    EXPECT_FALSE(form.ComFdIn->isEnabled());
    modal.choosePath(QString::fromStdString(moviePath()));
    form.mnuOpen->trigger();
    ASSERT_EQ(editor().MvOpen, kTrue);
    EXPECT_TRUE(form.ComFdIn->isEnabled());
    EXPECT_TRUE(form.ComFdOut->isEnabled());
    // A panel without fades turns them off, as before.
    chooseEffect("モザイク");
    EXPECT_FALSE(form.ComFdIn->isEnabled());
    chooseEffect("マスク");
    EXPECT_TRUE(form.ComFdIn->isEnabled());
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, TheFollowButtonCarriesADrawnRegionAlongWithItsContent) {
    const std::string moving = dir_->path("moving.avi");
    const std::string cmd =
        "ffmpeg -v error -f lavfi -i color=c=0x707070:s=160x120:r=25:d=2 -f lavfi -i "
        "testsrc=s=30x30:r=25:d=2 -filter_complex \"[0][1]overlay=x='10+t*40':y='20+t*20'\" "
        "-c:v mpeg4 -q:v 3 -y '" +
        moving + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    start({moving});
    ASSERT_EQ(editor().MvOpen, kTrue);
    EXPECT_TRUE(form.ComTrack->isEnabled());
    chooseEffect("モザイク");
    drawRegion(QPoint(10, 20), QPoint(40, 50));
    ASSERT_EQ(editor().EffArr.at(0, 0).Kind, kouka::kMosaic);
    form.ComTrack->click();
    EXPECT_EQ(editor().CurFlame, 49);
    EXPECT_EQ(form.StatusText->text(), QString::fromUtf8("追跡しました: 0 - 49（49 フレーム）"));
    const EffRec& last = editor().EffArr.at(0, 49);
    EXPECT_EQ(last.Kind, kouka::kMosaic);
    // The picture moved 2 x 40 = 78 pixels right by frame 49 (and 39 down).
    EXPECT_NEAR(std::min(last.X, last.X + last.W), 10 + 49 * 40 / 25, 6);
    EXPECT_NEAR(std::min(last.Y, last.Y + last.H), 20 + 49 * 20 / 25, 6);
    EXPECT_TRUE(form.ComTrack->isEnabled());
    EXPECT_TRUE(form.ComPlay->isEnabled());
    // One undo takes the whole follow back.
    form.mnuEfUndo->trigger();
    EXPECT_FALSE(editor().EffArr.at(0, 49).hasEffect());
    EXPECT_TRUE(editor().EffArr.at(0, 0).hasEffect());
    // Nothing on the selected layer here: it says so and changes nothing.
    QTest::mouseClick(form.PictLayNomb, Qt::LeftButton, Qt::NoModifier, at(22 * 2 + 5, 5));
    modal.clickButton("OK");
    form.ComTrack->click();
    ASSERT_EQ(modal.seenTexts.size(), 1u);
    EXPECT_EQ(modal.seenTexts[0], "選択レイヤーのこのフレームに、追跡できる範囲の効果がありません");
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, TheCheckListsFramesWithAFaceAndARowShowsItsFrame) {
    const std::string photo = test::samplePath("messi5.jpg");
    ASSERT_FALSE(photo.empty());
    const std::string face = dir_->path("face.avi");
    const std::string cmd =
        "ffmpeg -v error -loop 1 -i '" + photo +
        "' -vf \"scale=548:342,crop=320:240:100:20,format=yuv420p\" -t 0.4 -r 25 "
        "-c:v mpeg4 -q:v 2 -y '" +
        face + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    start({face});
    ASSERT_EQ(editor().MvOpen, kTrue);
    form.mnuCheck->trigger();
    shell::CheckDialog* dialog = form.checkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    // All ten frames show the face.
    ASSERT_EQ(dialog->list()->count(), 10);
    EXPECT_TRUE(dialog->list()->item(3)->text().startsWith(QString::fromUtf8("フレーム 3: 顔 (")))
        << dialog->list()->item(3)->text().toStdString();
    EXPECT_TRUE(dialog->summary()->text().startsWith(
        QString::fromUtf8("10 フレームに顔またはナンバーが見えています")))
        << dialog->summary()->text().toStdString();
    EXPECT_EQ(editor().CurFlame, 0);  // back where the user was
    emit dialog->list()->itemClicked(dialog->list()->item(7));
    EXPECT_EQ(editor().CurFlame, 7);
    EXPECT_EQ(form.TextPos->text(), u("7"));
    // A mosaic over the whole picture on every frame: nothing left.
    for (int32_t f = 0; f < 10; ++f) editor().EffArr.at(0, f) = EffRec{6, 0, 0, 320, 240, 16, "0"};
    form.mnuCheck->trigger();
    EXPECT_EQ(dialog->list()->count(), 0);
    EXPECT_EQ(dialog->summary()->text(),
              QString::fromUtf8("顔もナンバーも見つかりませんでした（フレーム 0 - 9）"));
    dialog->close();
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, FindingFacesHidesThemSoThatTheCheckFindsNothingAndOneUndoTakesItBack) {
    const std::string photo = test::samplePath("messi5.jpg");
    ASSERT_FALSE(photo.empty());
    const std::string face = dir_->path("face.avi");
    const std::string cmd = "ffmpeg -v error -loop 1 -i '" + photo +
                            "' -vf \"scale=548:342,crop=320:240:'100+t*50':20,format=yuv420p\" "
                            "-t 0.4 -r 25 -c:v mpeg4 -q:v 2 -y '" +
                            face + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    start({face});
    ASSERT_EQ(editor().MvOpen, kTrue);
    editor().CurFlame = 4;
    form.mnuFindFaces->trigger();
    EXPECT_TRUE(form.StatusText->text().startsWith(QString::fromUtf8("顔を ")))
        << form.StatusText->text().toStdString();
    EXPECT_TRUE(form.StatusText->text().endsWith(
        QString::fromUtf8("件見つけて隠しました（フレーム 0 - 9）")))
        << form.StatusText->text().toStdString();
    EXPECT_EQ(editor().CurFlame, 4);  // back where the user was
    for (int32_t f = 0; f < 10; ++f) {
        const EffRec& r = editor().EffArr.at(0, f);
        EXPECT_EQ(r.Kind, kouka::kMosaic) << f;
        EXPECT_GE(r.Param, 16) << f;
    }
    form.mnuCheck->trigger();
    shell::CheckDialog* dialog = form.checkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->list()->count(), 0) << dialog->summary()->text().toStdString();
    dialog->close();
    // The whole search is one step.
    form.mnuEfUndo->trigger();
    for (int l = 0; l < 4; ++l)
        for (int32_t f = 0; f < 10; ++f)
            EXPECT_FALSE(editor().EffArr.at(l, f).hasEffect()) << l << f;
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, CommandLineWithTwoNamesShowsTheOneOnlyMessage) {
    modal.clickButton("OK");
    start({moviePath(), moviePath()});
    EXPECT_EQ(editor().MvOpen, kFalse);
    ASSERT_FALSE(modal.seenTexts.empty());
    EXPECT_EQ(modal.seenTexts.front(), "ひとつだけドロップしてください");
}

TEST_F(Form1Test, DrawnMosaicIsStoredShownInTheFrameAndOnTheTimeline) {
    start({moviePath()});
    chooseEffect("モザイク");
    EXPECT_EQ(editor().KoukaSel, kouka::kMosaic);
    const Surface before = editor().PictMain();
    drawRegion(QPoint(20, 20), QPoint(100, 80));
    const EffRec& rec = editor().EffArr.at(0, 0);
    EXPECT_EQ(rec.Kind, kouka::kMosaic);
    EXPECT_GT(rec.W, 40);
    EXPECT_GT(rec.H, 30);
    EXPECT_EQ(editor().EdSaved, kFalse);
    // Inside the region the picture changed, far outside it did not.
    const Surface& after = editor().PictMain();
    int changedInside = 0;
    for (int y = 25; y < 75; ++y)
        for (int x = 25; x < 95; ++x) changedInside += after.pixel(x, y) != before.pixel(x, y);
    EXPECT_GT(changedInside, 100);
    EXPECT_EQ(after.pixel(150, 110), before.pixel(150, 110));
    EXPECT_EQ(after.pixel(5, 5), before.pixel(5, 5));
    // What the window shows is the core's picture.
    const QImage shown = form.PictMain->grab().toImage();
    EXPECT_EQ(shown.pixel(PictureBox::kBorder + 50, PictureBox::kBorder + 50) & 0xFFFFFFu,
              after.pixel(50, 50) & 0xFFFFFFu);
    // The timeline shows an effect cell for frame 0 in layer 1 only.
    EXPECT_EQ(timelineCell(0, 0), shell::strip::kEffectCell);
    EXPECT_EQ(timelineCell(0, 1), shell::strip::kBackground);
    EXPECT_EQ(timelineCell(1, 0), shell::strip::kBackground);
    EXPECT_EQ(form.Xzahyou->text(), u("20"));
}

TEST_F(Form1Test, TwoPickedKeyFramesAreInterpolatedAndUndoRedoWorkFromTheMenu) {
    start({moviePath()});
    chooseEffect("モザイク");
    drawRegion(QPoint(10, 10), QPoint(50, 40));
    clickTimeline(10);
    ASSERT_EQ(editor().CurFlame, 10);
    drawRegion(QPoint(90, 60), QPoint(150, 110));
    ASSERT_EQ(editor().EffArr.at(0, 10).Kind, kouka::kMosaic);

    clickTimeline(0);
    EXPECT_EQ(editor().HokanST, 0);
    shiftDown();
    EXPECT_EQ(editor().ShiftDown, kTrue);
    clickTimeline(10);
    shiftUp();
    EXPECT_EQ(editor().ShiftDown, kFalse);
    EXPECT_EQ(form.TextHSt->text(), u("0"));
    EXPECT_EQ(form.TextHEnd->text(), u("10"));
    // The picked range is marked on the selected layer.
    EXPECT_NE(timelineCell(5, 0), shell::strip::kBackground);

    QTest::mouseClick(form.ComHokan, Qt::LeftButton);
    for (int f = 1; f < 10; ++f) EXPECT_EQ(editor().EffArr.at(0, f).Kind, kouka::kMosaic) << f;
    const int16_t middleX = editor().EffArr.at(0, 5).X;
    EXPECT_GT(middleX, editor().EffArr.at(0, 0).X);
    EXPECT_LT(middleX, editor().EffArr.at(0, 10).X);
    // Esc ends the picking; the cells are plain effect cells again.
    QTest::keyClick(keyTarget(), Qt::Key_Escape);
    EXPECT_EQ(editor().HokanST, -1);
    EXPECT_TRUE(form.TextHSt->text().isEmpty());
    EXPECT_EQ(timelineCell(5, 0), shell::strip::kEffectCell);

    form.mnuEfUndo->trigger();
    for (int f = 1; f < 10; ++f) EXPECT_EQ(editor().EffArr.at(0, f).Kind, 0) << f;
    EXPECT_EQ(editor().EffArr.at(0, 10).Kind, kouka::kMosaic);
    EXPECT_EQ(timelineCell(5, 0), shell::strip::kBackground);
    form.mnuEfRedo->trigger();
    for (int f = 1; f < 10; ++f) EXPECT_EQ(editor().EffArr.at(0, f).Kind, kouka::kMosaic) << f;
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, EditFileIsSavedAndReopenedThroughTheDialogs) {
    start({moviePath()});
    chooseEffect("モザイク");
    drawRegion(QPoint(30, 30), QPoint(90, 70));
    const EffRec drawn = editor().EffArr.at(0, 0);
    const std::string editPath = dir_->path("project.txt");
    modal.choosePath(QString::fromStdString(editPath));
    form.mnuEdFileSaveAs->trigger();
    ASSERT_TRUE(std::filesystem::exists(editPath))
        << (modal.chosen.empty() ? "" : modal.chosen.back());
    EXPECT_EQ(editor().EdSaved, kTrue);
    ASSERT_FALSE(modal.dialogTitles.empty());
    EXPECT_EQ(modal.dialogTitles.back(), "名前を付けて保存");

    QTest::mouseClick(form.LayErase, Qt::LeftButton);
    ASSERT_EQ(editor().EffArr.at(0, 0).Kind, 0);
    EXPECT_EQ(editor().EdSaved, kFalse);  // erasing a layer is a change

    modal.clickButton(u("いいえ"));  // let the erase go
    modal.choosePath(QString::fromStdString(editPath));
    form.mnuEdFileOpen->trigger();
    EXPECT_EQ(modal.dialogTitles.back(), "開く");
    const EffRec& back = editor().EffArr.at(0, 0);
    EXPECT_EQ(back.Kind, drawn.Kind);
    EXPECT_EQ(back.X, drawn.X);
    EXPECT_EQ(back.Y, drawn.Y);
    EXPECT_EQ(back.W, drawn.W);
    EXPECT_EQ(back.H, drawn.H);
    EXPECT_EQ(timelineCell(0, 0), shell::strip::kEffectCell);
    EXPECT_EQ(modal.unexpected, 0);
}

TEST_F(Form1Test, ClosingWithUnsavedWorkAsksAndCancelKeepsTheWindow) {
    start({moviePath()});
    chooseEffect("モザイク");
    drawRegion(QPoint(30, 30), QPoint(90, 70));
    ASSERT_EQ(editor().EdSaved, kFalse);
    modal.clickButton(u("キャンセル"));
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(modal.seenTexts.size(), 1u);
    EXPECT_EQ(modal.seenTexts[0], "現在の編集ファイルは保存していません。保存しますか？");
    EXPECT_EQ(modal.seenTitles[0], "警告");
    EXPECT_EQ(modal.seenButtons, (std::vector<std::string>{"はい", "いいえ", "キャンセル"}));
    EXPECT_EQ(editor().MvOpen, kTrue);
    // "No" lets it close without saving.
    modal.clickButton(u("いいえ"));
    EXPECT_TRUE(form.close());
}

TEST_F(Form1Test, ThePictureAfterEachEditShowsEveryEnabledLayer) {
    start({moviePath()});
    chooseEffect("モザイク");
    const auto composed = [&] {
        // What the frame display draws from the timeline alone.
        const Surface shown = editor().PictMain();
        editor().DspFrame2();
        const Surface fresh = editor().PictMain();
        return shown.width() == fresh.width() && shown.height() == fresh.height() &&
               std::equal(shown.bytes(), shown.bytes() + shown.bytesPerLine() * shown.height(),
                          fresh.bytes());
    };
    drawRegion(QPoint(10, 10), QPoint(70, 60));
    EXPECT_TRUE(composed()) << "after drawing on layer 1";
    QTest::mouseClick(form.PictLayNomb, Qt::LeftButton, Qt::NoModifier, at(22 * 1 + 5, 5));
    ASSERT_EQ(editor().SelLay, 1);
    chooseEffect("反転");
    drawRegion(QPoint(40, 30), QPoint(140, 100));
    EXPECT_TRUE(composed()) << "after drawing on layer 2";
    QTest::mouseClick(form.LayLeft, Qt::LeftButton);
    EXPECT_TRUE(composed()) << "after a layer swap";
    form.mnuEfUndo->trigger();
    EXPECT_TRUE(composed()) << "after undo";
    form.mnuEfRedo->trigger();
    EXPECT_TRUE(composed()) << "after redo";
    QTest::mouseClick(form.LayErase, Qt::LeftButton);
    EXPECT_TRUE(composed()) << "after erasing a layer";
}

TEST_F(Form1Test, TheBarPanelsNameEachBarBesideIt) {
    start({moviePath()});
    // The arrow's panel leaves the shared labels elsewhere first.
    for (const char* effect : {"矢印", "色調", "矢印", "明るさ"}) {
        chooseEffect(effect);
        SCOPED_TRACE(effect);
        const std::pair<QLabel*, QScrollBar*> pairs[] = {
            {form.Label1, form.HScroll1}, {form.Label3, form.HScroll2}, {form.Label6, form.HScroll3}};
        for (const auto& [label, bar] : pairs) {
            if (!bar->isVisible()) continue;
            EXPECT_LE(std::abs(label->geometry().center().y() - bar->geometry().center().y()), 6)
                << label->text().toStdString();
            EXPECT_LE(label->geometry().right(), bar->geometry().left());
        }
    }
}

TEST_F(Form1Test, TheColourTonePreviewKeepsTheLayersAboveAndStoresNothingUntilAClick) {
    start({moviePath()});
    const auto picture = [&] {
        const Surface& p = editor().PictMain();
        return std::vector<uint8_t>(p.bytes(), p.bytes() + p.bytesPerLine() * p.height());
    };
    // A mosaic on layer 2, then a colour tone tuned on layer 1 below it.
    QTest::mouseClick(form.PictLayNomb, Qt::LeftButton, Qt::NoModifier, at(22 * 1 + 5, 5));
    chooseEffect("モザイク");
    drawRegion(QPoint(20, 20), QPoint(120, 90));
    QTest::mouseClick(form.PictLayNomb, Qt::LeftButton, Qt::NoModifier, at(5, 5));
    ASSERT_EQ(editor().SelLay, 0);
    chooseEffect("色調");
    const int32_t frame = editor().CurFlame;
    const std::vector<uint8_t> before = picture();

    for (const int index : {1, 3}) {
        SCOPED_TRACE(index);
        (index == 1 ? form.HScroll1 : form.HScroll3)->setValue(90);
        const std::vector<uint8_t> preview = picture();
        EXPECT_NE(preview, before) << "the bar changed nothing on the picture";
        EXPECT_FALSE(editor().EffArr.at(0, frame).hasEffect()) << "a bar stored the record";
        // The same record stored and the frame drawn from the timeline.
        const EffRec previewed = editor().WorkRecord;
        editor().EffArr.at(0, frame) = previewed;
        editor().DspFrame2();
        EXPECT_EQ(picture(), preview) << "the preview is not what will be written";
        editor().EffArr.at(0, frame) = EffRec{};
        editor().DspFrame2();
    }
}

TEST_F(Form1Test, LayerStripsSelectAndDisableLayers) {
    start({moviePath()});
    QTest::mouseClick(form.PictLayNomb, Qt::LeftButton, Qt::NoModifier, at(22 * 2 + 5, 5));
    EXPECT_EQ(editor().SelLay, 2);
    EXPECT_EQ(form.PictLayNomb->picture().pixelColor(22 * 2 + 3, 3), shell::strip::kLightRed);
    QTest::mouseClick(form.PictLayEnable, Qt::LeftButton, Qt::NoModifier, at(22 * 1 + 5, 5));
    EXPECT_EQ(editor().LayEnable[1], kFalse);
    QTest::mouseClick(form.LayRight, Qt::LeftButton);
    EXPECT_EQ(editor().SelLay, 3);
}

TEST_F(Form1Test, OverviewAndFrameStripClicksMoveTheCurrentFrame) {
    start({moviePath()});
    const double scale = editor().SliderScale;
    QTest::mouseClick(form.PicSldr, Qt::LeftButton, Qt::NoModifier, at(5, 20 * scale));
    EXPECT_EQ(editor().CurFlame, 20);
    QTest::mouseClick(form.PicSldr2, Qt::LeftButton, Qt::NoModifier,
                      at(5, static_cast<double>(Form1::kStripHeight) / 60.0 * 3.5));
    EXPECT_EQ(editor().CurFlame, editor().TLTop + 3);
    form.mnuEndFrame->trigger();
    EXPECT_EQ(editor().ENDFlame, editor().CurFlame);
    EXPECT_EQ(form.Label22->text(), QString::number(editor().CurFlame));
}

}  // namespace
}  // namespace movalux::test
