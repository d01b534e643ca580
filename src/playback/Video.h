#pragma once

#include <QWidget>

namespace playback {

// The AVI playback window; hidden until a video is opened.
class TFAnimate : public QWidget {
    Q_OBJECT
public:
    TFAnimate();

private:
    void FormCreate();
};

} // namespace playback
