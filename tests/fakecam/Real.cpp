#include "Real.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace fakecam {

namespace {

template <typename T> void resolve(T& slot, const char* name) {
    slot = reinterpret_cast<T>(dlsym(RTLD_NEXT, name));
}

RealCalls resolveAll() {
    RealCalls r{};
    resolve(r.open, "open");
    resolve(r.open64, "open64");
    resolve(r.openat, "openat");
    resolve(r.openat64, "openat64");
    resolve(r.close, "close");
    resolve(r.dup, "dup");
    resolve(r.dup2, "dup2");
    resolve(r.dup3, "dup3");
    resolve(r.fcntl, "fcntl");
    resolve(r.fcntl64, "fcntl64");
    resolve(r.ioctl, "ioctl");
    resolve(r.mmap, "mmap");
    resolve(r.mmap64, "mmap64");
    resolve(r.read, "read");
    resolve(r.poll, "poll");
    resolve(r.ppoll, "ppoll");
    resolve(r.stat, "stat");
    resolve(r.stat64, "stat64");
    resolve(r.lstat, "lstat");
    resolve(r.lstat64, "lstat64");
    resolve(r.fstat, "fstat");
    resolve(r.fstat64, "fstat64");
    resolve(r.fstatat, "fstatat");
    resolve(r.fstatat64, "fstatat64");
    resolve(r.statx, "statx");
    resolve(r.xstat, "__xstat");
    resolve(r.xstat64, "__xstat64");
    resolve(r.lxstat, "__lxstat");
    resolve(r.lxstat64, "__lxstat64");
    resolve(r.fxstat, "__fxstat");
    resolve(r.fxstat64, "__fxstat64");
    resolve(r.opendir, "opendir");
    // Older C libraries export only some of the 64-bit names; on x86_64 both are one call.
    if (!r.fcntl64) {
        r.fcntl64 = r.fcntl;
    }
    return r;
}

} // namespace

const RealCalls& real() {
    static const RealCalls calls = resolveAll();
    return calls;
}

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) {
        real().close(fd_);
    }
    fd_ = fd;
}

bool readWholeFile(const char* path, std::string& out) {
    UniqueFd fd(real().open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        return false;
    }
    out.clear();
    char chunk[4096];
    for (;;) {
        ssize_t n = real().read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(chunk, static_cast<size_t>(n));
    }
}

} // namespace fakecam
