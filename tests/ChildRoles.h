#pragma once

#include <QProcess>
#include <QStringList>

#include <optional>

namespace test {

// Parts the test program plays when a test starts it as another process:
//   --registry-writer FILE KEY NAME COUNT: writes NAME = 1, 2, ... COUNT into KEY of the
//     registry FILE, opening the key for each write as the program does; status 1 when a
//     write fails.
//   --start-in DIR: starts as the program's entry does in that start-up directory. The
//     first there shows a main window and another window over it, says "running" on
//     standard output, and "activated" each time its main window becomes the active one;
//     a second start hands over and ends with that status.
// Returns the process's exit status, or nothing when the arguments ask for no such part.
std::optional<int> playChildRole();

// Starts the test program in one of those parts.
void startChild(QProcess& child, const QStringList& arguments);

} // namespace test
