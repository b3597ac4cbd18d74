// The window's controls, menus and their places: the fixed parts of the
// layout and the parts that follow the movie's size.
#include "shell/Form1.h"

#include "media/MovieSource.h"

#include <QAction>
#include <QActionGroup>
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
#include <QScreen>
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

namespace {

constexpr int kFrame1Height = 73;  // PanelScale = 73 / this height
constexpr int kDesignMovieWidth = 320;
constexpr int kDesignMovieHeight = 240;
constexpr int kMargin = 8;
constexpr int kTimelineWidth = 89;
constexpr int kSliderWidth = 20;
constexpr int kRulerWidth = 36;
constexpr int kPageTimesWidth = 38;
constexpr int kOverviewHeight = 485;
constexpr int kRulerHeight = 500;

const char* const kSpeeds[] = {"10",  "20",  "30",  "50",  "75",  "100",
                               "150", "200", "300", "500", "1000"};
const char* const kEffects[] = {"マスク", "矢印",   "画像", "画像2",  "拡大",    "モザイク",
                                "反転",   "ぼかし", "色調", "明るさ", "ムービー"};

template <class T>
T* named(T* object, const char* name) {
    object->setObjectName(QString::fromUtf8(name));
    return object;
}

QAction* menuItem(QMenu* menu, const char* name, const char* caption) {
    auto* a = named(new QAction(QString::fromUtf8(caption), menu), name);
    menu->addAction(a);
    return a;
}

QMenu* subMenu(QWidget* parent, const char* name, const char* caption) {
    auto* m = named(new QMenu(QString::fromUtf8(caption), parent), name);
    m->menuAction()->setObjectName(QString::fromUtf8(name));
    return m;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    return named(new QPushButton(QString::fromUtf8(caption), parent), name);
}

QLabel* label(QWidget* parent, const char* name, const char* caption = "") {
    return named(new QLabel(QString::fromUtf8(caption), parent), name);
}

QLineEdit* textBox(QWidget* parent, const char* name) {
    return named(new QLineEdit(parent), name);
}

QRadioButton* option(QWidget* parent, const char* name, const char* caption) {
    return named(new QRadioButton(QString::fromUtf8(caption), parent), name);
}

QComboBox* combo(QWidget* parent, const char* name, bool editable) {
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(editable);
    return c;
}

QScrollBar* hscroll(QWidget* parent, const char* name) {
    return named(new QScrollBar(Qt::Horizontal, parent), name);
}

}  // namespace

