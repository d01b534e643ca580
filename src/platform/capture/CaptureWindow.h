#pragma once

#include "platform/capture/DriverTable.h"
#include "platform/capture/PreviewPipeline.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The picture size of the connected driver's current format.
struct CaptureStatus {
    std::uint32_t uiImageWidth = 0;
    std::uint32_t uiImageHeight = 0;
};

// Which of its own dialogs a driver offers.
struct CaptureDriverCaps {
    std::uint32_t fHasDlgVideoSource = 0;
    std::uint32_t fHasDlgVideoFormat = 0;
};

// A child window bound to at most one capture driver: it connects a driver, previews its
// live picture at a rate and reports the picture size. Requests answer synchronously;
// results follow the capture-window convention (non-zero = done).
class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    CaptureWindow(std::shared_ptr<const DriverTable> drivers, QWidget* parent);
    ~CaptureWindow() override;

    int driverConnect(int index);
    int driverDisconnect();
    int setPreviewRate(int milliseconds);
    int setPreview(bool on);
    int getStatus(CaptureStatus& status) const;
    int getDriverCaps(CaptureDriverCaps& caps) const;
    int stop();
    // Copies the newest frame into the grab buffer; the preview keeps running. Fails, with
    // the buffer emptied, when the driver has delivered no recent frame.
    int grabFrameNoStop();
    // Writes the grab buffer to `path` as a 24-bit bottom-up BMP file, whole or not at all.
    int fileSaveDib(const QString& path);

    const QImage& grabBuffer() const { return grabbed_; }

    // Why the last request or the running preview failed; empty when nothing failed.
    const std::string& lastError() const { return lastError_; }

signals:
    // A preview frame has just been drawn.
    void framePainted();
    // The preview could not start or has stopped; `why` says so in a sentence.
    void previewFailed(const QString& why);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void previewTick();
    void startPreview();
    // Shows the newest frame if one has arrived since the last paint.
    bool takeNewestFrame();
    // The preview has failed: stop asking for frames and say why, once.
    void fail(const std::string& why);

    std::shared_ptr<const DriverTable> drivers_;
    std::unique_ptr<PreviewPipeline> pipeline_;
    std::shared_ptr<const VideoFrame> shown_;
    QImage grabbed_;
    QTimer previewTimer_;
    bool previewOn_ = false;
    // Why the running pipeline stopped; a grab refuses to take an old picture after it.
    std::string failure_;
    // The driver has gone quiet without an error; cleared when frames come again.
    bool stalled_ = false;
    std::string lastError_;
};

// The capture-window service: the table of installed drivers and the factory of capture
// windows that use them.
class CaptureService {
public:
    explicit CaptureService(DriverTable drivers);

    // Name and version of the driver at index 0..9, or nothing when none is installed there.
    std::optional<DriverSpec> driverDescription(int index) const;

    // A visible child window of `parent`; it belongs to the parent.
    CaptureWindow* createCaptureWindow(QWidget* parent, const QRect& geometry, int id) const;

private:
    std::shared_ptr<const DriverTable> drivers_;
};

} // namespace platform
