#pragma once

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
// removed, a file already at `path` stays as it was, and `why` (when given) receives the
// system's reason, such as "No space left on device".
bool writeWholeFile(const QString& path, const QByteArray& data, QString* why = nullptr,
                    FileAccess access = FileAccess::Usual);

// Like writeWholeFile, but only where no file of that name is there yet: the new file takes
// the name in one step, so that of two writers making the same file one wins and the other
// fails with `exists` set (and finds the first one's file there).
bool writeNewFile(const QString& path, const QByteArray& data, bool& exists,
                  QString* why = nullptr);

} // namespace platform