// --- Menus ----------------------------------------------------------------------

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();
    mnuFile = subMenu(this, "mnuFile", "ファイル");
    mnuOpen = menuItem(mnuFile, "mnuOpen", "ムービーを開く");
    mnuFile->addSeparator();
    mnuEdFileOpen = menuItem(mnuFile, "mnuEdFileOpen", "編集ファイルを開く");
    mnuEdFileSaveAs = menuItem(mnuFile, "mnuEdFileSaveAs", "編集ファイルを保存");
    mnuRecover = menuItem(mnuFile, "mnuRecover", "復元...");
    mnuFile->addSeparator();
    menuRec1 = subMenu(mnuFile, "menuRec1", "ムービーの書き出し");
    menuRec = menuItem(menuRec1, "menuRec", "映像+音");
    menuRecM = menuItem(menuRec1, "menuRecM", "映像のみ");
    menuRecS = menuItem(menuRec1, "menuRecS", "音のみ(wav)");
    mnuFile->addMenu(menuRec1);
    menuFree = menuItem(mnuFile, "menuFree", "ムービーの解放");
    mnuFile->addSeparator();
    MnuPicSave = menuItem(mnuFile, "MnuPicSave", "画像の保存(１コマ)");
    MnuPPPSave = menuItem(mnuFile, "MnuPPPSave", "画像の保存(連続)");
    mnuFile->addSeparator();
    MnuMakeMV = menuItem(mnuFile, "MnuMakeMV", "画像から動画作成");
    MnuChangeMV = menuItem(mnuFile, "MnuChangeMV", "ムービー変換");
    mnuFile->addSeparator();
    mnuEnd = menuItem(mnuFile, "mnuEnd", "終了");
    bar->addMenu(mnuFile);

    menuEdit = subMenu(this, "menuEdit", "編集");
    mnuEfUndo = menuItem(menuEdit, "mnuEfUndo", "効果の取消");
    mnuEfRedo = menuItem(menuEdit, "mnuEfRedo", "やり直し");
    menuEdit->addSeparator();
    mnuStFrame = menuItem(menuEdit, "mnuStFrame", "開始フレーム");
    mnuEndFrame = menuItem(menuEdit, "mnuEndFrame", "終了フレーム");
    menuEdit->addSeparator();
    mnuDelSel = menuItem(menuEdit, "mnuDelSel", "範囲の解除");
    menuEdit->addSeparator();
    MenuJmpKF = menuItem(menuEdit, "MenuJmpKF", "効果の端（前）");
    MenuJmpKR = menuItem(menuEdit, "MenuJmpKR", "効果の端（後）");
    bar->addMenu(menuEdit);

    mnuPly = subMenu(this, "mnuPly", "再生");
    mnuTimeY = menuItem(mnuPly, "mnuTimeY", "再生時間優先");
    mnuFrameY = menuItem(mnuPly, "mnuFrameY", "表示優先");
    mnuTimeY->setCheckable(true);
    mnuFrameY->setCheckable(true);
    mnuFrameY->setChecked(true);
    mnuPly->addSeparator();
    mnuPlay = menuItem(mnuPly, "mnuPlay", "再生(音付)");
    mnuPly->addSeparator();
    menuZure = menuItem(mnuPly, "menuZure", "ずれ調整");
    bar->addMenu(mnuPly);

    mnuEff = subMenu(this, "mnuEff", "効果");
    mnuHokan = menuItem(mnuEff, "mnuHokan", "効果の補間");
    mnuFDin = menuItem(mnuEff, "mnuFDin", "フェードイン");
    mnuFDout = menuItem(mnuEff, "mnuFDout", "フェードアウト");
    mnuEff->addSeparator();
    mnuEfDelete = menuItem(mnuEff, "mnuEfDelete", "効果の削除");
    mnuEff->addSeparator();
    mnuAll = menuItem(mnuEff, "mnuAll", "画面全体選択");
    mnuEff->addSeparator();
    mnuToukasyoku = subMenu(mnuEff, "mnuToukasyoku", "透過色");
    mnuTouka = menuItem(mnuToukasyoku, "mnuTouka", "設定");
    mnuTokaNon = menuItem(mnuToukasyoku, "mnuTokaNon", "なし");
    mnuEff->addMenu(mnuToukasyoku);
    mnuEff->addSeparator();
    mnuFindFaces = menuItem(mnuEff, "mnuFindFaces", "顔を探す");
    mnuFindPlates = menuItem(mnuEff, "mnuFindPlates", "ナンバーを探す");
    mnuCheck = menuItem(mnuEff, "mnuCheck", "隠し漏れ確認");
    bar->addMenu(mnuEff);

    mnu_Lay = subMenu(this, "mnu_Lay", "レイヤー");
    mnu_LayRight = menuItem(mnu_Lay, "mnu_LayRight", "上へ（右）");
    mnu_LayLeft = menuItem(mnu_Lay, "mnu_LayLeft", "下へ（左）");
    mnu_LayErase = menuItem(mnu_Lay, "mnu_LayErase", "削除");
    bar->addMenu(mnu_Lay);

    // What desktop users expect besides the classic keys.
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuEdFileSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuEnd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuEfUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuEfRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

    mnuView = subMenu(this, "mnuView", "表示");
    mnuView100 = menuItem(mnuView, "mnuView100", "100%");
    mnuView50 = menuItem(mnuView, "mnuView50", "50%");
    mnuView25 = menuItem(mnuView, "mnuView25", "25%");
    mnuViewFit = menuItem(mnuView, "mnuViewFit", "画面に合わせる");
    auto* views = new QActionGroup(mnuView);
    for (QAction* a : {mnuView100, mnuView50, mnuView25, mnuViewFit}) {
        a->setCheckable(true);
        views->addAction(a);
    }
    mnuViewFit->setChecked(true);
    bar->addMenu(mnuView);

    menuHelp = subMenu(this, "menuHelp", "ヘルプ");
    menuToolTip = menuItem(menuHelp, "menuToolTip", "ヒント");
    menuToolTip->setCheckable(true);
    menuHelp->addSeparator();
    menuVer = menuItem(menuHelp, "menuVer", "バージョン情報");
    bar->addMenu(menuHelp);
}

