#pragma once

#include "platform/instance/LockFile.h"
#include "platform/instance/PrivateDirectory.h"

#include <QString>

#include <memory>

namespace platform {

// Keeps a directory to one running process of this user's. The lock that counts lives where
// only the user can write: a file in the private directory (the runtime directory), named
// after the directory's device and inode, so that every path to it finds the same lock. A
// second one, ".nimbacast.lock" in the directory itself, also keeps out a start with another
// runtime directory; it is used only where it can be had safely (LockFile), and it names the
// socket of the program that holds it. No other user can hold either.
class DirectoryLock {
public:
    enum class State {
        Held,          // by this process, for as long as the object lives
        HeldByAnother, // a process of this user's running in the directory holds it
        Unavailable,   // no lock can be kept at all; `fault` says why
    };

    // Tries once, without waiting.
    explicit DirectoryLock(const QString& directory);
    DirectoryLock(const QString& directory, const Result<QString>& privateDir);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    State state() const { return state_; }
    // Why no lock at all could be had; when held, why the lock in the directory could not
    // be had (the one in the private directory then keeps it alone), or empty.
    const QString& fault() const { return fault_; }

    // The socket where the program running in the directory listens: for the holder, where
    // it is to listen (empty without a private directory); for a second start, the one the
    // holder named, or where it would be in this start's private directory.
    const QString& socketName() const { return socket_; }

    static constexpr char kFileName[] = ".nimbacast.lock";

private:
    std::unique_ptr<LockFile> private_;
    std::unique_ptr<LockFile> local_;
    State state_ = State::Unavailable;
    QString fault_;
    QString socket_;
};

} // namespace platform
