#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/capture/DriverTable.h"

#include <QComboBox>
#include <QDialog>
#include <QListWidget>

namespace platform {

// The driver's own "Video Format" dialog: the picture sizes it offers, ascending, with the
// current one chosen; for a device also the kind of format and the frame rate. Nothing
// changes until OK.
class VideoFormatDialog : public QDialog {
    Q_OBJECT
public:
    VideoFormatDialog(const DriverSpec& driver, const CaptureMode& current, QWidget* parent);

    // What the dialog shows chosen.
    CaptureMode chosen() const;

    QListWidget* Sizes = nullptr;
    // A device's compressed or raw formats; null when it offers one kind only.
    QComboBox* Kind = nullptr;
    // A device's frame rates at the chosen size, "Default" first; null for a test picture.
    QComboBox* Rate = nullptr;

private:
    void fillSizes(PictureSize keep);
    void fillRates(int keep);
    bool compressed() const;

    const DriverSpec& driver_;
    bool deviceCompressed_ = false;
};

} // namespace platform
