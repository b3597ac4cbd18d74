#pragma once
// The version window: the program's name and version, shown beside the main
// window without blocking it.

#include <QWidget>

namespace movalux::shell {

class VerInfo : public QWidget {
  public:
    explicit VerInfo(QWidget* parent);
};

}  // namespace movalux::shell
