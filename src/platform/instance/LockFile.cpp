#include "platform/instance/LockFile.h"

#include "platform/files/SmallFile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// More than any socket path a holder writes.
constexpr qint64 kMaxLockText = 4096;

QString whyOpenFailed(int error) {
    if (error == ELOOP)
        return QStringLiteral("it is a symbolic link");
    if (error == EISDIR)
        return QStringLiteral("it is a directory");
    return QString::fromLocal8Bit(std::strerror(error));
}

bool othersMayOpen(const struct stat& info) {
    return (info.st_mode & 077) != 0;
}

// A new file of this user's alone in place of the one at `path`, which others could open
// and hold; its descriptor, or -1.
UniqueFd replaceWithPrivate(const QByteArray& path) {
    QByteArray name = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd)
        return fd;
    if (::fchmod(fd.get(), 0600) != 0 || ::rename(name.constData(), path.constData()) != 0) {
        ::unlink(name.constData());
        return UniqueFd();
    }
    return fd;
}

} // namespace

LockFile::LockFile(const QString& path) : path_(path) {
    open();
    if (state_ != State::Held)
        fd_.reset();
}

LockFile::~LockFile() = default;

void LockFile::open() {
    const QByteArray file = QFile::encodeName(path_);
    // Read access is all a lock needs, and nothing held open for writing keeps the disk from
    // being remounted read-only. Never through a symbolic link, which could lead anywhere.
    fd_.reset(
        ::open(file.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd_) {
        fault_ = QStringLiteral("cannot open \"%1\": %2").arg(path_, whyOpenFailed(errno));
        return;
    }
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0) {
        fault_ = QStringLiteral("cannot look at \"%1\": %2").arg(path_, whyOpenFailed(errno));
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        fault_ = QStringLiteral("\"%1\" is not a regular file").arg(path_);
        return;
    }
    // Another user's lock would let that user stop every start here.
    if (info.st_uid != ::geteuid()) {
        fault_ = QStringLiteral("\"%1\" belongs to another user").arg(path_);
        return;
    }
    bool mayBeHeldByOthers = false;
    if (othersMayOpen(info)) {
        // Anyone who opened it may hold it: a fresh file leaves them holding the old one.
        if (UniqueFd fresh = replaceWithPrivate(file)) {
            fd_ = std::move(fresh);
        } else {
            mayBeHeldByOthers = true;
            ::fchmod(fd_.get(), 0600);
        }
    }
    while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK && !mayBeHeldByOthers) {
            state_ = State::HeldByAnother;
        } else if (errno == EWOULDBLOCK) {
            fault_ = QStringLiteral("\"%1\" is held, and other users could open it").arg(path_);
        } else {
            fault_ = QStringLiteral("cannot lock \"%1\": %2").arg(path_, whyOpenFailed(errno));
        }
        return;
    }
    state_ = State::Held;
}

bool LockFile::write(const QByteArray& text) const {
    if (state_ != State::Held)
        return false;
    UniqueFd fd(::open(QFile::encodeName(path_).constData(),
                       O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return false;
    struct stat held {
    }, opened{};
    // Only into the file this process holds, should another have been put at its name.
    const bool written = ::fstat(fd_.get(), &held) == 0 && ::fstat(fd.get(), &opened) == 0 &&
                         held.st_dev == opened.st_dev && held.st_ino == opened.st_ino &&
                         ::ftruncate(fd.get(), 0) == 0 &&
                         ::write(fd.get(), text.constData(), size_t(text.size())) == text.size();
    return fd.close() && written;
}

QByteArray LockFile::readFrom(const QString& path) {
    const UniqueFd fd(::open(QFile::encodeName(path).constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return {};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid() || othersMayOpen(info))
        return {};
    Result<QByteArray> text = readSmallFile(fd.get(), kMaxLockText);
    if (!text)
        return {};
    return std::move(text).value();
}

} // namespace platform
