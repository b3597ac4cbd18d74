#include "shell/ClassicDialogs.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <vector>

#include "effects/RegionGesture.h"
#include "host/Host.h"

namespace movalux::shell {

namespace {

struct ButtonChoice {
    const char* caption;
    int answer;
    QMessageBox::ButtonRole role;
};

std::vector<ButtonChoice> buttonsFor(int style) {
    switch (style & 7) {
        case msgbox::kOkCancel:
            return {{"OK", msgbox::kAnswerOk, QMessageBox::ActionRole},
                    {"キャンセル", msgbox::kAnswerCancel, QMessageBox::ActionRole}};
        case msgbox::kYesNoCancel:
            return {{"はい", msgbox::kAnswerYes, QMessageBox::ActionRole},
                    {"いいえ", msgbox::kAnswerNo, QMessageBox::ActionRole},
                    {"キャンセル", msgbox::kAnswerCancel, QMessageBox::ActionRole}};
        case msgbox::kYesNo:
            return {{"はい", msgbox::kAnswerYes, QMessageBox::ActionRole},
                    {"いいえ", msgbox::kAnswerNo, QMessageBox::ActionRole}};
        default:
            return {{"OK", msgbox::kAnswerOk, QMessageBox::ActionRole}};
    }
}

QMessageBox::Icon iconFor(int style) {
    switch (style & 0x70) {
        case msgbox::kCritical:
            return QMessageBox::Critical;
        case msgbox::kQuestion:
            return QMessageBox::Question;
        case msgbox::kExclamation:
            return QMessageBox::Warning;
        case msgbox::kInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int showClassicMessageBox(QWidget* parent, std::string_view text, int style,
                          std::string_view title) {
    QMessageBox box(parent);
    box.setObjectName("classicMessageBox");
    // An empty title shows the program's name, as the classic box does.
    box.setWindowTitle(title.empty() ? QString::fromUtf8(kAppTitle) : qs(title));
    box.setText(qs(text));
    box.setIcon(iconFor(style));
    const std::vector<ButtonChoice> choices = buttonsFor(style);
    std::vector<QPushButton*> buttons;
    for (const ButtonChoice& s : choices)
        buttons.push_back(box.addButton(QString::fromUtf8(s.caption), s.role));
    const size_t defaultIndex = static_cast<size_t>((style >> 8) & 3);
    box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);
    // Esc and the close box: Cancel where offered, otherwise the last button
    // that does not go ahead (No), otherwise OK.
    QPushButton* escape = buttons.back();
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].answer == msgbox::kAnswerCancel) escape = buttons[i];
    box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (clicked == buttons[i]) return choices[i].answer;
    for (size_t i = 0; i < buttons.size(); ++i)
        if (escape == buttons[i]) return choices[i].answer;
    return msgbox::kAnswerCancel;
}

QString qtFileFilter(std::string_view classic) {
    const QStringList parts = qs(classic).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    if (filters.isEmpty()) filters << QStringLiteral("* (*)");
    return filters.join(QStringLiteral(";;"));
}

QString defaultSuffix(std::string_view classic) {
    const QStringList parts = qs(classic).split(QLatin1Char('|'));
    if (parts.size() < 2) return {};
    const QString first = parts[1].split(QLatin1Char(';')).value(0).trimmed();
    if (!first.startsWith(QStringLiteral("*."))) return {};
    const QString suffix = first.mid(2);
    if (suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?'))) return {};
    return suffix;
}

}  // namespace movalux::shell
