#include "album/Notice.h"

#include "resources/TextTable.h"
#include "ui/Modal.h"
#include "ui/Placement.h"
#include "ui/WindowStyle.h"

namespace album {

namespace {
constexpr int kBelowAlbumTop = 70;
}

TFNotice::TFNotice() {
    setObjectName(QStringLiteral("FNotice"));
    setFont(ui::windowFont());
    setFixedSize(192, 111);

    StaticText = new QLabel(this);
    StaticText->setObjectName(QStringLiteral("StaticText"));
    StaticText->setGeometry(8, 8, 177, 50);
    QFont times = ui::serifFont();
    times.setPixelSize(16);
    StaticText->setFont(times);
    StaticText->setWordWrap(true);
    // It may say why a device was refused, in the device's own words.
    StaticText->setTextFormat(Qt::PlainText);
    StaticText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Button = new QPushButton(this);
    Button->setObjectName(QStringLiteral("Button"));
    Button->setGeometry(104, 72, 70, 25);
    Button->setDefault(true);
    connect(Button, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TFNotice::FormCreate() {
    Button->setText(resources::caption(resources::kTextOk));
    setWindowTitle(resources::caption(resources::kTextNotice));
    StaticText->setText(resources::caption(resources::kTextSelectFrameFirst));
}

void TFNotice::showBelow(const QWidget& window, ui::Modal& modal, const QString& message) {
    StaticText->setText(message.isEmpty() ? resources::caption(resources::kTextSelectFrameFirst)
                                          : message);
    const QRect outer = window.frameGeometry();
    ui::placeWindow(*this, {outer.left(), outer.top() + kBelowAlbumTop});
    modal.exec(*this);
}

} // namespace album
