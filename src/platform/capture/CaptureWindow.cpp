#include "platform/capture/CaptureWindow.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QSaveFile>
#include <QThread>

#include <cstdio>

namespace platform {

namespace {
constexpr int kDefaultPreviewRateMs = 66;
// How long a grab waits for the first frame of a preview that has only just started.
constexpr int kFirstFrameWaitMs = 2000;
} // namespace

CaptureWindow::CaptureWindow(std::shared_ptr<const DriverTable> drivers, QWidget* parent)
    : QWidget(parent), drivers_(std::move(drivers)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    previewTimer_.setInterval(kDefaultPreviewRateMs);
    previewTimer_.setTimerType(Qt::PreciseTimer);
    connect(&previewTimer_, &QTimer::timeout, this, &CaptureWindow::previewTick);
}

CaptureWindow::~CaptureWindow() = default;

int CaptureWindow::driverConnect(int index) {
    if (index < 0 || index >= kDriverSlots || !drivers_)
        return 0;
    const auto& driver = (*drivers_)[index];
    if (!driver || !driver->acceptsConnect) {
        lastError_ = "no driver accepts a connection at index " + std::to_string(index);
        return 0;
    }
    driverDisconnect();
    std::string error;
    pipeline_ = PreviewPipeline::open(*driver, error);
    if (!pipeline_) {
        lastError_ = driver->name + ": " + error;
        return 0;
    }
    lastError_.clear();
    return 1;
}

int CaptureWindow::driverDisconnect() {
    previewTimer_.stop();
    previewOn_ = false;
    pipeline_.reset();
    shown_.reset();
    update();
    return 1;
}

int CaptureWindow::setPreviewRate(int milliseconds) {
    previewTimer_.setInterval(std::max(1, milliseconds));
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
        pipeline_->halt();
    }
    return 1;
}

void CaptureWindow::startPreview() {
    std::string error;
    if (!pipeline_->play(error)) {
        lastError_ = error;
        std::fprintf(stderr, "nimbacast: preview: %s\n", error.c_str());
        return;
    }
    previewTimer_.start();
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
    return pipeline_ ? 1 : 0;
}

int CaptureWindow::stop() {
    if (pipeline_ && previewOn_) {
        previewTimer_.stop();
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
    if (!pipeline_)
        return 0;
    takeNewestFrame();
    if (!shown_ && previewOn_) {
        QElapsedTimer waited;
        waited.start();
        while (!takeNewestFrame() && waited.elapsed() < kFirstFrameWaitMs)
            QThread::msleep(2);
    }
    if (!shown_)
        return 0;
    grabbed_ = shown_->image().copy();
    return 1;
}

int CaptureWindow::fileSaveDib(const QString& path) {
    if (grabbed_.isNull())
        return 0;
    // The temporary file is renamed over the target only once it is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !grabbed_.save(&file, "BMP") || !file.commit()) {
        lastError_ = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return 0;
    }
    return 1;
}

void CaptureWindow::previewTick() {
    if (!pipeline_)
        return;
    takeNewestFrame();
    const std::string error = pipeline_->takeError();
    if (!error.empty() && error != lastError_) {
        // The device went away or stalled: keep the last picture and say why once.
        lastError_ = error;
        std::fprintf(stderr, "nimbacast: preview: %s\n", error.c_str());
    }
}

void CaptureWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!shown_) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QImage& image = shown_->image();
    if (image.size() == size())
        painter.drawImage(0, 0, image);
    else
        painter.drawImage(rect(), image);
    emit framePainted();
}

CaptureService::CaptureService(DriverTable drivers)
    : drivers_(std::make_shared<const DriverTable>(std::move(drivers))) {}

std::optional<DriverSpec> CaptureService::driverDescription(int index) const {
    if (index < 0 || index >= kDriverSlots)
        return std::nullopt;
    return (*drivers_)[index];
}

CaptureWindow* CaptureService::createCaptureWindow(QWidget* parent, const QRect& geometry,
                                                   int id) const {
    auto* window = new CaptureWindow(drivers_, parent);
    window->setObjectName(QStringLiteral("CapWnd%1").arg(id));
    window->setGeometry(geometry);
    window->show();
    return window;
}

} // namespace platform
