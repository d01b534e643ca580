// The C library calls this library replaces. Each one asks the emulator whether the path
// or descriptor is an emulated node and otherwise passes the call on unchanged; what
// GStreamer's v4l2src, Qt and GLib import on Debian 12 decided the list (README.md).

#undef _FORTIFY_SOURCE
#undef _FILE_OFFSET_BITS

#include "Emulator.h"
#include "Real.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#define FAKECAM_EXPORT extern "C" __attribute__((visibility("default")))

using fakecam::Emulator;
using fakecam::real;

namespace {

// Set while this thread runs emulator code: anything it calls that comes back through
// these functions (a library reading a file, say) goes straight to the C library.
thread_local bool tl_inside = false;

// It also keeps errno: a call that succeeds leaves errno as the program had it, whatever
// the emulator's own file checks met on the way; a call that fails sets it with fail().
class Inside {
public:
    Inside() : saved_(errno) { tl_inside = true; }
    ~Inside() {
        tl_inside = false;
        errno = saved_;
    }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;
    void fail(int error) { saved_ = error; }

private:
    int saved_;
};

Emulator* emulator() {
    return tl_inside ? nullptr : Emulator::get();
}

// The emulator, while the program holds any of its descriptors.
Emulator* withFiles() {
    Emulator* e = emulator();
    return e && e->hasFiles() ? e : nullptr;
}

// The emulator, when fd may be one of its descriptors.
Emulator* forDescriptor(int fd) {
    if (fd < 0 || tl_inside) {
        return nullptr;
    }
    return withFiles();
}

mode_t modeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

template <typename OpenCall> int openNode(const char* path, int flags, OpenCall realOpen) {
    if (Emulator* e = emulator()) {
        Inside inside;
        // A directory opened to be listed (as std::filesystem and fdopendir() do): the
        // device directory's nodes are brought up to date first, as by opendir().
        if (flags & O_DIRECTORY)
            e->listing(path);
        if (std::optional<int> fd = e->open(path, flags)) {
            if (*fd < 0) {
                inside.fail(errno);
            }
            return *fd;
        }
    }
    return realOpen();
}

template <typename Stat> bool statNode(const char* path, Stat* st) {
    Emulator* e = emulator();
    if (!e || !st) {
        return false;
    }
    Inside inside;
    struct stat answer {};
    if (!e->statNode(path, answer)) {
        return false;
    }
    static_assert(sizeof(Stat) == sizeof answer, "stat and stat64 differ on this platform");
    std::memcpy(st, &answer, sizeof answer);
    return true;
}

template <typename Stat> bool statDescriptor(int fd, Stat* st) {
    Emulator* e = forDescriptor(fd);
    if (!e || !st) {
        return false;
    }
    Inside inside;
    struct stat answer {};
    if (!e->statFile(fd, answer)) {
        return false;
    }
    std::memcpy(st, &answer, sizeof answer);
    return true;
}

// fstatat and statx name a node by an absolute path, or a descriptor with an empty path.
bool byDescriptor(int dirfd, const char* path, int flags) {
    return path && path[0] == '\0' && (flags & AT_EMPTY_PATH) && dirfd >= 0;
}

void trace(int fd, unsigned long request, int result, int error) {
    std::fprintf(stderr, "fakecam: fd %d ioctl 0x%08lx (%c %lu) -> %d%s%s\n", fd, request,
                 static_cast<char>(_IOC_TYPE(request)), _IOC_NR(request), result,
                 result < 0 ? " " : "", result < 0 ? strerrorname_np(error) : "");
}

void* mapNode(void* addr, size_t length, int prot, int flags, int fd, off_t offset, bool& mine) {
    mine = false;
    Emulator* e = forDescriptor(fd);
    if (!e) {
        return nullptr;
    }
    Inside inside;
    std::shared_ptr<fakecam::OpenFile> file = e->file(fd);
    if (!file) {
        return nullptr;
    }
    mine = true;
    int error = 0;
    void* mapped = file->camera().mmap(*file, addr, length, prot, flags, offset, error);
    if (mapped == MAP_FAILED) {
        inside.fail(error);
    }
    return mapped;
}

int duplicated(int oldFd, int newFd, Emulator* e) {
    if (e && newFd >= 0) {
        Inside inside;
        e->setFile(newFd, e->file(oldFd));
    }
    return newFd;
}

} // namespace

FAKECAM_EXPORT int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openNode(path, flags, [&] { return real().open(path, flags, mode); });
}

FAKECAM_EXPORT int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openNode(path, flags, [&] { return real().open64(path, flags, mode); });
}

// What open() becomes in a program built with _FORTIFY_SOURCE.
FAKECAM_EXPORT int __open_2(const char* path, int flags) {
    return openNode(path, flags, [&] { return real().open(path, flags); });
}