// --- Controls ---------------------------------------------------------------------

void Form1::buildControls() {
    QWidget* c = centralWidget();
    PictMain = new PictureBox("PictMain", c);
    PictMain->setImageSource([this] {
        Surface& s = editor_->PictMain();
        if (s.empty()) return QImage();
        // The core's surface is already RGB32: shown in place, no copy.
        return QImage(s.bytes(), s.width(), s.height(), s.bytesPerLine(), QImage::Format_RGB32);
    });
    PictMainMj = new PictureBox("PictMainMj", c);
    PicSldr = new PictureBox("PicSldr", c);
    PicSL2Mj = new PictureBox("PicSL2Mj", c);
    PicSldr2 = new PictureBox("PicSldr2", c);
    PictLayNomb = new PictureBox("PictLayNomb", c);
    PictLayEnable = new PictureBox("PictLayEnable", c);
    PictTLine = new PictureBox("PictTLine", c);
    const auto sized = [](PictureBox* box, int w, int h, const QColor& fill) {
        box->setPictureSize(w, h, fill);
        box->setDrawingSize(w, h);
    };
    sized(PictMainMj, kRulerWidth, kRulerHeight, strip::kBackground);
    sized(PicSldr, kSliderWidth, kOverviewHeight, strip::kSliderBack);
    sized(PicSL2Mj, kPageTimesWidth, kStripHeight, strip::kBackground);
    sized(PicSldr2, kSliderWidth, kStripHeight, Qt::white);
    sized(PictLayNomb, kTimelineWidth, 15, strip::kBackground);
    sized(PictLayEnable, kTimelineWidth, 15, strip::kBackground);
    sized(PictTLine, kTimelineWidth, kStripHeight, strip::kBackground);
    PictMain->setDrawingSize(kDesignMovieWidth, kDesignMovieHeight);

    Frame1 = named(new QFrame(c), "Frame1");
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setFixedHeight(kFrame1Height);
    ComBegin = button(Frame1, "ComBegin", "開始フレームに戻る");
    ComBStep = button(Frame1, "ComBStep", "１フレーム戻る");
    ComBack = button(Frame1, "ComBack", "逆転再生");
    ComStp = button(Frame1, "ComStp", "停止");
    ComPlay = button(Frame1, "ComPlay", "再生");
    ComFStep = button(Frame1, "ComFStep", "１フレーム進む");
    ComEnd = button(Frame1, "ComEnd", "最終フレームに進む");
    LabelTime = label(Frame1, "LabelTime");
    LabelTime->setFrameShape(QFrame::Panel);
    LabelTime->setFrameShadow(QFrame::Sunken);
    LabelTime->setAutoFillBackground(true);
    TextPos = textBox(Frame1, "TextPos");
    Option1 = option(Frame1, "Option1", "選択内");
    Option2 = option(Frame1, "Option2", "全体");
    Option2->setChecked(true);
    auto* playRange = new QButtonGroup(Frame1);
    playRange->addButton(Option1);
    playRange->addButton(Option2);
    labelPlaySpeed = label(Frame1, "labelPlaySpeed", "速度%");
    Combo4 = combo(Frame1, "Combo4", true);
    ComStop = button(Frame1, "ComStop", "解放");

    TextHSt = textBox(c, "TextHSt");
    TextHEnd = textBox(c, "TextHEnd");
    ComHokan = button(c, "ComHokan", "補間");
    ComFdIn = button(c, "ComFdIn", "フェードイン");
    ComFdOut = button(c, "ComFdOut", "フェードアウト");
    BgnFlame = button(c, "BgnFlame", "開始");
    EndFlame = button(c, "EndFlame", "終了");
    LayLeft = button(c, "LayLeft", "←");
    LayRight = button(c, "LayRight", "→");
    LayErase = button(c, "LayErase", "ﾚｲﾔｰ削除");
    ComTrack = button(c, "ComTrack", "追跡");

    Frame7 = named(new QGroupBox(QString::fromUtf8("効果位置"), c), "Frame7");
    Label9 = label(Frame7, "Label9", "X");
    Label10 = label(Frame7, "Label10", "Y");
    Label13 = label(Frame7, "Label13", "幅・高さ");
    Label14 = label(Frame7, "Label14", "W");
    Label15 = label(Frame7, "Label15", "H");
    Xzahyou = textBox(Frame7, "Xzahyou");
    Yzahyou = textBox(Frame7, "Yzahyou");
    Wzahyou = textBox(Frame7, "Wzahyou");
    Hzahyou = textBox(Frame7, "Hzahyou");
    XYSet = button(Frame7, "XYSet", "設定");

    effectPanel = named(new QFrame(c), "effectPanel");
    effectPanel->setFrameShape(QFrame::StyledPanel);
    Combo3 = combo(effectPanel, "Combo3", false);
    CheckPreVew = named(new QCheckBox(QString::fromUtf8("プレビュー"), effectPanel), "CheckPreVew");
    CheckPreVew->setChecked(true);
    Frame5 = named(new QGroupBox(effectPanel), "Frame5");
    Option3 = option(Frame5, "Option3", "");
    Option4 = option(Frame5, "Option4", "");
    Frame6 = named(new QGroupBox(effectPanel), "Frame6");
    Option5 = option(Frame6, "Option5", "");
    Option6 = option(Frame6, "Option6", "");
    Label1 = label(effectPanel, "Label1");
    Label3 = label(effectPanel, "Label3");
    Label6 = label(effectPanel, "Label6");
    Combo1 = combo(effectPanel, "Combo1", true);
    Combo5 = combo(effectPanel, "Combo5", true);
    Combo6 = combo(effectPanel, "Combo6", true);
    HScroll1 = hscroll(effectPanel, "HScroll1");
    HScroll2 = hscroll(effectPanel, "HScroll2");
    HScroll3 = hscroll(effectPanel, "HScroll3");
    RDPictBtn = button(effectPanel, "RDPictBtn", "画像読込");
    ComdBtn2 = button(effectPanel, "ComdBtn2", "");
    ComSTP2 = button(effectPanel, "ComSTP2", "");
    PreVewPict = new PictureBox("PreVewPict", effectPanel);
    PreVewPict->setImageSource([this] {
        Surface& s = editor_->PreVewPict();
        if (s.empty()) return QImage();
        return QImage(s.bytes(), s.width(), s.height(), s.bytesPerLine(), QImage::Format_RGB32);
    });

    recordPanel = named(new QFrame(c), "recordPanel");
    recordPanel->setFrameShape(QFrame::StyledPanel);
    ComRec = button(recordPanel, "ComRec", "書出し");
    Option7 = option(recordPanel, "Option7", "正転");
    Option8 = option(recordPanel, "Option8", "逆転");
    Option7->setChecked(true);
    auto* direction = new QButtonGroup(recordPanel);
    direction->addButton(Option7);
    direction->addButton(Option8);
    labelRecSpeed = label(recordPanel, "labelRecSpeed", "速度%");
    Combo2 = combo(recordPanel, "Combo2", true);

    Label2 = label(c, "Label2");
    Label16 = label(c, "Label16");
    Label18 = label(c, "Label18");
    Label20 = label(c, "Label20");
    Label21 = label(c, "Label21");
    Label22 = label(c, "Label22");

    // The status line: progress of long writes, and what playback says.
    StatusText = label(this, "StatusText");
    ProgBar1 = named(new QProgressBar(this), "ProgBar1");
    ProgBar1->setRange(0, 100);
    ProgBar1->setFixedWidth(200);
    ProgBar1->hide();
    statusBar()->addWidget(StatusText, 1);
    statusBar()->addPermanentWidget(ProgBar1);
    statusBar()->setSizeGripEnabled(false);
}

