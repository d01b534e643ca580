#pragma once

#include <QProcess>
#include <QStringList>

#include <optional>

namespace test {

// Parts the test program plays when a test starts it as another process:
//   --registry-writer FILE KEY NAME COUNT: writes NAME = 1, 2, ... COUNT into KEY of the
//     registry FILE, opening the key for each write as the program does; status 1 when a
//     write fails.
// Returns the process's exit status, or nothing when the arguments ask for no such part.
std::optional<int> playChildRole();

// Starts the test program in one of those parts.
void startChild(QProcess& child, const QStringList& arguments);

} // namespace test
