#pragma once

#include <QWidget>

namespace album {

// The album of the frames captured in this run; hidden until the first capture.
class TAlbum : public QWidget {
    Q_OBJECT
  public:
    TAlbum();

  private:
    void FormCreate();
};

} // namespace album
