#include "platform/capture/CaptureWindow.h"

#include "platform/capture/CaptureService.h"
#include "platform/capture/DriverKeys.h"
#include "platform/capture/DriverModes.h"
#include "platform/capture/dialogs/FormatDialog.h"
#include "platform/capture/dialogs/SourceDialog.h"
#include "platform/capture/pipeline/FreshFrame.h"
#include "platform/capture/pipeline/PreviewPipeline.h"
#include "platform/capture/window/VideoOverlay.h"
#include "platform/gst/VideoFrame.h"
#include "platform/imaging/BmpFile.h"
#include "platform/registry/Registry.h"

#include <QPainter>

#include <utility>

namespace platform {

namespace {
constexpr int kDefaultPreviewRateMs = 66;
} // namespace

CaptureWindow::CaptureWindow(std::shared_ptr<const CaptureSetup> setup, QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)),
      returnWait_([this](const QString& note) { emit deviceReturn(note); },
                  [this] { returnBack(); }) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    previewTimer_.setInterval(kDefaultPreviewRateMs);
    previewTimer_.setTimerType(Qt::PreciseTimer);
    connect(&previewTimer_, &QTimer::timeout, this, &CaptureWindow::previewTick);
    overlay_ = VideoOverlay::make(this, [this] {
        if (pipeline_)
            pipeline_->expose();
    });
}

void CaptureWindow::showEvent(QShowEvent*) {
    // The overlay's X window is used once this window is shown, when the top-level window has
    // made it along with its own: asked for earlier, it would make the top-level's X window
    // before the top-level is placed by its frame.
    if (!overlay_ || overlayShown_)
        return;
    overlayShown_ = true;
    const guintptr id = overlay_->winId();
    emit nativeWindowMade();
    if (pipeline_ && !pipeline_->hasWindow())
        pipeline_->setWindow(id);
    if (std::exchange(playWhenShown_, false) && pipeline_ && previewOn_)
        startPreview();
}

Result<std::unique_ptr<PreviewPipeline>> CaptureWindow::openPipeline(const CaptureMode& mode) {
    const int interval = std::max(1, previewTimer_.interval());
    auto pipeline = PreviewPipeline::open(*driver_, mode, overlay_ != nullptr,
                                          overlayShown_ ? overlay_->internalWinId() : 0,
                                          (1000 + interval / 2) / interval);
    // The first picture shows at once rather than at the next look. The pipeline stops its
    // streaming before it goes, and a call queued for a window that has gone is dropped.
    if (pipeline && (*pipeline)->drawsIntoWindow())
        (*pipeline)->setOnFirstFrame([this] {
            QMetaObject::invokeMethod(
                this, [this] { previewTick(); }, Qt::QueuedConnection);
        });
    return pipeline;
}

void CaptureWindow::takeOverFromOverlay() {
    if (!overlay_ || !pipeline_ || !pipeline_->drawsIntoWindow())
        return;
    if (auto frame = pipeline_->takeNewest())
        shown_ = std::move(frame);
    overlay_->hide();
    update();
}

void CaptureWindow::resizeEvent(QResizeEvent*) {
    if (overlay_)
        overlay_->setGeometry(rect());
}

CaptureWindow::~CaptureWindow() = default;

SettingsKey CaptureWindow::settingsKey(const CaptureDriver& driver) const {
    return {setup_->registry, driverKeyPath(driver.spec().devicePath)};
}

int CaptureWindow::driverConnect(int index) {
    if (index < 0 || index >= kDriverSlots || !setup_)
        return 0;
    const auto& driver = setup_->drivers[index];
    if (!driver || !driver->acceptsConnect()) {
        lastError_ = "no driver accepts a connection at index " + std::to_string(index);
        return 0;
    }
    driverDisconnect();
    connectRefusal_.clear();
    if (const Result<> access = driver->checkAccess(); !access) {
        lastError_ = connectRefusal_ =
            "Cannot open " + driver->deviceName() + ": " + access.failure().utf8();
        return 0;
    }
    // What the driver keeps goes back on the device before it streams.
    settings_ = driver->sourceSettings(settingsKey(*driver));
    if (settings_)
        settings_->putBack();
    // A device may answer the mode with another it prefers: the preview asks for that.
    const CaptureMode mode = driver->inForce(startMode(*driver, setup_->registry, setup_->fitted));
    driver_ = driver.get();
    Result<std::unique_ptr<PreviewPipeline>> opened = openPipeline(mode);
    if (!opened) {
        driver_ = nullptr;
        settings_.reset();
        lastError_ = driver->deviceName() + ": " + opened.failure().utf8();
        return 0;
    }
    pipeline_ = std::move(opened).value();
    mode_ = mode;
    lastError_.clear();
    return 1;
}

