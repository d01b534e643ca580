#pragma once

#include "platform/Result.h"

#include <QString>

namespace platform {

// Whether the file begins as an AVI file does ("RIFF", a size, "AVI "); when it does not, why
// not in a sentence fragment (cannot be read, is not an AVI file) for the caller's sentence.
Result<> checkAviFile(const QString& path);

} // namespace platform
