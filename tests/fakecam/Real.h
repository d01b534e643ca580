#pragma once
// The C library's own versions of the calls this library interposes. The emulator uses
// these for its own files (config, log, placeholders) so that it never re-enters itself.

#include <string>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace fakecam {

struct RealCalls {
    int (*open)(const char*, int, ...);
    int (*open64)(const char*, int, ...);
    int (*openat)(int, const char*, int, ...);
    int (*openat64)(int, const char*, int, ...);
    int (*close)(int);
    int (*dup)(int);
    int (*dup2)(int, int);
    int (*dup3)(int, int, int);
    int (*fcntl)(int, int, ...);
    int (*fcntl64)(int, int, ...);
    int (*ioctl)(int, unsigned long, ...);
    void* (*mmap)(void*, size_t, int, int, int, off_t);
    void* (*mmap64)(void*, size_t, int, int, int, off64_t);
    ssize_t (*read)(int, void*, size_t);
    int (*poll)(pollfd*, nfds_t, int);
    int (*ppoll)(pollfd*, nfds_t, const timespec*, const sigset_t*);
    int (*stat)(const char*, struct stat*);
    int (*stat64)(const char*, struct stat64*);
    int (*lstat)(const char*, struct stat*);
    int (*lstat64)(const char*, struct stat64*);
    int (*fstat)(int, struct stat*);
    int (*fstat64)(int, struct stat64*);
    int (*fstatat)(int, const char*, struct stat*, int);
    int (*fstatat64)(int, const char*, struct stat64*, int);
    int (*statx)(int, const char*, int, unsigned int, struct statx*);
    // The versioned entries of C libraries before 2.33 (still exported).
    int (*xstat)(int, const char*, struct stat*);
    int (*xstat64)(int, const char*, struct stat64*);
    int (*lxstat)(int, const char*, struct stat*);
    int (*lxstat64)(int, const char*, struct stat64*);
    int (*fxstat)(int, int, struct stat*);
    int (*fxstat64)(int, int, struct stat64*);
    DIR* (*opendir)(const char*);
};

// Resolved once with dlsym(RTLD_NEXT); safe to call from any interposed function.
const RealCalls& real();

// A descriptor closed with the real close when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// Reads a whole small file with the real calls; false when it cannot be read.
bool readWholeFile(const char* path, std::string& out);

} // namespace fakecam
