#pragma once
// The effect panel port on real widgets: controls are found by their object
// names under the main window. Positions in panel units become pixels as
// units x PanelScale / 15. Changes made here never run the controls' click
// handlers: signals are blocked while the core sets them.

#include <QPointer>
#include <QWidget>

#include "host/Panel.h"

class QAction;

namespace movalux::shell {

class QtPanel : public Panel {
  public:
    QtPanel(QWidget& root, const float& panelScale) : root_(root), panelScale_(panelScale) {}

    void setCaption(std::string_view control, std::string_view caption) override;
    void setText(std::string_view control, std::string_view text) override;
    std::string text(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    void setEnabled(std::string_view control, bool enabled) override;
    // Whether a movie is open: the fade buttons, which effect panels switch
    // on, stay off without one, as the movie controls do.
    void setMovieOpen(bool open) { movieOpen_ = open; }
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

    // Panel units to pixels at the current scale.
    int pixels(int units) const;

  private:
    QWidget* widget(std::string_view control) const;
    QAction* action(std::string_view control) const;

    QWidget& root_;
    const float& panelScale_;
    bool movieOpen_ = false;
};

}  // namespace movalux::shell
