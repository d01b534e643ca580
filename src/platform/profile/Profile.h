#pragma once

#include <QString>

namespace platform {

// GetPrivateProfileString over an INI file: the value of `key` in `section`, sections and
// keys matched without regard to letter case, blanks around names and values trimmed, then
// one pair of matching double or single quotes around the value dropped; `fallback` when the
// file, the section or the key is absent. The file is read on each call and never written.
// Its text is UTF-8 when it is valid UTF-8, and Windows-1252 (the ANSI code page such files
// were written in) otherwise.
//
// `fault` (when given) says why a file that is there could not be read (not a regular file,
// too large, a read error); the fallback is given then too. A missing file is no fault.
QString privateProfileString(const QString& section, const QString& key, const QString& fallback,
                             const QString& file, QString* fault = nullptr);

} // namespace platform
