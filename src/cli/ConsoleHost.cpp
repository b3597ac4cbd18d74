#include "cli/ConsoleHost.h"

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace movalux::cli {

int ConsoleHost::MsgBox(std::string_view text, int style, std::string_view title) {
    const int buttons = style & 7;
    // A question the command line has answered already is not shown.
    if (questionsYes_ && (buttons == msgbox::kYesNo || buttons == msgbox::kYesNoCancel))
        return msgbox::kAnswerYes;
    ++messages_;
    std::cerr << (title.empty() ? "" : std::string(title) + ": ") << text << '\n';
    switch (style & 7) {
        case msgbox::kOkCancel:
            return msgbox::kAnswerCancel;
        case msgbox::kYesNoCancel:
        case msgbox::kYesNo:
            return msgbox::kAnswerNo;
        default:
            return msgbox::kAnswerOk;
    }
}

FileDialogResult ConsoleHost::FileDialog(const FileDialogRequest& request) {
    // The commands that write give their output name up front; it answers
    // the one save dialog of the operation.
    if (request.kind == FileDialogRequest::Kind::Save && saveAnswer_) {
        FileDialogResult chosen{FileDialogResult::Outcome::Chosen, *saveAnswer_};
        saveAnswer_.reset();
        return chosen;
    }
    return {FileDialogResult::Outcome::Cancelled, {}};
}

namespace {
std::atomic<bool> interrupted{false};
extern "C" void noteInterrupt(int) {
    interrupted = true;
}
}  // namespace

void ConsoleHost::onInterrupt(std::function<void()> pause) {
    pause_ = std::move(pause);
    interrupted = false;
    std::signal(SIGINT, noteInterrupt);
}

void ConsoleHost::DoEvents() {
    if (interrupted.exchange(false) && pause_) {
        std::cerr << "\n停止\n";
        pause_();
    }
}

bool ConsoleHost::ShowForm2(std::string_view, std::string& Text1) {
    if (form2_) Text1 = *form2_;
    return true;
}

bool ConsoleHost::ICCompressorChoose(const std::vector<CompressorOption>&,
                                     CompressorSettings& settings, std::string_view) {
    if (compressor_) settings = *compressor_;
    return true;
}

void ConsoleHost::Progress(const ProgressReport& r) {
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const uint32_t now = timeGetTime();
    if (!r.finished && progressShown_ && now - lastProgressMs_ < (terminal ? 200u : 5000u)) return;
    lastProgressMs_ = now;
    progressShown_ = true;
    std::string line(r.task);
    char part[96];
    if (r.unit == "frames") {
        std::snprintf(part, sizeof part, ": frame %lld", static_cast<long long>(r.done));
        line += part;
        if (r.total > 0) line += "/" + std::to_string(r.total);
        std::snprintf(part, sizeof part, ", %.1f fps", r.perSecond);
        line += part;
    } else {
        std::snprintf(part, sizeof part, ": %lld%%", static_cast<long long>(r.done));
        line += part;
    }
    if (r.secondsLeft >= 0 && !r.finished) {
        std::snprintf(part, sizeof part, ", %.0f s left", std::ceil(r.secondsLeft));
        line += part;
    }
    std::cerr << (terminal ? "\r" : "") << line << (terminal ? "\033[K" : "")
              << (r.finished || !terminal ? "\n" : "") << std::flush;
    if (r.finished) progressShown_ = false;
}

uint32_t ConsoleHost::timeGetTime() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ConsoleHost::SetLabel(std::string_view name, std::string_view text) {
    labels_.insert_or_assign(std::string(name), std::string(text));
}

std::string ConsoleHost::LabelText(std::string_view name) const {
    auto it = labels_.find(name);
    return it == labels_.end() ? std::string() : it->second;
}

}  // namespace movalux::cli
