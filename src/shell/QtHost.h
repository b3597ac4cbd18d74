#pragma once
// The window services of the core on Qt: classic message boxes, the common
// file dialog, mouse pointers, pending events, the clock, the main window's
// labels and the redraws of its pictures and strips.

#include <QElapsedTimer>

#include "host/Host.h"

namespace movalux::shell {

class Form1;

class QtHost : public Host {
  public:
    explicit QtHost(Form1& form);

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

    int pointer() const { return pointer_; }

  private:
    Form1& form_;
    QElapsedTimer clock_;
    int pointer_ = pointer::kDefault;
};

}  // namespace movalux::shell
