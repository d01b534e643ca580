#include "platform/files/WholeFile.h"

#include "platform/files/UniqueFd.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes the descriptor and removes the unfinished file unless the write was completed.
class NewFile {
public:
    NewFile(QByteArray path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~NewFile() {
        fd_.reset();
        if (!kept_)
            ::unlink(path_.constData());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int fd() const { return fd_.get(); }
    const QByteArray& path() const { return path_; }
    bool close() { return fd_.close(); }
    void keep() { kept_ = true; }

private:
    QByteArray path_;
    UniqueFd fd_;
    bool kept_ = false;
};

// The temporary name's own bytes: a leading dot, then a dot, eight hex digits and ".part".
constexpr qsizetype kTemporaryMarks = 15;

// The longest file name the directory takes; the usual 255 where it does not say.
qsizetype longestName(const QByteArray& directory) {
    const long most = ::pathconf(directory.constData(), _PC_NAME_MAX);
    return most > kTemporaryMarks ? most : 255;
}

// A file of a name nobody else uses, in the target's directory so that the rename stays
// on one filesystem. The target's name is cut (at a character's start) where the marks
// would make it longer than the directory takes, so that every name it takes can be written.
int createBeside(const QByteArray& target, QByteArray& made, mode_t mode) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray directory =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const QByteArray prefix = slash < 0 ? QByteArray() : target.left(slash + 1);
    QByteArray name = slash < 0 ? target : target.mid(slash + 1);
    qsizetype keep = std::min(name.size(), longestName(directory) - kTemporaryMarks);
    while (keep > 0 && keep < name.size() &&
           (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    name.truncate(keep);
    for (int attempt = 0; attempt < 100; ++attempt) {
        made =
            prefix + '.' + name + '.' +
            QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0') +
            ".part";
        const int fd = ::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// How the finished file takes the target's name.
enum class Placement { Replace, OnlyIfAbsent };

Result<> writeBeside(const QString& path, const QByteArray& data, Placement placement,
                     FileAccess access) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray made;
    const bool own = access == FileAccess::Private;
    const int fd = createBeside(target, made, own ? 0600 : 0666);
    if (fd < 0)
        return systemFailure(errno);
    NewFile file(made, fd);

    // A replaced file keeps its permissions, unless the new one is for this user alone.
    struct stat existing {};
    if (!own && ::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(file.fd(), existing.st_mode & 07777);

    const char* next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(file.fd(), next, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return systemFailure(errno);
        }
        if (written == 0)
            return systemFailure(ENOSPC);
        next += written;
        left -= written;
    }
    // Some filesystems only report a full disk or a failed device when the data is flushed.
    if (::fsync(file.fd()) != 0 && errno != EINVAL && errno != ENOTSUP)
        return systemFailure(errno);
    if (!file.close())
        return systemFailure(errno);
    if (placement == Placement::Replace) {
        if (::rename(made.constData(), target.constData()) != 0)
            return systemFailure(errno);
        file.keep();
        return done();
    }
    // A second name for the finished file, refused when the target is there; the first name
    // goes with the guard.
    if (::link(made.constData(), target.constData()) == 0)
        return done();
    if (errno == EEXIST)
        return systemFailure(errno);
    // A filesystem without hard links: the plain rename, which a writer racing this one
    // could overtake.
    if (errno != EPERM && errno != ENOTSUP)
        return systemFailure(errno);
    if (::rename(made.constData(), target.constData()) != 0)
        return systemFailure(errno);
    file.keep();
    return done();
}

} // namespace

Result<> writeWholeFile(const QString& path, const QByteArray& data, FileAccess access) {
    return writeBeside(path, data, Placement::Replace, access);
}

Result<> writeNewFile(const QString& path, const QByteArray& data) {
    return writeBeside(path, data, Placement::OnlyIfAbsent, FileAccess::Usual);
}

} // namespace platform
