#include "shell/VerInfo.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace movalux::shell {

VerInfo::VerInfo(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("VerInfo");
    setWindowTitle(QString::fromUtf8("バージョン情報"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Movalux"), this);
    name->setObjectName("labelProgram");
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(MOVALUX_VERSION)), this);
    version->setObjectName("labelVersion");
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("verInfoOk");
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(ok);
}

}  // namespace movalux::shell
