#include "platform/files/SmallFile.h"

#include "platform/files/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

Result<QByteArray> readSmallFile(const std::string& path, qint64 limit) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return systemFailure(errno);
    return readSmallFile(fd.get(), limit);
}

Result<QByteArray> readSmallFile(int fd, qint64 limit) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return systemFailure(errno);
    if (!S_ISREG(info.st_mode))
        return Failure("it is not a regular file");
    if (info.st_size > limit)
        return Failure("it holds " + std::to_string(info.st_size) + " bytes, more than the " +
                           std::to_string(limit) + " such a file may have",
                       EFBIG);
    QByteArray text(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < text.size()) {
        const ssize_t n = ::pread(fd, text.data() + got, static_cast<size_t>(text.size() - got),
                                  static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemFailure(errno);
        if (n == 0)
            break;
        got += n;
    }
    text.truncate(got);
    return text;
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
