#pragma once
// One emulated camera: its nodes' requests, its state shared by every descriptor opened
// on it, the producer thread that fills buffers while it streams, and unplugging.

#include "Buffers.h"
#include "Config.h"
#include "Controls.h"
#include "Formats.h"
#include "Log.h"
#include "Picture.h"
#include "Real.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fakecam {

class Camera;

enum class NodeRole { Capture, Metadata, M2m };

// What one open() of a node made. dup'ed descriptors share it, as they share a file in
// the kernel. Its descriptor is an eventfd that is readable exactly when poll on a
// V4L2 node would say POLLIN, so that poll, select and epoll work unchanged.
class OpenFile {
public:
    OpenFile(std::shared_ptr<Camera> camera, NodeRole role, std::string node,
             std::uint64_t generation, UniqueFd signal);
    ~OpenFile();
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    Camera& camera() const { return *camera_; }
    NodeRole role() const { return role_; }
    const std::string& node() const { return node_; }
    std::uint64_t generation() const { return generation_; }

    // Makes the descriptor readable or not; the camera calls it under its lock.
    void setReadable(bool readable);

private:
    std::shared_ptr<Camera> camera_;
    NodeRole role_;
    std::string node_;
    std::uint64_t generation_;
    UniqueFd signal_; // our own duplicate of the program's eventfd
    bool readable_ = false;
};

class Camera : public std::enable_shared_from_this<Camera> {
public:
    Camera(CameraConfig config, const Log& log);
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    const CameraConfig& config() const { return config_; }

    // Opens one of its nodes: the program's descriptor, or -errno (ENODEV while unplugged).
    int open(NodeRole role, const std::string& node, int flags, std::shared_ptr<OpenFile>& file);
    // Answers a request: its result, or -errno. fd is the descriptor it came on.
    int ioctl(OpenFile& file, int fd, unsigned int request, void* arg);
    // Maps a buffer: the address, or MAP_FAILED with error set.
    void* mmap(OpenFile& file, void* addr, size_t length, int prot, int flags, off_t offset,
               int& error);
    // True once the camera was unplugged after this file was opened.
    bool gone(const OpenFile& file);
    // What read() on the node answers.
    int readError(const OpenFile& file);
    // A file closed for good: its queue, if it owned it, stops and is freed.
    void release(OpenFile* file);

    // Runs under the camera's lock when it is unplugged (false) or plugged in again (true),
    // as the kernel takes a device's nodes away and udev makes them again.
    void setPlugHook(std::function<void(bool plugged)> hook) { plugHook_ = std::move(hook); }
    // Follows the unplug file now; whether the camera is plugged in.
    bool plugged();

private:
    using Lock = std::unique_lock<std::mutex>;

    // Requests by node kind (Requests.cpp); the lock is held and the file is alive.
    int captureRequest(Lock& lock, OpenFile& file, int fd, unsigned int request, void* arg);
    int metadataRequest(unsigned int request, void* arg);
    int querycap(const OpenFile& file, v4l2_capability& cap) const;
    int controlRequest(OpenFile& file, unsigned int request, void* arg);
    int streamingRequest(Lock& lock, OpenFile& file, int fd, unsigned int request, void* arg);
    int streamOn(Lock& lock);
    void streamOff(Lock& lock);

    bool dead(const OpenFile& file) const;
    // Follows the unplug file: unplugs when it appeared, replugs when it went away.
    void followPlug(Lock& lock);
    void unplug();
    // Back to a freshly plugged camera: defaults, no buffers, no owner.
    void replug(Lock& lock);
    void stopProducer(Lock& lock);
    void produce();
    void refreshReadable();
    void logLine(const std::string& what) const { log_.line(config_.node, what); }

    const CameraConfig config_;
    const Log& log_;

    std::mutex mutex_;
    ControlSet controls_;
    FormatSet formats_;
    std::uint32_t input_ = 0;
    BufferQueue buffers_;
    OpenFile* owner_ = nullptr; // the file whose REQBUFS allocated the buffers
    std::vector<OpenFile*> files_;

    std::function<void(bool)> plugHook_;
    bool unplugged_ = false;
    std::uint64_t generation_ = 0; // counts unplugs: files of an earlier one stay dead
    bool framesUnplugDone_ = false;
    std::uint64_t framesDelivered_ = 0;

    bool streaming_ = false;
    bool stop_ = false;     // the producer stops delivering (stream off, unplug)
    bool released_ = false; // and may end: only stopProducer, which joins it, says so
    bool joining_ = false;
    std::uint32_t sequence_ = 0;
    std::thread producer_;
    std::condition_variable wake_;   // the producer's timer, cut short by stop
    std::condition_variable doneCv_; // blocking DQBUF waits here
    std::condition_variable joined_;
};

} // namespace fakecam