FAKECAM_EXPORT int __open64_2(const char* path, int flags) {
    return openNode(path, flags, [&] { return real().open64(path, flags); });
}

FAKECAM_EXPORT int openat(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openNode(path, flags, [&] { return real().openat(dirfd, path, flags, mode); });
}

FAKECAM_EXPORT int openat64(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openNode(path, flags, [&] { return real().openat64(dirfd, path, flags, mode); });
}

FAKECAM_EXPORT int __openat_2(int dirfd, const char* path, int flags) {
    return openNode(path, flags, [&] { return real().openat(dirfd, path, flags); });
}

FAKECAM_EXPORT int __openat64_2(int dirfd, const char* path, int flags) {
    return openNode(path, flags, [&] { return real().openat64(dirfd, path, flags); });
}

FAKECAM_EXPORT int close(int fd) {
    if (Emulator* e = forDescriptor(fd)) {
        Inside inside;
        // Forgotten before the real close, so that a descriptor another thread opens with
        // the same number is never taken for ours.
        e->setFile(fd, nullptr);
    }
    return real().close(fd);
}

FAKECAM_EXPORT int dup(int fd) noexcept {
    Emulator* e = forDescriptor(fd);
    return duplicated(fd, real().dup(fd), e);
}

FAKECAM_EXPORT int dup2(int fd, int newFd) noexcept {
    Emulator* e = fd == newFd ? nullptr : emulator();
    const int result = real().dup2(fd, newFd);
    return result >= 0 && e && (e->hasFiles()) ? duplicated(fd, result, e) : result;
}

FAKECAM_EXPORT int dup3(int fd, int newFd, int flags) noexcept {
    Emulator* e = emulator();
    const int result = real().dup3(fd, newFd, flags);
    return result >= 0 && e && e->hasFiles() ? duplicated(fd, result, e) : result;
}

namespace {

template <typename Fcntl> int fcntlCall(Fcntl realFcntl, int fd, int command, va_list args) {
    // Every fcntl argument is an int, a long or a pointer: passed on as a pointer-sized word,
    // as the C library itself reads it.
    void* arg = va_arg(args, void*);
    if (command == F_DUPFD || command == F_DUPFD_CLOEXEC) {
        Emulator* e = forDescriptor(fd);
        return duplicated(fd, realFcntl(fd, command, arg), e);
    }
    return realFcntl(fd, command, arg);
}

} // namespace

FAKECAM_EXPORT int fcntl(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    const int result = fcntlCall(real().fcntl, fd, command, args);
    va_end(args);
    return result;
}

FAKECAM_EXPORT int fcntl64(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    const int result = fcntlCall(real().fcntl64, fd, command, args);
    va_end(args);
    return result;
}

FAKECAM_EXPORT int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (Emulator* e = forDescriptor(fd)) {
        Inside inside;
        if (std::shared_ptr<fakecam::OpenFile> file = e->file(fd)) {
            // The kernel takes the request as 32 bits, whatever the caller widened it to.
            int result = file->camera().ioctl(*file, fd, static_cast<unsigned int>(request), arg);
            int error = 0;
            if (result < 0) {
                error = -result;
                result = -1;
            }
            if (e->tracing()) {
                trace(fd, request, result, error);
            }
            if (error) {
                inside.fail(error);
            }
            return result;
        }
    }
    return real().ioctl(fd, request, arg);
}

FAKECAM_EXPORT void* mmap(void* addr, size_t length, int prot, int flags, int fd,
                          off_t offset) noexcept {
    bool mine = false;
    void* mapped = mapNode(addr, length, prot, flags, fd, offset, mine);
    return mine ? mapped : real().mmap(addr, length, prot, flags, fd, offset);
}

FAKECAM_EXPORT void* mmap64(void* addr, size_t length, int prot, int flags, int fd,
                            off64_t offset) noexcept {
    bool mine = false;
    void* mapped = mapNode(addr, length, prot, flags, fd, offset, mine);
    return mine ? mapped : real().mmap64(addr, length, prot, flags, fd, offset);
}

FAKECAM_EXPORT ssize_t read(int fd, void* buffer, size_t count) {
    if (Emulator* e = forDescriptor(fd)) {
        Inside inside;
        if (std::shared_ptr<fakecam::OpenFile> file = e->file(fd)) {
            inside.fail(file->camera().readError(*file));
            return -1;
        }
    }
    return real().read(fd, buffer, count);
}

FAKECAM_EXPORT int poll(pollfd* fds, nfds_t count, int timeout) {
    Emulator* e = fds ? withFiles() : nullptr;
    if (!e) {
        return real().poll(fds, count, timeout);
    }
    Inside inside;
    const int result =
        e->poll(fds, count, [&](bool now) { return real().poll(fds, count, now ? 0 : timeout); });
    if (result < 0) {
        inside.fail(errno);
    }
    return result;
}

