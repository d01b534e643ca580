#include "platform/files/SmallFile.h"

#include "platform/files/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string readSmallFile(const std::string& path, qint64 limit, QByteArray& text, bool* missing) {
    text.clear();
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (missing)
        *missing = !fd && errno == ENOENT;
    if (!fd)
        return std::strerror(errno);
    return readSmallFile(fd.get(), limit, text);
}

std::string readSmallFile(int fd, qint64 limit, QByteArray& text) {
    text.clear();
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "it is not a regular file";
    if (info.st_size > limit)
        return "it holds " + std::to_string(info.st_size) + " bytes, more than the " +
               std::to_string(limit) + " such a file may have";
    text.resize(static_cast<qsizetype>(info.st_size));
    qsizetype got = 0;
    while (got < text.size()) {
        const ssize_t n = ::pread(fd, text.data() + got, static_cast<size_t>(text.size() - got),
                                  static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            text.clear();
            return std::strerror(errno);
        }
        if (n == 0)
            break;
        got += n;
    }
    text.truncate(got);
    return {};
}

std::string lineAndColumn(const QByteArray& text, qsizetype offset) {
    int line = 1, column = 1;
    for (qsizetype i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

} // namespace platform
