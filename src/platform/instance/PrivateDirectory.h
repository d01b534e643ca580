#pragma once

#include "platform/Result.h"

#include <QString>

namespace platform {

// Where this user's locks and sockets live: a directory only this user may enter, so that no
// other user can take a name there first, hold a lock or answer on a socket.

// The user's runtime directory ($XDG_RUNTIME_DIR) when it is an absolute path to a directory
// of this user's that no one else may enter; otherwise a directory of the user's own, mode
// 0700, made in the temporary directory. One that another user made first, or that others
// may enter, is not used.
Result<QString> privateDirectory();

} // namespace platform
