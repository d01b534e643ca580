#include "platform/instance/DirectoryLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace platform {

DirectoryLock::DirectoryLock(const QString& directory)
    : DirectoryLock(directory, privateDirectory()) {}

DirectoryLock::DirectoryLock(const QString& directory, const Result<QString>& privateDir) {
    struct stat info {};
    if (::stat(QFile::encodeName(directory).constData(), &info) != 0) {
        fault_ = QStringLiteral("cannot look at the directory: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    QString privateFault = privateDir ? QString() : privateDir.why();
    if (privateDir) {
        const QString key = QStringLiteral("/nimbacast-%1-%2")
                                .arg(qulonglong(info.st_dev), 0, 16)
                                .arg(qulonglong(info.st_ino), 0, 16);
        socket_ = *privateDir + key;
        private_ = std::make_unique<LockFile>(socket_ + QStringLiteral(".lock"));
        if (private_->state() == LockFile::State::HeldByAnother) {
            state_ = State::HeldByAnother;
            return;
        }
        privateFault = private_->fault();
    }

    local_ = std::make_unique<LockFile>(directory + QLatin1Char('/') + kFileName);
    if (local_->state() == LockFile::State::HeldByAnother) {
        // A run with another private directory: it named its socket in the lock file.
        const QString named = QFile::decodeName(LockFile::readFrom(local_->path()).trimmed());
        if (QDir::isAbsolutePath(named))
            socket_ = named;
        private_.reset();
        state_ = State::HeldByAnother;
        return;
    }
    const bool privateHeld = private_ && private_->state() == LockFile::State::Held;
    const bool localHeld = local_->state() == LockFile::State::Held;
    if (!privateHeld && !localHeld) {
        fault_ = privateFault + QStringLiteral("; ") + local_->fault();
        socket_.clear();
        return;
    }
    state_ = State::Held;
    if (!privateHeld)
        socket_.clear();
    if (localHeld)
        local_->write(QFile::encodeName(socket_) + '\n');
    else
        fault_ = local_->fault();
}

DirectoryLock::~DirectoryLock() = default;

} // namespace platform
