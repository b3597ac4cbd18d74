#include "shell/Form2.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/ClassicDialogs.h"

namespace movalux::shell {

bool runForm2(QWidget* parent, std::string_view label, std::string& Text1) {
    QDialog dialog(parent);
    dialog.setObjectName("Form2");
    dialog.setWindowTitle(QString::fromUtf8("AVIファイルを作成します"));
    auto* count = new QLabel(qs(label), &dialog);
    count->setObjectName("Label1");
    auto* rateLabel = new QLabel(QString::fromUtf8("フレームレート（1～30）"), &dialog);
    auto* box = new QLineEdit(qs(Text1), &dialog);
    box->setObjectName("Text1");
    box->selectAll();
    rateLabel->setBuddy(box);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName("Command1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), &dialog);
    cancel->setObjectName("Command2");
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto* rate = new QHBoxLayout;
    rate->addWidget(rateLabel);
    rate->addWidget(box);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(count);
    layout->addLayout(rate);
    layout->addLayout(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    Text1 = utf8(box->text());
    return true;
}

}  // namespace movalux::shell
