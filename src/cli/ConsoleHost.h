#pragma once
// The ports on a console: boxes go to stderr and questions are answered
// "No" (nothing is searched for, nothing overwritten); dialogs are cancelled.

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "host/Host.h"

namespace movalux::cli {

class ConsoleHost : public Host {
public:
    int MsgBox(std::string_view text, int style, std::string_view title) override;
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    void SetPointer(int) override {}
    uint32_t timeGetTime() override;
    void SetLabel(std::string_view name, std::string_view text) override;
    std::string LabelText(std::string_view name) const override;
    void Refresh(Picture) override {}
    void SetTLine() override {}
    void DspSelLayer() override {}
    void DspLayEnable() override {}
    void DspSldr() override {}
    void SetSlr2() override {}

    void BTNEnable() override {}
    void BTNDEnable() override {}
    void SetControlEnabled(std::string_view, bool) override {}
    void SetControlChecked(std::string_view, bool) override {}
    // Answers with the settings given on the command line: a codec that is
    // not offered is still passed on, for the write to refuse it.
    bool ICCompressorChoose(const std::vector<CompressorOption>& offered,
                            CompressorSettings& settings, std::string_view title) override;
    // A progress line on stderr: rewritten in place on a terminal, a line
    // at most every few seconds otherwise.
    void Progress(const ProgressReport& report) override;
    // DoEvents runs `pause` once after Ctrl-C (SIGINT) was pressed, so that
    // a long write ends early with a valid file.
    void DoEvents() override;

    // Form2 answers OK with this text in Text1 (the command's --fps).
    bool ShowForm2(std::string_view label, std::string& Text1) override;
    void setForm2Answer(std::string text) { form2_ = std::move(text); }
    // Questions are answered Yes instead of No (the command's --force).
    void answerQuestionsYes(bool yes) { questionsYes_ = yes; }

    void setCompressorAnswer(CompressorSettings settings) { compressor_ = std::move(settings); }
    void setSaveAnswer(std::string path) { saveAnswer_ = std::move(path); }
    void onInterrupt(std::function<void()> pause);

    int messagesShown() const { return messages_; }

private:
    std::map<std::string, std::string, std::less<>> labels_;
    int messages_ = 0;
    std::optional<CompressorSettings> compressor_;
    std::optional<std::string> saveAnswer_;
    std::optional<std::string> form2_;
    bool questionsYes_ = false;
    std::function<void()> pause_;
    uint32_t lastProgressMs_ = 0;
    bool progressShown_ = false;
};

}  // namespace movalux::cli