FAKECAM_EXPORT int ppoll(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* mask) {
    Emulator* e = fds ? withFiles() : nullptr;
    if (!e) {
        return real().ppoll(fds, count, timeout, mask);
    }
    Inside inside;
    const timespec zero{0, 0};
    const int result = e->poll(fds, count, [&](bool now) {
        return real().ppoll(fds, count, now ? &zero : timeout, mask);
    });
    if (result < 0) {
        inside.fail(errno);
    }
    return result;
}

FAKECAM_EXPORT int __poll_chk(pollfd* fds, nfds_t count, int timeout, size_t) {
    return poll(fds, count, timeout);
}

FAKECAM_EXPORT int __ppoll_chk(pollfd* fds, nfds_t count, const timespec* timeout,
                               const sigset_t* mask, size_t) {
    return ppoll(fds, count, timeout, mask);
}

FAKECAM_EXPORT int stat(const char* path, struct stat* st) noexcept {
    return statNode(path, st) ? 0 : real().stat(path, st);
}

FAKECAM_EXPORT int stat64(const char* path, struct stat64* st) noexcept {
    return statNode(path, st) ? 0 : real().stat64(path, st);
}

FAKECAM_EXPORT int lstat(const char* path, struct stat* st) noexcept {
    return statNode(path, st) ? 0 : real().lstat(path, st);
}

FAKECAM_EXPORT int lstat64(const char* path, struct stat64* st) noexcept {
    return statNode(path, st) ? 0 : real().lstat64(path, st);
}

FAKECAM_EXPORT int fstat(int fd, struct stat* st) noexcept {
    return statDescriptor(fd, st) ? 0 : real().fstat(fd, st);
}

FAKECAM_EXPORT int fstat64(int fd, struct stat64* st) noexcept {
    return statDescriptor(fd, st) ? 0 : real().fstat64(fd, st);
}

FAKECAM_EXPORT int fstatat(int dirfd, const char* path, struct stat* st, int flags) noexcept {
    if (byDescriptor(dirfd, path, flags) ? statDescriptor(dirfd, st) : statNode(path, st)) {
        return 0;
    }
    return real().fstatat(dirfd, path, st, flags);
}

FAKECAM_EXPORT int fstatat64(int dirfd, const char* path, struct stat64* st, int flags) noexcept {
    if (byDescriptor(dirfd, path, flags) ? statDescriptor(dirfd, st) : statNode(path, st)) {
        return 0;
    }
    return real().fstatat64(dirfd, path, st, flags);
}

// Programs built against a C library before 2.33 call the versioned entries, and so do the
// thread sanitizer's stat interceptors: a node answers them as it answers the plain calls.
FAKECAM_EXPORT int __xstat(int version, const char* path, struct stat* st) noexcept {
    return statNode(path, st) ? 0 : real().xstat(version, path, st);
}

FAKECAM_EXPORT int __xstat64(int version, const char* path, struct stat64* st) noexcept {
    return statNode(path, st) ? 0 : real().xstat64(version, path, st);
}

FAKECAM_EXPORT int __lxstat(int version, const char* path, struct stat* st) noexcept {
    return statNode(path, st) ? 0 : real().lxstat(version, path, st);
}

FAKECAM_EXPORT int __lxstat64(int version, const char* path, struct stat64* st) noexcept {
    return statNode(path, st) ? 0 : real().lxstat64(version, path, st);
}

FAKECAM_EXPORT int __fxstat(int version, int fd, struct stat* st) noexcept {
    return statDescriptor(fd, st) ? 0 : real().fxstat(version, fd, st);
}

FAKECAM_EXPORT int __fxstat64(int version, int fd, struct stat64* st) noexcept {
    return statDescriptor(fd, st) ? 0 : real().fxstat64(version, fd, st);
}

// Qt asks statx first.
FAKECAM_EXPORT int statx(int dirfd, const char* path, int flags, unsigned int mask,
                         struct statx* st) noexcept {
    struct stat answer {};
    const bool node = (byDescriptor(dirfd, path, flags) ? statDescriptor(dirfd, &answer)
                                                        : statNode(path, &answer));
    const int result = real().statx(dirfd, path, flags, mask, st);
    if (node && result == 0) {
        st->stx_mode = static_cast<std::uint16_t>(answer.st_mode);
        st->stx_rdev_major = major(answer.st_rdev);
        st->stx_rdev_minor = minor(answer.st_rdev);
        st->stx_size = 0;
    }
    return result;
}

FAKECAM_EXPORT DIR* opendir(const char* path) {
    if (Emulator* e = emulator()) {
        Inside inside;
        e->listing(path);
    }
    return real().opendir(path);
}
