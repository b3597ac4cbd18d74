#include "cli/ConsoleHost.h"

#include <chrono>
#include <iostream>

namespace movalux::cli {

int ConsoleHost::MsgBox(std::string_view text, int style, std::string_view title) {
    ++messages_;
    std::cerr << (title.empty() ? "" : std::string(title) + ": ") << text << '\n';
    switch (style & 7) {
        case msgbox::kOkCancel: return msgbox::kAnswerCancel;
        case msgbox::kYesNoCancel:
        case msgbox::kYesNo: return msgbox::kAnswerNo;
        default: return msgbox::kAnswerOk;
    }
}

FileDialogResult ConsoleHost::FileDialog(const FileDialogRequest&) {
    return {FileDialogResult::Outcome::Cancelled, {}};
}

uint32_t ConsoleHost::timeGetTime() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ConsoleHost::SetLabel(std::string_view name, std::string_view text) {
    labels_.insert_or_assign(std::string(name), std::string(text));
}

std::string ConsoleHost::LabelText(std::string_view name) const {
    auto it = labels_.find(name);
    return it == labels_.end() ? std::string() : it->second;
}

}  // namespace movalux::cli
