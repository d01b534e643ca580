#pragma once

#include "platform/Result.h"

#include <QString>

namespace platform {

// GetPrivateProfileString over an INI file: the value of `key` in `section`, sections and
// keys matched without regard to letter case, blanks around names and values trimmed, then
// one pair of matching double or single quotes around the value dropped; `fallback` when the
// file, the section or the key is absent. The file is read on each call and never written.
// Its text is UTF-8 when it is valid UTF-8, and Windows-1252 (the ANSI code page such files
// were written in) otherwise.
//
// A file that is there but cannot be read (not a regular file, too large, a read error) is a
// failure that says why, naming the file; the caller's fallback stands then too. A missing
// file is no fault.
Result<QString> privateProfileString(const QString& section, const QString& key,
                                     const QString& fallback, const QString& file);

} // namespace platform
