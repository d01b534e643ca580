#pragma once

#include <QString>

namespace platform {

// Whether the file begins as an AVI file does ("RIFF", a size, "AVI "). Empty when it does;
// otherwise why not, in a sentence fragment (cannot be read, is not an AVI file).
QString whyNotAvi(const QString& path);

} // namespace platform
