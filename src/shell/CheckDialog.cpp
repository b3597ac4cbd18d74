#include "shell/CheckDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace movalux::shell {

CheckDialog::CheckDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("CheckDialog");
    setWindowTitle(QString::fromUtf8("隠し漏れ確認"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName("CheckSummary");
    summary_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName("CheckList");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(summary_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    const auto go = [this](QListWidgetItem* item) {
        if (item != nullptr && jump_) jump_(item->data(Qt::UserRole).toInt());
    };
    connect(list_, &QListWidget::itemClicked, this, go);
    connect(list_, &QListWidget::itemActivated, this, go);
    resize(420, 360);
}

void CheckDialog::show(const Editor::CheckResult& result, int32_t first, int32_t last,
                       std::function<void(int32_t)> jump) {
    jump_ = std::move(jump);
    list_->clear();
    int frames = 0;
    for (size_t i = 0; i < result.seen.size();) {
        const int32_t f = result.seen[i].frame;
        QString text = QString::fromUtf8("フレーム %1:").arg(f);
        for (; i < result.seen.size() && result.seen[i].frame == f; ++i) {
            const Editor::Sighting& s = result.seen[i];
            text += QString::fromUtf8(" %1 (%2, %3, %4×%5)")
                        .arg(QString::fromUtf8(s.plate ? "ナンバー" : "顔"))
                        .arg(s.where.x)
                        .arg(s.where.y)
                        .arg(s.where.w)
                        .arg(s.where.h);
        }
        auto* item = new QListWidgetItem(text, list_);
        item->setData(Qt::UserRole, f);
        ++frames;
    }
    const QString range = QString::fromUtf8("フレーム %1 - %2").arg(first).arg(last);
    QString said;
    if (frames == 0)
        said = QString::fromUtf8("顔もナンバーも見つかりませんでした（%1）").arg(range);
    else
        said = QString::fromUtf8("%1 フレームに顔またはナンバーが見えています（%2）。行をクリックするとそのフレームを表示します。")
                   .arg(frames)
                   .arg(range);
    if (result.paused)
        said += QString::fromUtf8("\nフレーム %1 で停止しました。").arg(result.stoppedAt);
    else if (result.stoppedAt >= 0)
        said += QString::fromUtf8("\nフレーム %1 が読めないため、そこで終わりました。").arg(result.stoppedAt);
    summary_->setText(said);
    QDialog::show();
    raise();
}

}  // namespace movalux::shell
