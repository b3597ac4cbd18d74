// Any bytes as an edit file: the reader must neither crash, nor touch memory
// it does not own, nor allocate without bound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/Editor.h"
#include "host/Host.h"
#include "host/MemoryPanel.h"

namespace {

using namespace movalux;

// Questions are answered "No" and dialogs cancelled, as on the console.
class QuietHost : public Host {
public:
    int MsgBox(std::string_view, int style, std::string_view) override {
        return (style & 7) == msgbox::kOk ? msgbox::kAnswerOk : msgbox::kAnswerNo;
    }
    FileDialogResult FileDialog(const FileDialogRequest&) override { return {}; }
    void SetPointer(int) override {}
    void DoEvents() override {}
    uint32_t timeGetTime() override { return 0; }
    void SetLabel(std::string_view, std::string_view) override {}
    std::string LabelText(std::string_view) const override { return {}; }
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
    bool ICCompressorChoose(const std::vector<CompressorOption>&, CompressorSettings&,
                            std::string_view) override {
        return false;
    }
    void Progress(const ProgressReport&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QuietHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    editor.readEditFileBytes(std::string_view(reinterpret_cast<const char*>(data), size), Editor::ReadOptions{false});
    return 0;
}
