#pragma once
// Form2 ("AVIファイルを作成します"): how many pictures a movie is built
// from, and its frame rate typed into Text1.

#include <string>
#include <string_view>

class QWidget;

namespace movalux::shell {

// Modal. Label1 shows `label`, Text1 starts with `Text1`. True for OK
// (Command1) with Text1 holding what was typed; false for キャンセル
// (Command2) or closing the dialog.
bool runForm2(QWidget* parent, std::string_view label, std::string& Text1);

}  // namespace movalux::shell
