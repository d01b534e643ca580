#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>

namespace album {

// The viewer that shows one frame at its full size; its client area is the picture's.
class TFrame : public QWidget {
    Q_OBJECT
public:
    TFrame();

    QLabel* ImageFrame = nullptr;

    // True until the viewer has been placed for the first time; whoever shows it first
    // places it and clears the flag.
    bool FirstFrameShow = true;

    // Shows `picture` at its own size under `caption`; the window fits it exactly.
    void showFrame(const QImage& picture, const QString& caption);

private:
    void FormCreate();
};

} // namespace album
