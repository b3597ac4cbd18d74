#include "shell/WriteDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/ClassicDialogs.h"

namespace movalux::shell {

bool chooseCompressor(QWidget* parent, const std::vector<CompressorOption>& offered,
                      CompressorSettings& settings, std::string_view title) {
    QDialog dialog(parent);
    dialog.setObjectName("CompressorDialog");
    dialog.setWindowTitle(qs(title));
    auto* form = new QFormLayout;
    auto* list = new QComboBox(&dialog);
    list->setObjectName("CompressorList");
    for (const CompressorOption& o : offered) list->addItem(qs(o.caption), qs(o.name));
    const int preset = list->findData(qs(settings.codec));
    list->setCurrentIndex(std::max(0, preset));
    auto* quality = new QSpinBox(&dialog);
    quality->setObjectName("CompressorQuality");
    quality->setRange(0, 100);
    quality->setValue(std::clamp(settings.quality, 0, 100));
    auto* keys = new QSpinBox(&dialog);
    keys->setObjectName("CompressorKeyInterval");
    keys->setRange(1, 9999);
    keys->setValue(std::clamp(settings.keyInterval, 1, 9999));
    auto* rate = new QSpinBox(&dialog);
    rate->setObjectName("CompressorDataRate");
    rate->setRange(0, 1000000);
    rate->setSuffix(QStringLiteral(" kbps"));
    rate->setSpecialValueText(QString::fromUtf8("指定なし"));
    rate->setValue(std::clamp(settings.dataRateKbps, 0, 1000000));
    form->addRow(QString::fromUtf8("圧縮プログラム"), list);
    form->addRow(QString::fromUtf8("圧縮の品質"), quality);
    form->addRow(QString::fromUtf8("キーフレーム間隔"), keys);
    form->addRow(QString::fromUtf8("データレート"), rate);
    // Quality and data rate mean nothing to a lossless encoder.
    const auto follow = [&offered, list, quality, rate] {
        const int i = list->currentIndex();
        const bool lossless = i >= 0 && i < static_cast<int>(offered.size()) &&
                              offered[static_cast<size_t>(i)].lossless;
        quality->setEnabled(!lossless);
        rate->setEnabled(!lossless);
    };
    QObject::connect(list, &QComboBox::currentIndexChanged, &dialog, follow);
    follow();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (offered.empty()) buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    if (dialog.exec() != QDialog::Accepted || list->currentIndex() < 0) return false;
    settings.codec = utf8(list->currentData().toString());
    settings.quality = quality->value();
    settings.keyInterval = keys->value();
    settings.dataRateKbps = rate->value();
    return true;
}

bool runAdjVDialog(QWidget* parent, const std::string& text,
                   const std::function<bool(const std::string&)>& accept) {
    QDialog dialog(parent);
    dialog.setObjectName("AdjV");
    dialog.setWindowTitle(QString::fromUtf8("ずれ調整"));
    auto* box = new QLineEdit(qs(text), &dialog);
    box->setObjectName("AdjVText");
    // Shown as the classic dialog shows it; nothing depends on it.
    auto* writeOnly = new QCheckBox(QString::fromUtf8("書出しのみ適用"), &dialog);
    writeOnly->setObjectName("AdjVChk");
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName("AdjVComd");
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QString::fromUtf8("ずれ調整値 (-100～100)"), &dialog));
    layout->addWidget(box);
    layout->addWidget(writeOnly);
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
        if (accept(utf8(box->text()))) dialog.accept();
    });
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace movalux::shell
