#pragma once

#include "platform/files/UniqueFd.h"

#include <QByteArray>
#include <QString>

namespace platform {

// One exclusive flock() on a file of this user's, taken without waiting and kept while the
// object lives; the system lets go of it when the process ends, however it ends. The file is
// made when missing (mode 0600) and kept: a lock file that is never removed is never stale.
// Only a regular file of this user's that no one else may open is used: a symbolic link or
// another user's file in its place is not, and one that others could open (so hold) is
// replaced by a fresh one where the directory allows.
class LockFile {
public:
    enum class State {
        Held,          // by this process
        HeldByAnother, // by another process of this user's
        Unavailable,   // it cannot be taken; `fault` says why
    };

    explicit LockFile(const QString& path);
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    State state() const { return state_; }
    const QString& fault() const { return fault_; }
    const QString& path() const { return path_; }

    // Puts `text` in the held file, in place of what it held; false when it cannot.
    bool write(const QByteArray& text) const;

    // What the holder of the lock file at `path` put in it, when the file is this user's
    // alone; otherwise empty.
    static QByteArray readFrom(const QString& path);

private:
    void open();

    QString path_;
    UniqueFd fd_;
    State state_ = State::Unavailable;
    QString fault_;
};

} // namespace platform