bool CaptureWindow::reopen(const CaptureMode& asked, bool putBack) {
    const CaptureMode mode = driver_->inForce(asked);
    const bool previewing = previewOn_;
    previewTimer_.stop();
    if (overlay_)
        overlay_->hide();
    // The old pipeline lets go of the device before the new one opens it.
    pipeline_.reset();
    shown_.reset();
    grabbed_ = QImage();
    if (putBack && settings_)
        settings_->putBack();
    Result<std::unique_ptr<PreviewPipeline>> opened = openPipeline(mode);
    if (!opened) {
        lastError_ = driver_->deviceName() + ": " + opened.failure().utf8();
        failure_ = lastError_;
        emit previewFailed(QStringLiteral("The preview could not start: %1")
                               .arg(QString::fromStdString(lastError_)));
        return false;
    }
    pipeline_ = std::move(opened).value();
    mode_ = mode;
    if (settings_)
        settings_->apply(*pipeline_);
    if (previewing)
        startPreview();
    update();
    return true;
}

int CaptureWindow::dlgVideoFormat() {
    if (!pipeline_ || !driver_->hasFormatDialog())
        return 0;
    const std::optional<CaptureMode> chosen =
        chooseFormat(*driver_, mode_, setup_->runDialog, this);
    // The dialog runs its own loop, in which the driver may have gone.
    if (!chosen || !pipeline_ || *chosen == mode_)
        return 1;
    // A device may take another format as a reset of its controls.
    if (reopen(*chosen, true) && setup_->registry)
        storePictureSize(*setup_->registry, *driver_, chosen->size);
    return 1;
}

int CaptureWindow::dlgVideoSource() {
    if (!pipeline_ || !settings_)
        return 0;
    showSourceDialog(*settings_, pipeline_.get(), setup_->runDialog, this);
    return 1;
}

int CaptureWindow::driverDisconnect() {
    returnWait_.stop();
    previewTimer_.stop();
    previewOn_ = false;
    if (overlay_)
        overlay_->hide();
    pipeline_.reset();
    driver_ = nullptr;
    settings_.reset();
    shown_.reset();
    grabbed_ = QImage();
    failure_.clear();
    health_.reset();
    update();
    return 1;
}

int CaptureWindow::setPreviewRate(int milliseconds) {
    milliseconds = std::max(1, milliseconds);
    previewTimer_.setInterval(milliseconds);
    if (!pipeline_)
        return 1;
    // Ask the driver for no more frames than the preview shows, rather than drop the rest
    // after decoding them.
    CaptureMode wanted = mode_;
    wanted.rate = driver_->rateFor(mode_, (1000 + milliseconds / 2) / milliseconds);
    if (driver_->effectiveRate(wanted) != driver_->effectiveRate(mode_)) {
        reopen(wanted);
    } else {
        mode_.rate = wanted.rate;
        pipeline_->limitRate((1000 + milliseconds / 2) / milliseconds);
    }
    return 1;
}

int CaptureWindow::setPreview(bool on) {
    previewOn_ = on;
    if (!pipeline_)
        return 0;
    if (on) {
        startPreview();
    } else {
        previewTimer_.stop();
        takeOverFromOverlay();
        pipeline_->halt();
    }
    return 1;
}

void CaptureWindow::startPreview() {
    failure_.clear();
    health_ = PreviewHealth(driver_->firstPictureWithin());
    // A sink without its window would open one of its own.
    if (pipeline_->drawsIntoWindow() && !pipeline_->hasWindow()) {
        playWhenShown_ = true;
        return;
    }
    if (const Result<> playing = pipeline_->play(); !playing) {
        refuseStream(playing.failure().utf8());
        return;
    }
    previewTimer_.start();
}

void CaptureWindow::fail(const std::string& why, bool lost) {
    previewTimer_.stop();
    failure_ = lost ? "the capture device was lost (" + why + ")" : why;
    lastError_ = failure_;
    takeOverFromOverlay();
    // The pipeline lets go of a device that has gone; choosing the driver again opens it anew.
    if (lost && pipeline_)
        pipeline_->halt();
    if (!lost && pipeline_ && !pipeline_->delivered()) {
        refuseStream(why);
        return;
    }
    if (lost)
        returnWait_.start(*driver_);
    emit previewFailed(
        lost ? QStringLiteral("The capture device was lost: %1").arg(QString::fromStdString(why)) +
                   (returnWait_.waiting() ? QStringLiteral(" (waiting for it to come back)")
                                          : QString())
             : QStringLiteral("The preview stopped: %1").arg(QString::fromStdString(why)));
}

