#include "ChildRoles.h"
#include "Support.h"

#include "app/SingleInstance.h"
#include "platform/instance/DirectoryLock.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Waits for a line on the child's standard output, keeping what it said in `said`.
bool says(QProcess& child, QByteArray& said, const QByteArray& line) {
    return test::waitUntil([&] {
        said += child.readAllStandardOutput();
        return said.contains(line + '\n');
    });
}

// One run per start-up directory: a second start there hands over to the running one and
// touches nothing in the directory; a run ended by SIGKILL leaves nothing that keeps the
// next start from running; another directory runs beside it.
TEST(SingleInstance, OneRunPerStartupDirectory) {
    enum class First { Running, Killed, Silent };
    struct Row {
        const char* what;
        First first;
        bool sameDirectory;
        bool secondRuns;
        int handOverStatus; // when it does not run
    };
    const Row rows[] = {
        {"a second start in the same directory", First::Running, true, false, 0},
        {"the first killed, a new start runs", First::Killed, true, true, 0},
        {"another directory runs beside it", First::Running, false, true, 0},
        {"a first that does not answer", First::Silent, true, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir a, b;
        const QString dir = QFileInfo(a.path()).canonicalFilePath();
        QProcess first;
        QByteArray said;
        if (row.first == First::Silent) {
            // The lock held, as by a program that hangs before it listens.
            first.start("flock", {dir + "/" + platform::DirectoryLock::kFileName, "sleep", "60"});
            ASSERT_TRUE(first.waitForStarted());
            ASSERT_TRUE(test::waitUntil([&] {
                return platform::DirectoryLock(dir).state() ==
                       platform::DirectoryLock::State::HeldByAnother;
            }));
        } else {
            test::startChild(first, {"--start-in", dir});
            ASSERT_TRUE(first.waitForStarted());
            ASSERT_TRUE(says(first, said, "running")) << first.readAllStandardError().toStdString();
        }
        if (row.first == First::Killed) {
            first.kill();
            ASSERT_TRUE(first.waitForFinished());
        }
        const QStringList before = entries(dir);

        const QString secondDir = row.sameDirectory ? dir : b.path();
        app::SingleInstance second(secondDir);
        EXPECT_EQ(second.first(), row.secondRuns);
        if (!second.first()) {
            test::RecordedMessages messages;
            EXPECT_EQ(second.handOver(messages), row.handOverStatus);
            if (row.handOverStatus == 0) {
                EXPECT_TRUE(says(first, said, "activated"));
                EXPECT_TRUE(messages.errors.empty());
            } else {
                ASSERT_EQ(messages.errors.size(), 1u);
                EXPECT_TRUE(messages.errors[0].text.contains('"' + dir + '"'))
                    << messages.errors[0].text.toStdString();
            }
        } else {
            // It is the one running there now: a further start hands over to it.
            QWidget window;
            window.show();
            second.raiseOnRequest(window);
            QProcess third;
            test::startChild(third, {"--start-in", secondDir});
            ASSERT_TRUE(test::waitUntil([&] { return third.state() == QProcess::NotRunning; }));
            EXPECT_EQ(third.exitCode(), 0) << third.readAllStandardError().toStdString();
        }
        EXPECT_EQ(entries(dir), before);
        if (row.first != First::Killed) {
            EXPECT_EQ(first.state(), QProcess::Running);
        }
        first.kill();
        first.waitForFinished();
    }
}

} // namespace
