#pragma once
// Message boxes in the classic styles (button set, icon, default button as
// one number) with Japanese button captions, and the classic file-dialog
// filter ("desc|patterns|desc|patterns") in Qt's form.

#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace movalux::shell {

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// Shows a modal box and returns the classic answer (1 OK, 2 Cancel, 6 Yes,
// 7 No). Closing the box without a button gives Cancel where there is one,
// otherwise the only answer the box offers.
int showClassicMessageBox(QWidget* parent, std::string_view text, int style,
                          std::string_view title);

// "AVI(*.avi)|*.avi;*.mpg" becomes "AVI(*.avi) (*.avi *.mpg)", one filter a
// pair, joined with ";;". An empty filter shows every file.
QString qtFileFilter(std::string_view classic);

// The pattern of the first filter pair ("*.avi;*.mpg" gives "avi"), used as
// the suffix a typed name without one receives.
QString defaultSuffix(std::string_view classic);

}  // namespace movalux::shell
