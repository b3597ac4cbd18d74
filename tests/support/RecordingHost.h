#pragma once
// Recording fakes of the ports: tests queue answers for message boxes and
// file dialogs, then assert on every message, dialog, label, redraw and panel
// change.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/Host.h"
#include "host/MemoryPanel.h"

namespace movalux::test {

struct ShownMessage {
    std::string text;
    int style;
    std::string title;
};

class RecordingHost : public Host {
  public:
    // Answers for the next message boxes, in order; without one a box
    // answers OK (1) for OK styles and No (7) for questions.
    void queueAnswer(int answer) { answers_.push_back(answer); }
    void queueDialog(FileDialogResult result) { dialogs_.push_back(std::move(result)); }
    void queueDialogPath(std::string path) {
        dialogs_.push_back({FileDialogResult::Outcome::Chosen, std::move(path)});
    }

    int MsgBox(std::string_view text, int style, std::string_view title) override;
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    void SetPointer(int pointer) override { pointers.push_back(pointer); }
    void DoEvents() override {
        ++doEvents;
        if (onDoEvents) onDoEvents(doEvents);
    }
    uint32_t timeGetTime() override { return clockMs; }
    // The fake clock moves on by the time waited; every wait is recorded.
    void WaitEvents(uint32_t maxMs) override {
        DoEvents();
        waits.push_back(maxMs);
        clockMs += maxMs;
    }
    std::vector<uint32_t> waits;
    // The frame box when the sound was started.
    std::string labelAtSoundStart;
    // A fake sound output: with soundDevice it "plays" from StartSound on,
    // soundPace seconds of sound per second of the fake clock, pulling the
    // feed as it goes; soundFails makes it report a failed output.
    bool StartSound(SoundFeed& feed) override {
        ++soundStarts;
        labelAtSoundStart = labels["TextPos"];
        if (!soundDevice) return false;
        feed_ = &feed;
        soundStartMs = clockMs;
        return true;
    }
    double SoundSeconds() override {
        if (feed_ == nullptr) return -1;
        if (soundFails) return -1;
        const double wanted = (clockMs - soundStartMs) / 1000.0 * soundPace;
        // Only what the feed handed out can have been heard; the fake
        // output waits for the decoder, so tests do not depend on its pace.
        std::vector<int16_t> drop(4096);
        while (feed_->secondsRead() < wanted && !feed_->drained()) {
            const size_t want = static_cast<size_t>(std::ceil((wanted - feed_->secondsRead()) *
                                                              feed_->sampleRate())) *
                                static_cast<size_t>(feed_->channels());
            if (feed_->read(drop.data(), std::min(drop.size(), std::max<size_t>(want, 2))) == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return std::min(wanted, feed_->secondsRead());
    }
    void StopSound() override {
        ++soundStops;
        feed_ = nullptr;
    }
    // Answers for the next list choices, in order; without one the list is
    // cancelled (-1). Every list shown is kept.
    void queueListAnswer(int index) { listAnswers_.push_back({index, false}); }
    // The next list's item `index` is to be removed (its remove button).
    void queueListRemove(int index) { listAnswers_.push_back({index, true}); }
    struct ShownList {
        std::string title, prompt;
        std::vector<std::string> items;
        std::string removeCaption;
    };
    std::vector<ShownList> lists;
    ListChoice ChooseFromList(std::string_view title, std::string_view prompt,
                              const std::vector<std::string>& items,
                              std::string_view removeCaption) override {
        lists.push_back(
            {std::string(title), std::string(prompt), items, std::string(removeCaption)});
        if (listAnswers_.empty()) return {};
        const ListChoice answer = listAnswers_.front();
        listAnswers_.pop_front();
        return answer;
    }
    void SetLabelColor(std::string_view name, int32_t bgr) override {
        labelColours.push_back(std::string(name) + "=" + std::to_string(bgr));
    }
    bool soundDevice = false;
    bool soundFails = false;
    double soundPace = 1.0;
    uint32_t soundStartMs = 0;
    int soundStarts = 0;
    int soundStops = 0;
    std::vector<std::string> labelColours;
    void SetLabel(std::string_view name, std::string_view text) override;
    std::string LabelText(std::string_view name) const override;
    void Refresh(Picture picture) override { ++refreshes[picture]; }
    void SetTLine() override { ++calls["SetTLine"]; }
    void DspSelLayer() override { ++calls["DspSelLayer"]; }
    void DspLayEnable() override { ++calls["DspLayEnable"]; }
    void DspSldr() override { ++calls["DspSldr"]; }
    void SetSlr2() override { ++calls["SetSlr2"]; }
    void BTNEnable() override { controlEvents.push_back("BTNEnable"); }
    void BTNDEnable() override { controlEvents.push_back("BTNDEnable"); }
    void SetControlEnabled(std::string_view name, bool enabled) override {
        controlEvents.push_back(std::string(name) + (enabled ? " enabled" : " disabled"));
    }
    void SetControlChecked(std::string_view name, bool checked) override {
        controlEvents.push_back(std::string(name) + (checked ? " checked" : " unchecked"));
    }
    // Answers with compressorAnswer when set (cancels when compressorCancel),
    // otherwise accepts the preset; records what was offered.
    bool ICCompressorChoose(const std::vector<CompressorOption>& offered,
                            CompressorSettings& settings, std::string_view title) override;
    void Progress(const ProgressReport& report) override;
    // Form2: records its label and preset; cancels when form2Cancel,
    // otherwise answers OK with form2Answer typed (the preset when unset).
    bool ShowForm2(std::string_view label, std::string& Text1) override {
        form2Labels.emplace_back(label);
        form2Presets.push_back(Text1);
        if (form2Cancel) return false;
        if (form2Answer) Text1 = *form2Answer;
        return true;
    }
    std::vector<std::string> form2Labels;
    std::vector<std::string> form2Presets;
    std::optional<std::string> form2Answer;
    bool form2Cancel = false;

    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> dialogs;
    std::vector<int> pointers;
    std::map<std::string, std::string, std::less<>> labels;
    std::map<std::string, int, std::less<>> calls;
    std::map<Picture, int> refreshes;
    int doEvents = 0;
    uint32_t clockMs = 0;
    // Runs inside DoEvents with the number of calls so far (a pause button
    // pressed during a long loop).
    std::function<void(int)> onDoEvents;
    std::vector<std::string> controlEvents;
    std::optional<CompressorSettings> compressorAnswer;
    bool compressorCancel = false;
    std::vector<std::string> compressorTitles;
    std::vector<CompressorOption> compressorOffered;
    CompressorSettings compressorPreset;
    struct Progressed {
        std::string task;
        int64_t done;
        int64_t total;
        bool finished;
    };
    std::vector<Progressed> progress;

  private:
    SoundFeed* feed_ = nullptr;
    std::deque<int> answers_;
    std::deque<FileDialogResult> dialogs_;
    std::deque<ListChoice> listAnswers_;
};

struct PanelChange {
    std::string control;
    std::string property;
    std::string value;
};

class RecordingPanel : public MemoryPanel {
  public:
    void setCaption(std::string_view c, std::string_view v) override;
    void setText(std::string_view c, std::string_view v) override;
    void setVisible(std::string_view c, bool v) override;
    void setEnabled(std::string_view c, bool v) override;
    void setChecked(std::string_view c, bool v) override;
    void clearList(std::string_view c) override;
    void addItem(std::string_view c, std::string_view v) override;
    void setListIndex(std::string_view c, int v) override;
    void setScrollRange(std::string_view c, int min, int max) override;
    void setScrollValue(std::string_view c, int v) override;
    void move(std::string_view c, int left, int top) override;
    void resize(std::string_view c, int width, int height) override;
    void setFontSize(std::string_view c, int points) override;

    // Whether the control was ever changed through the port.
    bool touched(std::string_view control) const;

    std::vector<PanelChange> changes;

  private:
    void log(std::string_view c, std::string_view property, std::string value);
};

}  // namespace movalux::test
