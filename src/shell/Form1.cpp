// The main window: construction, start-up and closing, what the controls
// are enabled for, and the redraws the editor asks for through the ports.
// Layout lives in Form1Layout.cpp, menus, keys and the play and write loops
// in Form1Commands.cpp.
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
#include "shell/ClassicDialogs.h"
#include "shell/PictureBox.h"
#include "shell/QtHost.h"
#include "shell/QtPanel.h"
#include "shell/StripPainter.h"
#include "shell/VerInfo.h"
#include "shell/WriteDialogs.h"

namespace movalux::shell {

Form1::Form1() {
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf8(kAppTitle));
    auto* central = new QWidget(this);
    central->setObjectName("centralArea");
    setCentralWidget(central);
    buildMenus();
    buildControls();
    host_ = std::make_unique<QtHost>(*this);
    panel_ = std::make_unique<QtPanel>(*this, panelScaleStore_);
    editor_ = std::make_unique<Editor>(*host_, *panel_);
    connectHandlers();
    qApp->installEventFilter(this);
}

Form1::~Form1() {
    qApp->removeEventFilter(this);
}

// --- Calls into the editor ------------------------------------------------------------

void Form1::forward(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        host_->MsgBox(std::string("エラーが発生しました(") + e.what() + ")", msgbox::kOk, "");
    } catch (...) {
        host_->MsgBox("エラーが発生しました", msgbox::kOk, "");
    }
    syncMovieControls();
}

// --- Start-up and closing -------------------------------------------------------------

void Form1::Form_Load(const std::vector<std::string>& arguments) {
    const auto step = [this](auto&& action) {
        try {
            action();
        } catch (const std::exception&) {
            host_->MsgBox("エラー(FL1)51が発生しました", msgbox::kOk, "");
        }
    };
    step([&] { arguments_ = arguments; });
    step([&] {
        panelScaleStore_ = static_cast<float>(73.0 / Frame1->height());
        editor_->PanelScale = panelScaleStore_;
    });
    step([&] { SetScale(); });
    step([&] {
        editor_->TLRows = 60;
        editor_->TLTop = 0;
        rowHeight_ =
            static_cast<int>(std::lround(static_cast<double>(kStripHeight) / editor_->TLRows));
        BTNDEnable();
    });
    step([&] { Sl2BkLine(editor_->TLRows); });
    step([&] { fillLists(); });
    step([&] {
        std::error_code ec;
        std::filesystem::create_directories(mxTempFolder(), ec);
    });
    step([&] {
        // The check marks follow the priority the editor starts with.
        mnuTimeY->setChecked(editor_->TimeYusenMenu);
        mnuFrameY->setChecked(!editor_->TimeYusenMenu);
    });
    forward([&] { editor_->startUp(arguments_); });
    step([&] { SetToolTip(); });
    DspSelLayer();
    DspLayEnable();
    DspSldr();
    SetSlr2();
    SetTLine();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (loopRunning()) {
        // The running play or write ends first; the window then closes
        // (with the save prompt) once the loop has unwound.
        pause();
        closePending_ = true;
        event->ignore();
        return;
    }
    bool mayClose = true;
    forward([&] { mayClose = editor_->Form_Unload(); });
    if (mayClose) {
        if (verInfo_ != nullptr) verInfo_->close();
        event->accept();
    } else {
        event->ignore();
    }
}

// --- Enabling --------------------------------------------------------------------------

namespace {
const char* const kMovieControls[] = {
    "ComPlay",     "ComFStep",    "ComEnd",     "ComStop",  "ComBack",  "ComBStep",
    "ComBegin",    "ComStp",      "BgnFlame",   "EndFlame", "ComHokan", "ComFdIn",
    "ComFdOut",    "ComRec",      "LayLeft",    "LayRight", "LayErase", "mnuEdFileSaveAs",
    "mnuStFrame",  "mnuEndFrame", "mnuHokan",   "mnuFDin",  "mnuFDout", "mnuEfDelete",
    "mnuEfUndo",   "MnuPicSave",  "MnuPPPSave", "menuRec1", "menuFree", "mnu_Lay",
    "MnuChangeMV",
};
}  // namespace

