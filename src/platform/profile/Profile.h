#pragma once

#include <QString>

namespace platform {

// GetPrivateProfileString over an INI file: the value of `key` in `section`, sections and
// keys matched without regard to letter case, blanks around names and values trimmed;
// `fallback` when the file, the section or the key is absent. The file is read on each call
// and never written.
//
// `fault` (when given) says why a file that is there could not be read (not a regular file,
// too large, a read error); the fallback is given then too. A missing file is no fault.
QString privateProfileString(const QString& section, const QString& key, const QString& fallback,
                             const QString& file, QString* fault = nullptr);

} // namespace platform
