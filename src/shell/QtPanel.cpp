#include "shell/QtPanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

#include "shell/ClassicDialogs.h"

namespace movalux::shell {

QWidget* QtPanel::widget(std::string_view control) const {
    return root_.findChild<QWidget*>(qs(control));
}

QAction* QtPanel::action(std::string_view control) const {
    return root_.findChild<QAction*>(qs(control));
}

int QtPanel::pixels(int units) const {
    return static_cast<int>(std::lround(static_cast<double>(units) * panelScale_ / 15.0));
}

void QtPanel::setCaption(std::string_view control, std::string_view caption) {
    const QString text = qs(caption);
    if (QAction* a = action(control)) {
        a->setText(text);
        return;
    }
    QWidget* w = widget(control);
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
}

void QtPanel::setText(std::string_view control, std::string_view text) {
    QWidget* w = widget(control);
    const QSignalBlocker block(w);
    const QString t = qs(text);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(t);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable()) {
            combo->setEditText(t);
        } else {
            const int index = combo->findText(t);
            if (index >= 0) combo->setCurrentIndex(index);
        }
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(t);
    } else {
        setCaption(control, text);
    }
}

std::string QtPanel::text(std::string_view control) const {
    QWidget* w = widget(control);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return utf8(edit->text());
    if (auto* combo = qobject_cast<QComboBox*>(w)) return utf8(combo->currentText());
    if (auto* label = qobject_cast<QLabel*>(w)) return utf8(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return utf8(button->text());
    return {};
}

void QtPanel::setVisible(std::string_view control, bool visible) {
    if (QAction* a = action(control)) {
        a->setVisible(visible);
        return;
    }
    if (QWidget* w = widget(control)) w->setVisible(visible);
}

void QtPanel::setEnabled(std::string_view control, bool enabled) {
    if (QAction* a = action(control)) {
        a->setEnabled(enabled);
        return;
    }
    if (control == "ComFdIn" || control == "ComFdOut") enabled = enabled && movieOpen_;
    if (QWidget* w = widget(control)) w->setEnabled(enabled);
}

void QtPanel::setChecked(std::string_view control, bool checked) {
    if (QAction* a = action(control)) {
        const QSignalBlocker block(a);
        a->setChecked(checked);
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget(control))) {
        const QSignalBlocker block(button);
        button->setChecked(checked);
    }
}

bool QtPanel::checked(std::string_view control) const {
    if (QAction* a = action(control)) return a->isChecked();
    if (auto* button = qobject_cast<QAbstractButton*>(widget(control))) return button->isChecked();
    return false;
}

void QtPanel::clearList(std::string_view control) {
    if (auto* combo = qobject_cast<QComboBox*>(widget(control))) {
        const QSignalBlocker block(combo);
        combo->clear();
    }
}

void QtPanel::addItem(std::string_view control, std::string_view item) {
    if (auto* combo = qobject_cast<QComboBox*>(widget(control))) {
        const QSignalBlocker block(combo);
        const QString keep = combo->currentText();
        combo->addItem(qs(item));
        // An editable list keeps the text it shows while items are added.
        if (combo->isEditable()) combo->setEditText(keep);
    }
}

void QtPanel::setListIndex(std::string_view control, int index) {
    if (auto* combo = qobject_cast<QComboBox*>(widget(control))) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
    }
}

int QtPanel::listIndex(std::string_view control) const {
    if (auto* combo = qobject_cast<QComboBox*>(widget(control))) {
        // A typed text that matches an item counts as choosing it.
        const int found = combo->findText(combo->currentText());
        return found >= 0 ? found : combo->currentIndex();
    }
    return -1;
}

void QtPanel::setScrollRange(std::string_view control, int min, int max) {
    if (auto* bar = qobject_cast<QScrollBar*>(widget(control))) {
        const QSignalBlocker block(bar);
        bar->setRange(std::min(min, max), std::max(min, max));
    }
}

void QtPanel::setScrollValue(std::string_view control, int value) {
    if (auto* bar = qobject_cast<QScrollBar*>(widget(control))) {
        const QSignalBlocker block(bar);
        bar->setValue(value);
    }
}

int QtPanel::scrollValue(std::string_view control) const {
    if (auto* bar = qobject_cast<QScrollBar*>(widget(control))) return bar->value();
    return 0;
}

void QtPanel::move(std::string_view control, int left, int top) {
    if (QWidget* w = widget(control)) w->move(pixels(left), pixels(top));
}

void QtPanel::resize(std::string_view control, int width, int height) {
    if (QWidget* w = widget(control))
        w->resize(std::max(pixels(width), 1), std::max(pixels(height), 1));
}

void QtPanel::setFontSize(std::string_view control, int points) {
    if (QWidget* w = widget(control)) {
        QFont f = w->font();
        f.setPointSize(std::max(points, 1));
        w->setFont(f);
    }
}

}  // namespace movalux::shell
