#pragma once
// A host without a window, for the benchmarks and the fuzz targets: boxes are
// answered OK or No (nothing is saved, searched for or overwritten), the save
// dialog answers with `savePath` when one is set, labels keep what is
// written into them (so the panel lists and speed boxes can be preset), and
// the clock is the real one. Everything else does nothing.

#include <chrono>
#include <map>
#include <string>

#include "host/Host.h"

namespace movalux {

class NullHost : public Host {
  public:
    int MsgBox(std::string_view text, int style, std::string_view) override {
        lastMessage = text;
        return (style & 7) == msgbox::kOk ? msgbox::kAnswerOk : msgbox::kAnswerNo;
    }
    FileDialogResult FileDialog(const FileDialogRequest&) override {
        if (savePath.empty()) return {};
        return {FileDialogResult::Outcome::Chosen, savePath};
    }
    void SetPointer(int) override {}
    void DoEvents() override {}
    uint32_t timeGetTime() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now() - start_).count());
    }
    void SetLabel(std::string_view name, std::string_view text) override {
        labels.insert_or_assign(std::string(name), std::string(text));
    }
    std::string LabelText(std::string_view name) const override {
        auto it = labels.find(name);
        return it == labels.end() ? std::string() : it->second;
    }
    void Refresh(Picture) override {}
    void SetTLine() override {}
    void DspSelLayer() override {}
    void DspLayEnable() override {}
    void DspSldr() override {}
    void SetSlr2() override {}

    std::string savePath;
    std::string lastMessage;
    std::map<std::string, std::string, std::less<>> labels;

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace movalux
