// What the user's actions start: menu and button handlers, keys and the
// wheel, the loops that play and write, their progress, and the tooltips.
#include "shell/Form1.h"

#include "media/MovieSource.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "effects/RegionGesture.h"
#include "host/Host.h"
#include "media/TempFiles.h"
#include "shell/CheckDialog.h"
#include "shell/ClassicDialogs.h"
#include "shell/PictureBox.h"
#include "shell/QtHost.h"
#include "shell/QtPanel.h"
#include "shell/StripPainter.h"
#include "shell/VerInfo.h"
#include "shell/WriteDialogs.h"

namespace movalux::shell {

namespace {

// The classic key codes of the keys the window answers.
int16_t classicKeyCode(int key) {
    switch (key) {
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Escape:
            return 27;
        default:
            break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<int16_t>(112 + (key - Qt::Key_F1));
    return 0;
}

// Esc, F2-F9 and F11: the keys whose only meaning is the window's command.
bool isWindowKey(int16_t code) {
    return code == 27 || (code >= 113 && code <= 120) || code == 122;
}

}  // namespace

void Form1::connectHandlers() {
    Editor& e = *editor_;
    const auto on = [this](QAction* a, auto&& f) {
        connect(a, &QAction::triggered, this, [this, f] { forward(f); });
    };
    const auto onClick = [this](QAbstractButton* b, auto&& f) {
        connect(b, &QAbstractButton::clicked, this, [this, f] { forward(f); });
    };
    // Edits end with the frame drawn again with all its layers: what is
    // shown is what will be written.
    const auto onShown = [this](QAction* a, auto&& f) {
        connect(a, &QAction::triggered, this, [this, f] {
            forward(f);
            forward([this] { editor_->showFrameAsWritten(); });
        });
    };
    const auto onClickShown = [this](QAbstractButton* b, auto&& f) {
        connect(b, &QAbstractButton::clicked, this, [this, f] {
            forward(f);
            forward([this] { editor_->showFrameAsWritten(); });
        });
    };
    // Commands that replace the movie, or run a loop of their own, wait
    // for a running play or write to stop.
    const auto onExclusive = [this](QAction* a, auto&& f) {
        connect(a, &QAction::triggered, this, [this, f] { exclusive(f); });
    };
    const auto onClickExclusive = [this](QAbstractButton* b, auto&& f) {
        connect(b, &QAbstractButton::clicked, this, [this, f] { exclusive(f); });
    };
    onExclusive(mnuOpen, [&e] { e.mnuOpen_Click(); });
    onExclusive(mnuEdFileOpen, [&e] { e.mnuEdFileOpen_Click(); });
    on(mnuEdFileSaveAs, [&e] { e.mnuEdFileSaveAs_Click(); });
    onExclusive(mnuRecover, [&e] { e.mnuRecover_Click(); });
    onExclusive(menuFree, [&e] { e.MVFree(); });
    onClickExclusive(ComStop, [&e] { e.MVFree(); });
    onExclusive(menuRec, [this, &e] { reportWrite(e.menuRec_Click()); });
    onExclusive(menuRecM, [this, &e] { reportWrite(e.menuRecM_Click()); });
    onClickExclusive(ComRec, [this, &e] { reportWrite(e.ComRec_Click()); });
    onExclusive(menuRecS, [&e] { (void)e.menuRecS_Click(); });
    onExclusive(MnuChangeMV, [&e] { (void)e.MnuChangeMV_Click(); });
    on(MnuPicSave, [&e] { (void)e.MnuPicSave_Click(); });
    onExclusive(MnuPPPSave, [&e] { (void)e.MnuPPPSave_Click(); });
    onExclusive(MnuMakeMV, [&e] { (void)e.MnuMakeMV_Click(); });
    onExclusive(mnuPlay, [&e] { e.mnuPlay_Click(); });
    connect(menuZure, &QAction::triggered, this,
            [this] { exclusive([this] { menuZureDialog(); }); });
    onClick(Option7, [&e] { e.Option7_Click(); });
    onClick(Option8, [&e] { e.Option8_Click(); });
    onClick(Option1, [&e] { e.Option1_Click(); });
    onClick(Option2, [&e] { e.Option2_Click(); });
    connect(ComPlay, &QAbstractButton::clicked, this, [this] { play(1); });
    connect(ComBack, &QAbstractButton::clicked, this, [this] { play(-1); });
    connect(ComStp, &QAbstractButton::clicked, this, [this] { pause(); });
    connect(Combo4, &QComboBox::textActivated, this,
            [this](const QString& t) { forward([this, t] { editor_->Combo4_Click(utf8(t)); }); });
    connect(mnuEnd, &QAction::triggered, this, [this] { close(); });
    onShown(mnuEfUndo, [&e] { e.GoUndo(); });
    onShown(mnuEfRedo, [&e] { e.GoRedo(); });
    on(mnuStFrame, [&e] { e.SetSTFlame(); });
    onClick(BgnFlame, [&e] { e.SetSTFlame(); });
    on(mnuEndFrame, [&e] { e.SetENDFlame(); });
    onClick(EndFlame, [&e] { e.SetENDFlame(); });
    on(mnuDelSel, [&e] { e.mnuDelSel_Click(); });
    on(MenuJmpKF, [&e] { e.JmpEffEdge(1); });
    on(MenuJmpKR, [&e] { e.JmpEffEdge(-1); });
    on(mnuTimeY, [&e] { e.mnuTimeY_Click(); });
    on(mnuFrameY, [&e] { e.mnuFrameY_Click(); });
    onShown(mnuHokan, [&e] { e.HokanEffect(); });
    onClickShown(ComHokan, [&e] { e.HokanEffect(); });
    onShown(mnuFDin, [&e] { e.SetFDIn(); });
    onClickShown(ComFdIn, [&e] { e.SetFDIn(); });
    onShown(mnuFDout, [&e] { e.SetFDOut(); });
    onClickShown(ComFdOut, [&e] { e.SetFDOut(); });
    onShown(mnuEfDelete, [&e] { e.mnuEfDelete_Click(); });
    on(mnuAll, [&e] { e.mnuAll_Click(); });
    on(mnuTouka, [&e] { e.mnuTouka_Click(); });
    on(mnuTokaNon, [&e] { e.mnuTokaNon_Click(); });
    onShown(mnu_LayRight, [&e] { e.MoveLayRight(); });
    onClickShown(LayRight, [&e] { e.MoveLayRight(); });
    onShown(mnu_LayLeft, [&e] { e.MoveLayLeft(); });
    onClickShown(LayLeft, [&e] { e.MoveLayLeft(); });
    onShown(mnu_LayErase, [&e] { e.LayerErase(); });
    onClickShown(LayErase, [&e] { e.LayerErase(); });
    connect(menuToolTip, &QAction::triggered, this, [this] {
        if (tooltipsOn_)
            ReSetToolTip();
        else
            SetToolTip();
    });
    connect(mnuView100, &QAction::triggered, this, [this] { setViewChoice(1.0); });
    connect(mnuView50, &QAction::triggered, this, [this] { setViewChoice(0.5); });
    connect(mnuView25, &QAction::triggered, this, [this] { setViewChoice(0.25); });
    connect(mnuViewFit, &QAction::triggered, this, [this] { setViewChoice(0); });
    connect(menuVer, &QAction::triggered, this, [this] {
        if (verInfo_ == nullptr) verInfo_ = new VerInfo(this);
        verInfo_->show();
        verInfo_->raise();
    });

    connect(mnuFindFaces, &QAction::triggered, this,
            [this] { exclusive([this] { findAndHide(false); }); });
    connect(mnuFindPlates, &QAction::triggered, this,
            [this] { exclusive([this] { findAndHide(true); }); });
    connect(mnuCheck, &QAction::triggered, this,
            [this] { exclusive([this] { checkUncovered(); }); });
    connect(ComTrack, &QAbstractButton::clicked, this, [this] {
        const bool backward = (QApplication::keyboardModifiers() & Qt::ShiftModifier) != 0;
        exclusive([this, backward] { follow(backward); });
    });

    onClick(ComFStep, [&e] { e.PlayMvStep(); });
    onClick(ComBStep, [&e] { e.PlayMvRevStep(); });
    onClick(ComEnd, [&e] { e.PlayMvJpEnd(); });
    onClick(ComBegin, [&e] { e.PlayMvJpST(); });
    connect(TextPos, &QLineEdit::returnPressed, this,
            [this] { forward([this] { editor_->TextPos_KeyDown(13); }); });

    connect(Combo3, &QComboBox::textActivated, this, [this](const QString& t) {
        forward([this, t] { editor_->Combo3_Click(utf8(t)); });
        // The list keeps no keys: arrows would change the effect chosen.
        PictMain->setFocus(Qt::OtherFocusReason);
    });
    connect(Combo1, &QComboBox::activated, this,
            [this] { forward([this] { editor_->Combo1_Click(); }); });
    connect(Combo5, &QComboBox::activated, this,
            [this] { forward([this] { editor_->Combo5_Click(); }); });
    connect(Combo6, &QComboBox::activated, this,
            [this] { forward([this] { editor_->Combo6_Click(); }); });
    onClick(Option3, [&e] { e.Option3_Click(); });
    onClick(Option4, [&e] { e.Option4_Click(); });
    onClick(Option5, [&e] { e.Option5_Click(); });
    onClick(Option6, [&e] { e.Option6_Click(); });
    connect(HScroll1, &QScrollBar::valueChanged, this,
            [this] { forward([this] { editor_->HScroll1_Change(); }); });
    connect(HScroll2, &QScrollBar::valueChanged, this,
            [this] { forward([this] { editor_->HScroll2_Change(); }); });
    connect(HScroll3, &QScrollBar::valueChanged, this,
            [this] { forward([this] { editor_->HScroll3_Change(); }); });
    onClick(RDPictBtn, [&e] { e.RDPictBtn_Click(); });
    onClick(ComdBtn2, [&e] { e.ComdBtn2_Click(); });
    onClick(ComSTP2, [&e] { e.ComSTP2_Click(); });
    onClick(CheckPreVew, [&e] { e.CheckPreVew_Click(); });
    onClickShown(XYSet, [&e] { e.XYSet_Click(); });

    using K = PictureBox::MouseKind;
    PictMain->setMouseHandler([this](K kind, int b, int s, double x, double y) {
        forward([&] {
            const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
            const auto bb = static_cast<int16_t>(b), ss = static_cast<int16_t>(s);
            if (kind == K::Down)
                editor_->PictMain_MouseDown(bb, ss, fx, fy);
            else if (kind == K::Move)
                editor_->PictMain_MouseMove(bb, ss, fx, fy);
            else
                editor_->PictMain_MouseUp(bb, ss, fx, fy);
        });
        if (kind == K::Up) forward([this] { editor_->showFrameAsWritten(); });
        refreshPictMain();
    });
    PictMain->setDropHandler([this](const QStringList& files) {
        std::vector<std::string> names;
        for (const QString& f : files) names.push_back(utf8(f));
        exclusive([this, names] { editor_->PictMain_OLEDragDrop(names); });
    });
    PreVewPict->setMouseHandler([this](K kind, int b, int s, double x, double y) {
        if (kind != K::Down) return;
        forward([&] {
            editor_->PreVewPict_MouseDown(static_cast<int16_t>(b), static_cast<int16_t>(s),
                                          static_cast<float>(x), static_cast<float>(y));
        });
    });
    PictTLine->setMouseHandler([this](K kind, int b, int s, double x, double y) {
        if (kind != K::Down) return;
        forward([&] {
            editor_->PictTLine_MouseDown(static_cast<int16_t>(b), static_cast<int16_t>(s),
                                         static_cast<float>(x), static_cast<float>(y),
                                         static_cast<float>(kStripHeight));
        });
    });
    PicSldr2->setMouseHandler([this](K kind, int, int, double, double y) {
        if (kind != K::Down) return;
        forward([&] {
            editor_->PicSldr2_MouseDown(static_cast<float>(y), static_cast<float>(kStripHeight));
        });
    });
    PicSldr->setMouseHandler([this](K kind, int, int, double, double y) {
        if (kind != K::Down) return;
        forward([&] { editor_->PicSldr_MouseDown(static_cast<float>(y)); });
    });
    PictLayNomb->setMouseHandler([this](K kind, int b, int s, double x, double y) {
        if (kind != K::Down) return;
        forward([&] {
            editor_->SelLayer(static_cast<int16_t>(b), static_cast<int16_t>(s),
                              static_cast<float>(x), static_cast<float>(y));
        });
    });
    PictLayEnable->setMouseHandler([this](K kind, int b, int s, double x, double y) {
        if (kind != K::Down) return;
        forward([&] {
            editor_->SelLayEnable(static_cast<int16_t>(b), static_cast<int16_t>(s),
                                  static_cast<float>(x), static_cast<float>(y));
            editor_->showFrameAsWritten();
        });
    });
}

// --- Keys and wheel ---------------------------------------------------------------

void Form1::wheelEvent(QWheelEvent* event) {
    if (wheelGuard_) return;
    wheelGuard_ = true;
    // The play button is off while anything plays or writes.
    const bool playEnabled = ComPlay->isEnabled();
    forward([&] {
        if (event->angleDelta().y() < 0)
            editor_->vbWheelMinus(playEnabled);
        else if (event->angleDelta().y() > 0)
            editor_->vbWheelPlus(playEnabled);
    });
    wheelGuard_ = false;
    event->accept();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this ||
        QApplication::activeModalWidget() != nullptr)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int16_t code = classicKeyCode(key->key());
    if (code == 0) return false;
    // The window's own keys end where they first arrive: the focused control
    // never sees them (F4 would open a list), and the press goes no further
    // up the parents, where it could be acted on again once a message box it
    // opened closes. Shift and Ctrl go on, as they also modify other keys;
    // the window looks at them once, at the widget that has the focus.
    const bool windowsOwn = isWindowKey(code);
    if (!windowsOwn) {
        QWidget* first = QApplication::focusWidget();
        if (first == nullptr) first = this;
        if (widget != first) return false;
    }
    if (key->isAutoRepeat()) return windowsOwn;
    if (type == QEvent::KeyPress && code == 119) {  // F8
        play(-1);
    } else if (type == QEvent::KeyPress && code == 120) {  // F9
        pause();
    } else if (type == QEvent::KeyPress && code == 122) {  // F11
        play(1);
    } else if (type == QEvent::KeyPress)
        forward([&] { editor_->Form_KeyDown(code); });
    else
        forward([&] { editor_->Form_KeyUp(code); });
    return windowsOwn;
}

// --- Loops: playing and writing -----------------------------------------------------

void Form1::exclusive(std::function<void()> action) {
    if (loopRunning()) {
        pause();
        deferred_.push_back(std::move(action));
        return;
    }
    ++loopDepth_;
    forward(action);
    --loopDepth_;
    if (loopDepth_ == 0 && (!deferred_.empty() || closePending_))
        QTimer::singleShot(0, this, [this] { runDeferred(); });
}

void Form1::runDeferred() {
    if (loopRunning()) return;
    std::vector<std::function<void()>> waiting;
    waiting.swap(deferred_);
    for (auto& action : waiting) exclusive(std::move(action));
    if (closePending_ && !loopRunning()) {
        closePending_ = false;
        close();
    }
}

void Form1::play(int16_t direction) {
    // F8 and F11 do what the buttons do, and only when they could be
    // pressed: not without a movie, and never a second loop inside one.
    if (!ComPlay->isEnabled() || loopRunning()) return;
    exclusive([this, direction] {
        if (direction > 0)
            editor_->PlayMv();
        else
            editor_->PlayRev();
    });
}

void Form1::pause() {
    // Ends a play loop, real-time playback, a write, a sound or a conversion.
    forward([this] {
        editor_->PlayPause();
        editor_->ComStp_Click();
    });
}

void Form1::menuZureDialog() {
    const std::string text = editor_->menuZure_Click();
    runAdjVDialog(this, text, [this](const std::string& typed) {
        bool mayClose = false;
        forward([&] { mayClose = editor_->AdjVComd_Click(typed); });
        return mayClose;
    });
}

void Form1::showProgress(const ProgressReport& report) {
    if (report.finished) {
        ProgBar1->hide();
        StatusText->clear();
        return;
    }
    int percent = 0;
    if (report.total > 0)
        percent = static_cast<int>(std::clamp<int64_t>(report.done * 100 / report.total, 0, 100));
    ProgBar1->setValue(percent);
    ProgBar1->show();
    QString what;
    if (report.task == "render")
        what = QString::fromUtf8("書き出し中 %1 / %2 フレーム（%3%）")
                   .arg(report.done)
                   .arg(report.total)
                   .arg(percent);
    else if (report.task == "track")
        what = QString::fromUtf8("追跡中 %1 / %2 フレーム（%3%）")
                   .arg(report.done)
                   .arg(report.total)
                   .arg(percent);
    else if (report.task == "detect" || report.task == "detect-check")
        what = QString::fromUtf8(report.task == "detect"
                                     ? "検出中 %1 / %2 フレーム（%3%）"
                                     : "隠した結果を確認中 %1 / %2 フレーム（%3%）")
                   .arg(report.done)
                   .arg(report.total)
                   .arg(percent);
    else if (report.task == "check")
        what = QString::fromUtf8("確認中 %1 / %2 フレーム（%3%）")
                   .arg(report.done)
                   .arg(report.total)
                   .arg(percent);
    else if (report.task == "open")
        what = QString::fromUtf8("ムービーを読み込み中 %1%").arg(percent);
    else if (report.task == "stills")
        what = QString::fromUtf8("画像の保存中 %1 / %2 枚").arg(report.done).arg(report.total);
    else if (report.task == "from-stills")
        what = QString::fromUtf8("動画の作成中 %1 / %2 枚").arg(report.done).arg(report.total);
    else if (report.task == "convert")
        what = QString::fromUtf8("変換中 %1%").arg(percent);
    else
        what = QString::fromUtf8("音声の書き出し中 %1%").arg(percent);
    if (report.secondsLeft >= 0)
        what += QString::fromUtf8("（残り約 %1 秒）").arg(std::lround(report.secondsLeft));
    StatusText->setText(what);
    // Opening runs without the event loop; the bar is painted on the spot.
    if (report.task == "open") {
        ProgBar1->repaint();
        StatusText->repaint();
    }
}

void Form1::reportWrite(Editor::RecOutcome outcome) {
    const Editor& e = *editor_;
    const QString target = QString::fromStdString(e.RecFName);
    QString text;
    if (outcome == Editor::RecOutcome::Failed) {
        text = QString::fromUtf8("書き出しに失敗しました");
        if (!e.RecError.empty())
            text += QString::fromUtf8("（%1）").arg(QString::fromStdString(e.RecError));
    } else if (outcome == Editor::RecOutcome::Written && e.RecPaused) {
        text = QString::fromUtf8("書き出しを一時停止しました（%1 / %2 フレーム）: %3")
                   .arg(e.RecFramesWritten)
                   .arg(e.RecFramesExpected)
                   .arg(target);
    } else if (outcome == Editor::RecOutcome::Written) {
        text = QString::fromUtf8("書き出しが完了しました（%1 フレーム、%2 秒）: %3")
                   .arg(e.RecFramesWritten)
                   .arg(e.RecSeconds, 0, 'f', 1)
                   .arg(target);
    }
    // A cancelled write says nothing: the user chose it.
    StatusText->setText(text);
}

void Form1::follow(bool backward) {
    Editor& e = *editor_;
    const int32_t from = e.CurFlame;
    const int32_t last = e.EffArr.frameCount() - 1;
    // To the marked end (start) when it lies that way, else the movie's.
    const int32_t to =
        backward ? (e.STFlame < from ? e.STFlame : 0) : (e.ENDFlame > from ? e.ENDFlame : last);
    const Editor::FollowResult r = e.followRegion(e.SelLay, from, to);
    const auto frames = [](int32_t n) { return QString::fromUtf8("%1 フレーム").arg(n); };
    switch (r.why) {
        case Editor::FollowStop::ReachedEnd:
            StatusText->setText(QString::fromUtf8("追跡しました: %1 - %2（%3）")
                                    .arg(from)
                                    .arg(r.lastFrame)
                                    .arg(frames(r.followed)));
            break;
        case Editor::FollowStop::Paused:
            StatusText->setText(QString::fromUtf8("追跡を停止しました: ") + frames(r.stoppedAt));
            break;
        case Editor::FollowStop::Lost:
            StatusText->setText(QString::fromUtf8("追跡できなくなりました: ") +
                                frames(r.stoppedAt));
            host_->MsgBox(utf8(StatusText->text()), msgbox::kOk, kAppTitle);
            break;
        case Editor::FollowStop::NoPicture:
            host_->MsgBox(utf8(QString::fromUtf8("フレーム %1 が読めません").arg(r.stoppedAt)),
                          msgbox::kOk, kAppTitle);
            break;
        case Editor::FollowStop::NoRecord:
            host_->MsgBox("選択レイヤーのこのフレームに、追跡できる範囲の効果がありません",
                          msgbox::kOk, kAppTitle);
            break;
    }
}

void Form1::findAndHide(bool plates) {
    Editor& e = *editor_;
    if (e.MvOpen != kTrue) return;
    const int32_t last = e.EffArr.frameCount() - 1;
    // The marked range when there is one, else the whole movie.
    const bool marked = e.STFlame < e.ENDFlame;
    const int32_t first = marked ? e.STFlame : 0, end = marked ? e.ENDFlame : last;
    const Editor::FindResult r = e.findAndHide(
        first, end, plates ? ObjectDetector::Target::Plates : ObjectDetector::Target::Faces,
        e.SelLay, Editor::defaultHidingRecord(), true);
    const QString what = QString::fromUtf8(plates ? "ナンバー" : "顔");
    if (!r.error.empty()) {
        host_->MsgBox(utf8(QString::fromUtf8("探せません: ") + QString::fromStdString(r.error)),
                      msgbox::kOk, kAppTitle);
        return;
    }
    QString text;
    if (r.paused)
        text = QString::fromUtf8("%1の検出を停止しました: %2 フレーム（%3 件を隠しました）")
                   .arg(what)
                   .arg(r.stoppedAt)
                   .arg(r.written);
    else if (r.tracks.empty())
        text = QString::fromUtf8("%1は見つかりませんでした（フレーム %2 - %3）")
                   .arg(what)
                   .arg(first)
                   .arg(end);
    else
        text = QString::fromUtf8("%1を %2 件見つけて隠しました（フレーム %3 - %4）")
                   .arg(what)
                   .arg(r.written + r.joined)
                   .arg(first)
                   .arg(end);
    StatusText->setText(text);
    if (r.leftOut > 0)
        host_->MsgBox(
            utf8(QString::fromUtf8("%1 件の%2は隠せませんでした（使えるレイヤーがありません）")
                     .arg(r.leftOut)
                     .arg(what)),
            msgbox::kOk, kAppTitle);
    else if (r.joined > 0)
        host_->MsgBox(
            utf8(QString::fromUtf8("同時に見える%1が多いため、%2 件は別の%1と同じレイヤーに"
                                   "まとめて隠しました（レイヤーは 4 つまで）")
                     .arg(what)
                     .arg(r.joined)),
            msgbox::kOk, kAppTitle);
    else if (!r.paused && r.stoppedAt >= 0)
        host_->MsgBox(utf8(QString::fromUtf8("フレーム %1 が読めません").arg(r.stoppedAt)),
                      msgbox::kOk, kAppTitle);
}

void Form1::checkUncovered() {
    Editor& e = *editor_;
    if (e.MvOpen != kTrue) return;
    const int32_t last = e.EffArr.frameCount() - 1;
    // The marked range when there is one, else the whole movie.
    const bool marked = e.STFlame < e.ENDFlame;
    const int32_t first = marked ? e.STFlame : 0, end = marked ? e.ENDFlame : last;
    const Editor::CheckResult r = e.checkUncovered(first, end, true, true);
    if (!r.error.empty()) {
        host_->MsgBox(utf8(QString::fromUtf8("確認できません: ") + QString::fromStdString(r.error)),
                      msgbox::kOk, kAppTitle);
        return;
    }
    if (checkDialog_ == nullptr) checkDialog_ = new CheckDialog(this);
    checkDialog_->show(r, first, end, [this](int32_t frame) { goToFrame(frame); });
}

const std::vector<std::pair<const char*, const char*>>& Form1::toolTipTable() {
    static const std::vector<std::pair<const char*, const char*>> table = {
        {"LayErase", "選択レイヤーを削除"},
        {"LayRight", "選択レイヤーを右と交換"},
        {"LayLeft", "選択レイヤーを左と交換"},
        {"ComStp", "停止"},
        {"ComPlay", "再生"},
        {"ComFStep", "１フレーム進む"},
        {"ComEnd", "最終フレームに進む"},
        {"ComBack", "逆転再生"},
        {"ComBStep", "１フレーム戻る"},
        {"ComBegin", "開始フレームに戻る"},
        {"ComRec", "ムービー書き出し"},
        {"ComStop", "ムービーの解放"},
        {"LabelTime", "経過時間"},
        {"TextPos", "フレーム番号"},
        {"BgnFlame", "ムービー切り出しの開始フレームを指定"},
        {"EndFlame", "ムービー切り出しの終了フレームを指定"},
        {"ComHokan", "効果を自動補間"},
        {"ComFdIn", "フェードインで自動補間"},
        {"ComFdOut", "フェードアウトで自動補間"},
        {"Option1", "開始/終了フレームの範囲内を再生"},
        {"Option2", "ムービー全体を再生"},
        {"Option7", "正転で書き出し"},
        {"Option8", "逆転で書き出し"},
        {"Xzahyou", "効果の起点"},
        {"Yzahyou", "効果の起点"},
        {"Wzahyou", "効果の幅"},
        {"Hzahyou", "効果の高さ"},
        {"XYSet", "数値で効果を付ける"},
        {"Combo3", "効果を選択"},
        {"CheckPreVew", "効果のプレビューを指定"},
        {"RDPictBtn", "効果用画像の読込"},
        {"PicSldr", "全体タイムライン"},
        {"PicSldr2", "表示するコマを指定"},
        {"PictTLine", "効果の状態"},
        {"PictLayNomb", "レイヤー番号"},
        {"PictLayEnable", "レイヤーの有効/無効"},
        {"TextHSt", "補間の最初のフレーム"},
        {"TextHEnd", "補間の最終フレーム"},
        {"ComTrack", "範囲の中身を追って効果を付ける（Shift で逆方向）"},
    };
    return table;
}

void Form1::SetToolTip() {
    for (const auto& [name, tip] : toolTipTable())
        if (QWidget* w = findChild<QWidget*>(QString::fromUtf8(name)))
            w->setToolTip(QString::fromUtf8(tip));
    menuToolTip->setChecked(true);
    tooltipsOn_ = true;
}

void Form1::ReSetToolTip() {
    for (const auto& [name, tip] : toolTipTable())
        if (QWidget* w = findChild<QWidget*>(QString::fromUtf8(name))) w->setToolTip(QString());
    menuToolTip->setChecked(false);
    tooltipsOn_ = false;
}

}  // namespace movalux::shell
