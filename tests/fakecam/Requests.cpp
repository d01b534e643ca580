// The V4L2 requests a camera's nodes answer, by kind of node. Anything not here gets
// ENOTTY, as the kernel answers requests a driver does not implement.

#include "Camera.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace fakecam {

namespace {

constexpr std::uint32_t kMetadataFourcc = v4l2_fourcc('U', 'V', 'C', 'H');
constexpr std::uint32_t kMetadataBufferSize = 10 * 1024;

template <std::size_t N> void copyText(std::uint8_t (&dst)[N], const std::string& text) {
    std::memset(dst, 0, N);
    std::memcpy(dst, text.data(), std::min(text.size(), N - 1));
}

bool isCapture(std::uint32_t type) {
    return type == V4L2_BUF_TYPE_VIDEO_CAPTURE;
}

} // namespace

int Camera::querycap(const OpenFile& file, v4l2_capability& cap) const {
    std::memset(&cap, 0, sizeof cap);
    copyText(cap.driver, config_.driver);
    copyText(cap.card, config_.card);
    copyText(cap.bus_info, config_.bus);
    cap.version = config_.version;
    const std::uint32_t common = V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
    if (config_.m2m) {
        cap.device_caps = V4L2_CAP_VIDEO_M2M | common;
    } else {
        cap.device_caps =
            (file.role() == NodeRole::Metadata ? V4L2_CAP_META_CAPTURE : V4L2_CAP_VIDEO_CAPTURE) |
            common;
    }
    // The whole device's capabilities: every node of it, such as both nodes of a UVC camera.
    cap.capabilities = config_.deviceCapabilities;
    return 0;
}

