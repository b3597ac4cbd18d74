#pragma once
// The window services of the core on Qt: classic message boxes, the common
// file dialog, mouse pointers, pending events, the clock, the main window's
// labels and the redraws of its pictures and strips.

#include <QElapsedTimer>
#include <memory>

#include "host/Host.h"

namespace movalux::shell {

class Form1;

class QtHost : public Host {
  public:
    explicit QtHost(Form1& form);
    ~QtHost() override;

    int MsgBox(std::string_view text, int style, std::string_view title) override;
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    void SetPointer(int pointer) override;
    void DoEvents() override;
    uint32_t timeGetTime() override;
    void SetLabel(std::string_view name, std::string_view text) override;
    std::string LabelText(std::string_view name) const override;
    void Refresh(Picture picture) override;
    void SetTLine() override;
    void DspSelLayer() override;
    void DspLayEnable() override;
    void DspSldr() override;
    void SetSlr2() override;
    void BTNEnable() override;
    void BTNDEnable() override;
    void SetControlEnabled(std::string_view name, bool enabled) override;
    void SetControlChecked(std::string_view name, bool checked) override;
    bool ICCompressorChoose(const std::vector<CompressorOption>& offered,
                            CompressorSettings& settings, std::string_view title) override;
    void Progress(const ProgressReport& report) override;
    bool ShowForm2(std::string_view label, std::string& Text1) override;
    void WaitEvents(uint32_t maxMs) override;
    bool StartSound(SoundFeed& feed) override;
    double SoundSeconds() override;
    void StopSound() override;
    void SetLabelColor(std::string_view name, int32_t bgr) override;
    ListChoice ChooseFromList(std::string_view title, std::string_view prompt,
                              const std::vector<std::string>& items,
                              std::string_view removeCaption) override;

    int pointer() const { return pointer_; }
    // Whether sound is playing through an output now.
    bool soundPlaying() const;

  private:
    struct Sound;
    Form1& form_;
    std::unique_ptr<Sound> sound_;
    QElapsedTimer clock_;
    int pointer_ = pointer::kDefault;
};

}  // namespace movalux::shell
