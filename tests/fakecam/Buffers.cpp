#include "Buffers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace fakecam {

namespace {

constexpr std::uint32_t kMaxBuffers = 32; // VB2_MAX_FRAME

std::uint32_t pageAligned(std::uint32_t length) {
    const auto page = static_cast<std::uint32_t>(sysconf(_SC_PAGESIZE));
    return (length + page - 1) / page * page;
}

} // namespace

BufferQueue::Buffer::~Buffer() {
    if (data) {
        munmap(data, length);
    }
}

int BufferQueue::allocate(std::uint32_t count, std::uint32_t length) {
    release();
    count = std::min(count, kMaxBuffers);
    const std::uint32_t size = pageAligned(length);
    std::uint32_t offset = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto buffer = std::make_unique<Buffer>();
        buffer->memory = UniqueFd(memfd_create("fakecam-buffer", MFD_CLOEXEC));
        if (!buffer->memory.valid() || ftruncate(buffer->memory.get(), size) != 0) {
            release();
            return -ENOMEM;
        }
        void* data =
            real().mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, buffer->memory.get(), 0);
        if (data == MAP_FAILED) {
            release();
            return -ENOMEM;
        }
        buffer->data = static_cast<std::uint8_t*>(data);
        buffer->length = size;
        buffer->offset = offset;
        offset += size;
        buffers_.push_back(std::move(buffer));
    }
    return static_cast<int>(count);
}

void BufferQueue::release() {
    queued_.clear();
    done_.clear();
    buffers_.clear();
}

int BufferQueue::indexOf(const v4l2_buffer& b) const {
    if (b.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || b.index >= buffers_.size()) {
        return -1;
    }
    return static_cast<int>(b.index);
}

void BufferQueue::describe(const Buffer& buffer, std::uint32_t index, v4l2_buffer& b) const {
    std::memset(&b, 0, sizeof b);
    b.index = index;
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.m.offset = buffer.offset;
    b.length = buffer.length;
    b.field = V4L2_FIELD_NONE;
    b.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
    if (buffer.mapped) {
        b.flags |= V4L2_BUF_FLAG_MAPPED;
    }
    switch (buffer.state) {
    case State::Queued:
    case State::Filling:
        b.flags |= V4L2_BUF_FLAG_QUEUED;
        break;
    case State::Done:
        b.flags |= V4L2_BUF_FLAG_DONE;
        break;
    case State::Dequeued:
        break;
    }
    if (buffer.state == State::Done || buffer.state == State::Dequeued) {
        b.bytesused = buffer.bytesUsed;
        b.sequence = buffer.sequence;
        b.timestamp = buffer.timestamp;
    }
}

int BufferQueue::query(v4l2_buffer& b) const {
    const int index = indexOf(b);
    if (index < 0) {
        return EINVAL;
    }
    describe(*buffers_[index], index, b);
    return 0;
}

int BufferQueue::queue(v4l2_buffer& b) {
    const int index = indexOf(b);
    if (index < 0 || b.memory != V4L2_MEMORY_MMAP) {
        return EINVAL;
    }
    Buffer& buffer = *buffers_[index];
    if (buffer.state != State::Dequeued) {
        return EINVAL;
    }
    buffer.state = State::Queued;
    queued_.push_back(&buffer);
    describe(buffer, index, b);
    return 0;
}

int BufferQueue::dequeue(v4l2_buffer& b) {
    if (b.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || b.memory != V4L2_MEMORY_MMAP) {
        return EINVAL;
    }
    if (done_.empty()) {
        return EAGAIN;
    }
    Buffer* buffer = done_.front();
    done_.pop_front();
    buffer->state = State::Dequeued;
    const auto index = static_cast<std::uint32_t>(
        std::find_if(buffers_.begin(), buffers_.end(),
                     [buffer](const auto& p) { return p.get() == buffer; }) -
        buffers_.begin());
    describe(*buffer, index, b);
    return 0;
}

BufferQueue::Buffer* BufferQueue::takeForFilling() {
    if (queued_.empty()) {
        return nullptr;
    }
    Buffer* buffer = queued_.front();
    queued_.pop_front();
    buffer->state = State::Filling;
    return buffer;
}

void BufferQueue::filled(Buffer* buffer, std::uint32_t bytesUsed, std::uint32_t sequence) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    buffer->bytesUsed = bytesUsed;
    buffer->sequence = sequence;
    buffer->timestamp = {now.tv_sec, now.tv_nsec / 1000};
    buffer->state = State::Done;
    done_.push_back(buffer);
}

void BufferQueue::cancel() {
    queued_.clear();
    done_.clear();
    for (auto& buffer : buffers_) {
        buffer->state = State::Dequeued;
    }
}

BufferQueue::Buffer* BufferQueue::atOffset(std::uint64_t offset) {
    for (auto& buffer : buffers_) {
        if (buffer->offset == offset) {
            return buffer.get();
        }
    }
    return nullptr;
}

} // namespace fakecam
