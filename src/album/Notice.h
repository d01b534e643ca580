#pragma once

#include <QDialog>

namespace album {

// The small modal notice that asks the user to select a frame.
class TFNotice : public QDialog {
    Q_OBJECT
  public:
    TFNotice();

  private:
    void FormCreate();
};

} // namespace album
