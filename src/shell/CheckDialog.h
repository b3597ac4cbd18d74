#pragma once
// The list of frames where a face or a number plate can still be seen,
// shown after the check before publishing; a click on a row shows that
// frame in the window. Modeless, so that the user can fix one frame and go
// to the next.

#include <QDialog>
#include <functional>

#include "editor/Editor.h"

class QLabel;
class QListWidget;

namespace movalux::shell {

class CheckDialog : public QDialog {
  public:
    explicit CheckDialog(QWidget* parent);
    // Fills the list from a check of frames first..last; `jump` shows a frame.
    void show(const Editor::CheckResult& result, int32_t first, int32_t last,
              std::function<void(int32_t)> jump);
    QListWidget* list() const { return list_; }
    QLabel* summary() const { return summary_; }

  private:
    QLabel* summary_;
    QListWidget* list_;
    std::function<void(int32_t)> jump_;
};

}  // namespace movalux::shell