void Form1::SetScale() {
    // Fixed parts of the layout: inside the transport frame, the coordinate
    // frame, the effect panel's own controls and the writing group.
    int x = 4;
    for (QPushButton* b : {ComBegin, ComBStep, ComBack, ComStp, ComPlay, ComFStep, ComEnd}) {
        const int w = b->fontMetrics().horizontalAdvance(b->text()) + 16;
        b->setGeometry(x, 4, w, 28);
        x += w + 2;
    }
    LabelTime->setGeometry(4, 40, 90, 24);
    TextPos->setGeometry(98, 40, 64, 24);
    Option1->setGeometry(170, 42, 70, 20);
    Option2->setGeometry(240, 42, 60, 20);
    labelPlaySpeed->setGeometry(304, 42, 46, 20);
    Combo4->setGeometry(350, 40, 70, 24);
    ComStop->setGeometry(428, 40, 60, 24);

    Frame7->resize(130, 186);
    Xzahyou->resize(60, 22);
    Yzahyou->resize(60, 22);
    Wzahyou->resize(60, 22);
    Hzahyou->resize(60, 22);
    XYSet->resize(80, 24);
    for (QLabel* l : {Label9, Label10, Label13, Label14, Label15}) l->resize(80, 18);
    // The region modules place the coordinate frame's controls; until the
    // first panel routine runs they sit where it would put them.
    const std::pair<QWidget*, QPoint> coords[] = {
        {Label9, {120, 400}},   {Label10, {120, 780}},  {Label13, {120, 1320}},
        {Label14, {120, 1620}}, {Label15, {120, 1960}}, {Xzahyou, {300, 360}},
        {Yzahyou, {300, 720}},  {Wzahyou, {300, 1580}}, {Hzahyou, {300, 1920}},
        {XYSet, {240, 2400}},
    };
    for (const auto& [w, p] : coords)
        w->move(panel_ ? panel_->pixels(p.x()) : p.x() / 15,
                panel_ ? panel_->pixels(p.y()) : p.y() / 15);

    effectPanel->resize(330, 186);
    // The check box ends before x 200, where picture 2 and the movie
    // overlay put their preview.
    Combo3->setGeometry(6, 4, 100, 24);
    CheckPreVew->setGeometry(110, 6, 88, 20);
    Frame5->setGeometry(6, 30, 80, 60);
    Option3->setGeometry(6, 16, 70, 18);
    Option4->setGeometry(6, 36, 70, 18);
    Frame6->setGeometry(6, 94, 80, 60);
    Option5->setGeometry(6, 16, 70, 18);
    Option6->setGeometry(6, 36, 70, 18);
    for (QLabel* l : {Label1, Label3, Label6}) l->resize(56, 18);
    Label3->move(96, 30);
    Label6->move(96, 50);
    for (QComboBox* cb : {Combo1, Combo5, Combo6}) cb->resize(70, 24);
    Combo6->move(245, 56);
    for (QScrollBar* s : {HScroll1, HScroll2, HScroll3}) s->resize(133, 14);
    HScroll1->move(146, 24);
    HScroll2->move(146, 44);
    HScroll3->move(146, 64);
    RDPictBtn->setGeometry(96, 156, 80, 24);
    ComdBtn2->setGeometry(180, 156, 60, 24);
    ComSTP2->setGeometry(244, 156, 60, 24);

    recordPanel->resize(150, 186);
    ComRec->setGeometry(8, 8, 130, 28);
    Option7->setGeometry(8, 44, 60, 20);
    Option8->setGeometry(72, 44, 60, 20);
    labelRecSpeed->setGeometry(8, 74, 46, 20);
    Combo2->setGeometry(56, 72, 80, 24);
    SetScale2();
}

