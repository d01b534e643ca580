#pragma once

#include <QString>

namespace platform {

// Keeps a directory to one running process: an exclusive flock() on the file
// ".nimbacast.lock" in it, made on the first run and never removed, so that there is no
// stale lock to clear; the system lets go of the lock when the process ends, however it
// ends. A directory that takes no new file, where none was made before, is locked itself.
class DirectoryLock {
public:
    enum class State {
        Held,          // by this process, for as long as the object lives
        HeldByAnother, // a process running in the directory holds it
        Unavailable,   // it cannot be taken here; `fault` says why
    };

    // Tries once, without waiting.
    explicit DirectoryLock(const QString& directory);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    State state() const { return state_; }
    const QString& fault() const { return fault_; }

    static constexpr char kFileName[] = ".nimbacast.lock";

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
    QString fault_;
};

} // namespace platform
