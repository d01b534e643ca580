#pragma once
// The MMAP buffers of a capture queue and their states, as videobuf2 keeps them. Each
// buffer is a memfd: the program maps it through our mmap, and its real munmap needs no
// help from us. No locking here: the camera's mutex covers every call.

#include "Real.h"

#include <cstdint>
#include <deque>
#include <linux/videodev2.h>
#include <memory>
#include <sys/time.h>
#include <vector>

namespace fakecam {

class BufferQueue {
public:
    enum class State { Dequeued, Queued, Filling, Done };

    struct Buffer {
        UniqueFd memory;
        std::uint8_t* data = nullptr; // our own mapping, for the producer
        std::uint32_t length = 0;
        std::uint32_t offset = 0;
        State state = State::Dequeued;
        bool mapped = false;
        std::uint32_t bytesUsed = 0;
        std::uint32_t sequence = 0;
        timeval timestamp{};
        ~Buffer();
    };

    ~BufferQueue() { release(); }

    // Frees every buffer, then allocates count buffers of length bytes (count 0 only
    // frees). Returns the number allocated, or -errno.
    int allocate(std::uint32_t count, std::uint32_t length);
    void release();
    std::size_t count() const { return buffers_.size(); }

    int query(v4l2_buffer& b) const;
    int queue(v4l2_buffer& b);
    // Takes the oldest filled buffer; EAGAIN when there is none.
    int dequeue(v4l2_buffer& b);
    bool hasDone() const { return !done_.empty(); }

    // Producer side: the next queued buffer to fill, or nullptr (the frame is dropped).
    Buffer* takeForFilling();
    void filled(Buffer* buffer, std::uint32_t bytesUsed, std::uint32_t sequence);
    // Every buffer back to the program, none queued or filled, as STREAMOFF leaves them.
    void cancel();

    // The buffer a mmap offset names, or nullptr.
    Buffer* atOffset(std::uint64_t offset);

private:
    void describe(const Buffer& buffer, std::uint32_t index, v4l2_buffer& b) const;
    int indexOf(const v4l2_buffer& b) const;

    std::vector<std::unique_ptr<Buffer>> buffers_;
    std::deque<Buffer*> queued_;
    std::deque<Buffer*> done_;
};

} // namespace fakecam
