#include "host/MemoryPanel.h"

#include <algorithm>

namespace movalux {

namespace {
// Option buttons that form one group: selecting one clears the others.
constexpr std::string_view kOptionGroups[][2] = {
    {"Option3", "Option4"}, {"Option5", "Option6"}, {"Option1", "Option2"}, {"Option7", "Option8"}};
}  // namespace

ControlState& MemoryPanel::mut(std::string_view control) {
    auto it = controls_.find(control);
    if (it == controls_.end()) it = controls_.emplace(std::string(control), ControlState{}).first;
    return it->second;
}

const ControlState& MemoryPanel::state(std::string_view control) const {
    static const ControlState kUntouched;
    auto it = controls_.find(control);
    return it == controls_.end() ? kUntouched : it->second;
}

void MemoryPanel::setCaption(std::string_view c, std::string_view caption) { mut(c).caption = caption; }

void MemoryPanel::setText(std::string_view c, std::string_view text) { mut(c).text = text; }

std::string MemoryPanel::text(std::string_view c) const {
    const ControlState& s = state(c);
    // A list box shows its selected item as its text.
    if (!s.items.empty() && s.listIndex >= 0 && s.listIndex < static_cast<int>(s.items.size()))
        return s.items[static_cast<size_t>(s.listIndex)];
    return s.text;
}

void MemoryPanel::setVisible(std::string_view c, bool visible) { mut(c).visible = visible; }

void MemoryPanel::setEnabled(std::string_view c, bool enabled) { mut(c).enabled = enabled; }

void MemoryPanel::setChecked(std::string_view c, bool checked) {
    if (checked) {
        for (const auto& group : kOptionGroups) {
            if (group[0] == c) mut(group[1]).checked = false;
            if (group[1] == c) mut(group[0]).checked = false;
        }
    }
    mut(c).checked = checked;
}

bool MemoryPanel::checked(std::string_view c) const { return state(c).checked; }

void MemoryPanel::clearList(std::string_view c) {
    ControlState& s = mut(c);
    s.items.clear();
    s.listIndex = -1;
    s.text.clear();
}

void MemoryPanel::addItem(std::string_view c, std::string_view item) { mut(c).items.emplace_back(item); }

void MemoryPanel::setListIndex(std::string_view c, int index) {
    ControlState& s = mut(c);
    s.listIndex = (index >= 0 && index < static_cast<int>(s.items.size())) ? index : -1;
    if (s.listIndex >= 0) s.text = s.items[static_cast<size_t>(s.listIndex)];
}

int MemoryPanel::listIndex(std::string_view c) const { return state(c).listIndex; }

void MemoryPanel::setScrollRange(std::string_view c, int min, int max) {
    ControlState& s = mut(c);
    s.scrollMin = min;
    s.scrollMax = max;
    s.scrollValue = std::clamp(s.scrollValue, min, std::max(min, max));
}

void MemoryPanel::setScrollValue(std::string_view c, int value) {
    ControlState& s = mut(c);
    s.scrollValue = std::clamp(value, s.scrollMin, std::max(s.scrollMin, s.scrollMax));
}

int MemoryPanel::scrollValue(std::string_view c) const { return state(c).scrollValue; }

void MemoryPanel::move(std::string_view c, int left, int top) {
    ControlState& s = mut(c);
    s.left = left;
    s.top = top;
}

void MemoryPanel::resize(std::string_view c, int width, int height) {
    ControlState& s = mut(c);
    s.width = width;
    s.height = height;
}

void MemoryPanel::setFontSize(std::string_view c, int points) { mut(c).fontSize = points; }

}  // namespace movalux
