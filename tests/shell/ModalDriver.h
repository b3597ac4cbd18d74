#pragma once
// Answers the modal boxes and dialogs that the window opens, as a user
// would: each queued answer waits for the next modal widget and acts on it.
// Every message box text seen is kept.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace movalux::test {

class ModalDriver {
  public:
    ModalDriver() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    // Clicks the button with this caption on the next message box.
    void clickButton(const QString& caption) {
        answers_.push_back([this, caption](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr) return false;
            seenTexts.push_back(box->text().toStdString());
            seenTitles.push_back(box->windowTitle().toStdString());
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                seenButtons.push_back(b->text().toStdString());
                if (b->text() == caption) chosen = b;
            }
            if (chosen != nullptr) chosen->click();
            return chosen != nullptr;
        });
    }

    // Chooses this path in the next file dialog.
    void choosePath(const QString& path) {
        answers_.push_back([this, path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (dialog == nullptr) return false;
            dialogTitles.push_back(dialog->windowTitle().toStdString());
            dialogFilters.push_back(dialog->nameFilters().join(";;").toStdString());
            dialog->selectFile(path);
            // The name box is what the dialog reads on accepting.
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(path);
            chosen.push_back(dialog->selectedFiles().join(",").toStdString());
            QMetaObject::invokeMethod(dialog, "accept");
            return true;
        });
    }

    // Acts on the next modal widget of any kind; false when it is not the
    // one expected.
    void handle(std::function<bool(QWidget*)> answer) { answers_.push_back(std::move(answer)); }

    bool idle() const { return answers_.empty(); }

    std::vector<std::string> chosen, seenTexts, seenTitles, seenButtons, dialogTitles,
        dialogFilters;
    int unexpected = 0;

  private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->property("movaluxAnswered").toBool()) return;
        modal->setProperty("movaluxAnswered", true);
        if (answers_.empty()) {
            // A box nobody expected: record it and close it so that the test
            // fails instead of hanging.
            ++unexpected;
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                seenTexts.push_back(box->text().toStdString());
            QTimer::singleShot(0, modal, [modal] { modal->close(); });
            return;
        }
        auto answer = answers_.front();
        answers_.pop_front();
        QTimer::singleShot(0, modal, [this, answer, modal] {
            if (!answer(modal)) {
                ++unexpected;
                modal->close();
            }
        });
    }

    QTimer timer_;
    std::deque<std::function<bool(QWidget*)>> answers_;
};

}  // namespace movalux::test
