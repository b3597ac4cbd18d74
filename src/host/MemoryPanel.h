#pragma once
// A panel that only remembers its controls' state. movalux-cli drives the
// effect modules with it, and the tests' recording panel builds on it.

#include <map>
#include <string>
#include <vector>

#include "host/Panel.h"

namespace movalux {

struct ControlState {
    std::string caption;
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::vector<std::string> items;
    int listIndex = -1;
    int scrollMin = 0;
    int scrollMax = 32767;
    int scrollValue = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int fontSize = 9;
};

class MemoryPanel : public Panel {
public:
    void setCaption(std::string_view control, std::string_view caption) override;
    void setText(std::string_view control, std::string_view text) override;
    std::string text(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    void setEnabled(std::string_view control, bool enabled) override;
    void setChecked(std::string_view control, bool checked) override;
    bool checked(std::string_view control) const override;
    void clearList(std::string_view control) override;
    void addItem(std::string_view control, std::string_view item) override;
    void setListIndex(std::string_view control, int index) override;
    int listIndex(std::string_view control) const override;
    void setScrollRange(std::string_view control, int min, int max) override;
    void setScrollValue(std::string_view control, int value) override;
    int scrollValue(std::string_view control) const override;
    void move(std::string_view control, int left, int top) override;
    void resize(std::string_view control, int width, int height) override;
    void setFontSize(std::string_view control, int points) override;

    // The state of a control; a control never touched has the defaults.
    const ControlState& state(std::string_view control) const;

protected:
    ControlState& mut(std::string_view control);

private:
    std::map<std::string, ControlState, std::less<>> controls_;
};

}  // namespace movalux