void Form1::setControlEnabled(const char* name, bool enabled) {
    panel_->setEnabled(name, enabled);
}

void Form1::BTNEnable() {
    panel_->setMovieOpen(true);
    for (const char* name : kMovieControls) setControlEnabled(name, true);
    ComTrack->setEnabled(true);
}

void Form1::BTNDEnable() {
    panel_->setMovieOpen(false);
    for (const char* name : kMovieControls) setControlEnabled(name, false);
    ComTrack->setEnabled(false);
}

// --- Drawing ---------------------------------------------------------------------------

void Form1::syncMovieControls() {
    const bool open = editor_->MvOpen != kFalse;
    const Surface& s = editor_->PictMain();
    const bool resized = open && (s.width() != shownWidth_ || s.height() != shownHeight_);
    if (open != shownOpen_ || resized) {
        shownOpen_ = open;
        if (open)
            BTNEnable();
        else
            BTNDEnable();
        SetScale2();
        DspSldr();
        SetSlr2();
        SetSL2Mj();
        DspSelLayer();
        DspLayEnable();
    }
}

void Form1::SetTLine() {
    drawTimeline(PictTLine->picture(), *editor_, kStripHeight, rowHeight_);
    PictTLine->update();
}

void Form1::DspSelLayer() {
    drawLayerNumbers(PictLayNomb->picture(), *editor_);
    PictLayNomb->update();
}

void Form1::DspLayEnable() {
    drawLayerEnable(PictLayEnable->picture(), *editor_);
    PictLayEnable->update();
}

void Form1::DspSldr() {
    drawOverview(PicSldr->picture(), *editor_);
    PicSldr->update();
    drawRuler(PictMainMj->picture(), editor_->MvRuler);
    PictMainMj->update();
}

void Form1::SetSlr2() {
    const bool moved = editor_->followPage();
    if (moved || editor_->TLTop != drawnTop_) SetSL2Mj();
    if (picSl2Bk_.isNull()) return;
    drawFrameStrip(PicSldr2->picture(), picSl2Bk_, *editor_);
    PicSldr2->update();
}

void Form1::SetSL2Mj() {
    drawPageTimes(PicSL2Mj->picture(), *editor_);
    PicSL2Mj->update();
    drawnTop_ = editor_->TLTop;
    SetTLine();
}

void Form1::refreshPictMain() {
    PictMain->update();
    // The file label tells the shape of the movie's pixels; the picture is
    // shown in stored pixels, as the records count them.
    QString tip;
    if (const MovieSource* movie = editor_ ? editor_->movie() : nullptr) {
        const MovieInfo& info = movie->info();
        tip = QString::fromUtf8("画素の縦横比 %1:%2").arg(info.sarNum).arg(info.sarDen);
    }
    if (Label21->toolTip() != tip) Label21->setToolTip(tip);
}
void Form1::refreshPreVewPict() {
    PreVewPict->update();
}

void Form1::openEditFile(const std::string& path) {
    forward([&] { editor_->readEditFile(path); });
}

void Form1::goToFrame(int32_t frame) {
    forward([this, frame] {
        host_->SetLabel("TextPos", std::to_string(frame));
        editor_->TextPos_KeyDown(13);
    });
}

void Form1::enableRecovery(const std::string& folder, AutosavePolicy policy) {
    editor_->enableAutosave(folder, policy);
    if (autosaveTimer_ != nullptr) return;
    autosaveTimer_ = new QTimer(this);
    autosaveTimer_->setObjectName("autosaveTimer");
    autosaveTimer_->setInterval(1000);
    connect(autosaveTimer_, &QTimer::timeout, this, [this] {
        // Not inside a play or write loop, nor under a dialog: the project
        // may be half way through a command there.
        if (loopRunning() || QApplication::activeModalWidget() != nullptr) return;
        forward([this] { editor_->AutosaveTick(); });
    });
    autosaveTimer_->start();
}

void Form1::offerRecovery() {
    exclusive([this] { editor_->offerRecovery(); });
}
}  // namespace movalux::shell
