#include "Camera.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

namespace fakecam {

OpenFile::OpenFile(std::shared_ptr<Camera> camera, NodeRole role, std::string node,
                   std::uint64_t generation, UniqueFd signal)
    : camera_(std::move(camera)), role_(role), node_(std::move(node)), generation_(generation),
      signal_(std::move(signal)) {}

OpenFile::~OpenFile() {
    camera_->release(this);
}

void OpenFile::setReadable(bool readable) {
    if (readable == readable_) {
        return;
    }
    // Only we write or read the counter (read() on the node is refused), so it is
    // non-zero exactly while readable_ is set and the read below never blocks.
    std::uint64_t value = 1;
    ssize_t n = readable ? ::write(signal_.get(), &value, sizeof value)
                         : real().read(signal_.get(), &value, sizeof value);
    if (n == sizeof value) {
        readable_ = readable;
    }
}

Camera::Camera(CameraConfig config, const Log& log)
    : config_(std::move(config)), log_(log), controls_(config_.controls),
      formats_(config_.formats, config_.current, config_.answers) {}

Camera::~Camera() {
    Lock lock(mutex_);
    stopProducer(lock);
}

int Camera::open(NodeRole role, const std::string& node, int flags,
                 std::shared_ptr<OpenFile>& file) {
    Lock lock(mutex_);
    followPlug(lock);
    if (unplugged_) {
        return -ENODEV;
    }
    // The user may not open it (or another driver holds it): the node is there all the same.
    if (role == NodeRole::Capture && config_.openError) {
        logLine("OPEN refused " + errnoName(config_.openError));
        return -config_.openError;
    }
    int eventFlags = 0;
    eventFlags |= (flags & O_CLOEXEC) ? EFD_CLOEXEC : 0;
    eventFlags |= (flags & O_NONBLOCK) ? EFD_NONBLOCK : 0;
    UniqueFd program(eventfd(0, eventFlags));
    if (!program.valid()) {
        return -errno;
    }
    UniqueFd signal(real().fcntl(program.get(), F_DUPFD_CLOEXEC, 0));
    if (!signal.valid()) {
        return -errno;
    }
    file =
        std::make_shared<OpenFile>(shared_from_this(), role, node, generation_, std::move(signal));
    files_.push_back(file.get());
    return program.release();
}

void Camera::release(OpenFile* file) {
    Lock lock(mutex_);
    files_.erase(std::remove(files_.begin(), files_.end(), file), files_.end());
    if (owner_ != file) {
        return;
    }
    // As closing a V4L2 node does: its stream stops and its buffers go.
    stopProducer(lock);
    streaming_ = false;
    buffers_.release();
    owner_ = nullptr;
    doneCv_.notify_all();
    logLine("RELEASE");
}

bool Camera::dead(const OpenFile& file) const {
    return unplugged_ || file.generation() != generation_;
}

bool Camera::gone(const OpenFile& file) {
    Lock lock(mutex_);
    followPlug(lock);
    return dead(file);
}

int Camera::readError(const OpenFile& file) {
    // A UVC node offers no read() I/O.
    return gone(file) ? ENODEV : EINVAL;
}

bool Camera::plugged() {
    Lock lock(mutex_);
    followPlug(lock);
    return !unplugged_;
}

void Camera::followPlug(Lock& lock) {
    if (config_.unplugFile.empty()) {
        return;
    }
    struct stat st {};
    const bool present = real().stat(config_.unplugFile.c_str(), &st) == 0;
    if (present && !unplugged_) {
        unplug();
    } else if (!present && unplugged_) {
        replug(lock);
    }
}

void Camera::unplug() {
    unplugged_ = true;
    ++generation_;
    streaming_ = false;
    stop_ = true;
    wake_.notify_all();
    doneCv_.notify_all();
    logLine("UNPLUG");
    refreshReadable();
    if (plugHook_) {
        plugHook_(false);
    }
}

void Camera::replug(Lock& lock) {
    stopProducer(lock);
    buffers_.release();
    owner_ = nullptr;
    streaming_ = false;
    controls_.reset();
    formats_.reset();
    input_ = 0;
    unplugged_ = false;
    logLine("REPLUG");
    refreshReadable();
    if (plugHook_) {
        plugHook_(true);
    }
}

void Camera::refreshReadable() {
    for (OpenFile* file : files_) {
        file->setReadable(dead(*file) || (file == owner_ && buffers_.hasDone()));
    }
}

void* Camera::mmap(OpenFile& file, void* addr, size_t length, int prot, int flags, off_t offset,
                   int& error) {
    Lock lock(mutex_);
    followPlug(lock);
    if (dead(file)) {
        error = ENODEV;
        return MAP_FAILED;
    }
    BufferQueue::Buffer* buffer = nullptr;
    if (file.role() == NodeRole::Capture && offset >= 0) {
        buffer = buffers_.atOffset(static_cast<std::uint64_t>(offset));
    }
    // videobuf2 maps buffers shared only, and never past their end.
    if (!buffer || length == 0 || length > buffer->length || (flags & MAP_TYPE) == MAP_PRIVATE) {
        error = EINVAL;
        return MAP_FAILED;
    }
    void* mapped = real().mmap(addr, length, prot, flags, buffer->memory.get(), 0);
    if (mapped == MAP_FAILED) {
        error = errno;
        return MAP_FAILED;
    }
    buffer->mapped = true;
    return mapped;
}

int Camera::ioctl(OpenFile& file, int fd, unsigned int request, void* arg) {
    Lock lock(mutex_);
    followPlug(lock);
    if (dead(file)) {
        return -ENODEV;
    }
    if (!arg && _IOC_SIZE(request) != 0) {
        return -EFAULT;
    }
    switch (file.role()) {
    case NodeRole::Capture:
        return captureRequest(lock, file, fd, request, arg);
    case NodeRole::Metadata:
        if (request == VIDIOC_QUERYCAP) {
            return -querycap(file, *static_cast<v4l2_capability*>(arg));
        }
        return metadataRequest(request, arg);
    case NodeRole::M2m:
        if (request == VIDIOC_QUERYCAP) {
            return -querycap(file, *static_cast<v4l2_capability*>(arg));
        }
        return -ENOTTY;
    }
    return -ENOTTY;
}

int Camera::streamOn(Lock& lock) {
    if (config_.busy != Busy::No) {
        logLine("STREAMON refused EBUSY");
        return EBUSY;
    }
    if (buffers_.count() == 0) {
        return EINVAL;
    }
    if (streaming_) {
        return 0;
    }
    if (producer_.joinable()) {
        stopProducer(lock);
    }
    try {
        sequence_ = 0;
        stop_ = false;
        released_ = false;
        streaming_ = true;
        producer_ = std::thread([this] { produce(); });
    } catch (const std::exception&) {
        streaming_ = false;
        return ENOMEM;
    }
    logLine("STREAMON");
    return 0;
}

void Camera::streamOff(Lock& lock) {
    stopProducer(lock);
    streaming_ = false;
    buffers_.cancel();
    doneCv_.notify_all();
    refreshReadable();
    logLine("STREAMOFF");
}

void Camera::stopProducer(Lock& lock) {
    stop_ = true;
    released_ = true;
    wake_.notify_all();
    if (producer_.joinable()) {
        std::thread producer = std::move(producer_);
        joining_ = true;
        lock.unlock();
        producer.join();
        lock.lock();
        joining_ = false;
        joined_.notify_all();
    } else {
        joined_.wait(lock, [this] { return !joining_; });
    }
}

void Camera::produce() {
    using Clock = std::chrono::steady_clock;
    Lock lock(mutex_);
    // The interval cannot change while streaming. Frame k after origin is due k periods
    // later, computed exactly, so that 1001/30000 does not drift by a rounding per frame. A
    // camera in low light gives a frame every rateDivisor intervals; a slow one gives its
    // first after firstFrameDelayMs, and the next ones a period apart from it.
    const Interval interval = formats_.interval();
    const std::uint64_t periodNumerator = std::uint64_t{interval.numerator} * config_.rateDivisor;
    auto origin = Clock::now();
    std::uint64_t frames = 1;
    if (config_.firstFrameDelayMs > 0) {
        origin += std::chrono::milliseconds(config_.firstFrameDelayMs);
        frames = 0;
    }
    // The stream's picture (an H.264 stream's encoder with it) is made here, outside the
    // lock: it takes a while at large sizes. It is used and freed on this thread only.
    const std::uint32_t fourcc = formats_.fourcc();
    const int width = static_cast<int>(formats_.width());
    const int height = static_cast<int>(formats_.height());
    const int brightness = controls_.brightnessOffset();
    lock.unlock();
    std::unique_ptr<Picture> picture;
    try {
        picture = std::make_unique<Picture>(fourcc, width, height, interval.denominator,
                                            periodNumerator, brightness);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fakecam: %s: cannot paint %s %dx%d: %s\n", config_.node.c_str(),
                     fourccText(fourcc).c_str(), width, height, e.what());
    }
    lock.lock();
    auto dueTime = [&] {
        using Wide = unsigned __int128;
        const auto ns = static_cast<std::int64_t>(Wide{frames} * periodNumerator * 1000000000u /
                                                  std::max<std::uint32_t>(interval.denominator, 1));
        return origin + std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns));
    };
    auto next = dueTime();
    while (!stop_ && picture) {
        if (wake_.wait_until(lock, next, [this] { return stop_; })) {
            break;
        }
        // Unplugging only: a replug needs this thread gone first, and it stops here.
        if (!config_.unplugFile.empty()) {
            struct stat st {};
            if (real().stat(config_.unplugFile.c_str(), &st) == 0) {
                unplug();
                break;
            }
        }
        if (config_.unplugAfterFrames && !framesUnplugDone_ &&
            framesDelivered_ >= *config_.unplugAfterFrames) {
            framesUnplugDone_ = true;
            // With an unplug file the camera stays unplugged until the test removes it.
            if (!config_.unplugFile.empty()) {
                UniqueFd marker(
                    real().open(config_.unplugFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            }
            unplug();
            break;
        }
        const std::uint32_t sequence = sequence_++;
        if (BufferQueue::Buffer* buffer = buffers_.takeForFilling()) {
            // Painting an MJPG frame takes milliseconds: not under the lock that the
            // program's control requests need.
            lock.unlock();
            const std::size_t used = picture->paint(sequence, buffer->data, buffer->length);
            lock.lock();
            buffers_.filled(buffer, static_cast<std::uint32_t>(used), sequence);
            ++framesDelivered_;
            refreshReadable();
            doneCv_.notify_all();
        }
        ++frames;
        next = dueTime();
        // Behind (a stall, or a frame that took longer to paint than its interval): the next
        // frame at once and the pace counted again from there, never a burst to catch up.
        if (next < Clock::now()) {
            origin = Clock::now();
            frames = 0;
            next = origin;
        }
    }
    lock.unlock();
    picture.reset();
    lock.lock();
    // Stopped by an unplug, the thread still ends only once stopProducer, which joins it, lets
    // it: a thread left to end unjoined is a leak to the thread checker.
    wake_.wait(lock, [this] { return released_; });
}

} // namespace fakecam
