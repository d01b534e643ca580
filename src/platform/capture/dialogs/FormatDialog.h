#pragma once

#include "platform/capture/CaptureDriver.h"

#include <QComboBox>
#include <QDialog>
#include <QListWidget>

#include <functional>
#include <optional>

namespace platform {

// The driver's own "Video Format" dialog: the pixel formats it offers, in its own order, the
// picture sizes of the chosen one, ascending, and the frame rates at the chosen size, each
// with the current one chosen. Nothing changes until OK.
class VideoFormatDialog : public QDialog {
    Q_OBJECT
public:
    VideoFormatDialog(const CaptureDriver& driver, const CaptureMode& current, QWidget* parent);

    // What the dialog shows chosen.
    CaptureMode chosen() const;

    // The pixel formats; null when the driver offers none to choose between.
    QComboBox* Format = nullptr;
    QListWidget* Sizes = nullptr;
    // The frame rates at the chosen size ("29.97 frames per second"), "Default" first; null
    // for a driver that gives any rate asked of it.
    QComboBox* Rate = nullptr;

private:
    void fillSizes(PictureSize keep);
    void fillRates(FrameRate keep);
    std::uint32_t fourcc() const;

    const CaptureDriver& driver_;
    std::uint32_t currentFourcc_ = 0;
    // The rates the list offers after "Default", in its order.
    std::vector<FrameRate> rates_;
};

// Runs the driver's format dialog over its `current` mode with `run` (the dialog's own loop
// when empty): the mode chosen with OK, nothing when it was cancelled or no size was chosen.
std::optional<CaptureMode> chooseFormat(const CaptureDriver& driver, const CaptureMode& current,
                                        const std::function<int(QDialog&)>& run, QWidget* parent);

} // namespace platform
