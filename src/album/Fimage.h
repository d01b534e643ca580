#pragma once

#include <QWidget>

namespace album {

// The viewer that shows one frame at its full size.
class TFrame : public QWidget {
    Q_OBJECT
  public:
    TFrame();

  private:
    void FormCreate();
};

} // namespace album
