#include "support/RecordingHost.h"

namespace movalux::test {

int RecordingHost::MsgBox(std::string_view text, int style, std::string_view title) {
    messages.push_back({std::string(text), style, std::string(title)});
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (style & 7) {
        case msgbox::kOkCancel: return msgbox::kAnswerCancel;
        case msgbox::kYesNoCancel:
        case msgbox::kYesNo: return msgbox::kAnswerNo;
        default: return msgbox::kAnswerOk;
    }
}

FileDialogResult RecordingHost::FileDialog(const FileDialogRequest& request) {
    dialogs.push_back(request);
    if (dialogs_.empty()) return {FileDialogResult::Outcome::Cancelled, {}};
    FileDialogResult r = dialogs_.front();
    dialogs_.pop_front();
    return r;
}

void RecordingHost::SetLabel(std::string_view name, std::string_view text) {
    labels.insert_or_assign(std::string(name), std::string(text));
}

std::string RecordingHost::LabelText(std::string_view name) const {
    auto it = labels.find(name);
    return it == labels.end() ? std::string() : it->second;
}

bool RecordingHost::ICCompressorChoose(const std::vector<CompressorOption>& offered,
                                       CompressorSettings& settings, std::string_view title) {
    compressorTitles.emplace_back(title);
    compressorOffered = offered;
    compressorPreset = settings;
    if (compressorCancel) return false;
    if (compressorAnswer) settings = *compressorAnswer;
    return true;
}

void RecordingHost::Progress(const ProgressReport& report) {
    progress.push_back({std::string(report.task), report.done, report.total, report.finished});
}

void RecordingPanel::log(std::string_view c, std::string_view property, std::string value) {
    changes.push_back({std::string(c), std::string(property), std::move(value)});
}

bool RecordingPanel::touched(std::string_view control) const {
    for (const auto& ch : changes)
        if (ch.control == control) return true;
    return false;
}

void RecordingPanel::setCaption(std::string_view c, std::string_view v) {
    log(c, "caption", std::string(v));
    MemoryPanel::setCaption(c, v);
}
void RecordingPanel::setText(std::string_view c, std::string_view v) {
    log(c, "text", std::string(v));
    MemoryPanel::setText(c, v);
}
void RecordingPanel::setVisible(std::string_view c, bool v) {
    log(c, "visible", v ? "1" : "0");
    MemoryPanel::setVisible(c, v);
}
void RecordingPanel::setEnabled(std::string_view c, bool v) {
    log(c, "enabled", v ? "1" : "0");
    MemoryPanel::setEnabled(c, v);
}
void RecordingPanel::setChecked(std::string_view c, bool v) {
    log(c, "checked", v ? "1" : "0");
    MemoryPanel::setChecked(c, v);
}
void RecordingPanel::clearList(std::string_view c) {
    log(c, "clear", "");
    MemoryPanel::clearList(c);
}
void RecordingPanel::addItem(std::string_view c, std::string_view v) {
    log(c, "item", std::string(v));
    MemoryPanel::addItem(c, v);
}
void RecordingPanel::setListIndex(std::string_view c, int v) {
    log(c, "listIndex", std::to_string(v));
    MemoryPanel::setListIndex(c, v);
}
void RecordingPanel::setScrollRange(std::string_view c, int min, int max) {
    log(c, "scrollRange", std::to_string(min) + ".." + std::to_string(max));
    MemoryPanel::setScrollRange(c, min, max);
}
void RecordingPanel::setScrollValue(std::string_view c, int v) {
    log(c, "scrollValue", std::to_string(v));
    MemoryPanel::setScrollValue(c, v);
}
void RecordingPanel::move(std::string_view c, int left, int top) {
    log(c, "move", std::to_string(left) + "," + std::to_string(top));
    MemoryPanel::move(c, left, top);
}
void RecordingPanel::resize(std::string_view c, int width, int height) {
    log(c, "resize", std::to_string(width) + "x" + std::to_string(height));
    MemoryPanel::resize(c, width, height);
}
void RecordingPanel::setFontSize(std::string_view c, int points) {
    log(c, "font", std::to_string(points));
    MemoryPanel::setFontSize(c, points);
}

}  // namespace movalux::test
