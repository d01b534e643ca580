#include "platform/capture/dialogs/FormatDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

namespace {
constexpr int kSizeRole = Qt::UserRole;
}

VideoFormatDialog::VideoFormatDialog(const CaptureDriver& driver, const CaptureMode& current,
                                     QWidget* parent)
    : QDialog(parent), driver_(driver), currentFourcc_(current.fourcc) {
    setObjectName(QStringLiteral("VideoFormat"));
    setWindowTitle(QStringLiteral("Video Format"));
    auto* layout = new QVBoxLayout(this);

    const std::vector<PixelFormat> formats = driver.pixelFormats();
    if (formats.size() > 1) {
        auto* formatLabel = new QLabel(QStringLiteral("Pixel &format:"), this);
        layout->addWidget(formatLabel);
        Format = new QComboBox(this);
        Format->setObjectName(QStringLiteral("Format"));
        formatLabel->setBuddy(Format);
        for (const PixelFormat& format : formats)
            Format->addItem(QString::fromStdString(format.description), format.fourcc);
        const int at = Format->findData(current.fourcc);
        Format->setCurrentIndex(at >= 0 ? at : 0);
        layout->addWidget(Format);
    }

    auto* sizeLabel = new QLabel(QStringLiteral("&Picture size:"), this);
    layout->addWidget(sizeLabel);
    Sizes = new QListWidget(this);
    Sizes->setObjectName(QStringLiteral("Sizes"));
    sizeLabel->setBuddy(Sizes);
    layout->addWidget(Sizes);

    if (driver.choosesRate()) {
        auto* rateLabel = new QLabel(QStringLiteral("Frame &rate:"), this);
        layout->addWidget(rateLabel);
        Rate = new QComboBox(this);
        Rate->setObjectName(QStringLiteral("Rate"));
        rateLabel->setBuddy(Rate);
        layout->addWidget(Rate);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter on the list confirms the size, as OK does.
    connect(Sizes, &QListWidget::itemActivated, this, &QDialog::accept);

    fillSizes(current.size);
    fillRates(current.rate);
    if (Format)
        connect(Format, &QComboBox::currentIndexChanged, this, [this] {
            fillSizes(chosen().size);
            fillRates({});
        });
    if (Rate)
        connect(Sizes, &QListWidget::currentRowChanged, this, [this] { fillRates(chosen().rate); });
    Sizes->setFocus();
}

std::uint32_t VideoFormatDialog::fourcc() const {
    return Format ? Format->currentData().toUInt() : currentFourcc_;
}

void VideoFormatDialog::fillSizes(PictureSize keep) {
    const std::vector<PictureSize> sizes = driver_.offeredSizes(fourcc());
    const QSignalBlocker quiet(Sizes);
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

void VideoFormatDialog::fillRates(FrameRate keep) {
    if (!Rate)
        return;
    Rate->clear();
    rates_ = driver_.frameRates(fourcc(), chosen().size);
    Rate->addItem(QStringLiteral("Default"), -1);
    for (std::size_t i = 0; i < rates_.size(); ++i)
        Rate->addItem(
            QStringLiteral("%1 frames per second").arg(QString::fromStdString(rateText(rates_[i]))),
            static_cast<int>(i));
    const auto kept = std::find(rates_.begin(), rates_.end(), keep);
    Rate->setCurrentIndex(kept != rates_.end() ? 1 + static_cast<int>(kept - rates_.begin()) : 0);
}

CaptureMode VideoFormatDialog::chosen() const {
    CaptureMode mode;
    mode.fourcc = fourcc();
    if (const QListWidgetItem* item = Sizes->currentItem()) {
        const QSize size = item->data(kSizeRole).toSize();
        mode.size = {size.width(), size.height()};
    }
    if (Rate) {
        const int at = Rate->currentData().toInt();
        if (at >= 0 && at < static_cast<int>(rates_.size()))
            mode.rate = rates_[static_cast<std::size_t>(at)];
    }
    return mode;
}

std::optional<CaptureMode> chooseFormat(const CaptureDriver& driver, const CaptureMode& current,
                                        const std::function<int(QDialog&)>& run, QWidget* parent) {
    VideoFormatDialog dialog(driver, current, parent);
    if ((run ? run(dialog) : dialog.exec()) != QDialog::Accepted)
        return std::nullopt;
    const CaptureMode chosen = dialog.chosen();
    if (chosen.size.width <= 0)
        return std::nullopt;
    return chosen;
}

} // namespace platform
