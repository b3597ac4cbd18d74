#pragma once
// The shared controls of the effect panel, addressed by their names
// ("Frame5", "Option3", "Combo5", "HScroll1", "Xzahyou", "XYSet", "ComFdIn",
// "mnuAll", "PreVewPict", ...). Each effect's panel routine shows, hides and
// captions them.
//
// Positions and sizes are in panel units (twips: 15 to a pixel at scale 1);
// the implementation multiplies them by the layout scale PanelScale.
// Programmatic changes must not run the controls' click handlers: the core
// sends the commands itself where it wants them.

#include <string>
#include <string_view>

namespace movalux {

class Panel {
public:
    virtual ~Panel() = default;

    virtual void setCaption(std::string_view control, std::string_view caption) = 0;
    virtual void setText(std::string_view control, std::string_view text) = 0;
    virtual std::string text(std::string_view control) const = 0;
    virtual void setVisible(std::string_view control, bool visible) = 0;
    virtual void setEnabled(std::string_view control, bool enabled) = 0;
    // Option buttons and check boxes; selecting an option clears the other
    // options of its group in the implementation.
    virtual void setChecked(std::string_view control, bool checked) = 0;
    virtual bool checked(std::string_view control) const = 0;

    virtual void clearList(std::string_view control) = 0;
    virtual void addItem(std::string_view control, std::string_view item) = 0;
    virtual void setListIndex(std::string_view control, int index) = 0;
    virtual int listIndex(std::string_view control) const = 0;

    virtual void setScrollRange(std::string_view control, int min, int max) = 0;
    virtual void setScrollValue(std::string_view control, int value) = 0;
    virtual int scrollValue(std::string_view control) const = 0;

    virtual void move(std::string_view control, int left, int top) = 0;
    virtual void resize(std::string_view control, int width, int height) = 0;
    virtual void setFontSize(std::string_view control, int points) = 0;
};

}  // namespace movalux
