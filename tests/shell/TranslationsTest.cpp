// Qt's own dialogs speak the window's language.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "shell/Translations.h"

namespace movalux::test {
namespace {

TEST(Translations, QtsOwnDialogsAndButtonsAreJapanese) {
    const QList<QTranslator*> installed = shell::installQtJapanese();
    ASSERT_FALSE(installed.isEmpty()) << "Qt's Japanese catalogues are not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("キャンセル"));
    // The file dialog's own labels and the overwrite question.
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?"),
              QStringLiteral("%1 already exists.\nDo you want to replace it?"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_NE(dialog.labelText(QFileDialog::Accept), QStringLiteral("&Save"));
    EXPECT_NE(dialog.labelText(QFileDialog::Accept), QStringLiteral("Save"));
    for (QTranslator* t : installed) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    // Removed again, the texts are Qt's own English ones.
    QMessageBox plain;
    plain.setStandardButtons(QMessageBox::Cancel);
    EXPECT_EQ(plain.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace movalux::test