int Camera::metadataRequest(unsigned int request, void* arg) {
    switch (request) {
    case VIDIOC_ENUM_FMT: {
        auto& d = *static_cast<v4l2_fmtdesc*>(arg);
        if (d.type != V4L2_BUF_TYPE_META_CAPTURE || d.index != 0) {
            return -EINVAL;
        }
        std::memset(d.description, 0, sizeof d.description);
        std::strcpy(reinterpret_cast<char*>(d.description), "UVC Payload Header Metadata");
        d.pixelformat = kMetadataFourcc;
        d.flags = 0;
        return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_S_FMT:
    case VIDIOC_TRY_FMT: {
        auto& f = *static_cast<v4l2_format*>(arg);
        if (f.type != V4L2_BUF_TYPE_META_CAPTURE) {
            return -EINVAL;
        }
        std::memset(&f.fmt, 0, sizeof f.fmt);
        f.fmt.meta.dataformat = kMetadataFourcc;
        f.fmt.meta.buffersize = kMetadataBufferSize;
        return 0;
    }
    default:
        return -ENOTTY;
    }
}

int Camera::captureRequest(Lock& lock, OpenFile& file, int fd, unsigned int request, void* arg) {
    switch (request) {
    case VIDIOC_QUERYCAP:
        return -querycap(file, *static_cast<v4l2_capability*>(arg));
    case VIDIOC_ENUM_FMT:
        return -formats_.enumFormat(*static_cast<v4l2_fmtdesc*>(arg));
    case VIDIOC_G_FMT:
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: {
        auto& f = *static_cast<v4l2_format*>(arg);
        if (!isCapture(f.type)) {
            return -EINVAL;
        }
        if (request == VIDIOC_G_FMT) {
            formats_.currentFormat(f.fmt.pix);
            return 0;
        }
        if (request == VIDIOC_S_FMT &&
            (buffers_.count() > 0 || streaming_ || (owner_ && owner_ != &file) ||
             config_.busy == Busy::AtFormat)) {
            logLine("S_FMT refused EBUSY");
            return -EBUSY;
        }
        formats_.tryFormat(f.fmt.pix);
        if (request == VIDIOC_S_FMT) {
            formats_.setFormat(f.fmt.pix);
            logLine("S_FMT " + fourccText(f.fmt.pix.pixelformat) + " " +
                    sizeText(f.fmt.pix.width, f.fmt.pix.height));
        }
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES:
        return -formats_.enumFrameSizes(*static_cast<v4l2_frmsizeenum*>(arg));
    case VIDIOC_ENUM_FRAMEINTERVALS:
        return -formats_.enumFrameIntervals(*static_cast<v4l2_frmivalenum*>(arg));
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
        auto& p = *static_cast<v4l2_streamparm*>(arg);
        if (!isCapture(p.type)) {
            return -EINVAL;
        }
        Interval set = formats_.interval();
        if (request == VIDIOC_S_PARM) {
            // The UVC driver cannot change the rate of a running stream.
            if (streaming_) {
                logLine("S_PARM refused EBUSY");
                return -EBUSY;
            }
            const Interval asked{p.parm.capture.timeperframe.numerator,
                                 p.parm.capture.timeperframe.denominator};
            set = formats_.setInterval(asked);
            logLine("S_PARM " + intervalText(set.numerator, set.denominator) + " asked " +
                    intervalText(asked.numerator, asked.denominator));
        }
        std::memset(&p.parm, 0, sizeof p.parm);
        p.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        p.parm.capture.timeperframe = {set.numerator, set.denominator};
        return 0;
    }
    case VIDIOC_ENUMINPUT: {
        auto& in = *static_cast<v4l2_input*>(arg);
        if (in.index >= config_.inputs.size()) {
            return -EINVAL;
        }
        const std::uint32_t index = in.index;
        std::memset(&in, 0, sizeof in);
        in.index = index;
        copyText(in.name, config_.inputs[index]);
        in.type = V4L2_INPUT_TYPE_CAMERA;
        return 0;
    }
    case VIDIOC_G_INPUT:
        *static_cast<int*>(arg) = static_cast<int>(input_);
        return 0;
    case VIDIOC_S_INPUT: {
        const int index = *static_cast<int*>(arg);
        if (index < 0 || static_cast<std::size_t>(index) >= config_.inputs.size()) {
            logLine("S_INPUT " + std::to_string(index) + " refused EINVAL");
            return -EINVAL;
        }
        if (buffers_.count() > 0) {
            logLine("S_INPUT " + std::to_string(index) + " refused EBUSY");
            return -EBUSY;
        }
        input_ = static_cast<std::uint32_t>(index);
        logLine("S_INPUT " + std::to_string(index));
        return 0;
    }
    case VIDIOC_QUERYCTRL:
    case VIDIOC_QUERY_EXT_CTRL:
    case VIDIOC_QUERYMENU:
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL:
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS:
    case VIDIOC_TRY_EXT_CTRLS:
        return controlRequest(file, request, arg);
    default:
        return streamingRequest(lock, file, fd, request, arg);
    }
}

int Camera::controlRequest(OpenFile& file, unsigned int request, void* arg) {
    switch (request) {
    case VIDIOC_QUERYCTRL:
        return -controls_.query(*static_cast<v4l2_queryctrl*>(arg));
    case VIDIOC_QUERY_EXT_CTRL:
        return -controls_.queryExt(*static_cast<v4l2_query_ext_ctrl*>(arg));
    case VIDIOC_QUERYMENU:
        return -controls_.queryMenu(*static_cast<v4l2_querymenu*>(arg));
    case VIDIOC_G_CTRL: {
        auto& c = *static_cast<v4l2_control*>(arg);
        return -controls_.get(c.id, c.value);
    }
    case VIDIOC_S_CTRL: {
        auto& c = *static_cast<v4l2_control*>(arg);
        std::int32_t value = c.value;
        const int error = controls_.set(c.id, value);
        if (error) {
            logLine("S_CTRL " + hex32(c.id) + " " + std::to_string(c.value) + " refused " +
                    errnoName(error));
            return -error;
        }
        c.value = value;
        logLine("S_CTRL " + hex32(c.id) + " " + std::to_string(value));
        return 0;
    }
    case VIDIOC_G_EXT_CTRLS:
        return -controls_.getExt(*static_cast<v4l2_ext_controls*>(arg));
    case VIDIOC_S_EXT_CTRLS:
    case VIDIOC_TRY_EXT_CTRLS: {
        const bool apply = request == VIDIOC_S_EXT_CTRLS;
        return -controls_.setExt(*static_cast<v4l2_ext_controls*>(arg), apply,
                                 [this](std::uint32_t id, std::int32_t value, int error) {
                                     std::string line =
                                         "S_EXT_CTRLS " + hex32(id) + " " + std::to_string(value);
                                     if (error) {
                                         line += " refused " + errnoName(error);
                                     }
                                     logLine(line);
                                 });
    }
    default:
        (void)file;
        return -ENOTTY;
    }
}

int Camera::streamingRequest(Lock& lock, OpenFile& file, int fd, unsigned int request, void* arg) {
    // Another file's queue: videobuf2 lets only the file that allocated it use it.
    const bool busy = owner_ && owner_ != &file;
    switch (request) {
    case VIDIOC_REQBUFS: {
        auto& r = *static_cast<v4l2_requestbuffers*>(arg);
        if (!isCapture(r.type) || r.memory != V4L2_MEMORY_MMAP) {
            return -EINVAL;
        }
        if (busy || streaming_) {
            return -EBUSY;
        }
        if (config_.busy == Busy::AtFormat && r.count > 0) {
            logLine("REQBUFS refused EBUSY");
            return -EBUSY;
        }
        const int count = buffers_.allocate(r.count, formats_.sizeImage());
        if (count < 0) {
            owner_ = nullptr;
            return count;
        }
        owner_ = count > 0 ? &file : nullptr;
        r.count = static_cast<std::uint32_t>(count);
        r.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP | V4L2_BUF_CAP_SUPPORTS_ORPHANED_BUFS;
        r.flags = 0;
        std::memset(r.reserved, 0, sizeof r.reserved);
        refreshReadable();
        logLine("REQBUFS " + std::to_string(count));
        return 0;
    }
    case VIDIOC_QUERYBUF:
        return -buffers_.query(*static_cast<v4l2_buffer*>(arg));
    case VIDIOC_QBUF:
        return busy ? -EBUSY : -buffers_.queue(*static_cast<v4l2_buffer*>(arg));
    case VIDIOC_DQBUF: {
        if (busy) {
            return -EBUSY;
        }
        auto& b = *static_cast<v4l2_buffer*>(arg);
        const bool nonBlocking = real().fcntl(fd, F_GETFL) & O_NONBLOCK;
        for (;;) {
            if (!streaming_) {
                return dead(file) ? -ENODEV : -EINVAL;
            }
            const int error = buffers_.dequeue(b);
            if (error != EAGAIN) {
                refreshReadable();
                return -error;
            }
            if (nonBlocking) {
                return -EAGAIN;
            }
            doneCv_.wait(lock);
            if (dead(file)) {
                return -ENODEV;
            }
        }
    }
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF: {
        if (!isCapture(*static_cast<int*>(arg))) {
            return -EINVAL;
        }
        if (busy) {
            return -EBUSY;
        }
        if (request == VIDIOC_STREAMON) {
            return -streamOn(lock);
        }
        streamOff(lock);
        return 0;
    }
    default:
        // EXPBUF, CREATE_BUFS, PREPARE_BUF, selections, standards, events, priorities...
        return -ENOTTY;
    }
}

} // namespace fakecam