namespace {

// The layout's size for a picture shown at w x h: the strips right of the
// picture (never over the controls below it), the controls below.
int stripsLeft(int w) {
    return std::max(kMargin + w + 2 * PictureBox::kBorder + kMargin, kMargin + 472 + 150 + 12);
}
int layoutWidth(int w) {
    return stripsLeft(w) + kRulerWidth + 2 * kSliderWidth + kPageTimesWidth + 28 + kTimelineWidth +
           2 * PictureBox::kBorder + kMargin;
}
int belowPicture() {
    return 2 * PictureBox::kBorder + 4 + 20 + kFrame1Height + 6 + 32 + 190 + 22;
}
int layoutHeight(int h) {
    return std::max(kMargin + h + belowPicture(),
                    40 + Form1::kStripHeight + 2 * PictureBox::kBorder + kMargin);
}

}  // namespace

QRect Form1::availableArea() const {
    if (screenArea_.isValid()) return screenArea_;
    const QScreen* s = screen();
    return s != nullptr ? s->availableGeometry() : QRect(0, 0, 1280, 720);
}

void Form1::setScreenArea(const QRect& area) {
    screenArea_ = area;
    SetScale2();
}

void Form1::setViewChoice(double scale) {
    viewChoice_ = scale;
    mnuViewFit->setChecked(scale <= 0);
    mnuView100->setChecked(scale == 1.0);
    mnuView50->setChecked(scale == 0.5);
    mnuView25->setChecked(scale == 0.25);
    SetScale2();
    refreshPictMain();
}

