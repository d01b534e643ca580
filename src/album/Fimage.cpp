#include "album/Fimage.h"

#include "ui/WindowStyle.h"

#include <QPixmap>

namespace album {

TFrame::TFrame() : QWidget(nullptr, ui::kFixedToolWindow) {
    setObjectName(QStringLiteral("Frame"));
    setFont(ui::windowFont());
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
