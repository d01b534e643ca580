#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

namespace platform {

// Who may read a file the program writes.
enum class FileAccess {
    // The user's own choice: the umask decides, and a replaced file keeps its permissions.
    Usual,
    // This user alone (0600), whatever the umask or the file it replaces.
    Private,
};

// Writes `data` to `path` whole or not at all: into a new file beside it, every write and
// the flush to disk checked, then renamed over the target. On any failure the new file is
// removed, a file already at `path` stays as it was, and the failure gives the system's
// reason, such as "No space left on device" (its errno as the code).
Result<> writeWholeFile(const QString& path, const QByteArray& data,
                        FileAccess access = FileAccess::Usual);
// Like writeWholeFile, but only where no file of that name is there yet: the new file takes
// the name in one step, so that of two writers making the same file one wins and the other
// fails with the code EEXIST (and finds the first one's file there).
Result<> writeNewFile(const QString& path, const QByteArray& data);

} // namespace platform