void CaptureWindow::returnBack() {
    // It may have come back under another node: what the dialog sets goes there.
    settings_ = driver_->sourceSettings(settingsKey(*driver_));
    if (!reopen(mode_, true)) {
        returnWait_.start(*driver_);
        return;
    }
    emit deviceReturn(QStringLiteral("The capture device is back: %1")
                          .arg(QString::fromStdString(driver_->deviceName())));
}

void CaptureWindow::refuseStream(const std::string& why) {
    previewTimer_.stop();
    // Not one frame: the device would not stream at all. It is let go, so that the driver can
    // find out why and another try (choosing it again in "Select Source") starts afresh.
    pipeline_->halt();
    const Result<> device = driver_->checkStream();
    failure_ = lastError_ = driver_->deviceName() + ": " + (device ? why : device.failure().utf8());
    const QString text = QString::fromStdString(lastError_);
    emit previewFailed(QStringLiteral("The preview could not start: %1").arg(text));
    emit streamRefused(QStringLiteral("Cannot start the preview of %1.").arg(text));
}

int CaptureWindow::getStatus(CaptureStatus& status) const {
    if (!pipeline_)
        return 0;
    status.uiImageWidth = static_cast<std::uint32_t>(pipeline_->width());
    status.uiImageHeight = static_cast<std::uint32_t>(pipeline_->height());
    return 1;
}

int CaptureWindow::getDriverCaps(CaptureDriverCaps& caps) const {
    caps = CaptureDriverCaps{};
    if (!pipeline_)
        return 0;
    caps.fHasDlgVideoFormat = driver_->hasFormatDialog() ? 1 : 0;
    caps.fHasDlgVideoSource = settings_ ? 1 : 0;
    return 1;
}

int CaptureWindow::stop() {
    if (pipeline_ && previewOn_) {
        previewTimer_.stop();
        takeOverFromOverlay();
        pipeline_->halt();
    }
    return 1;
}

bool CaptureWindow::takeNewestFrame() {
    if (!pipeline_)
        return false;
    auto frame = pipeline_->takeNewest();
    if (!frame)
        return false;
    shown_ = std::move(frame);
    update();
    return true;
}

int CaptureWindow::grabFrameNoStop() {
    grabbed_ = QImage();
    if (!pipeline_) {
        lastError_ = "no capture driver is connected";
        return 0;
    }
    if (!previewOn_) {
        lastError_ = "the preview is not running";
        return 0;
    }
    if (!failure_.empty()) {
        lastError_ = failure_;
        return 0;
    }
    const std::shared_ptr<const VideoFrame> before = shown_;
    const Result<> fresh = takeFreshFrame(*pipeline_, shown_);
    if (shown_ != before)
        update();
    if (!fresh) {
        lastError_ = fresh.failure().utf8();
        return 0;
    }
    grabbed_ = shown_->image().copy();
    return 1;
}

int CaptureWindow::fileSaveDib(const QString& path) {
    if (grabbed_.isNull()) {
        lastError_ = "no frame has been grabbed";
        return 0;
    }
    // A frame is the webcam's picture: for this user's eyes only.
    if (const Result<> written = writeBmpFile(path, grabbed_, FileAccess::Private); !written) {
        lastError_ = written.failure().utf8();
        return 0;
    }
    return 1;
}

void CaptureWindow::previewTick() {
    if (!pipeline_)
        return;
    bool arrived;
    if (pipeline_->drawsIntoWindow()) {
        // The sink has drawn the frame already; the overlay shows from the first one on.
        arrived = pipeline_->takeArrival();
        if (arrived) {
            if (overlay_->isHidden())
                overlay_->show();
            emit framePainted();
        }
    } else {
        arrived = takeNewestFrame();
    }
    const PreviewHealth::News news =
        health_.look(arrived, !pipeline_->delivered(), pipeline_->sinceLastFrame());
    if (news.started)
        emit previewStarted();
    if (news.starting)
        emit previewStarting(
            QStringLiteral("%1 is starting...").arg(QString::fromStdString(driver_->deviceName())));
    if (news.stalledAfter.count() > 0) {
        lastError_ = "the capture device has delivered no picture for " +
                     std::to_string(news.stalledAfter.count() / 1000) + " seconds";
        // A grab refuses the old picture by its age; frames coming again clear this.
        emit previewFailed(
            QStringLiteral("The preview stopped: %1").arg(QString::fromStdString(lastError_)));
    }
    if (const Result<> going = pipeline_->stillStreaming(); !going)
        fail(going.failure().utf8(), going.failure().code() == PreviewPipeline::kDeviceLost);
}

void CaptureWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (VideoFrame::paint(painter, rect(), shown_.get()))
        emit framePainted();
}

} // namespace platform
