#include "platform/instance/DirectoryLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

DirectoryLock::DirectoryLock(const QString& directory) {
    const QByteArray file = QFile::encodeName(directory + QLatin1Char('/') + kFileName);
    // Open for reading only: a lock needs no more, a lock file made by another user serves
    // as well, and the program holds nothing open for writing that would keep the
    // directory's disk from being remounted read-only.
    fd_ = ::open(file.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
        fd_ = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        fault_ =
            QStringLiteral("cannot open \"%1\": %2").arg(QFile::decodeName(file), reason(errno));
        return;
    }
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK) {
            state_ = State::HeldByAnother;
        } else {
            fault_ = QStringLiteral("cannot lock \"%1\": %2")
                         .arg(QFile::decodeName(file), reason(errno));
        }
        ::close(fd_);
        fd_ = -1;
        return;
    }
    state_ = State::Held;
}

DirectoryLock::~DirectoryLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace platform