double Form1::viewScaleFor(int mw, int mh, QSize central) const {
    if (viewChoice_ > 0) return viewChoice_;
    // Fit: the whole picture at the largest scale up to 100 % that leaves
    // the strips and the controls inside the area.
    const int besidePicture =
        layoutWidth(0) - stripsLeft(0) + 2 * kMargin + 2 * PictureBox::kBorder;
    const double byWidth = static_cast<double>(central.width() - besidePicture) / mw;
    const double byHeight = static_cast<double>(central.height() - kMargin - belowPicture()) / mh;
    return std::clamp(std::min(byWidth, byHeight), 0.05, 1.0);
}

void Form1::SetScale2() {
    // Everything else follows the movie's size: the strips sit right of the
    // picture, the controls below it. Only the picture's display scale
    // changes with the screen; the movie's pixels and the records never do.
    const Surface& s = editor_ ? editor_->PictMain() : Surface();
    const int mw =
        editor_ && editor_->MvOpen != kFalse && !s.empty() ? s.width() : kDesignMovieWidth;
    const int mh =
        editor_ && editor_->MvOpen != kFalse && !s.empty() ? s.height() : kDesignMovieHeight;
    shownWidth_ = mw;
    shownHeight_ = mh;
    const int menuAndStatus = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    // Before the window is first shown its frame is not known: a usual one.
    QSize frame = frameGeometry().size() - geometry().size();
    if (!isVisible() || frame.height() <= 0) frame = QSize(16, 40);
    const QRect area = availableArea();
    const QSize screenCentral(area.width() - frame.width(),
                              area.height() - frame.height() - menuAndStatus);
    const double scale = viewScaleFor(mw, mh, userSized_ ? centralWidget()->size() : screenCentral);
    const int dw = std::max(1, static_cast<int>(std::floor(mw * scale)));
    const int dh = std::max(1, static_cast<int>(std::floor(mh * scale)));
    viewScale_ = scale;
    PictMain->setViewScale(scale);
    editor_->setViewScale(scale);
    PictMain->setDrawingSize(dw, dh);
    PictMain->move(kMargin, kMargin);
    const int xr = stripsLeft(dw);
    PictMainMj->move(xr, kMargin);
    PicSldr->move(xr + kRulerWidth + 6, kMargin);
    PicSL2Mj->move(xr + kRulerWidth + kSliderWidth + 14, 40);
    PicSldr2->move(xr + kRulerWidth + kSliderWidth + kPageTimesWidth + 20, 40);
    const int xt = xr + kRulerWidth + 2 * kSliderWidth + kPageTimesWidth + 28;
    PictLayNomb->move(xt, kMargin);
    PictLayEnable->move(xt, kMargin + 16);
    PictTLine->move(xt, 40);

    int y = kMargin + dh + 2 * PictureBox::kBorder + 4;
    Label21->setGeometry(kMargin, y, 300, 18);
    Label18->setGeometry(kMargin + 304, y, 60, 18);
    Label16->setGeometry(kMargin + 366, y, 80, 18);
    y += 20;
    Frame1->setGeometry(kMargin, y, 600, kFrame1Height);
    y += kFrame1Height + 6;
    int x = kMargin;
    for (QWidget* w : std::initializer_list<QWidget*>{TextHSt, TextHEnd}) {
        w->setGeometry(x, y, 56, 26);
        x += 60;
    }
    for (QPushButton* b :
         {ComHokan, ComFdIn, ComFdOut, BgnFlame, EndFlame, LayLeft, LayRight, LayErase, ComTrack}) {
        const int w = b->fontMetrics().horizontalAdvance(b->text()) + 14;
        b->setGeometry(x, y, w, 26);
        x += w + 2;
    }
    y += 32;
    Frame7->move(kMargin, y);
    effectPanel->move(kMargin + 136, y);
    recordPanel->move(kMargin + 472, y);
    y += 190;
    Label22->setGeometry(kMargin, y, 60, 18);
    Label20->setGeometry(kMargin + 64, y, 80, 18);
    Label2->setGeometry(kMargin + 150, y, 200, 18);
    const int width = layoutWidth(dw);
    const int height = layoutHeight(dh);
    // The window may be made as small as the layout of the smallest
    // picture; "fit" then shows the picture smaller.
    centralWidget()->setMinimumSize(layoutWidth(0), layoutHeight(0));
    if (userSized_) return;
    laying_ = true;
    resize(std::min(width, screenCentral.width()),
           std::min(height, screenCentral.height()) + menuAndStatus);
    laying_ = false;
    extraWidth_ = width - 687.61;
    extraHeight_ = height - 515.4;
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (laying_ || !isVisible() || viewChoice_ > 0) return;
    // The user sized the window: "fit" follows the window from now on.
    userSized_ = true;
    SetScale2();
    userSized_ = false;
    refreshPictMain();
}

void Form1::Sl2BkLine(int rows) {
    picSl2Bk_ = QImage(kSliderWidth, kStripHeight, QImage::Format_RGB32);
    drawFrameStripBackground(picSl2Bk_, rows);
    PicSldr2->picture() = picSl2Bk_.copy();
    PicSldr2->update();
}

void Form1::fillLists() {
    for (const char* s : kSpeeds) Combo4->addItem(QString::fromUtf8(s));
    Combo2->addItem(QString::fromUtf8("静止"));
    for (const char* s : kSpeeds) Combo2->addItem(QString::fromUtf8(s));
    Combo4->setEditText("100");
    Combo2->setEditText("100");
    for (const char* s : kEffects) Combo3->addItem(QString::fromUtf8(s));
}

}  // namespace movalux::shell
