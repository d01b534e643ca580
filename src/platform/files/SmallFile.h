#pragma once

#include "platform/Result.h"

#include <QByteArray>

#include <cerrno>

#include <string>

namespace platform {

// Reads a regular file of at most `limit` bytes. Opened without blocking, so that a FIFO or a
// device in its place is refused instead of holding up the program. A failure's code is the
// system's errno where there is one: ENOENT when there is no file of that name at all, which
// most callers take as an empty file rather than a fault (see isMissing).
Result<QByteArray> readSmallFile(const std::string& path, qint64 limit);
// The same from a file already open, read from its start; the descriptor stays open.
Result<QByteArray> readSmallFile(int fd, qint64 limit);
// Whether the read failed only because there was no file of that name.
inline bool isMissing(const Result<QByteArray>& read) {
    return !read && read.failure().code() == ENOENT;
}
// "line 3, column 7" for a byte offset into a text, so that a fault in a hand-written file
// can be found.
std::string lineAndColumn(const QByteArray& text, qsizetype offset);

} // namespace platform
