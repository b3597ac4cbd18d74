#include "shell/QtHost.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "shell/ClassicDialogs.h"
#include "shell/Form1.h"

namespace movalux::shell {

QtHost::QtHost(Form1& form) : form_(form) {
    clock_.start();
}

int QtHost::MsgBox(std::string_view text, int style, std::string_view title) {
    // A box must not come up under the hourglass.
    const int keep = pointer_;
    if (keep != pointer::kDefault) SetPointer(pointer::kDefault);
    const int answer = showClassicMessageBox(&form_, text, style, title);
    if (keep != pointer::kDefault) SetPointer(keep);
    return answer;
}

FileDialogResult QtHost::FileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(&form_, qs(request.title));
    dialog.setObjectName("CommonDialog1");
    // Qt's own dialog: the same on every desktop, and drivable in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & 2) == 0);
    dialog.setNameFilters(qtFileFilter(request.filter).split(QStringLiteral(";;")));
    if (save) dialog.setDefaultSuffix(defaultSuffix(request.filter));
    if (!request.fileName.empty()) dialog.selectFile(qs(request.fileName));
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted) {
        result.outcome = FileDialogResult::Outcome::Cancelled;
        return result;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) {
        result.outcome = FileDialogResult::Outcome::EmptyName;
        return result;
    }
    result.outcome = FileDialogResult::Outcome::Chosen;
    result.path = utf8(files.front());
    return result;
}

void QtHost::SetPointer(int pointer) {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
    pointer_ = pointer;
    switch (pointer) {
        case pointer::kCross:
            QApplication::setOverrideCursor(Qt::CrossCursor);
            break;
        case pointer::kHourglass:
            QApplication::setOverrideCursor(Qt::WaitCursor);
            break;
        case pointer::kArrowHourglass:
            QApplication::setOverrideCursor(Qt::BusyCursor);
            break;
        default:
            pointer_ = pointer::kDefault;
            break;
    }
}

void QtHost::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

uint32_t QtHost::timeGetTime() {
    return static_cast<uint32_t>(clock_.elapsed());
}

void QtHost::SetLabel(std::string_view name, std::string_view text) {
    QWidget* w = form_.findChild<QWidget*>(qs(name));
    const QString t = qs(text);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(t);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const QSignalBlocker block(edit);
        edit->setText(t);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QSignalBlocker block(combo);
        if (combo->isEditable())
            combo->setEditText(t);
        else if (const int i = combo->findText(t); i >= 0)
            combo->setCurrentIndex(i);
    }
}

std::string QtHost::LabelText(std::string_view name) const {
    QWidget* w = form_.findChild<QWidget*>(qs(name));
    if (auto* label = qobject_cast<QLabel*>(w)) return utf8(label->text());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return utf8(edit->text());
    if (auto* combo = qobject_cast<QComboBox*>(w)) return utf8(combo->currentText());
    return {};
}

void QtHost::Refresh(Picture picture) {
    switch (picture) {
        case Picture::PictMain:
            form_.refreshPictMain();
            break;
        case Picture::PreVewPict:
            form_.refreshPreVewPict();
            break;
        case Picture::PictTLine:
            form_.SetTLine();
            break;
        case Picture::PicSldr:
            form_.DspSldr();
            break;
    }
}

void QtHost::SetTLine() {
    form_.SetTLine();
}
void QtHost::DspSelLayer() {
    form_.DspSelLayer();
}
void QtHost::DspLayEnable() {
    form_.DspLayEnable();
}
void QtHost::DspSldr() {
    form_.DspSldr();
}
void QtHost::SetSlr2() {
    form_.SetSlr2();
}

}  // namespace movalux::shell
