#pragma once
// The ports on a console: boxes go to stderr and questions are answered
// "No" (nothing is searched for, nothing overwritten); dialogs are cancelled.

#include <map>
#include <string>

#include "host/Host.h"

namespace movalux::cli {

class ConsoleHost : public Host {
public:
    int MsgBox(std::string_view text, int style, std::string_view title) override;
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    void SetPointer(int) override {}
    void DoEvents() override {}
    uint32_t timeGetTime() override;
    void SetLabel(std::string_view name, std::string_view text) override;
    std::string LabelText(std::string_view name) const override;
    void Refresh(Picture) override {}
    void SetTLine() override {}
    void DspSelLayer() override {}
    void DspLayEnable() override {}
    void DspSldr() override {}
    void SetSlr2() override {}

    int messagesShown() const { return messages_; }

private:
    std::map<std::string, std::string, std::less<>> labels_;
    int messages_ = 0;
};

}  // namespace movalux::cli
