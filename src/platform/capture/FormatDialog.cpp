#include "platform/capture/FormatDialog.h"

#include "platform/capture/DriverModes.h"
#include "platform/capture/V4l2Device.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace platform {

namespace {
constexpr int kSizeRole = Qt::UserRole;
}

VideoFormatDialog::VideoFormatDialog(const DriverSpec& driver, const CaptureMode& current,
                                     QWidget* parent)
    : QDialog(parent), driver_(driver), deviceCompressed_(current.compressed) {
    setObjectName(QStringLiteral("VideoFormat"));
    setWindowTitle(QStringLiteral("Video Format"));
    auto* layout = new QVBoxLayout(this);

    if (!driver.node.empty()) {
        const v4l2::Formats formats = v4l2::formats(driver.node);
        if (formats.compressed && formats.raw) {
            layout->addWidget(new QLabel(QStringLiteral("Format:"), this));
            Kind = new QComboBox(this);
            Kind->setObjectName(QStringLiteral("Kind"));
            Kind->addItem(QStringLiteral("Uncompressed"), false);
            Kind->addItem(QStringLiteral("Compressed (MJPEG)"), true);
            Kind->setCurrentIndex(current.compressed ? 1 : 0);
            layout->addWidget(Kind);
        }
    }

    auto* sizeLabel = new QLabel(QStringLiteral("&Picture size:"), this);
    layout->addWidget(sizeLabel);
    Sizes = new QListWidget(this);
    Sizes->setObjectName(QStringLiteral("Sizes"));
    sizeLabel->setBuddy(Sizes);
    layout->addWidget(Sizes);

    if (!driver.node.empty()) {
        layout->addWidget(new QLabel(QStringLiteral("Frame rate:"), this));
        Rate = new QComboBox(this);
        Rate->setObjectName(QStringLiteral("Rate"));
        layout->addWidget(Rate);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter on the list confirms the size, as OK does.
    connect(Sizes, &QListWidget::itemActivated, this, &QDialog::accept);

    fillSizes(current.size);
    fillRates(current.fps);
    if (Kind)
        connect(Kind, &QComboBox::currentIndexChanged, this, [this] {
            fillSizes(chosen().size);
            fillRates(0);
        });
    if (Rate)
        connect(Sizes, &QListWidget::currentRowChanged, this, [this] { fillRates(chosen().fps); });
    Sizes->setFocus();
}

bool VideoFormatDialog::compressed() const {
    return Kind ? Kind->currentData().toBool() : deviceCompressed_;
}

void VideoFormatDialog::fillSizes(PictureSize keep) {
    const std::vector<PictureSize> sizes = offeredSizes(driver_, compressed());
    Sizes->clear();
    for (const PictureSize& size : sizes) {
        auto* item =
            new QListWidgetItem(QStringLiteral("%1 x %2").arg(size.width).arg(size.height), Sizes);
        item->setData(kSizeRole, QSize(size.width, size.height));
    }
    const PictureSize selected = nearestSize(sizes, keep);
    for (int row = 0; row < Sizes->count(); ++row)
        if (Sizes->item(row)->data(kSizeRole).toSize() == QSize(selected.width, selected.height))
            Sizes->setCurrentRow(row);
}

void VideoFormatDialog::fillRates(int keep) {
    if (!Rate)
        return;
    Rate->clear();
    Rate->addItem(QStringLiteral("Default"), 0);
    for (const int fps : v4l2::frameRates(driver_.node, compressed(), chosen().size))
        Rate->addItem(QStringLiteral("%1 frames per second").arg(fps), fps);
    const int at = Rate->findData(keep);
    Rate->setCurrentIndex(at >= 0 ? at : 0);
}

CaptureMode VideoFormatDialog::chosen() const {
    CaptureMode mode;
    mode.compressed = compressed();
    if (const QListWidgetItem* item = Sizes->currentItem()) {
        const QSize size = item->data(kSizeRole).toSize();
        mode.size = {size.width(), size.height()};
    }
    mode.fps = Rate ? Rate->currentData().toInt() : 0;
    return mode;
}

} // namespace platform
