#pragma once

#include "platform/Result.h"
#include "platform/capture/CaptureMode.h"
#include "platform/capture/CaptureRecords.h"
#include "platform/capture/window/PreviewHealth.h"
#include "platform/capture/window/ReturnWait.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

namespace platform {

class CaptureDriver;
struct CaptureSetup;
class PreviewPipeline;
struct SettingsKey;
class SourceSettings;
class VideoFrame;
class VideoOverlay;

// A child window bound to at most one capture driver: it connects a driver, previews its
// live picture at a rate and reports the picture size. Requests answer synchronously;
// results follow the capture-window convention (non-zero = done).
class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    CaptureWindow(std::shared_ptr<const CaptureSetup> setup, QWidget* parent);
    ~CaptureWindow() override;

    int driverConnect(int index);
    int driverDisconnect();
    int setPreviewRate(int milliseconds);
    int setPreview(bool on);
    int getStatus(CaptureStatus& status) const;
    int getDriverCaps(CaptureDriverCaps& caps) const;
    int stop();
    // The driver's own dialogs, modal; each answers 0 when no driver that has one is
    // connected. A size chosen in the format dialog takes effect at once and is written to
    // the driver's registry key.
    int dlgVideoFormat();
    int dlgVideoSource();
    // Copies the newest frame into the grab buffer; the preview keeps running. Fails, with
    // the buffer emptied, when the driver has delivered no recent frame.
    int grabFrameNoStop();
    // Writes the grab buffer to `path` as a 24-bit bottom-up BMP file, whole or not at all.
    int fileSaveDib(const QString& path);

    const QImage& grabBuffer() const { return grabbed_; }

    // Why the last request or the running preview failed; empty when nothing failed.
    const std::string& lastError() const { return lastError_; }
    // Why the last connect was refused, in a sentence for the user, when the user can do
    // something about it (no permission to the device); empty otherwise.
    const std::string& connectRefusal() const { return connectRefusal_; }
    // How the connected driver delivers its pictures.
    const CaptureMode& mode() const { return mode_; }
    // What the connected driver's source dialog has set for this connection; null when no
    // driver is connected or the driver offers no source dialog.
    const SourceSettings* sourceSettings() const { return settings_.get(); }

signals:
    // A preview frame has just been drawn.
    void framePainted();
    // The preview could not start or has stopped; `why` says so in a sentence.
    void previewFailed(const QString& why);
    // The device took the connection but refused to stream (another program holds it, say):
    // a sentence that names the device and why, for a message of its own.
    void streamRefused(const QString& why);
    // This window has just been given an X window of its own to draw the preview into.
    void nativeWindowMade();
    // The device is taking its time over its first picture (some cameras take seconds at
    // large sizes): a sentence saying it is starting; and its first picture has come.
    void previewStarting(const QString& note);
    void previewStarted();
    // A lost device is back and previews again, or is back but cannot stream yet (another
    // program took it) and is waited for: a sentence saying so.
    void deviceReturn(const QString& note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Where the driver keeps what its source dialog set.
    SettingsKey settingsKey(const CaptureDriver& driver) const;
    // A pipeline for the connected driver in `mode`, drawing into the overlay when there is one.
    Result<std::unique_ptr<PreviewPipeline>> openPipeline(const CaptureMode& mode);
    // Before the pipeline stops or goes: the toolkit paints its last frame in place of the
    // overlay, as it does without one.
    void takeOverFromOverlay();
    void previewTick();
    void startPreview();
    // Builds the connected driver's pipeline anew in the mode the device gives for `asked`,
    // the preview as it was; `putBack`: what the driver keeps is set on the device first.
    bool reopen(const CaptureMode& asked, bool putBack = false);
    // Shows the newest frame if one has arrived since the last paint.
    bool takeNewestFrame();
    // The preview has failed: stop asking for frames and say why, once.
    void fail(const std::string& why, bool lost = false);
    // The device gave no frame before its pipeline failed: say why, with a message of its own.
    void refuseStream(const std::string& why);
    // The lost device is back and free to stream: it previews again.
    void returnBack();

    std::shared_ptr<const CaptureSetup> setup_;
    // The connected driver, in the setup's table; null when none is.
    const CaptureDriver* driver_ = nullptr;
    CaptureMode mode_;
    // What the driver's source dialog has set for this connection.
    std::unique_ptr<SourceSettings> settings_;
    // Where the pipeline draws, on an X display; null where the toolkit paints every frame.
    VideoOverlay* overlay_ = nullptr;
    std::unique_ptr<PreviewPipeline> pipeline_;
    std::shared_ptr<const VideoFrame> shown_;
    QImage grabbed_;
    QTimer previewTimer_;
    bool previewOn_ = false;
    // The preview was asked to start before the overlay had its X window.
    bool playWhenShown_ = false;
    bool overlayShown_ = false;
    // Why the running pipeline stopped; a grab refuses to take an old picture after it.
    std::string failure_;
    PreviewHealth health_;
    std::string lastError_;
    std::string connectRefusal_;
    // While the connected driver's device is lost.
    ReturnWait returnWait_;
};

} // namespace platform
