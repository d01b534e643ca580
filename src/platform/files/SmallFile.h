#pragma once

#include <QByteArray>

#include <string>

namespace platform {

// Reads a regular file of at most `limit` bytes into `text`; returns why it could not, or an
// empty text. Opened without blocking, so that a FIFO or a device in its place is refused
// instead of holding up the program. `missing` (when given) tells whether there was no file
// of that name at all, which most callers take as an empty file rather than a fault.
std::string readSmallFile(const std::string& path, qint64 limit, QByteArray& text,
                          bool* missing = nullptr);

// The same from a file already open, read from its start; the descriptor stays open.
std::string readSmallFile(int fd, qint64 limit, QByteArray& text);

// "line 3, column 7" for a byte offset into a text, so that a fault in a hand-written file
// can be found.
std::string lineAndColumn(const QByteArray& text, qsizetype offset);

} // namespace platform
