#include "album/Fimage.h"

#include "app/WindowStyle.h"

#include <QPixmap>

namespace album {

TFrame::TFrame() : QWidget(nullptr, app::kFixedToolWindow) {
    setObjectName(QStringLiteral("Frame"));
    setFont(app::windowFont());
    ImageFrame = new QLabel(this);
    ImageFrame->setObjectName(QStringLiteral("ImageFrame"));
    ImageFrame->setGeometry(0, 0, 187, 129);
    setFixedSize(187, 122);
    FormCreate();
}

void TFrame::FormCreate() {}

void TFrame::showFrame(const QImage& picture, const QString& caption) {
    ImageFrame->setPixmap(QPixmap::fromImage(picture));
    ImageFrame->resize(picture.size());
    setFixedSize(picture.size());
    setWindowTitle(caption);
}

} // namespace album
