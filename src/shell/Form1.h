#pragma once
// The main window. It owns one Editor, implements the ports with its widgets
// and forwards every user action to the editor; the only state it keeps of
// its own is what the widgets show. Controls carry the program's classic
// names as object names and members.

#include <QImage>
#include <QMainWindow>
#include <QRect>
#include <functional>
#include <memory>
#include <string>

#include "editor/Editor.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace movalux::shell {

class PictureBox;
class QtHost;
class QtPanel;
class VerInfo;
class CheckDialog;

class Form1 : public QMainWindow {
  public:
    Form1();
    ~Form1() override;

    // Start-up; commandLine is the movie named on the command line ("" for
    // none).
    void Form_Load(const std::vector<std::string>& arguments);

    Editor& editor() { return *editor_; }
    // Opens an edit file (and its movie) as the menu would after its dialog.
    void openEditFile(const std::string& path);
    // Shows frame `frame` as typing it into the frame box would.
    void goToFrame(int32_t frame);
    // Autosave into the recovery folder: the editor writes the unsaved
    // project when due, looked at every second by a timer.
    void enableRecovery(const std::string& folder, AutosavePolicy policy = {});
    // At start: offers what editors no longer running left unsaved.
    void offerRecovery();
    QtHost& host() { return *host_; }

    // Redraws, called through the Host port.
    void SetTLine();
    void DspSelLayer();
    void DspLayEnable();
    void DspSldr();
    void SetSlr2();
    void SetSL2Mj();
    void refreshPictMain();
    void refreshPreVewPict();

    // Enabling of the movie controls.
    void BTNEnable();
    void BTNDEnable();
    // One control by name (controls whose command is not built stay off).
    void setControlEnabled(const char* name, bool enabled);
    QtPanel& panel() { return *panel_; }
    // The progress bar and status text of a long write.
    void showProgress(const ProgressReport& report);
    // A play, write or conversion loop is running inside an event handler.
    bool loopRunning() const { return loopDepth_ > 0; }
    // Tooltips on and off.
    void SetToolTip();
    void ReSetToolTip();
    bool tooltipsOn() const { return tooltipsOn_; }

    // The tooltip texts by control name, in the order of the table.
    static const std::vector<std::pair<const char*, const char*>>& toolTipTable();

    // --- Controls ---------------------------------------------------------
    QMenu *mnuFile, *menuEdit, *mnuPly, *mnuEff, *mnu_Lay, *menuHelp, *menuRec1, *mnuToukasyoku;
    QAction *mnuOpen, *mnuEdFileOpen, *mnuEdFileSaveAs, *mnuRecover, *menuRec, *menuRecM, *menuRecS,
        *menuFree, *MnuPicSave, *MnuPPPSave, *MnuMakeMV, *MnuChangeMV, *mnuEnd;
    QAction *mnuEfUndo, *mnuEfRedo, *mnuStFrame, *mnuEndFrame, *mnuDelSel, *MenuJmpKF, *MenuJmpKR;
    QAction *mnuTimeY, *mnuFrameY, *mnuPlay, *menuZure;
    QAction *mnuHokan, *mnuFDin, *mnuFDout, *mnuEfDelete, *mnuAll, *mnuTouka, *mnuTokaNon;
    // Faces or number plates found in the marked range and hidden.
    QAction* mnuFindFaces;
    QAction* mnuFindPlates;
    QAction* mnuCheck;  // the check before publishing: faces and plates left uncovered
    QAction *mnu_LayRight, *mnu_LayLeft, *mnu_LayErase;
    QAction *menuToolTip, *menuVer;
    QMenu* mnuView;
    QAction *mnuView100, *mnuView50, *mnuView25, *mnuViewFit;

    PictureBox *PictMain, *PictTLine, *PicSldr2, *PicSL2Mj, *PicSldr, *PictLayNomb, *PictLayEnable,
        *PictMainMj, *PreVewPict;
    QFrame* Frame1;
    QPushButton *ComBegin, *ComBStep, *ComBack, *ComStp, *ComPlay, *ComFStep, *ComEnd, *ComStop;
    QLabel* LabelTime;
    QLineEdit* TextPos;
    QRadioButton *Option1, *Option2;
    QLabel* labelPlaySpeed;
    QComboBox* Combo4;
    QLineEdit *TextHSt, *TextHEnd;
    QPushButton *ComHokan, *ComFdIn, *ComFdOut, *BgnFlame, *EndFlame, *LayLeft, *LayRight,
        *LayErase;
    QPushButton* ComTrack;  // follows the selected layer's region (Shift: backward)
    QGroupBox* Frame7;
    QLabel *Label9, *Label10, *Label13, *Label14, *Label15;
    QLineEdit *Xzahyou, *Yzahyou, *Wzahyou, *Hzahyou;
    QPushButton* XYSet;
    QFrame* effectPanel;
    QComboBox* Combo3;
    QCheckBox* CheckPreVew;
    QGroupBox *Frame5, *Frame6;
    QRadioButton *Option3, *Option4, *Option5, *Option6;
    QLabel *Label1, *Label3, *Label6;
    QComboBox *Combo1, *Combo5, *Combo6;
    QScrollBar *HScroll1, *HScroll2, *HScroll3;
    QPushButton *RDPictBtn, *ComdBtn2, *ComSTP2;
    QFrame* recordPanel;
    QPushButton* ComRec;
    QRadioButton *Option7, *Option8;
    QLabel* labelRecSpeed;
    QComboBox* Combo2;
    QLabel *Label2, *Label16, *Label18, *Label20, *Label21, *Label22;
    QProgressBar* ProgBar1;
    QLabel* StatusText;
    CheckDialog* checkDialog() const { return checkDialog_; }

    // The picture's display scale: a fixed one (1, 0.5, 0.25) or 0 for the
    // largest up to 100 % that keeps the whole window on the screen.
    void setViewChoice(double scale);
    double viewScale() const { return viewScale_; }
    // The screen area the window fits into; by default the available area
    // of its screen.
    void setScreenArea(const QRect& area);
    QRect availableArea() const;

    // Heights of the timeline and the frame strip in their own units.
    static constexpr int kStripHeight = 473;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    void connectHandlers();
    // Layout for the design size (SetScale) and for the movie's size
    // (SetScale2).
    void SetScale();
    void SetScale2();
    void Sl2BkLine(int rows);
    double viewScaleFor(int movieWidth, int movieHeight, QSize central) const;
    // The fixed lists: speeds and effects.
    void fillLists();
    // Runs an editor call: no exception leaves it, and the controls follow
    // the movie state afterwards.
    void forward(const std::function<void()>& action);
    void syncMovieControls();
    // Commands that run a loop (playing, writing) or replace what such a
    // loop works on (the movie, the frame rate). While a loop runs, one of
    // them first stops it and runs once it has ended.
    void exclusive(std::function<void()> action);
    void runDeferred();
    // Play forward (+1) or backward (-1) when the play button allows it.
    void play(int16_t direction);
    void pause();
    void menuZureDialog();
    // The status line after a write: done (frames, time, file), paused, or
    // failed with the reason.
    void reportWrite(Editor::RecOutcome outcome);
    // Follows the region of the selected layer from the current frame to
    // the marked end (start), or the movie's, and says where it stopped.
    void follow(bool backward);
    // Finds faces (plates) in the marked range (or the whole movie) and
    // hides them on the selected and next free layers.
    void findAndHide(bool plates);
    // Searches the marked range (or the whole movie) as it will be written
    // and lists what can still be seen.
    void checkUncovered();

    float panelScaleStore_ = 1.0f;
    std::unique_ptr<QtHost> host_;
    std::unique_ptr<QtPanel> panel_;
    std::unique_ptr<Editor> editor_;
    VerInfo* verInfo_ = nullptr;
    CheckDialog* checkDialog_ = nullptr;
    QImage picSl2Bk_;  // PicSl2Bk, the frame strip's background
    std::vector<std::string> arguments_;
    int loopDepth_ = 0;
    QTimer* autosaveTimer_ = nullptr;
    std::vector<std::function<void()>> deferred_;
    bool closePending_ = false;
    bool tooltipsOn_ = false;
    bool wheelGuard_ = false;
    bool shownOpen_ = false;
    int shownWidth_ = -1;
    int shownHeight_ = -1;
    int32_t drawnTop_ = -1;
    int rowHeight_ = 8;
    double viewChoice_ = 0;
    double viewScale_ = 1.0;
    QRect screenArea_;
    bool laying_ = false;
    bool userSized_ = false;
    double extraWidth_ = 0;
    double extraHeight_ = 0;
};

}  // namespace movalux::shell
